// The texts of the knobs' value labels.
#pragma once

#include <optional>
#include <string>

#include "params/param_table.h"

namespace tarvo::editor {

// True for the 17 parameters that have a knob and a value label.
bool HasKnob(int index);

// The value label text of parameter `index` at the normalized value v, without a unit (the
// chassis prints the unit beside the box): the ratio text for "Ratio", the balance text for
// "Balance", the five-character number of the display value for every other knob
// ("Knee" shows 0.000 .. 100.0, never a word). nullopt for parameters without a label.
std::optional<std::string> ValueLabelText(int index, float v);

}  // namespace tarvo::editor
