// Every control of the editor panel with its place and size, in panel pixels
// (left, top from the panel's top-left corner), taken from the editor's own layout. The
// artwork is placed from this table so that knob bodies, lamps, selector arrows, value
// boxes and the display area line up with the controls the editor puts on the chassis.
#pragma once

#include <array>
#include <string_view>
#include <utility>

#include "editor/editor_layout.h"

namespace tarvo::skingen {

// The panel size is the editor's.
using editor::kPanelHeight;
using editor::kPanelWidth;

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
namespace ed = tarvo::editor;

// Caption widths: the longest text each caption shows ("Out / In Transfer",
// "-12.0 -12.0", " -oo", "Scale 10:1") in Arial 9 px, rounded up.
inline constexpr int kGraphCaptionWidth = 72;
inline constexpr int kOutMeterLabelWidth = 47;
inline constexpr int kCompMeterLabelWidth = 48;
inline constexpr int kInMeterLabelWidth = 24;
inline constexpr int kScaleLabelWidth = 42;

inline constexpr int kControlCount = 1 + 2 * ed::kKnobCount + int(ed::kSwitches.size()) +
                                     int(ed::kReleaseTypes.size()) + int(ed::kLinkTypes.size()) +
                                     3 + 2 + 8 + 6 + 1;

// Every control of the editor's layout with the size the artwork reserves for it. The
// places come from the editor's own table, so the artwork cannot drift from the controls.
// Meters are listed at full length (the editor starts some of them empty).
consteval std::array<Control, kControlCount> makeControls() {
  std::array<Control, kControlCount> all{};
  int n = 0;
  auto add = [&](Control c) { all[n++] = c; };
  add({"Background", K::Background, 0, 0, kPanelWidth, kPanelHeight, -1});
  for (const ed::KnobPlace& k : ed::kKnobs) {
    const int size = k.large ? ed::kLargeKnobSize : ed::kSmallKnobSize;
    add({k.name, k.large ? K::KnobLarge : K::KnobSmall, k.left, k.top, size, size, k.tag});
  }
  for (const ed::KnobPlace& k : ed::kKnobs) {
    const int width = k.large ? kValueLabelWidthLarge : kValueLabelWidthSmall;
    add({k.labelName, K::ValueLabel, k.labelLeft, k.labelTop, width, kValueLabelHeight, k.tag});
  }
  for (const ed::PointPlace& p : ed::kSwitches) {
    add({p.name, K::Switch, p.left, p.top, ed::kSwitchSize, ed::kSwitchSize, p.tag});
  }
  auto addSelector = [&](const ed::PointPlace& p) {
    add({p.name, K::Selector, p.left, p.top, ed::kSelectorWidth, ed::kSelectorHeight, p.tag});
  };
  for (const ed::PointPlace& p : ed::kReleaseTypes) addSelector(p);
  for (const ed::PointPlace& p : ed::kLinkTypes) addSelector(p);
  for (const ed::PointPlace& p : {ed::kABSwitch, ed::kCopySwitch, ed::kRecallSwitch}) {
    add({p.name, K::Compare, p.left, p.top, ed::kSwitchSize, ed::kSwitchSize, -1});
  }
  for (const ed::RectPlace& r : {ed::kUsersManual, ed::kLogo}) {
    add({r.name, K::LinkArea, r.left, r.top, r.width, r.height, -1});
  }
  for (const ed::RectPlace& r : {ed::kInputMeterL, ed::kInputMeterR}) {
    add({r.name, K::MeterH, r.left, r.top, ed::kMeterLength, ed::kMeterThickness, -1});
  }
  for (const ed::RectPlace& r :
       {ed::kOutputMeterL, ed::kOutputMeterR, ed::kGainIncreaseMeterL, ed::kGainIncreaseMeterR,
        ed::kGainReductionMeterL, ed::kGainReductionMeterR}) {
    add({r.name, K::MeterV, r.left, r.top, ed::kMeterThickness, ed::kMeterLength, -1});
  }
  const std::pair<ed::CaptionPlace, int> captions[] = {
      {ed::kGraphCaption, kGraphCaptionWidth},     {ed::kOutMeterLabel, kOutMeterLabelWidth},
      {ed::kCompMeterLabel, kCompMeterLabelWidth}, {ed::kInMeterLabelL, kInMeterLabelWidth},
      {ed::kInMeterLabelR, kInMeterLabelWidth},    {ed::kScaleLabel, kScaleLabelWidth},
  };
  for (const auto& [c, width] : captions) {
    add({c.name, K::Caption, c.left, c.top, width, kCaptionHeight, -1});
  }
  add({ed::kTransferGraph.name, K::Chart, ed::kTransferGraph.left, ed::kTransferGraph.top,
       ed::kTransferGraph.width, ed::kTransferGraph.height, -1});
  if (n != kControlCount) throw "control count";  // a compile-time error
  return all;
}

inline constexpr std::array<Control, kControlCount> kControls = makeControls();

// The control of that name; the table is small, a linear search is enough.
constexpr const Control& control(std::string_view name) {
  for (const Control& c : kControls) {
    if (c.name == name) return c;
  }
  throw "unknown control";  // a compile-time error when used in a constant expression
}

}  // namespace tarvo::skingen
