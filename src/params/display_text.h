// The display texts that the host shows for each parameter.
#pragma once

#include <optional>
#include <string>

namespace tarvo::params {

// Display text of parameter `index` at the normalized value v. The selector rows take their
// names from the positions the block update last computed (`releaseType`,
// `stereoLinkMode`), not from v. No value (nothing written) for "Reserved1", "Reserved2",
// an index outside 0..24 and a selector position without a name.
std::optional<std::string> displayText(int index, float v, int releaseType, int stereoLinkMode);

}  // namespace tarvo::params
