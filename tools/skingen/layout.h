// Every control of the editor panel with its place and size, in panel pixels
// (left, top from the panel's top-left corner). The artwork is placed from this one
// table so that knob bodies, lamps, selector arrows, value boxes and the display
// area line up with the controls that the editor puts on top of the chassis.
#pragma once

#include <array>
#include <string_view>

namespace tarvo::skingen {

inline constexpr int kPanelWidth = 645;
inline constexpr int kPanelHeight = 485;

enum class ControlKind {
  Background,
  KnobLarge,   // 49 x 49, pointer radius 20
  KnobSmall,   // 39 x 39, pointer radius 16
  ValueLabel,  // Arial 11 px value text; width is the widest text we reserve for
  Switch,      // 13 x 13 lamp
  Selector,    // 30 x 10 arrow
  Compare,     // 13 x 13 round button
  LinkArea,    // invisible click area over artwork
  MeterH,      // horizontal meter bar
  MeterV,      // vertical meter bar or cover
  Caption,     // Arial 9 px caption or readout
  Chart,       // the transfer graph
};

struct Control {
  std::string_view name;
  ControlKind kind;
  int left, top, width, height;
  int tag;  // parameter index, selector position or -1
};

// Width reserved for a value label, five characters of Arial 11 px ("-40.0") or a
// ratio such as "1:1.33": the printed value box ends there, and starts 3 pixels left
// of the label, so that it is centred under its knob. Height: ascent plus descent of
// Arial at 11 px.
inline constexpr int kValueLabelWidthLarge = 34;
inline constexpr int kValueLabelWidthSmall = 30;
inline constexpr int kValueLabelHeight = 13;
// Caption and readout height: ascent plus descent of Arial at 9 px.
inline constexpr int kCaptionHeight = 11;

using K = ControlKind;
inline constexpr int WL = kValueLabelWidthLarge;
inline constexpr int WS = kValueLabelWidthSmall;
inline constexpr int H = kValueLabelHeight;
inline constexpr int C = kCaptionHeight;

inline constexpr std::array kControls = {
    Control{"Baggrund", K::Background, 0, 0, 645, 485, -1},

    Control{"ThresholdControl", K::KnobLarge, 367, 85, 49, 49, 0},
    Control{"OutputGainControl", K::KnobLarge, 487, 85, 49, 49, 2},
    Control{"RatioControl", K::KnobLarge, 307, 179, 49, 49, 3},
    Control{"AttackControl", K::KnobLarge, 427, 179, 49, 49, 4},
    Control{"ReleaseControl", K::KnobLarge, 547, 179, 49, 49, 5},
    Control{"InGainControl", K::KnobSmall, 40, 299, 39, 39, 6},
    Control{"BalanceControl", K::KnobSmall, 120, 299, 39, 39, 7},
    Control{"PDRdepControl", K::KnobSmall, 320, 299, 39, 39, 10},
    Control{"PDRtimeControl", K::KnobSmall, 400, 299, 39, 39, 11},
    Control{"Release2Control", K::KnobSmall, 480, 299, 39, 39, 12},
    Control{"Release2LevelControl", K::KnobSmall, 560, 299, 39, 39, 13},
    Control{"KneeControl", K::KnobSmall, 40, 409, 39, 39, 14},
    Control{"LinearityControl", K::KnobSmall, 120, 409, 39, 39, 15},
    Control{"DetectorFreqControl", K::KnobSmall, 320, 409, 39, 39, 18},
    Control{"LowControl", K::KnobSmall, 400, 409, 39, 39, 20},
    Control{"MidControl", K::KnobSmall, 480, 409, 39, 39, 21},
    Control{"HighControl", K::KnobSmall, 560, 409, 39, 39, 22},

    Control{"ThresholdLabel", K::ValueLabel, 376, 148, WL, H, 0},
    Control{"OutputGainLabel", K::ValueLabel, 496, 148, WL, H, 2},
    Control{"RatioLabel", K::ValueLabel, 316, 242, WL, H, 3},
    Control{"AttackLabel", K::ValueLabel, 436, 242, WL, H, 4},
    Control{"ReleaseLabel", K::ValueLabel, 556, 242, WL, H, 5},
    Control{"InGainLabel", K::ValueLabel, 46, 352, WS, H, 6},
    Control{"BalanceLabel", K::ValueLabel, 126, 352, WS, H, 7},
    Control{"PDRdepLabel", K::ValueLabel, 326, 352, WS, H, 10},
    Control{"PDRtimeLabel", K::ValueLabel, 406, 352, WS, H, 11},
    Control{"Release2Label", K::ValueLabel, 486, 352, WS, H, 12},
    Control{"Release2LevelLabel", K::ValueLabel, 566, 352, WS, H, 13},
    Control{"KneeLabel", K::ValueLabel, 46, 462, WS, H, 14},
    Control{"LinearityLabel", K::ValueLabel, 126, 462, WS, H, 15},
    Control{"DetectorFreqLabel", K::ValueLabel, 326, 462, WS, H, 18},
    Control{"LowLabel", K::ValueLabel, 406, 462, WS, H, 20},
    Control{"MidLabel", K::ValueLabel, 486, 462, WS, H, 21},
    Control{"HighLabel", K::ValueLabel, 566, 462, WS, H, 22},

    Control{"AutoGainSwitch", K::Switch, 613, 67, 13, 13, 1},
    Control{"InFilterSwitch", K::Switch, 170, 271, 13, 13, 8},
    Control{"DetectorACSwitch", K::Switch, 308, 381, 13, 13, 17},
    Control{"DetectorEQswitch", K::Switch, 388, 381, 13, 13, 19},

    Control{"Reltype4", K::Selector, 207, 305, 30, 10, 4},
    Control{"RelType3", K::Selector, 207, 317, 30, 10, 3},
    Control{"RelType2", K::Selector, 207, 329, 30, 10, 2},
    Control{"RelType1", K::Selector, 207, 341, 30, 10, 1},
    Control{"RelType0", K::Selector, 207, 353, 30, 10, 0},
    Control{"LinkType2", K::Selector, 207, 415, 30, 10, 2},
    Control{"Linktype1", K::Selector, 207, 427, 30, 10, 1},
    Control{"LinkType0", K::Selector, 207, 439, 30, 10, 0},

    Control{"ABSwitch", K::Compare, 272, 85, 13, 13, -1},
    Control{"CopySwitch", K::Compare, 272, 106, 13, 13, -1},
    Control{"RecallSwitch", K::Compare, 272, 127, 13, 13, -1},

    Control{"UsersManual", K::LinkArea, 529, 10, 40, 40, -1},
    Control{"Logo", K::LinkArea, 12, 6, 105, 48, -1},

    Control{"Meter_In_L", K::MeterH, 34, 224, 120, 10, -1},
    Control{"Meter_In_R", K::MeterH, 34, 237, 120, 10, -1},
    Control{"Meter_Out_L", K::MeterV, 167, 86, 10, 120, -1},
    Control{"Meter_Out_R", K::MeterV, 180, 86, 10, 120, -1},
    Control{"Meter_Ex_L", K::MeterV, 213, 86, 10, 120, -1},
    Control{"Meter_Ex_R", K::MeterV, 226, 86, 10, 120, -1},
    Control{"Meter_CP_L", K::MeterV, 213, 86, 10, 120, -1},
    Control{"Meter_CP_R", K::MeterV, 226, 86, 10, 120, -1},

    // Widths: the longest text each caption shows ("Out / In Transfer",
    // "-12.0 -12.0", " -oo", "Scale 10:1") in Arial 9 px, rounded up.
    Control{"Label2", K::Caption, 50, 68, 72, C, -1},
    Control{"OutMeterLabel", K::Caption, 155, 68, 47, C, -1},
    Control{"CompMeterLabel", K::Caption, 202, 68, 48, C, -1},
    Control{"InMeterLabelL", K::Caption, 160, 223, 24, C, -1},
    Control{"InMeterLabelR", K::Caption, 160, 236, 24, C, -1},
    Control{"Label21", K::Caption, 203, 209, 42, C, -1},

    Control{"Chart1", K::Chart, 14, 79, 146, 142, -1},
};

// The control of that name; the table is small, a linear search is enough.
constexpr const Control& control(std::string_view name) {
  for (const Control& c : kControls) {
    if (c.name == name) return c;
  }
  throw "unknown control";  // a compile-time error when used in a constant expression
}

}  // namespace tarvo::skingen
