// The chassis against the layout of the controls that the editor puts on it: the
// surfaces under labels, the knob faces under the pointer paths, the printed meter
// columns under the meter controls, the unlit arrows under the lit ones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "editor/skin/skin_data.h"
#include "knob_legends.h"
#include "layout.h"
#include "palette.h"
#include "skin_reader.h"

using namespace tarvo::skin;
using namespace tarvo::skingen;
using test::Picture;
using test::readDib;

namespace {

const Picture& chassis() {
  static const Picture p = readDib(skinImage(kChassis)).value_or(Picture{});
  return p;
}

int red(uint32_t c) {
  return int(c >> 16) & 0xFF;
}
int green(uint32_t c) {
  return int(c >> 8) & 0xFF;
}

bool overlap(const Control& a, const Control& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

}  // namespace

TEST(Layout, EveryControlLiesInsideThePanel) {
  for (const Control& c : kControls) {
    EXPECT_GE(c.left, 0) << c.name;
    EXPECT_GE(c.top, 0) << c.name;
    EXPECT_LE(c.left + c.width, kPanelWidth) << c.name;
    EXPECT_LE(c.top + c.height, kPanelHeight) << c.name;
  }
}

TEST(Layout, ControlsDoNotOverlapExceptTheReductionBars) {
  for (size_t i = 1; i < kControls.size(); ++i)
    for (size_t j = i + 1; j < kControls.size(); ++j) {
      const Control &a = kControls[i], &b = kControls[j];
      const bool allowed = (a.name == "GainIncreaseMeterL" && b.name == "GainReductionMeterL") ||
                           (a.name == "GainIncreaseMeterR" && b.name == "GainReductionMeterR");
      EXPECT_TRUE(allowed || !overlap(a, b)) << a.name << " overlaps " << b.name;
    }
}

TEST(Chassis, FirstStoredRowIsTheBottomOfThePanel) {
  // The top strip is darker than the label background's surroundings at the bottom
  // edge; compare the stored first row with the decoded bottom row.
  const auto block = skinImage(kChassis);
  const Picture& p = chassis();
  ASSERT_EQ(p.height, kPanelHeight);
  for (int x : {0, 100, 644}) {
    const size_t at = 4 + size_t(x) * 4;
    const uint32_t stored =
        uint32_t(block[at]) | (uint32_t(block[at + 1]) << 8) | (uint32_t(block[at + 2]) << 16);
    EXPECT_EQ(stored, p.rgb(x, kPanelHeight - 1));
  }
}

TEST(Chassis, LabelsAndTheChartSitOnTheLabelBackground) {
  // Text labels paint 0x111111 behind their text; the chassis under each one (and a
  // margin of the value box around value labels) is the same colour, so no edge shows.
  for (const Control& c : kControls) {
    if (c.kind != ControlKind::ValueLabel && c.kind != ControlKind::Caption &&
        c.kind != ControlKind::Chart)
      continue;
    const int margin = c.kind == ControlKind::ValueLabel ? 1 : 0;
    int wrong = 0;
    for (int y = c.top - margin; y < c.top + c.height + margin; ++y)
      for (int x = c.left - margin; x < c.left + c.width; ++x)
        wrong += chassis().rgb(x, y) != kLabelBack;
    EXPECT_EQ(wrong, 0) << c.name;
  }
}

TEST(Chassis, PointerPathsRunOnTheKnobFaces) {
  // The dial puts its pointer centre at ceil(c + r cos(a - 90)), ceil(c + r sin(a - 90))
  // with a = the whole-degree angle 210 + 300 f; the face under the dot (the pixels
  // around that corner) must be the flat rim colour that the dot was blended into.
  for (const Control& k : kControls) {
    if (k.kind != ControlKind::KnobLarge && k.kind != ControlKind::KnobSmall) continue;
    const KnobGeometry& g = k.kind == ControlKind::KnobLarge ? kLargeKnob : kSmallKnob;
    EXPECT_EQ(k.width, g.size);
    for (int step = 0; step <= 20; ++step) {
      const double a = std::nearbyint(std::fmod(210.0 + 15.0 * step, 360.0));
      const double rad = (a - 90.0) * 3.14159265358979323846 / 180.0;
      const int px = k.left + int(std::ceil(k.width / 2 + g.pointerRadius * std::cos(rad)));
      const int py = k.top + int(std::ceil(k.height / 2 + g.pointerRadius * std::sin(rad)));
      for (int dy = -1; dy <= 0; ++dy)
        for (int dx = -1; dx <= 0; ++dx)
          EXPECT_EQ(chassis().rgb(px + dx, py + dy), kKnobFaceRim)
              << k.name << " at " << step * 5 << "%";
    }
  }
}

TEST(Chassis, KnobFacesAreCentredOnThePointerCircle) {
  // The dial's pointer circle is centred on pixel (size div 2, size div 2) of the
  // control. Along that row and that column the flat rim band of the face must end
  // equally far out on both sides (where it starts depends on the off-centre
  // highlight of the cap). One pixel of slack: the anti-aliased edge pixel blends
  // into a bevel ring that is lit on one side and dark on the other.
  for (const Control& k : kControls) {
    if (k.kind != ControlKind::KnobLarge && k.kind != ControlKind::KnobSmall) continue;
    const int cx = k.left + k.width / 2, cy = k.top + k.height / 2;
    auto run = [&](int dx, int dy) {
      int x = cx, y = cy, n = 0;
      while (chassis().rgb(x, y) != kKnobFaceRim) x += dx, y += dy;  // through the cap
      while (chassis().rgb(x, y) == kKnobFaceRim) x += dx, y += dy, ++n;
      EXPECT_GE(n, 3) << "no rim band";
      return std::abs(x - cx) + std::abs(y - cy);
    };
    EXPECT_NEAR(run(-1, 0), run(1, 0), 1) << k.name;
    EXPECT_NEAR(run(0, -1), run(0, 1), 1) << k.name;
    EXPECT_NEAR(run(-1, 0), run(0, -1), 1) << k.name;
  }
}

TEST(Chassis, LampsShowUnlitLensesOfTheirColour) {
  for (const Control& c : kControls) {
    if (c.kind != ControlKind::Switch && c.name != "ABSwitch") continue;
    const uint32_t lens = chassis().rgb(c.left + 6, c.top + 6);
    if (c.name == "ABSwitch") {
      EXPECT_GT(green(lens), red(lens)) << c.name;
    } else {
      EXPECT_GT(red(lens), green(lens)) << c.name;
    }
    EXPECT_LT(std::max(red(lens), green(lens)), 0x80) << c.name << " looks lit";
  }
}

TEST(Chassis, LitSelectorArrowCoversThePrintedUnlitArrow) {
  const Picture lit = readDib(skinImage(kSelectorRight)).value_or(Picture{});
  ASSERT_EQ(lit.width, 30);
  for (const Control& c : kControls) {
    if (c.kind != ControlKind::Selector) continue;
    int unlitArrow = 0, uncovered = 0;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) {
        if (chassis().rgb(c.left + x, c.top + y) != kArrowUnlit) continue;
        ++unlitArrow;
        uncovered += lit.rgb(x, y) == kKeyBlack;
      }
    EXPECT_GT(unlitArrow, 10) << c.name << ": no unlit arrow printed";
    EXPECT_EQ(uncovered, 0) << c.name;
  }
}

