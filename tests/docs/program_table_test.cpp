// The manual's two tables of the factory programs, read cell by cell against the factory
// data: the names, and every setting the settings table shows, in the units of the
// host's display texts (times and levels as rounded in the table).
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "docs/html_refs.h"
#include "params/display_text.h"
#include "params/factory_presets.h"
#include "params/param_table.h"

namespace {

using namespace tarvo;
using namespace tarvo::params;
using Row = std::vector<std::string>;

// The rows of the table that starts at the first `<table` at or after `from`: the visible
// text of each cell.
std::vector<Row> tableRows(const std::string& html, size_t from) {
  const size_t start = html.find("<table", from);
  const size_t end = html.find("</table>", start);
  const std::string table = html.substr(start, end - start);
  std::vector<Row> rows;
  const std::regex row("<tr>([\\s\\S]*?)</tr>"), cell("<td[^>]*>([\\s\\S]*?)</td>");
  for (std::sregex_iterator r(table.begin(), table.end(), row), none; r != none; ++r) {
    const std::string inner = (*r)[1];
    Row cells;
    for (std::sregex_iterator c(inner.begin(), inner.end(), cell); c != none; ++c) {
      cells.push_back(docs::visibleText((*c)[1]));
    }
    if (!cells.empty()) rows.push_back(cells);
  }
  return rows;
}

double number(const std::string& text) {
  return std::stod(text.substr(text.find_first_of("-0123456789.")));
}

// The value of a parameter as its display text gives it, in its display unit.
double shown(int program, int index) {
  return number(*displayText(index, factoryPresets[program][index]));
}

// A time cell ("0.48 ms", "2.04 s") against the parameter, within the table's rounding.
void expectTime(const std::string& cell, int program, int index) {
  const double ms = number(cell) * (cell.find(" s") != std::string::npos ? 1000.0 : 1.0);
  EXPECT_NEAR(ms, shown(program, index), 0.01 * shown(program, index))
      << "program " << program << ", " << kParams[index].name << ": \"" << cell << "\"";
}

// A percentage or level cell against the parameter.
void expectValue(const std::string& cell, int program, int index, double tolerance) {
  EXPECT_NEAR(number(cell), shown(program, index), tolerance)
      << "program " << program << ", " << kParams[index].name << ": \"" << cell << "\"";
}

std::string textOf(int program, int index) {
  return *displayText(index, factoryPresets[program][index]);
}

class ProgramTables : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream in(TARVO_MANUAL, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    html = text.str();
    const size_t section = html.find("id=\"programs\"");
    ASSERT_NE(section, std::string::npos);
    names = tableRows(html, section);
    settings = tableRows(html, html.find("<table class=\"settings\"", section));
  }
  std::string html;
  std::vector<Row> names, settings;
};

TEST_F(ProgramTables, NamesAreTheFactoryNamesInOrder) {
  ASSERT_EQ(names.size(), 23u);  // 0 to 21, then 22-24 in one row
  for (int p = 0; p < 22; ++p) {
    EXPECT_EQ(names[p][0], std::to_string(p));
    EXPECT_EQ(names[p][1], factoryProgramNames[p]);
  }
  EXPECT_EQ(names[22][1], factoryProgramNames[22]);
}

TEST_F(ProgramTables, EverySettingShownIsTheFactoryValue) {
  ASSERT_EQ(settings.size(), 23u);
  for (int p = 0; p < 22; ++p) {
    const Row& r = settings[p];
    ASSERT_EQ(r.size(), 11u) << "program " << p;
    EXPECT_EQ(r[0], std::to_string(p));
    EXPECT_EQ(r[1], textOf(p, kReleaseType)) << p;
    EXPECT_EQ(r[2], textOf(p, kRatio)) << p;
    expectTime(r[3], p, kAttack);
    expectTime(r[4], p, kRelease);
    if (r[5] == "Hard" || r[5] == "Soft") {
      EXPECT_EQ(r[5], textOf(p, kKnee)) << p;
    } else {
      expectValue(r[5], p, kKnee, 0.5);
    }
    expectValue(r[6], p, kLinearity, 0.5);
    EXPECT_EQ(r[7], textOf(p, kStereoLink)) << p;
    if (shown(p, kPdeRate) == 0.0) {
      EXPECT_EQ(r[8], "off") << p;
    } else {
      expectValue(r[8], p, kPdeRate, 0.5);
      expectTime(r[8].substr(r[8].find(',') + 1), p, kPdeTime);
    }
    EXPECT_EQ(r[9], factoryPresets[p][kInputFilter] > 0.5f ? "on" : "\u2013") << p;

    // Detector: "filter F Hz" when the detector filter is on, "EQ low L, mid M, high H dB"
    // when the detector EQ is on, "–" when neither.
    const bool filter = factoryPresets[p][kDetFilter] > 0.5f;
    const bool eq = factoryPresets[p][kDetEq] > 0.5f;
    EXPECT_EQ(r[10] == "\u2013", !filter && !eq) << p << ": " << r[10];
    const size_t at = r[10].find("filter ");
    EXPECT_EQ(at != std::string::npos, filter) << p << ": " << r[10];
    if (filter && at != std::string::npos) {
      expectValue(r[10].substr(at + 7), p, kFilterFreq, 0.01 * shown(p, kFilterFreq));
    }
    const size_t eqAt = r[10].find("EQ ");
    EXPECT_EQ(eqAt != std::string::npos, eq) << p << ": " << r[10];
    if (eq && eqAt != std::string::npos) {
      const std::string bands = r[10].substr(eqAt);
      expectValue(bands.substr(bands.find("low ") + 4), p, kEqLow, 0.05);
      expectValue(bands.substr(bands.find("mid ") + 4), p, kEqMid, 0.05);
      expectValue(bands.substr(bands.find("high ") + 5), p, kEqHigh, 0.05);
    }
  }
  // Programs 22 to 24 are "Full Reset".
  for (int p = 22; p < kNumPrograms; ++p) {
    for (int i = 0; i < kNumParams; ++i) EXPECT_EQ(factoryPresets[p][i], factoryPresets[0][i]);
  }
  EXPECT_NE(settings[22][1].find("Full Reset"), std::string::npos);
}

}  // namespace
