// Processor floating-point control on x86 and x86-64: exception masks, rounding mode and
// the flush-to-zero / denormals-are-zero modes of the SSE unit.
#pragma once

#include <cstdint>

namespace tarvo::dsp {

// Masks every floating-point exception (invalid, denormal, divide by zero, overflow,
// underflow, precision) and selects rounding to nearest, in the SSE control register and,
// on x86, in the x87 control word. A division by zero then yields an infinity and never
// traps. Called once when the library is loaded. Does nothing on other processors.
void maskFloatingPointExceptions();

// Current SSE control register (MXCSR), or 0 where there is none.
uint32_t readSseControl();

// Scoped flush-to-zero and denormals-are-zero: sets both SSE bits for the lifetime of the
// object and restores the caller's whole control register on exit. A no-op where there is
// no SSE control register.
class DenormalGuard {
 public:
  DenormalGuard();
  ~DenormalGuard();
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

 private:
  uint32_t saved_;
};

}  // namespace tarvo::dsp
