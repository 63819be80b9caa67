#include "toolkit/chart.h"

#include <algorithm>
#include <cmath>

#include "toolkit/glyph_atlas.h"

namespace tarvo::toolkit {

namespace {

constexpr int kLabelGap = 1;            // pixels between a left label and its tick
constexpr int kUnlabelledSpacing = 18;  // label spacing assumed when labels are not drawn
constexpr double kFarAway = 1e6;        // pixel positions are limited to this magnitude

int ToPixel(double position) {
  return static_cast<int>(std::nearbyint(std::clamp(position, -kFarAway, kFarAway)));
}

double Fraction(const TChartAxis& axis, double value) {
  const double range = axis.maximum - axis.minimum;
  return range != 0.0 ? (value - axis.minimum) / range : 0.0;
}

}  // namespace

void TChart::SetMargins(int top, int right) {
  marginTop_ = std::max(top, 0);
  marginRight_ = std::max(right, 0);
  Invalidate();
}

TLineSeries& TChart::AddSeries() {
  series_.push_back(std::make_unique<TLineSeries>([this] { Invalidate(); }));
  Invalidate();
  return *series_.back();
}

int TChart::ValueToColumn(const TChartAxis& axis, const Rect& plot, double value) {
  return plot.left + ToPixel(Fraction(axis, value) * (plot.Width() - 1));
}

int TChart::ValueToRow(const TChartAxis& axis, const Rect& plot, double value) {
  return plot.bottom - 1 - ToPixel(Fraction(axis, value) * (plot.Height() - 1));
}

TChart::Layout TChart::ComputeLayout() const {
  const bool leftLabels = font_ != nullptr && left_.visible && left_.labelsVisible;
  const bool bottomLabels = font_ != nullptr && bottom_.visible && bottom_.labelsVisible;
  const int lineHeight = font_ != nullptr ? font_->LineHeight() : 0;
  const int leftTick = left_.visible ? left_.tickLength : 0;
  const int bottomTick = bottom_.visible ? bottom_.tickLength : 0;

  Layout layout;
  layout.plot = Rect{0, marginTop_, Width() - marginRight_,
                     Height() - bottomTick - (bottomLabels ? lineHeight : 0)};
  layout.leftStep =
      AxisLabelStep(left_, layout.plot.Height(), leftLabels ? lineHeight : kUnlabelledSpacing);
  int labelWidth = 0;
  if (leftLabels) {
    for (double v : AxisMajorValues(left_, layout.leftStep)) {
      labelWidth = std::max(labelWidth, font_->TextWidth(AxisLabelText(v)));
    }
  }
  layout.plot.left = (leftLabels ? labelWidth + kLabelGap : 0) + leftTick;
  int bottomLabelWidth = kUnlabelledSpacing;
  if (bottomLabels) {
    bottomLabelWidth = std::max(font_->TextWidth(AxisLabelText(bottom_.minimum)),
                                font_->TextWidth(AxisLabelText(bottom_.maximum)));
  }
  layout.bottomStep = AxisLabelStep(bottom_, layout.plot.Width(), bottomLabelWidth);
  return layout;
}

void TChart::Paint(Canvas& canvas) {
  canvas.Fill(Rect{0, 0, Width(), Height()}, colour_);
  const Layout layout = ComputeLayout();
  if (layout.plot.Empty()) return;
  canvas.Fill(layout.plot, backWall_);
  PaintGrid(canvas, layout);
  PaintAxes(canvas, layout);
  PaintSeries(canvas, layout.plot);
}

void TChart::PaintGrid(Canvas& canvas, const Layout& layout) const {
  const Rect& plot = layout.plot;
  auto vertical = [&](double v, Pixel colour) {
    const int x = ValueToColumn(bottom_, plot, v);
    canvas.Fill(Rect{x, plot.top, x + 1, plot.bottom}, colour);
  };
  auto horizontal = [&](double v, Pixel colour) {
    const int y = ValueToRow(left_, plot, v);
    canvas.Fill(Rect{plot.left, y, plot.right, y + 1}, colour);
  };
  if (bottom_.visible && bottom_.minorGridVisible) {
    for (double v : AxisMinorValues(bottom_, layout.bottomStep))
      vertical(v, bottom_.minorGridColour);
  }
  if (left_.visible && left_.minorGridVisible) {
    for (double v : AxisMinorValues(left_, layout.leftStep)) horizontal(v, left_.minorGridColour);
  }
  if (bottom_.visible && bottom_.gridVisible) {
    for (double v : AxisMajorValues(bottom_, layout.bottomStep)) vertical(v, bottom_.gridColour);
  }
  if (left_.visible && left_.gridVisible) {
    for (double v : AxisMajorValues(left_, layout.leftStep)) horizontal(v, left_.gridColour);
  }
}

void TChart::PaintAxes(Canvas& canvas, const Layout& layout) const {
  const Rect& plot = layout.plot;
  if (left_.visible) {
    canvas.Fill(Rect{plot.left, plot.top, plot.left + 1, plot.bottom}, left_.axisColour);
    for (double v : AxisMajorValues(left_, layout.leftStep)) {
      const int y = ValueToRow(left_, plot, v);
      canvas.Fill(Rect{plot.left - left_.tickLength, y, plot.left, y + 1}, left_.axisColour);
      if (font_ == nullptr || !left_.labelsVisible) continue;
      const std::string text = AxisLabelText(v);
      const int right = plot.left - left_.tickLength - kLabelGap;
      font_->DrawText(canvas, right - font_->TextWidth(text), y - font_->LineHeight() / 2, text,
                      labelColour_);
    }
  }
  if (bottom_.visible) {
    canvas.Fill(Rect{plot.left, plot.bottom - 1, plot.right, plot.bottom}, bottom_.axisColour);
    for (double v : AxisMajorValues(bottom_, layout.bottomStep)) {
      const int x = ValueToColumn(bottom_, plot, v);
      canvas.Fill(Rect{x, plot.bottom, x + 1, plot.bottom + bottom_.tickLength},
                  bottom_.axisColour);
      if (font_ == nullptr || !bottom_.labelsVisible) continue;
      const std::string text = AxisLabelText(v);
      font_->DrawText(canvas, x - font_->TextWidth(text) / 2, plot.bottom + bottom_.tickLength,
                      text, labelColour_);
    }
  }
}

void TChart::PaintSeries(Canvas& canvas, const Rect& plot) const {
  const Point origin = canvas.Origin();
  Canvas inside(canvas.Target(), origin,
                Intersect(plot, canvas.LocalClip()).Offset(origin.x, origin.y));
  for (const auto& series : series_) {
    if (!series->Visible()) continue;
    bool havePrevious = false;
    Point previous;
    for (int i = 0; i < series->Count(); ++i) {
      if (!std::isfinite(series->X(i)) || !std::isfinite(series->Y(i))) continue;
      const Point p{ValueToColumn(bottom_, plot, series->X(i)),
                    ValueToRow(left_, plot, series->Y(i))};
      if (havePrevious) {
        inside.DrawLine(previous.x, previous.y, p.x, p.y, series->SeriesColour());
      } else {
        inside.SetPixel(p.x, p.y, series->SeriesColour());
      }
      previous = p;
      havePrevious = true;
    }
  }
}

}  // namespace tarvo::toolkit
