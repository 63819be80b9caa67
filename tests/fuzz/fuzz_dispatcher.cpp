// Fuzzes the effect through its record as an erratic host would drive it: dispatcher calls
// with any opcode (0..80 and far outside), index, value and float option, with host-owned
// buffers of the sizes hosts use (exactly that size on the heap, so that a write past the
// end is caught) or null pointers; parameter writes and reads; process and
// processReplacing blocks of 0, 1, odd and large lengths with null, separate or in-place
// buffers; long plays of up to thousands of small blocks with parameter writes at and past
// the ends of their range, program changes and sample-rate changes (up to 384 kHz, with and
// without suspend and resume) on the way; the editor (headless window) opened, idled and
// closed; effClose and a new effect. Invariants: no sanitizer report, the record keeps its
// identity, parameter values stay in 0..1, and after every block every meter and every
// output sample is finite (see fuzz::Instance::output).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "fuzz_host.h"
#include "plugin/editor_glue.h"
#include "plugin/editor_window.h"

namespace {

using namespace tarvo;
using vst::VstIntPtr;

constexpr int kMaxOperations = 96;
constexpr int kMaxFramesPerInput = 1 << 19;

// Bytes of the buffer a host hands over with `opcode`: the plug-in may write that many.
size_t hostBufferSize(int32_t opcode) {
  switch (opcode) {
    case vst::effGetParamLabel:
    case vst::effGetParamDisplay:
    case vst::effGetParamName:
      return 64;
    case vst::effGetEffectName:
      return vst::kVstMaxEffectNameLen;
    case vst::effGetVendorString:
      return vst::kVstMaxVendorStrLen;
    case vst::effGetProductString:
      return vst::kVstMaxProductStrLen;
    case vst::effEditGetRect:
      return sizeof(vst::ERect*);
    case vst::effGetInputProperties:
    case vst::effGetOutputProperties:
      return sizeof(vst::VstPinProperties);
    case vst::effVendorSpecific:
      return 6 * sizeof(float);
    default:
      return 256;  // program names (up to 51 characters here), texts the host sends
  }
}

int32_t pickOpcode(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 7)) {
    case 0:
      return in.ConsumeIntegral<int32_t>();
    case 1:
      return in.ConsumeIntegralInRange<int32_t>(-3, 90);
    default:
      return in.ConsumeIntegralInRange<int32_t>(0, 80);
  }
}

int32_t pickIndex(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
      return in.ConsumeIntegral<int32_t>();
    case 1:
      return in.PickValueInArray<int32_t>({-1, 24, 25, 26, std::numeric_limits<int32_t>::min(),
                                           std::numeric_limits<int32_t>::max()});
    case 2:
      return plugin::kMeterQueryIndex;
    default:
      return in.ConsumeIntegralInRange<int32_t>(0, 30);
  }
}

VstIntPtr pickValue(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
      return in.ConsumeIntegral<VstIntPtr>();
    case 1:
      return in.PickValueInArray<VstIntPtr>(
          {-1, 0, 1, 7, 24, 25, VstIntPtr{1} << 32, -(VstIntPtr{1} << 32) + 1,
           std::numeric_limits<VstIntPtr>::min(), std::numeric_limits<VstIntPtr>::max()});
    case 2:
      return plugin::kMeterQueryValue;
    default:
      return in.ConsumeIntegralInRange<VstIntPtr>(-2, 40);
  }
}

float pickFloat(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return in.ConsumeFloatingPoint<float>();
    case 1:
      return in.PickValueInArray<float>({0.0f, -1.0f, 8000.0f, 44100.0f, 48000.0f, 384000.0f, 1e9f,
                                         1e-40f, std::numeric_limits<float>::infinity(),
                                         -std::numeric_limits<float>::infinity(),
                                         std::numeric_limits<float>::quiet_NaN()});
    default:
      return in.ConsumeFloatingPointInRange<float>(-2.0f, 2.0f);
  }
}

