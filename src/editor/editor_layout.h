// The panel's controls: names, places, sizes, Tags and skin images, in panel pixels (left,
// top from the panel's top-left corner). The chassis artwork is drawn to the same places.
#pragma once

#include <array>
#include <string_view>

namespace tarvo::editor {

inline constexpr int kPanelWidth = 645;
inline constexpr int kPanelHeight = 485;

// Knobs: large 49 x 49 with pointer radius 20, small 39 x 39 with radius 16.
struct KnobPlace {
  std::string_view name;
  int tag;  // parameter index
  int left, top;
  bool large;
  std::string_view labelName;  // the value label below the knob
  int labelLeft, labelTop;
};

inline constexpr int kKnobCount = 17;
inline constexpr std::array<KnobPlace, kKnobCount> kKnobs = {{
    {"ThresholdControl", 0, 367, 85, true, "ThresholdLabel", 376, 148},
    {"OutputGainControl", 2, 487, 85, true, "OutputGainLabel", 496, 148},
    {"RatioControl", 3, 307, 179, true, "RatioLabel", 316, 242},
    {"AttackControl", 4, 427, 179, true, "AttackLabel", 436, 242},
    {"ReleaseControl", 5, 547, 179, true, "ReleaseLabel", 556, 242},
    {"InGainControl", 6, 40, 299, false, "InGainLabel", 46, 352},
    {"BalanceControl", 7, 120, 299, false, "BalanceLabel", 126, 352},
    {"PdeRateControl", 10, 320, 299, false, "PdeRateLabel", 326, 352},
    {"PdeTimeControl", 11, 400, 299, false, "PdeTimeLabel", 406, 352},
    {"Release2Control", 12, 480, 299, false, "Release2Label", 486, 352},
    {"Release2LevelControl", 13, 560, 299, false, "Release2LevelLabel", 566, 352},
    {"KneeControl", 14, 40, 409, false, "KneeLabel", 46, 462},
    {"LinearityControl", 15, 120, 409, false, "LinearityLabel", 126, 462},
    {"DetectorFreqControl", 18, 320, 409, false, "DetectorFreqLabel", 326, 462},
    {"LowControl", 20, 400, 409, false, "LowLabel", 406, 462},
    {"MidControl", 21, 480, 409, false, "MidLabel", 486, 462},
    {"HighControl", 22, 560, 409, false, "HighLabel", 566, 462},
}};

inline constexpr int kLargeKnobSize = 49;
inline constexpr int kSmallKnobSize = 39;
inline constexpr int kLargePointerRadius = 20;
inline constexpr int kSmallPointerRadius = 16;
// Pointer arc: the minimum at 210 degrees (about 7 o'clock), 300 degrees to the maximum.
inline constexpr int kPointerStart = 210;
inline constexpr int kPointerRange = 300;

// Controls placed at a point with a fixed size: lamps, selector arrows, compare buttons.
struct PointPlace {
  std::string_view name;
  int tag;
  int left, top;
};

// On/off lamps, 13 x 13, Tag = parameter index.
inline constexpr int kSwitchSize = 13;
inline constexpr std::array<PointPlace, 4> kSwitches = {{
    {"AutoGainSwitch", 1, 613, 67},
    {"InFilterSwitch", 8, 170, 271},
    {"DetectorACSwitch", 17, 308, 381},
    {"DetectorEQSwitch", 19, 388, 381},
}};

// Selector arrows, 30 x 10, Tag = position. Release type: Classic (4) at the top down to
// Opto (0); stereo link: Off (2), Mix (1), Highest (0).
inline constexpr int kSelectorWidth = 30;
inline constexpr int kSelectorHeight = 10;
inline constexpr std::array<PointPlace, 5> kReleaseTypes = {{
    {"ReleaseType4", 4, 207, 305},
    {"ReleaseType3", 3, 207, 317},
    {"ReleaseType2", 2, 207, 329},
    {"ReleaseType1", 1, 207, 341},
    {"ReleaseType0", 0, 207, 353},
}};
inline constexpr std::array<PointPlace, 3> kLinkTypes = {{
    {"LinkType2", 2, 207, 415},
    {"LinkType1", 1, 207, 427},
    {"LinkType0", 0, 207, 439},
}};

// Compare buttons, 13 x 13: the A/B lamp and two invisible click areas.
inline constexpr PointPlace kABSwitch{"ABSwitch", 0, 272, 85};
inline constexpr PointPlace kCopySwitch{"CopySwitch", 0, 272, 106};
inline constexpr PointPlace kRecallSwitch{"RecallSwitch", 0, 272, 127};

struct RectPlace {
  std::string_view name;
  int left, top, width, height;
};

// Link areas over the chassis artwork (a pointing hand over them).
inline constexpr RectPlace kUsersManual{"UsersManual", 529, 10, 40, 40};
inline constexpr RectPlace kLogo{"Logo", 12, 6, 105, 48};

// Meters, with their initial sizes; every bar is at most 120 pixels long.
inline constexpr int kMeterLength = 120;
inline constexpr int kMeterThickness = 10;
inline constexpr RectPlace kInputMeterL{"InputMeterL", 34, 224, 0, 10};
inline constexpr RectPlace kInputMeterR{"InputMeterR", 34, 237, 0, 10};
inline constexpr RectPlace kOutputMeterL{"OutputMeterL", 167, 86, 10, 120};
inline constexpr RectPlace kOutputMeterR{"OutputMeterR", 180, 86, 10, 120};
inline constexpr RectPlace kGainIncreaseMeterL{"GainIncreaseMeterL", 213, 86, 10, 120};
inline constexpr RectPlace kGainIncreaseMeterR{"GainIncreaseMeterR", 226, 86, 10, 120};
inline constexpr RectPlace kGainReductionMeterL{"GainReductionMeterL", 213, 86, 10, 0};
inline constexpr RectPlace kGainReductionMeterR{"GainReductionMeterR", 226, 86, 10, 0};

// Captions and peak readouts in the 9-pixel font, with their initial texts.
struct CaptionPlace {
  std::string_view name;
  int left, top;
  std::string_view text;
};
inline constexpr CaptionPlace kGraphCaption{"GraphCaption", 50, 68, "Out / In Transfer"};
inline constexpr CaptionPlace kOutMeterLabel{"OutMeterLabel", 155, 68, "peak"};
inline constexpr CaptionPlace kCompMeterLabel{"CompMeterLabel", 202, 68, "peak"};
inline constexpr CaptionPlace kInMeterLabelL{"InMeterLabelL", 160, 223, "Peak"};
inline constexpr CaptionPlace kInMeterLabelR{"InMeterLabelR", 160, 236, "Peak"};
inline constexpr CaptionPlace kScaleLabel{"ScaleLabel", 203, 209, "Scale 2:1"};

// The transfer graph.
inline constexpr RectPlace kTransferGraph{"TransferGraph", 14, 79, 146, 142};

}  // namespace tarvo::editor
