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

// Scoped: the same masks and rounding as maskFloatingPointExceptions for the lifetime of
// the object, around each audio call, since a host's audio thread may unmask exceptions
// (a division by zero would then trap) or round otherwise (the results would change). A
// control register is written only where it differs, and then the caller's is restored on
// exit, flags included, so the host sees its own environment again.
class FpEnvironmentGuard {
 public:
  FpEnvironmentGuard();
  ~FpEnvironmentGuard();
  FpEnvironmentGuard(const FpEnvironmentGuard&) = delete;
  FpEnvironmentGuard& operator=(const FpEnvironmentGuard&) = delete;

 private:
  uint32_t savedSse_ = 0;
  uint16_t savedX87_ = 0;
  bool sseChanged_ = false, x87Changed_ = false;
};

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
