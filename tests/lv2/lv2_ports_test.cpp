#include "lv2/lv2_ports.h"

#include <gtest/gtest.h>

#include <charconv>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "params/factory_presets.h"

namespace tarvo::lv2 {
namespace {

using params::factoryPresets;
using params::kNumPrograms;

// A host sets a control port to the value it shows; the store must then hold the
// program's normalized value to the bit, or a program loaded through LV2 would sound
// (and recall) different from the same program in the VST 2 effect.
TEST(Lv2Ports, EveryFactoryValueRoundTripsThroughItsPort) {
  for (int p = 0; p < kNumPrograms; ++p) {
    for (const int param : controlParams) {
      const float v = factoryPresets[p][param];
      const float port = portValue(param, v);
      EXPECT_EQ(normalizedValue(param, port), v)
          << "program " << p << ", " << params::kParams[param].name << ", port value " << port;
    }
  }
}

std::string readFile(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Every number after `key` in the text, in order.
std::vector<float> numbersAfter(const std::string& text, const std::string& key) {
  std::vector<float> values;
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
    const char* begin = text.data() + at + key.size();
    float value = 0.0f;
    std::from_chars(begin, text.data() + text.size(), value);
    values.push_back(value);
  }
  return values;
}

TEST(Lv2Turtle, GeneratedFileListsEveryPortOnceWithProgramZeroAsDefaults) {
  const std::string ttl = readFile(std::string(TARVO_LV2_BUNDLE) + "/tarvo.ttl");
  ASSERT_FALSE(ttl.empty());
  const std::vector<float> indices = numbersAfter(ttl, "lv2:index ");
  EXPECT_EQ(indices.size(), kNumPorts);
  const std::set<float> distinct(indices.begin(), indices.end());
  EXPECT_EQ(distinct.size(), kNumPorts);
  EXPECT_EQ(*distinct.rbegin(), float(kNumPorts - 1));

  // The defaults, read back as a host reads them, give program 0.
  const std::vector<float> defaults = numbersAfter(ttl, "lv2:default ");
  ASSERT_EQ(defaults.size(), size_t(kNumControlPorts));
  for (int k = 0; k < kNumControlPorts; ++k) {
    const int param = controlParams[k];
    EXPECT_EQ(normalizedValue(param, defaults[k]), factoryPresets[0][param])
        << params::kParams[param].name;
  }
}

}  // namespace
}  // namespace tarvo::lv2
