// Small helpers for texts handed across the binary interface.
#pragma once

#include <cstddef>
#include <cstring>

namespace tarvo::vst {

// Copies a zero-terminated text into a host buffer, whole (the host provides the room).
// A null destination is tolerated: nothing is written.
inline void copyText(char* dst, const char* src) {
  if (dst == nullptr) return;
  std::strcpy(dst, src);
}

// Copies at most `maxChars` characters and a terminating zero.
inline void copyTextCut(char* dst, const char* src, size_t maxChars) {
  if (dst == nullptr) return;
  size_t n = src == nullptr ? 0 : strnlen(src, maxChars);
  if (n > 0) std::memcpy(dst, src, n);
  dst[n] = '\0';
}

}  // namespace tarvo::vst
