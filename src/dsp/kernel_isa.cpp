#include "dsp/kernel_isa.h"

#include <cstdlib>
#include <cstring>

namespace tarvo::dsp {

bool kernelIsaSupported(KernelIsa isa) {
  if (isa == KernelIsa::kBaseline) return true;
#if TARVO_KERNEL_ISAS
  // The compiler's checks read CPUID and XGETBV: the operating system saves the registers.
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512f") &&
         __builtin_cpu_supports("avx512vl");
#else
  return false;
#endif
}

const char* kernelIsaName(KernelIsa isa) {
  return isa == KernelIsa::kAvx512 ? "avx512" : "baseline";
}

KernelIsa bestKernelIsa() {
  static const KernelIsa best = [] {
    const char* asked = std::getenv("TARVO_KERNELS");
    if (asked != nullptr && std::strcmp(asked, "baseline") == 0) return KernelIsa::kBaseline;
    return kernelIsaSupported(KernelIsa::kAvx512) ? KernelIsa::kAvx512 : KernelIsa::kBaseline;
  }();
  return best;
}

}  // namespace tarvo::dsp
