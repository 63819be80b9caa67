#include "dsp/fp_control.h"

#if defined(__SSE__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#include <xmmintrin.h>
#define TARVO_HAVE_SSE 1
#endif
#if (defined(__i386__) || defined(__x86_64__)) && defined(__GNUC__)
#define TARVO_HAVE_X87 1
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
// The register with every exception masked and rounding to nearest.
uint32_t maskedSse(uint32_t csr) {
  return (csr | kSseExceptionMasks) & ~kSseRoundingMask;
}
#endif
#ifdef TARVO_HAVE_X87
// x87 control word: exception masks (bits 0..5), rounding control (bits 10..11, 00 =
// nearest); the precision control is left as the host set it.
constexpr uint16_t kX87ExceptionMasks = 0x003Fu;
constexpr uint16_t kX87RoundingMask = 0x0C00u;
uint16_t maskedX87(uint16_t cw) {
  return static_cast<uint16_t>((cw | kX87ExceptionMasks) & ~kX87RoundingMask);
}
#endif

}  // namespace

void maskFloatingPointExceptions() {
#ifdef TARVO_HAVE_SSE
  _mm_setcsr(maskedSse(_mm_getcsr()));
#endif
#ifdef TARVO_HAVE_X87
  uint16_t cw;
  __asm__ __volatile__("fnstcw %0" : "=m"(cw));
  cw = maskedX87(cw);
  __asm__ __volatile__("fldcw %0" : : "m"(cw));
#endif
}

FpEnvironmentGuard::FpEnvironmentGuard() {
#ifdef TARVO_HAVE_SSE
  savedSse_ = _mm_getcsr();
  const uint32_t wanted = maskedSse(savedSse_);
  sseChanged_ = wanted != savedSse_;
  if (sseChanged_) _mm_setcsr(wanted);
#endif
#ifdef TARVO_HAVE_X87
  __asm__ __volatile__("fnstcw %0" : "=m"(savedX87_));
  uint16_t wanted87 = maskedX87(savedX87_);
  x87Changed_ = wanted87 != savedX87_;
  if (x87Changed_) __asm__ __volatile__("fldcw %0" : : "m"(wanted87));
#endif
}

FpEnvironmentGuard::~FpEnvironmentGuard() {
#ifdef TARVO_HAVE_SSE
  if (sseChanged_) _mm_setcsr(savedSse_);
#endif
#ifdef TARVO_HAVE_X87
  // The flags raised meanwhile are cleared first: under the caller's masks a pending one
  // would trap at its next x87 instruction.
  if (x87Changed_) __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(savedX87_));
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
