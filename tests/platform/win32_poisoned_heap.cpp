// Replaces the global operator delete of the test program that links it (the library's
// array forms call these): freed blocks are zeroed before they go back to the
// heap, so code that goes on inside an editor the host closed finds a null table pointer
// or a "window gone" flag cleared, instead of passing by luck on stale contents.
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <new>

// Called through a volatile pointer: a plain memset of memory freed right after is dropped.
static void* (*volatile gWipe)(void*, int, std::size_t) = std::memset;

void operator delete(void* block) noexcept {
  if (block == nullptr) return;
  gWipe(block, 0, _msize(block));
  std::free(block);
}

void operator delete(void* block, std::size_t /*size*/) noexcept {
  ::operator delete(block);
}
