#include "dsp/fp_control.h"

#if defined(__SSE__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#include <xmmintrin.h>
#define TARVO_HAVE_SSE 1
#endif

namespace tarvo::dsp {
namespace {

#ifdef TARVO_HAVE_SSE
// MXCSR: exception masks (bits 7..12), rounding control (bits 13..14, 00 = nearest),
// flush-to-zero (bit 15), denormals-are-zero (bit 6).
constexpr uint32_t kSseExceptionMasks = 0x1F80u;
constexpr uint32_t kSseRoundingMask = 0x6000u;
constexpr uint32_t kSseFlushToZero = 0x8000u;
constexpr uint32_t kSseDenormalsAreZero = 0x0040u;
#endif

}  // namespace

void maskFloatingPointExceptions() {
#ifdef TARVO_HAVE_SSE
  _mm_setcsr((_mm_getcsr() | kSseExceptionMasks) & ~kSseRoundingMask);
#endif
#if (defined(__i386__) || defined(__x86_64__)) && defined(__GNUC__)
  // x87 control word: exception masks (bits 0..5), rounding control (bits 10..11, 00 =
  // nearest); the precision control is left as the host set it.
  uint16_t cw;
  __asm__ __volatile__("fnstcw %0" : "=m"(cw));
  cw = static_cast<uint16_t>((cw | 0x003Fu) & ~0x0C00u);
  __asm__ __volatile__("fldcw %0" : : "m"(cw));
#endif
}

uint32_t readSseControl() {
#ifdef TARVO_HAVE_SSE
  return _mm_getcsr();
#else
  return 0;
#endif
}

DenormalGuard::DenormalGuard() : saved_(readSseControl()) {
#ifdef TARVO_HAVE_SSE
  _mm_setcsr(saved_ | kSseFlushToZero | kSseDenormalsAreZero);
#endif
}

DenormalGuard::~DenormalGuard() {
#ifdef TARVO_HAVE_SSE
  _mm_setcsr(saved_);
#endif
}

}  // namespace tarvo::dsp
