// The engine against the plain reference chain: the same program, the same parameter
// writes at the same block boundaries and the same noise seed must give the same output
// samples and the same meters, bit for bit, after every block. Each case runs at block
// sizes 1, 63, 64, 65 and 512 (processReplacing) and in a mixed schedule of sizes
// through the adding loop (process) over a bed already in the output buffers.
#include "reference_chain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "dsp/engine_probe.h"
#include "engine_fixture.h"
#include "params/factory_presets.h"
#include "params/param_table.h"

namespace tarvo::dsp {
namespace {

using namespace tarvo::params;
using test::Rig;

// Something that happens between two blocks, at the first block boundary at or after
// `frame`: a parameter write, a program change, a new sample rate, or a suspend and resume.
struct Event {
  enum Kind { Set, Program, Rate, Suspend } kind;
  int frame;
  int index;
  float value;
};
Event set(int frame, int index, float v) {
  return {Event::Set, frame, index, v};
}
Event program(int frame, int p) {
  return {Event::Program, frame, p, 0.0f};
}
Event rate(int frame, float hz) {
  return {Event::Rate, frame, 0, hz};
}
Event suspend(int frame) {
  return {Event::Suspend, frame, 0, 0.0f};
}

enum class Input { Material, Silence, Faulty, LateStart };
// What the case must show on the gain meters, so that it exercises the gain paths it is
// meant to: some compression, some expansion, or no requirement.
enum class Expect { Compress, Expand, Any };

struct Case {
  std::string name;
  int program;
  std::vector<std::pair<int, float>> settings;  // written before the first block
  std::vector<Event> events;                    // in order of frame
  Expect expect = Expect::Compress;
  Input input = Input::Material;
  float rate = 44100.0f;
};

// Block schedules: the fixed sizes, then a mixed one that hosts with varying buffers make.
const std::vector<std::vector<int>> kSchedules = {{1},  {63},  {64},
                                                  {65}, {512}, {1, 512, 63, 65, 64, 17, 300}};
constexpr size_t kMixed = 5;  // runs through the adding loop

std::string bits(float x) {
  std::ostringstream s;
  s << std::hexfloat << x << std::defaultfloat << " (" << std::setprecision(9) << x << ")";
  return s.str();
}

bool same(float a, float b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The engine's meter feed in the order in, out, gain change; left then right.
std::vector<float> metersOf(const Engine& e) {
  const MeterReadings m = e.meters();
  return {m.inL, m.inR, m.outL, m.outR, m.gainL, m.gainR};
}
std::vector<float> metersOf(const reference::Chain& r) {
  return {r.left().inMeter,   r.right().inMeter, r.left().outMeter,
          r.right().outMeter, r.left().grMeter,  r.right().grMeter};
}

std::vector<float> inputOf(const Case& c, int frames, int channel) {
  if (c.input == Input::Silence) return std::vector<float>(frames, 0.0f);
  std::vector<float> s = test::programMaterial(frames, channel, c.rate);
  if (c.input == Input::LateStart) {
    // Silence with the gain at rest, then material from inside a block.
    std::fill_n(s.begin(), frames / 3, 0.0f);
  }
  if (c.input == Input::Faulty) {
    // Samples no host should send; the chain takes them as silence or at its input limit.
    const float faults[] = {std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(), 3.0e9f, -2.5e7f};
    for (int i = 0; i < 5; ++i) s[700 + 1100 * i + channel] = faults[(i + channel) % 5];
  }
  return s;
}

// Runs one case in one block schedule on the kernels built for `isa`; returns "" or where
// the two first disagree. Counts the blocks inside which a glide ended (not on their last
// sample) in midBlockEnds.
std::string compareOn(KernelIsa isa, const Case& c, size_t schedule, uint32_t seed,
                      int& midBlockEnds) {
  const std::vector<int>& blocks = kSchedules[schedule];
  const bool adding = schedule == kMixed;

  Rig rig(c.program, c.rate);
  EngineProbe::useKernels(rig.engine, isa);
  rig.engine.seedNoise(seed);
  reference::Chain ref;
  for (int i = 0; i < kNumParams; ++i) ref.setParameter(i, factoryPresets[c.program][i]);
  ref.setSampleRate(c.rate);
  ref.resume();
  ref.seedNoise(seed);
  for (const auto& [index, v] : c.settings) {
    rig.set(index, v);
    ref.setParameter(index, v);
  }

  const int frames = static_cast<int>(std::lround(0.15 * c.rate));
  const std::vector<float> inL = inputOf(c, frames, 0), inR = inputOf(c, frames, 1);
  std::vector<float> engL(frames, 0.0f), engR(frames, 0.0f);
  if (adding) engL = engR = test::sine(frames, 210.0, 0.25, c.rate);
  std::vector<float> refL = engL, refR = engR;

  float lowestGain = 1.0f, highestGain = 1.0f, loudest = 0.0f;
  size_t next = 0;
  int pos = 0;
  for (size_t b = 0; pos < frames; ++b) {
    for (; next < c.events.size() && c.events[next].frame <= pos; ++next) {
      const Event& e = c.events[next];
      switch (e.kind) {
        case Event::Set:
          rig.set(e.index, e.value);
          ref.setParameter(e.index, e.value);
          break;
        case Event::Program:
          rig.load(e.index);
          for (int i = 0; i < kNumParams; ++i) ref.setParameter(i, factoryPresets[e.index][i]);
          break;
        case Event::Rate:  // as the effect passes a new rate on
          rig.engine.setSampleRate(e.value);
          rig.store.markAllChanged();
          rig.engine.resume();
          ref.setSampleRate(e.value);
          ref.resume();
          break;
        case Event::Suspend:
          rig.engine.suspend();
          rig.engine.resume();
          ref.suspend();
          ref.resume();
          break;
      }
    }

    const int n = std::min(blocks[b % blocks.size()], frames - pos);
    float* in[2] = {const_cast<float*>(inL.data() + pos), const_cast<float*>(inR.data() + pos)};
    float* out[2] = {engL.data() + pos, engR.data() + pos};
    if (adding) {
      rig.engine.process(in, out, n, rig.store);
      ref.process(inL.data() + pos, inR.data() + pos, refL.data() + pos, refR.data() + pos, n);
    } else {
      rig.engine.processReplacing(in, out, n, rig.store);
      ref.processReplacing(inL.data() + pos, inR.data() + pos, refL.data() + pos, refR.data() + pos,
                           n);
    }

    std::ostringstream where;
    where << c.name << ", blocks of " << blocks[b % blocks.size()]
          << (adding ? " (mixed, adding)" : "") << ", block " << b << " at frame " << pos;
    for (int k = pos; k < pos + n; ++k) {
      if (!same(engL[k], refL[k]) || !same(engR[k], refR[k])) {
        return where.str() + ": output at frame " + std::to_string(k) + ", engine L " +
               bits(engL[k]) + " R " + bits(engR[k]) + ", reference L " + bits(refL[k]) + " R " +
               bits(refR[k]);
      }
      if (!std::isfinite(engL[k]) || !std::isfinite(engR[k])) {
        return where.str() + ": output not finite at frame " + std::to_string(k);
      }
      loudest = std::max({loudest, std::fabs(engL[k]), std::fabs(engR[k])});
    }
    static const char* const meterNames[] = {"inMeterL",  "inMeterR", "outMeterL",
                                             "outMeterR", "grMeterL", "grMeterR"};
    const std::vector<float> me = metersOf(rig.engine), mr = metersOf(ref);
    for (int m = 0; m < 6; ++m) {
      if (!same(me[m], mr[m])) {
        return where.str() + ": " + meterNames[m] + " engine " + bits(me[m]) + ", reference " +
               bits(mr[m]);
      }
    }
    if (rig.engine.releaseType() != ref.releaseType() ||
        rig.engine.stereoLinkMode() != ref.stereoLinkMode()) {
      return where.str() + ": selector positions differ";
    }
    if (ref.glideEndedAt() >= 0 && ref.glideEndedAt() < n - 1) ++midBlockEnds;
    lowestGain = std::min({lowestGain, mr[4], mr[5]});
    highestGain = std::max({highestGain, mr[4], mr[5]});
    pos += n;
  }

  // The case must have exercised what it is there for.
  if (c.expect == Expect::Compress && !(lowestGain < 0.95f)) {
    return c.name + ": no compression on the gain meters";
  }
  if (c.expect == Expect::Expand && !(highestGain > 1.05f)) {
    return c.name + ": no expansion on the gain meters";
  }
  if (c.input != Input::Silence && !(loudest > 0.01f)) return c.name + ": no output";
  return "";
}

// The same on every instruction set this processor runs kernels of: all give the same
// results to the bit.
std::string compare(const Case& c, size_t schedule, uint32_t seed, int& midBlockEnds) {
  for (KernelIsa isa : {KernelIsa::kBaseline, KernelIsa::kAvx512}) {
    if (!kernelIsaSupported(isa)) continue;
    const std::string fault = compareOn(isa, c, schedule, seed, midBlockEnds);
    if (!fault.empty()) return std::string(kernelIsaName(isa)) + " kernels, " + fault;
  }
  return "";
}

// Every case in every schedule; in each schedule with blocks longer than one frame, some
// glide must have ended inside a block.
void runAll(const std::vector<Case>& cases, uint32_t seedBase) {
  for (size_t s = 0; s < kSchedules.size(); ++s) {
    int midBlockEnds = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
      const uint32_t seed = seedBase + 0x9E3779B9u * static_cast<uint32_t>(i * 8 + s + 1);
      const std::string fault = compare(cases[i], s, seed, midBlockEnds);
      ASSERT_EQ(fault, "");
    }
    if (kSchedules[s] != std::vector<int>{1}) {
      EXPECT_GT(midBlockEnds, 0) << "schedule " << s;
    }
  }
}

const char* const kTypeNames[] = {"Opto", "Pumper", "Smooth 2", "Smooth 1", "Classic"};
const char* const kLinkNames[] = {"Highest", "Mix", "Off"};
constexpr float kTypes[] = {test::kOpto, test::kPumper, test::kSmooth2, test::kSmooth1,
                            test::kClassic};
constexpr float kLinks[] = {test::kLinkHighest, test::kLinkMix, test::kLinkOff};

// Every release type in every link mode, with the program-dependent timing and the
// second release path active, no filters: a settled start, then a threshold, attack and
// output glide (the curve evaluated directly) that ends inside a block, then the new table.
// "Mix" runs at 48 kHz, where a glide is no whole number of 63-frame blocks.
TEST(ReferenceChain, ReleaseTypesAndLinkModes) {
  std::vector<Case> cases;
  for (int t = 0; t < 5; ++t) {
    for (int l = 0; l < 3; ++l) {
      cases.push_back({std::string(kTypeNames[t]) + ", link " + kLinkNames[l],
                       13,
                       {{kReleaseType, kTypes[t]},
                        {kStereoLink, kLinks[l]},
                        {kThreshold, 0.6f},
                        {kAttack, 0.25f},
                        {kRelease, 0.2f},
                        {kPdeRate, 0.6f},
                        {kPdeTime, 0.2f},
                        {kRelease2, 0.3f},
                        {kRel2Level, 0.35f},
                        {kBalance, 0.6f}},
                       {set(1500, kThreshold, 0.4f), set(1500, kAttack, 0.45f),
                        set(1500, kRel2Level, 0.7f), set(1500, kOutputGain, 0.45f)},
                       Expect::Compress,
                       Input::Material,
                       l == 1 ? 48000.0f : 44100.0f});
    }
  }
  runAll(cases, 1);
}

// The input filter, detector EQ and detector high-pass each on alone, all on together
// (at 48 kHz), and switched on and off while running (each acts half a glide after its
// write).
TEST(ReferenceChain, FilterCombinations) {
  const std::vector<Case> cases = {
      {"input filter",
       13,
       {{kInputFilter, 1.0f}, {kReleaseType, test::kClassic}, {kStereoLink, test::kLinkOff}},
       {set(1500, kThreshold, 0.4f)}},
      {"detector EQ",
       13,
       {{kDetEq, 1.0f},
        {kEqLow, 0.8f},
        {kEqMid, 0.25f},
        {kEqHigh, 0.7f},
        {kReleaseType, test::kOpto},
        {kStereoLink, test::kLinkHighest}},
       {set(1500, kEqMid, 0.9f), set(1500, kEqLow, 0.3f)}},
      {"detector high-pass",
       13,
       {{kDetFilter, 1.0f},
        {kFilterFreq, 0.7f},
        {kThreshold, 0.5f},
        {kReleaseType, test::kPumper},
        {kStereoLink, test::kLinkMix}},
       {set(1500, kFilterFreq, 0.95f)}},
      {"all filters",
       13,
       {{kInputFilter, 1.0f},
        {kDetEq, 1.0f},
        {kDetFilter, 1.0f},
        {kFilterFreq, 0.5f},
        {kEqLow, 0.2f},
        {kEqMid, 0.75f},
        {kEqHigh, 0.9f},
        {kReleaseType, test::kSmooth1},
        {kStereoLink, test::kLinkOff},
        {kPdeRate, 0.8f}},
       {set(1500, kEqHigh, 0.2f), set(1500, kFilterFreq, 0.3f), set(1500, kThreshold, 0.5f)},
       Expect::Compress,
       Input::Material,
       48000.0f},
      {"filters switched while running",
       13,
       {{kReleaseType, test::kSmooth2}, {kStereoLink, test::kLinkOff}, {kEqMid, 0.9f}},
       {set(400, kInputFilter, 1.0f), set(400, kDetEq, 1.0f), set(400, kDetFilter, 1.0f),
        set(3500, kInputFilter, 0.0f), set(3500, kDetEq, 1.0f)}},
  };
  runAll(cases, 2);
}

// Ratio below 1:1 expands (the envelope works on the reciprocal): alone, with the
// detector path, and in a glide that crosses 1:1 (at 48 kHz).
TEST(ReferenceChain, Expansion) {
  const std::vector<Case> cases = {
      {"expansion",
       13,
       {{kRatio, 0.25f},
        {kThreshold, 0.55f},
        {kKnee, 0.3f},
        {kLinearity, 0.4f},
        {kInputFilter, 1.0f},
        {kReleaseType, test::kClassic},
        {kStereoLink, test::kLinkOff}},
       {set(1500, kRatio, 0.1f)},
       Expect::Expand},
      {"expansion with the detector path",
       13,
       {{kRatio, 0.35f},
        {kThreshold, 0.5f},
        {kDetEq, 1.0f},
        {kEqLow, 0.9f},
        {kDetFilter, 1.0f},
        {kReleaseType, test::kOpto},
        {kStereoLink, test::kLinkMix},
        {kPdeRate, 1.0f}},
       {set(1500, kThreshold, 0.7f)},
       Expect::Expand},
      {"ratio glide across 1:1",
       13,
       {{kRatio, 0.2f}, {kThreshold, 0.5f}, {kReleaseType, test::kSmooth2}},
       {set(800, kRatio, 0.7f)},
       Expect::Any,
       Input::Material,
       48000.0f},
  };
  runAll(cases, 3);
}

// Glides restarted before their end, program changes in the middle of a glide, selector
// changes, levels beyond the gain table, a suspend, a new sample rate, silence and input
// samples that are not numbers or far out of range.
TEST(ReferenceChain, GlidesAndProgramChanges) {
  const std::vector<Case> cases = {
      {"glide restarted",
       1,
       {},
       {set(300, kThreshold, 0.3f), set(1800, kThreshold, 0.8f), set(1800, kInputGain, 0.7f),
        set(1800, kBalance, 0.2f), set(1800, kOutputGain, 0.6f)}},
      {"program change during a glide",
       1,
       {{kThreshold, 0.5f}},
       {set(200, kThreshold, 0.4f), set(200, kKnee, 0.9f), program(1300, 3)}},
      {"program change to an expander during a glide",
       17,
       {},
       {set(700, kRatio, 0.6f), program(1200, 20)},
       Expect::Any},
      {"selectors",
       13,
       {{kThreshold, 0.5f}, {kBalance, 0.3f}},
       {set(1000, kReleaseType, test::kPumper), set(2000, kStereoLink, test::kLinkOff),
        set(3000, kReleaseType, test::kOpto), set(4000, kStereoLink, test::kLinkMix),
        set(5000, kStereoLink, test::kLinkOff), set(5000, kReleaseType, 0.375f)}},
      {"levels beyond the table",
       13,
       {{kInputGain, 0.85f}, {kThreshold, 0.5f}, {kStereoLink, test::kLinkOff}},
       {set(2000, kBalance, 0.8f)}},
      {"suspend and a new rate",
       3,
       {{kThreshold, 0.6f}},
       {suspend(1500), rate(2500, 44100.0f)},
       Expect::Compress,
       Input::Material,
       48000.0f},
      {"glides at 48 kHz",
       13,
       {{kThreshold, 0.5f}},
       {set(300, kThreshold, 0.35f), set(300, kReleaseType, test::kOpto),
        set(1000, kInputGain, 0.6f)},
       Expect::Compress,
       Input::Material,
       48000.0f},
      {"silence", 13, {{kInputFilter, 1.0f}, {kOutputGain, 1.0f}}, {}, Expect::Any, Input::Silence},
      {"silence, then material, Pumper",
       13,
       {{kReleaseType, test::kPumper}, {kThreshold, 0.5f}},
       {},
       Expect::Compress,
       Input::LateStart},
      {"silence, then material, Classic, link Off",
       13,
       {{kReleaseType, test::kClassic}, {kStereoLink, test::kLinkOff}, {kThreshold, 0.5f}},
       {},
       Expect::Compress,
       Input::LateStart},
      {"faulty input",
       3,
       {{kStereoLink, test::kLinkOff}, {kDetFilter, 1.0f}, {kInputFilter, 1.0f}},
       {set(1500, kThreshold, 0.5f)},
       Expect::Compress,
       Input::Faulty},
  };
  runAll(cases, 4);
}

// Every factory program, changed to another one early on, with a threshold write in the
// middle of that program glide; one block schedule per program, in turn.
TEST(ReferenceChain, EveryFactoryProgram) {
  for (int p = 0; p < kNumPrograms; ++p) {
    const int q = (p + 7) % kNumPrograms;
    const Case c{std::string("program ") + std::to_string(p) + " to " + std::to_string(q),
                 p,
                 {},
                 {program(300, q), set(1200, kThreshold, 0.45f)},
                 Expect::Any};
    const size_t schedule = static_cast<size_t>(p) % kSchedules.size();
    int midBlockEnds = 0;
    ASSERT_EQ(compare(c, schedule, 0xC0FFEEu + static_cast<uint32_t>(p), midBlockEnds), "");
  }
}

}  // namespace
}  // namespace tarvo::dsp