// One dispatcher call. The pointer is null, the host's buffer for the opcode (zeroed, or
// holding a zero-terminated text for opcodes that read one), or a generic 256-byte buffer.
void dispatch(FuzzedDataProvider& in, vst::AEffect* e) {
  const int32_t opcode = pickOpcode(in);
  const int32_t index = pickIndex(in);
  VstIntPtr value = pickValue(in);
  const float opt = pickFloat(in);
  const int pointerKind = in.ConsumeIntegralInRange<int>(0, 3);

  std::unique_ptr<char[]> buffer;
  void* ptr = nullptr;
  if (pointerKind != 0) {
    const size_t size = pointerKind == 3 ? 256 : hostBufferSize(opcode);
    buffer = std::make_unique<char[]>(size);  // zeroed
    if (pointerKind == 2) {
      const std::string text = in.ConsumeRandomLengthString(size - 1);
      std::memcpy(buffer.get(), text.data(), text.size());
    }
    ptr = buffer.get();
  }
  // The speaker-arrangement opcodes carry a second pointer in `value`.
  std::unique_ptr<char[]> second;
  if (opcode == vst::effSetSpeakerArrangement || opcode == vst::effGetSpeakerArrangement) {
    second = std::make_unique<char[]>(256);
    value = in.ConsumeBool() ? reinterpret_cast<VstIntPtr>(second.get()) : 0;
  }
  if (opcode == vst::effClose) return;  // closing is its own step (the record goes away)
  e->dispatcher(e, opcode, index, value, ptr, opt);
}

void runAudio(FuzzedDataProvider& in, fuzz::Instance& fx, int& framesLeft) {
  vst::AEffect* e = fx.e;
  int frames;
  switch (in.ConsumeIntegralInRange<int>(0, 4)) {
    case 0:
      frames = 0;
      break;
    case 1:
      frames = 1;
      break;
    case 2:
      frames = 2 * in.ConsumeIntegralInRange<int>(0, 600) + 1;
      break;
    case 3:
      frames = in.ConsumeIntegralInRange<int>(1024, 8192);
      break;
    default:
      frames = in.PickValueInArray<int>({-1, -4096, std::numeric_limits<int32_t>::min()});
  }
  if (frames > framesLeft) frames = framesLeft;
  const int n = frames > 0 ? frames : 0;
  framesLeft -= n;

  // Input: a steady level, or samples from the input (any bit pattern, NaN included).
  std::vector<float> inL(n), inR(n), outL(n), outR(n);
  const float level = in.ConsumeFloatingPointInRange<float>(-1.0f, 1.0f);
  for (int i = 0; i < n; ++i) {
    inL[i] = (i & 64) ? level : -level;
    inR[i] = level;
  }
  const int taken = in.ConsumeIntegralInRange<int>(0, n < 64 ? n : 64);
  for (int i = 0; i < taken; ++i) {
    inL[i] = in.ConsumeFloatingPoint<float>();
    inR[i] = in.ConsumeFloatingPoint<float>();
  }
  // Heap copies of exactly n samples each, so that a read or write past the count is caught.
  auto exact = [](const std::vector<float>& v) {
    auto p = std::make_unique<float[]>(v.size() + (v.empty() ? 1 : 0));
    std::copy(v.begin(), v.end(), p.get());
    return p;
  };
  auto bufInL = exact(inL), bufInR = exact(inR), bufOutL = exact(outL), bufOutR = exact(outR);
  float* inputs[2] = {bufInL.get(), bufInR.get()};
  float* outputs[2] = {bufOutL.get(), bufOutR.get()};

  const bool replacing = in.ConsumeBool();
  switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:  // no buffer arrays at all
      (replacing ? e->processReplacing : e->process)(e, nullptr, nullptr, frames);
      fuzz::checkMeters(e);
      return;
    case 1:  // one channel missing
      inputs[1] = nullptr;
      break;
    case 2:  // in place
      outputs[0] = inputs[0];
      outputs[1] = inputs[1];
      break;
    default:
      break;
  }
  fx.input(inputs, 2, n);
  (replacing ? e->processReplacing : e->process)(e, inputs, outputs, frames);
  if (inputs[1] == nullptr) {
    fuzz::checkMeters(e);  // what a half-given block leaves in the outputs is not defined
  } else {
    fx.output(outputs, n, !replacing && outputs[0] == inputs[0]);
  }
}

