#include "toolkit/line_series.h"

#include <algorithm>
#include <utility>

namespace tarvo::toolkit {

TLineSeries::TLineSeries(std::function<void()> changed) : changed_(std::move(changed)) {
  SetCapacity(kDefaultSeriesCapacity);
}

void TLineSeries::SetSeriesColour(Pixel colour) {
  colour_ = colour;
  Changed();
}

void TLineSeries::SetVisible(bool visible) {
  visible_ = visible;
  Changed();
}

void TLineSeries::Clear() {
  x_.clear();
  y_.clear();
  Changed();
}

void TLineSeries::AddXY(double x, double y) {
  const auto at = std::upper_bound(x_.begin(), x_.end(), x);
  const auto offset = at - x_.begin();
  x_.insert(at, x);
  y_.insert(y_.begin() + offset, y);
  Changed();
}

void TLineSeries::SetCapacity(int points) {
  x_.reserve(static_cast<size_t>(std::max(points, 0)));
  y_.reserve(static_cast<size_t>(std::max(points, 0)));
}

void TLineSeries::Changed() {
  if (changed_) changed_();
}

}  // namespace tarvo::toolkit
