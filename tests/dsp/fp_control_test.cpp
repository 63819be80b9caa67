#include "dsp/fp_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine_fixture.h"

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

// A host's audio thread that unmasks division by zero, invalid operations and overflow
// and rounds upward: the audio calls neither trap (a division by zero happens as the
// program-dependent timing starts from rest) nor change a bit of the output, and each
// returns with the host's environment as it was.
TEST(FpControl, AudioCallsKeepTheirOwnEnvironment) {
  const int frames = 6000;
  std::vector<float> inL = test::programMaterial(frames, 0), inR = test::programMaterial(frames, 1);
  std::fill_n(inL.begin(), 1000, 0.0f);
  std::fill_n(inR.begin(), 1000, 0.0f);
  std::vector<float> expectL, expectR;
  test::Rig quiet(13);
  quiet.engine.seedNoise(5);
  quiet.render(inL, inR, expectL, expectR);

  test::Rig host(13);
  host.engine.seedNoise(5);
  const uint32_t savedSse = readSseControl();
  const uint16_t savedX87 = readX87Control();
  const uint32_t hostSse = (savedSse & ~0x0680u) | 0x4000u;
  const uint16_t hostX87 = static_cast<uint16_t>((savedX87 & ~0x000Du) | 0x0800u);
  std::vector<float> outL(frames), outR(frames);
  bool kept = true;
  _mm_setcsr(hostSse);
  writeX87Control(hostX87);
  for (int pos = 0; pos < frames; pos += 100) {
    float* in[2] = {inL.data() + pos, inR.data() + pos};
    float* out[2] = {outL.data() + pos, outR.data() + pos};
    host.engine.processReplacing(in, out, 100, host.store);
    kept = kept && readSseControl() == hostSse && readX87Control() == hostX87;
  }
  _mm_setcsr(savedSse);
  writeX87Control(savedX87);
  EXPECT_TRUE(kept);
  EXPECT_EQ(outL, expectL);
  EXPECT_EQ(outR, expectR);
}

}  // namespace
}  // namespace tarvo::dsp
#endif
