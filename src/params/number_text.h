// Locale-independent number formatting for every text a user or host reads.
#pragma once

#include <string>

namespace tarvo::params {

// x in fixed notation with `decimals` decimals, rounded half away from zero on the exact
// binary value. A result that rounds to zero carries no minus sign.
std::string fixedText(double x, int decimals);

// The five-character number of the display texts: fixed with 3 decimals and at most
// 5 significant digits, cut to 5 characters, a trailing "." or "," turned into a space.
std::string fiveCharNumber(float d);

// x in general notation with at most `significant` significant digits and no trailing
// zeros (1.2, 33.3, 100). Meant for magnitudes below 10^significant.
std::string generalText(double x, int significant);

}  // namespace tarvo::params
