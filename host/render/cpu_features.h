// The wider vector instructions that the renderer's measuring loops may use.
//
// A function marked TARVO_TARGET_AVX is built for 256-bit (AVX) vectors and runs only while
// wideLoops() answers true. That is x86-64 outside Windows: MinGW's GCC does not align the
// stack for 32-byte values (GCC bug 54412), so there the mark is empty and the answer false.
// Both builds of a loop do the same operations lane for lane and give the same figures.
#pragma once

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace tarvo::render {

#if defined(__x86_64__) && !defined(_WIN32)
#define TARVO_TARGET_AVX __attribute__((target("avx")))
// __builtin_cpu_supports also confirms that the system saves the wider registers.
inline bool haveAvx() {
  static const bool have = __builtin_cpu_supports("avx");
  return have;
}
#else
#define TARVO_TARGET_AVX
inline bool haveAvx() {
  return false;
}
#endif

#if defined(__x86_64__) || defined(__i386__)
inline bool haveAvx2Fma() {
  static const bool have = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return have;
}
#else
inline bool haveAvx2Fma() {
  return false;
}
#endif

namespace detail {
inline std::atomic<int> wideLoopsChoice{-1};  // -1: not yet decided
}

// Whether the measuring loops run their AVX builds: where the processor has them, unless
// TARVO_KERNELS=baseline is set (as for the plug-in's kernels) or setWideLoops(false) was
// called.
inline bool wideLoops() {
  int choice = detail::wideLoopsChoice.load(std::memory_order_relaxed);
  if (choice < 0) {
    const char* asked = std::getenv("TARVO_KERNELS");
    choice = haveAvx() && !(asked != nullptr && std::strcmp(asked, "baseline") == 0);
    detail::wideLoopsChoice.store(choice, std::memory_order_relaxed);
  }
  return choice != 0;
}

// For comparisons: true takes effect only where the processor has AVX.
inline void setWideLoops(bool on) {
  detail::wideLoopsChoice.store(on && haveAvx(), std::memory_order_relaxed);
}

}  // namespace tarvo::render