TEST(Chassis, PrintsTheMeterColumnsUnderTheMeterControls) {
  const Control& out = control("OutputMeterL");
  const uint32_t top = chassis().rgb(out.left + 4, out.top);
  const uint32_t bottom = chassis().rgb(out.left + 4, out.top + out.height - 2);
  EXPECT_GT(red(top), 200);  // 0 dB: red
  EXPECT_LT(green(top), 120);
  EXPECT_GT(green(bottom), 2 * red(bottom));  // -60 dB: green
  // The row below a bright row is the half-bright one, as in the cover's pattern.
  EXPECT_LT(red(chassis().rgb(out.left + 4, out.top + 1)), red(top));

  for (const char* name : {"GainIncreaseMeterL", "GainIncreaseMeterR"}) {
    const Control& ex = control(name);
    for (int y = 0; y < ex.height; y += 17) {
      const uint32_t c = chassis().rgb(ex.left + 5, ex.top + y);
      EXPECT_GT(green(c), 3 * red(c) + 20) << name << " row " << y;
    }
  }
  for (const char* name : {"InputMeterL", "InputMeterR"}) {
    const Control& in = control(name);
    for (int x = 0; x < in.width; ++x)
      EXPECT_EQ(chassis().rgb(in.left + x, in.top + 5), x % 2 == 0 ? 0x333333u : 0x000000u)
          << name << " " << x;
  }
}

TEST(KnobLegends, EveryKnobHasAScaleInOrderInsideItsTravel) {
  int knobs = 0;
  for (const Control& k : kControls) {
    if (k.kind != ControlKind::KnobLarge && k.kind != ControlKind::KnobSmall) continue;
    ++knobs;
    int found = 0;
    for (const KnobLegend& l : kKnobLegends) {
      if (l.control != k.name) continue;
      ++found;
      ASSERT_GE(l.markCount, 3) << k.name;
      EXPECT_EQ(l.marks[0].fraction, 0.0) << k.name;
      EXPECT_EQ(l.marks[size_t(l.markCount - 1)].fraction, 1.0) << k.name;
      for (int i = 1; i < l.markCount; ++i)
        EXPECT_GT(l.marks[size_t(i)].fraction, l.marks[size_t(i - 1)].fraction) << k.name;
    }
    EXPECT_EQ(found, 1) << k.name;
  }
  EXPECT_EQ(knobs, 17);
  EXPECT_EQ(kKnobLegends.size(), 17u);
}

TEST(KnobLegends, LogarithmicMarksSitWhereTheKnobShowsTheirValue) {
  // "PDE Time" runs 40 * 25^v ms: 200 ms at v = ln 5 / ln 25 = 0.5.
  EXPECT_NEAR(logFraction(200, 40, 1000), 0.5, 1e-12);
  EXPECT_NEAR(logFraction(100, 40, 1000), std::log(2.5) / std::log(25.0), 1e-12);
  EXPECT_NEAR(logFraction(50, 5, 5000), 1.0 / 3.0, 1e-12);
  EXPECT_NEAR(logFraction(30, 1, 100), std::log(30.0) / std::log(100.0), 1e-12);
  EXPECT_NEAR(logFraction(5000, 5, 5000), 1.0, 1e-12);
}
