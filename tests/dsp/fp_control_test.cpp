#include "dsp/fp_control.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#if defined(__SSE__)
#include <xmmintrin.h>

namespace tarvo::dsp {
namespace {

uint16_t readX87Control() {
  uint16_t cw;
  __asm__ __volatile__("fnstcw %0" : "=m"(cw));
  return cw;
}

void writeX87Control(uint16_t cw) {
  __asm__ __volatile__("fldcw %0" : : "m"(cw));
}

TEST(FpControl, MasksEveryExceptionAndRoundsToNearest) {
  const uint32_t savedSse = readSseControl();
  const uint16_t savedX87 = readX87Control();
  // Unmask division by zero and round upward, as a host might leave them.
  _mm_setcsr((savedSse & ~0x0200u) | 0x4000u);
  writeX87Control(static_cast<uint16_t>((savedX87 & ~0x0004u) | 0x0800u));
  maskFloatingPointExceptions();
  const uint32_t sse = readSseControl();
  const uint16_t x87 = readX87Control();
  EXPECT_EQ(sse & 0x1F80u, 0x1F80u);
  EXPECT_EQ(sse & 0x6000u, 0u);
  EXPECT_EQ(x87 & 0x003Fu, 0x003Fu);
  EXPECT_EQ(x87 & 0x0C00u, 0u);
  volatile float zero = 0.0f;
  EXPECT_EQ(1.0f / zero, std::numeric_limits<float>::infinity());
  _mm_setcsr(savedSse);
  writeX87Control(savedX87);
}

TEST(FpControl, DenormalGuardFlushesAndRestores) {
  const uint32_t saved = readSseControl();
  volatile float tiny = std::numeric_limits<float>::min();
  {
    DenormalGuard guard;
    EXPECT_EQ(readSseControl() & 0x8040u, 0x8040u);
    volatile float half = tiny * 0.5f;
    EXPECT_EQ(half, 0.0f);
  }
  EXPECT_EQ(readSseControl(), saved);
  volatile float half = tiny * 0.5f;
  EXPECT_EQ(std::fpclassify(half), FP_SUBNORMAL);
}

}  // namespace
}  // namespace tarvo::dsp
#endif
