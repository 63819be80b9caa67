// Instruction sets the block loop's kernels are compiled for. Every kernel exists for the
// build's baseline (SSE2 on x86, or plain C++); x86-64 builds for Linux add an AVX-512
// (VL) build of each, used where the processor and the operating system support it. That
// build uses the same 128-bit operations in the same order, but with twice the registers,
// so the values a kernel keeps from sample to sample stay in registers rather than in
// memory. (An AVX2 build, with the baseline's 16 registers, measured no faster.) Products
// are never fused with sums, so both builds give the same results to the bit.
#pragma once

namespace tarvo::dsp {

enum class KernelIsa { kBaseline = 0, kAvx512 = 1 };

// Not on Windows: MinGW's GCC does not realign the stack for the wider vectors it may use
// for local arrays under AVX-512 (GCC bug 54412), so the Windows builds keep the baseline.
#if defined(__x86_64__) && !defined(_WIN32) && (defined(__GNUC__) || defined(__clang__))
#define TARVO_KERNEL_ISAS 1
#define TARVO_TARGET_AVX512 __attribute__((target("avx2,avx512f,avx512vl")))
#else
#define TARVO_KERNEL_ISAS 0
#endif

// The widest instruction set this processor runs, lowered to the baseline by the
// environment variable TARVO_KERNELS=baseline (for comparisons); read once.
KernelIsa bestKernelIsa();

// Whether this processor (and its operating system) runs kernels of `isa`.
bool kernelIsaSupported(KernelIsa isa);

// "baseline" or "avx512".
const char* kernelIsaName(KernelIsa isa);

}  // namespace tarvo::dsp
