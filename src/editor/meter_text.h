// The arithmetic of the meters: decibels, bar lengths in pixels and peak readout texts.
#pragma once

#include <cstdint>
#include <string>

namespace tarvo::editor {

// Level of a linear amplitude in dB: 20 log10(x + 1e-20), so silence reads about -400.
float LevelDb(float level);
// Gain change of a linear gain factor in dB: 20 log10(g).
float GainDb(float gain);

// Input or output bar length for a level in dB: 2 pixels per whole dB above -60, within
// 0..120. A level that is not a number counts as silence.
int16_t LevelBar(float db);
// Gain-change bar for a change in dB at magnification `scale` (1, 2, 5, 10): the change
// rounded to whole dB, 2 pixels per dB times the scale, within -120..120 (negative =
// reduction). A change that is not a number counts as none.
int16_t GainBar(float db, int scale);

// A peak value as the readouts show it: fixed notation, at most 2 significant digits and
// 1 decimal, cut to 5 characters (-5.73 -> "-5.7", -12.4 -> "-12.0", 3.26 -> "3.3").
std::string PeakNumber(float p);
// One input readout: "-oo" below -99, "99+" above 99, otherwise the number; a space in
// front of anything that does not start with "-".
std::string SingleReadout(float p);
// A left/right readout: the left value right-aligned in 5 characters, a space, the right
// value ("-12.0 -8.5", "  0.0 0.0").
std::string PairReadout(float p, float q);

// The next gain-change magnification: 1 -> 2 -> 5 -> 10 -> 1; any other value stays.
int NextMeterScale(int scale);
// "Scale 2:1" and the like.
std::string ScaleText(int scale);

}  // namespace tarvo::editor
