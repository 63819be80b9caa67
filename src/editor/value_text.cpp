#include "editor/value_text.h"

#include "editor/editor_layout.h"
#include "params/display_text.h"
#include "params/number_text.h"

namespace tarvo::editor {

// clang-format off
const float resetValue[params::kNumParams] = {
    1.0f,  // Threshold
    0.0f,  // Auto-Gain (no knob)
    0.5f,  // Output Gain
    0.5f,  // Ratio
    0.0f,  // Attack
    0.5f,  // Release
    0.5f,  // Input Gain
    0.5f,  // Balance
    0.0f,  // Input Filter (no knob)
    0.0f,  // Release Type (no knob)
    0.5f,  // PDE Rate
    0.5f,  // PDE Time
    0.5f,  // Release2
    0.5f,  // Rel.2 Level
    0.5f,  // Knee
    0.0f,  // Linearity
    0.0f,  // Stereo Link (no knob)
    0.0f,  // Det. Filter (no knob)
    0.5f,  // Filter Freq.
    0.0f,  // Det. EQ (no knob)
    0.5f,  // EQ Low
    0.5f,  // EQ Mid
    0.5f,  // EQ High
    0.0f,  // Reserved1
    0.0f,  // Reserved2
};
// clang-format on

bool HasKnob(int index) {
  for (const KnobPlace& knob : kKnobs) {
    if (knob.tag == index) return true;
  }
  return false;
}

std::optional<std::string> ValueLabelText(int index, float v) {
  if (!HasKnob(index)) return std::nullopt;
  // The ratio and balance texts are the host's display texts, which carry no unit.
  if (index == params::kRatio || index == params::kBalance) {
    return params::displayText(index, v);
  }
  return params::fiveCharNumber(params::displayValue(index, v));
}

}  // namespace tarvo::editor
