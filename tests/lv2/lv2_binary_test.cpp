// Loads the built LV2 binary with dlopen and drives it only through its descriptor and
// ports, as an LV2 host does.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/core/lv2.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "lv2/lv2_ports.h"
#include "params/factory_presets.h"

namespace tarvo::lv2 {
namespace {

constexpr double kRate = 48000.0;
constexpr uint32_t kBlock = 256;

// One instance with every port connected; control ports start at program 0's values.
class Lv2Binary : public ::testing::Test {
 protected:
  void SetUp() override {
    library = dlopen(TARVO_LV2_BINARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto* entry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(library, "lv2_descriptor"));
    ASSERT_NE(entry, nullptr);
    descriptor = entry(0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_STREQ(descriptor->URI, kPluginUri);
    EXPECT_EQ(entry(1), nullptr);
    const LV2_Feature* const features[] = {nullptr};
    handle = descriptor->instantiate(descriptor, kRate, "", features);
    ASSERT_NE(handle, nullptr);
    for (int k = 0; k < kNumControlPorts; ++k) {
      const int param = controlParams[k];
      control[k] = portValue(param, params::factoryPresets[0][param]);
      descriptor->connect_port(handle, kFirstControlPort + uint32_t(k), &control[k]);
    }
    for (int k = 0; k < kNumMeterPorts; ++k) {
      descriptor->connect_port(handle, kFirstMeterPort + uint32_t(k), &meter[k]);
    }
    descriptor->connect_port(handle, kLatencyPort, &latency);
    descriptor->connect_port(handle, kAudioInL, in[0]);
    descriptor->connect_port(handle, kAudioInR, in[1]);
    descriptor->connect_port(handle, kAudioOutL, out[0]);
    descriptor->connect_port(handle, kAudioOutR, out[1]);
    descriptor->activate(handle);
  }

  void TearDown() override {
    if (handle != nullptr) {
      descriptor->deactivate(handle);
      descriptor->cleanup(handle);
    }
    if (library != nullptr) dlclose(library);
  }

  // Runs `blocks` blocks of a 1 kHz sine of amplitude 0.5 (-6 dBFS) on both channels.
  void runSine(int blocks) {
    for (int b = 0; b < blocks; ++b) {
      for (uint32_t i = 0; i < kBlock; ++i) {
        const double t = double(frame++) / kRate;
        in[0][i] = in[1][i] = float(0.5 * std::sin(2.0 * std::numbers::pi * 1000.0 * t));
      }
      descriptor->run(handle, kBlock);
    }
  }

  float& controlOf(int param) {
    for (int k = 0; k < kNumControlPorts; ++k) {
      if (controlParams[k] == param) return control[k];
    }
    return control[0];
  }

  void* library = nullptr;
  const LV2_Descriptor* descriptor = nullptr;
  LV2_Handle handle = nullptr;
  float in[2][kBlock] = {};
  float out[2][kBlock] = {};
  float control[kNumControlPorts] = {};
  float meter[kNumMeterPorts] = {};
  float latency = -1.0f;
  uint64_t frame = 0;
};

TEST_F(Lv2Binary, ProgramZeroLeavesTheSoundAndReportsItsLevels) {
  runSine(40);
  for (uint32_t i = 0; i < kBlock; ++i) {
    EXPECT_NEAR(out[0][i], in[0][i], 1e-5f);
    EXPECT_NEAR(out[1][i], in[1][i], 1e-5f);
  }
  EXPECT_NEAR(meter[0], -6.0f, 1.0f);  // input L, dB
  EXPECT_NEAR(meter[3], -6.0f, 1.0f);  // output R, dB
  EXPECT_NEAR(meter[4], 0.0f, 0.01f);  // gain L: no change
  EXPECT_EQ(latency, 0.0f);
}

TEST_F(Lv2Binary, ControlPortsInDisplayUnitsReachTheEngine) {
  controlOf(params::kThreshold) = -30.0f;  // dB
  controlOf(params::kRatio) = 0.0f;        // slope 0: oo:1
  controlOf(params::kAutoGain) = 0.0f;
  runSine(200);
  EXPECT_LT(meter[4], -10.0f);  // gain L, dB
  EXPECT_LT(meter[5], -10.0f);
}

}  // namespace
}  // namespace tarvo::lv2
