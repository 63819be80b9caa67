// TLineSeries: the points of one chart line, kept in the order of x.
#pragma once

#include <functional>
#include <vector>

#include "toolkit/colour.h"

namespace tarvo::toolkit {

inline constexpr int kDefaultSeriesCapacity = 121;

// Points are drawn as a one-pixel polyline through them in ascending x, without marks.
// A point that was never added leaves no gap: its neighbours are joined. Every change
// asks the owning chart to repaint.
class TLineSeries {
 public:
  explicit TLineSeries(std::function<void()> changed = {});

  Pixel SeriesColour() const { return colour_; }
  void SetSeriesColour(Pixel colour);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  void Clear();
  // Inserts after every point whose x is not greater, so equal x keep their order.
  void AddXY(double x, double y);
  int Count() const { return static_cast<int>(x_.size()); }
  double X(int index) const { return x_[static_cast<size_t>(index)]; }
  double Y(int index) const { return y_[static_cast<size_t>(index)]; }
  // Reserved room; points beyond it are still accepted.
  int Capacity() const { return static_cast<int>(x_.capacity()); }
  void SetCapacity(int points);

 private:
  void Changed();

  std::function<void()> changed_;
  Pixel colour_ = Rgb(0, 200, 0);
  bool visible_ = true;
  std::vector<double> x_;
  std::vector<double> y_;
};

}  // namespace tarvo::toolkit