// A host playing: up to thousands of blocks of one small size, loud noise, squares or
// silence with now and then a non-finite burst, and on the way parameter writes (at, next
// to and past the ends of the range), program changes, sample-rate changes and
// suspend/resume pairs, each drawn before a block with a chance set by the input.
void play(FuzzedDataProvider& in, fuzz::Instance& fx, int& framesLeft) {
  vst::AEffect* e = fx.e;
  int blocks = in.ConsumeIntegralInRange<int>(1, 3000);
  const int size = in.PickValueInArray<int>({1, 2, 16, 32, 64, 64, 100, 128, 256, 1024});
  const uint32_t every = in.ConsumeIntegralInRange<uint32_t>(1, 256);
  const bool replacing = in.ConsumeBool();
  const int signal = in.ConsumeIntegralInRange<int>(0, 3);
  fuzz::Rng rng(in.ConsumeIntegral<uint32_t>());
  std::vector<float> inL(size), inR(size), outL(size), outR(size);
  for (; blocks > 0 && framesLeft > 0; --blocks) {
    if (rng.below(every) == 0) {
      const uint32_t what = rng.below(16);
      if (what < 10) {
        e->setParameter(e, static_cast<int32_t>(rng.below(params::kNumParams)),
                        fuzz::hostValue(rng.next(), rng.unit()));
      } else if (what < 12) {
        e->dispatcher(e, vst::effSetProgram, 0, rng.below(25), nullptr, 0.0f);
      } else if (what < 14) {
        const float rate = rng.below(4) == 0 ? 8000.0f + 376000.0f * rng.unit()
                                             : fuzz::kHostRates[rng.below(fuzz::kNumHostRates)];
        fuzz::changeRate(e, rate, rng.next());
      } else {
        e->dispatcher(e, vst::effMainsChanged, 0, 0, nullptr, 0.0f);
        e->dispatcher(e, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
      }
    }
    const int n = std::min(size, framesLeft);
    framesLeft -= n;
    for (int i = 0; i < n; ++i) {
      const float noise = 2.0f * rng.unit() - 1.0f;
      switch (signal) {
        case 0:  // full-scale noise, the channels independent
          inL[i] = noise;
          inR[i] = 2.0f * rng.unit() - 1.0f;
          break;
        case 1:  // full-scale square on the left, noise on the right
          inL[i] = (fx.blocks & 1) ? 1.0f : -1.0f;
          inR[i] = noise;
          break;
        case 2:  // silence
          inL[i] = inR[i] = 0.0f;
          break;
        default:  // quiet noise with a rare non-finite sample
          inL[i] = inR[i] =
              rng.below(4096) == 0 ? std::numeric_limits<float>::quiet_NaN() : 0.01f * noise;
      }
      outL[i] = outR[i] = 0.0f;
    }
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    fx.input(inputs, 2, n);
    (replacing ? e->processReplacing : e->process)(e, inputs, outputs, n);
    fx.output(outputs, n, false);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  // The editor opens a headless window: composed at every idle, shown nowhere.
  plugin::setEditorWindowFactory(plugin::makeHeadlessEditorWindow);
  fuzz::reportRunStatsAtExit("fuzz_dispatcher");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ++fuzz::runStats().executions;
  FuzzedDataProvider in(data, size);
  auto fx = std::make_unique<fuzz::Instance>();
  int framesLeft = kMaxFramesPerInput;
  for (int op = 0; op < kMaxOperations && in.remaining_bytes() > 0; ++op) {
    vst::AEffect* e = fx->e;
    switch (in.ConsumeIntegralInRange<int>(0, 12)) {
      case 0:
      case 1:
      case 2:
      case 3:
        dispatch(in, e);
        break;
      case 4:
      case 5:
        e->setParameter(e, pickIndex(in), pickFloat(in));
        break;
      case 6: {
        const float v = e->getParameter(e, pickIndex(in));
        if (!(v >= 0.0f && v <= 1.0f)) fuzz::fail("parameter value outside 0..1", v);
        break;
      }
      case 7:
      case 8:
        runAudio(in, *fx, framesLeft);
        break;
      case 9:
        play(in, *fx, framesLeft);
        break;
      case 10: {  // an editor session as a host runs it
        char parent[8] = {};
        e->dispatcher(e, vst::effEditOpen, 0, 0, parent, 0.0f);
        const int idles = in.ConsumeIntegralInRange<int>(0, 3);
        for (int i = 0; i < idles; ++i) e->dispatcher(e, vst::effEditIdle, 0, 0, nullptr, 0.0f);
        if (in.ConsumeBool()) e->dispatcher(e, vst::effEditClose, 0, 0, nullptr, 0.0f);
        break;
      }
      case 11:
        e->dispatcher(e, vst::effMainsChanged, 0, in.ConsumeIntegralInRange<int>(0, 1), nullptr,
                      0.0f);
        break;
      default:  // close (with whatever is open) and start over with a new effect
        fx->close();
        fx = std::make_unique<fuzz::Instance>();
        break;
    }
    fuzz::checkRecord(fx->e);
  }
  fx->close();
  return 0;
}
