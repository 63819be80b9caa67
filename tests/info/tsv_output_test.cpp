// tarvo-info --tsv against the tables the plug-in is built from: the identity, then one
// line per parameter (index, name, unit, display range and texts at both ends, the value
// after loading) and one per factory program. Scripts take these fields as facts, so a
// shifted index, a wrong unit or a range read off the wrong end must show here.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "params/display_text.h"
#include "params/factory_presets.h"
#include "params/param_table.h"

namespace {

using namespace tarvo::params;
using Fields = std::vector<std::string>;

// The output's records, split at line ends and tabs (empty fields kept).
std::vector<Fields> tsvRecords(int* status) {
  std::string output;
  const std::string command = std::string(TARVO_INFO_EXE) + " --tsv '" + TARVO_PLUGIN_FILE + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::array<char, 512> chunk{};
  while (fgets(chunk.data(), chunk.size(), pipe) != nullptr) output.append(chunk.data());
  const int raw = pclose(pipe);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;

  std::vector<Fields> records;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    Fields fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
      fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    records.push_back(fields);
  }
  return records;
}

TEST(TarvoInfoTsv, ListsTheParameterTableAndTheFactoryPrograms) {
  int status = -1;
  const std::vector<Fields> records = tsvRecords(&status);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(records.size(), size_t(1 + kNumParams + kNumPrograms));

  const Fields identity = {"identity",
                           "Tarvo",
                           "Velmora Audio",
                           "Tarvo",
                           "vm7q",
                           std::to_string(('v' << 24) | ('m' << 16) | ('7' << 8) | 'q'),
                           records[0].size() > 6 ? records[0][6] : "",
                           "2",
                           "2",
                           std::to_string(kNumParams),
                           std::to_string(kNumPrograms)};
  EXPECT_EQ(records[0], identity);

  for (int i = 0; i < kNumParams; ++i) {
    const Fields& r = records[size_t(1 + i)];
    ASSERT_EQ(r.size(), 9u) << "parameter line " << i;
    EXPECT_EQ(r[0], "param");
    EXPECT_EQ(r[1], std::to_string(i));
    EXPECT_EQ(r[2], kParams[i].name) << "index " << i;
    EXPECT_EQ(r[6], displayText(i, 0.0f).value_or("")) << kParams[i].name;
    EXPECT_EQ(r[7], displayText(i, 1.0f).value_or("")) << kParams[i].name;
    EXPECT_EQ(std::stof(r[8]), factoryPresets[0][i]) << kParams[i].name;
    if (kParams[i].kind == DisplayKind::Number) {
      EXPECT_EQ(" " + r[3], kParams[i].unit) << kParams[i].name;
      const double lowTolerance = 1e-3 * std::fabs(kParams[i].display.min) + 1e-6;
      const double highTolerance = 1e-3 * std::fabs(kParams[i].display.max) + 1e-6;
      EXPECT_NEAR(std::stod(r[4]), kParams[i].display.min, lowTolerance) << kParams[i].name;
      EXPECT_NEAR(std::stod(r[5]), kParams[i].display.max, highTolerance) << kParams[i].name;
    } else {
      EXPECT_EQ(r[4] + r[5], "") << kParams[i].name << " shows no numbers at its ends";
    }
  }

  for (int i = 0; i < kNumPrograms; ++i) {
    const Fields expected = {"program", std::to_string(i), factoryProgramNames[i]};
    EXPECT_EQ(records[size_t(1 + kNumParams + i)], expected);
  }
}

}  // namespace
