// The display texts that the host shows for each parameter.
#pragma once

#include <optional>
#include <string>

namespace tarvo::params {

// Display text of parameter `index` at the normalized value v. The selector rows
// ("Release Type", "Stereo Link") name the position v selects, rounded as the block update
// rounds it, so the text is right before any audio block has run. No value (nothing
// written) for "Reserved1", "Reserved2", an index outside 0..24 and a selector position
// without a name.
std::optional<std::string> displayText(int index, float v);

}  // namespace tarvo::params
