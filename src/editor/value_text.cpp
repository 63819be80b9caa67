#include "editor/value_text.h"

#include "editor/editor_layout.h"
#include "params/display_text.h"
#include "params/number_text.h"

namespace tarvo::editor {

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
