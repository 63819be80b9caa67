// The painters: each returns one finished picture.
#pragma once

#include "draw.h"
#include "image.h"

namespace tarvo::skingen {

// Skin images by index: 0 "Index Pointer", 1 "Knob Large", 3 "Selector Right",
// 4 "Green Microswitch", 5 "Red Microswitch", 6 "Knob Small",
// 7 "Index Pointer Small". Index 2, the chassis, comes from paintChassis.
Image paintSprite(int index);

// The 645 x 485 panel background.
Image paintChassis(const Fonts& fonts);

// Meter bitmaps: the lit horizontal input bar (120 x 10), the unlit vertical cover
// (10 x 120) and the lit red gain-reduction bar (10 x 120).
Image paintMeterInputLit();
Image paintMeterCover();
Image paintMeterReductionLit();

// Colour of segment or row k of a 120-pixel level bar, k = 0 at -60 dB, 119 at 0 dB:
// green through yellow to red.
uint32_t levelColour(int k);

}  // namespace tarvo::skingen
