// Where a rotary dial's pointer lies for a position: angle and pointer centre.
#pragma once

#include "toolkit/geometry.h"

namespace tarvo::toolkit {

// Pointer angle in whole degrees clockwise from 12 o'clock:
// round(wrap(start + (position - min) * 360 / (max - min) * range / 360)), where wrap brings
// the value into 0 <= a < 360 and round goes to nearest with ties to even (so 359.5 gives
// 360, which points like 0). A dial with max == min counts as standing at its minimum.
int DialPointerAngle(int start, int range, int position, int min, int max);

// Pointer centre on the circle of `radius` pixels around (cx, cy) at `angleDegrees`, the
// screen's y axis pointing down: (ceiling(cx + r cos(a - 90)), ceiling(cy + r sin(a - 90))).
// Coordinates within 1e-9 of a whole number count as that number before the ceiling, so that
// trigonometric rounding error (cos 60 = 0.5000000000000001) does not shift the pointer by a
// pixel at the angles where the exact value is whole.
Point DialPointerCentre(int cx, int cy, int radius, int angleDegrees);

}  // namespace tarvo::toolkit
