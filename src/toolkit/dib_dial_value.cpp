// The value rules of TAbstractDIBDial and the dial's settings objects.
#include "toolkit/dib_dial.h"
#include "toolkit/errors.h"

namespace tarvo::toolkit {

void TDIBDialPointerAngles::SetStart(int start) {
  if (start < 0 || start > 359) throw EInvalidProperty("Start must be 0..359");
  if (start == start_) return;
  start_ = start;
  if (changed_) changed_();
}

void TDIBDialPointerAngles::SetRange(int range) {
  if (range < 1 || range > 360) throw EInvalidProperty("Range must be 1..360");
  if (range == range_) return;
  range_ = range;
  if (changed_) changed_();
}

void TDIBDialPointerOpacities::SetActive(uint8_t opacity) {
  active_ = opacity;
  if (changed_) changed_();
}

void TDIBDialPointerOpacities::SetNormal(uint8_t opacity) {
  normal_ = opacity;
  if (changed_) changed_();
}

void TAbstractDIBDial::SetPosition(int position) {
  // Lower bound first, then upper, so that a range made inverted while loading stays defined.
  if (position < min_) position = min_;
  if (position > max_) position = max_;
  position_ = position;
  if (!Loading() && OnChange) OnChange(*this);
  ValueChanged();
}

void TAbstractDIBDial::SetMax(int max) {
  if (!Loading() && max <= min_) throw EInvalidProperty("Max must be greater than min");
  max_ = max;
  if (max < position_) SetPosition(max);
  ValueChanged();
}

void TAbstractDIBDial::SetMin(int min) {
  if (!Loading() && min >= max_) throw EInvalidProperty("Min must be less than max");
  min_ = min;
  if (position_ < min) SetPosition(min);
  ValueChanged();
}

void TAbstractDIBDial::Loaded() {
  // Settings applied in any order while loading: bring the position into the final range.
  int position = position_;
  if (position < min_) position = min_;
  if (position > max_) position = max_;
  position_ = position;
  ValueChanged();
}

}  // namespace tarvo::toolkit
