// TChart: a line chart with left and bottom axes, grids, labels and line series.
#pragma once

#include <memory>
#include <vector>

#include "toolkit/chart_axis.h"
#include "toolkit/dib_control.h"
#include "toolkit/line_series.h"

namespace tarvo::toolkit {

class GlyphAtlas;

// Flat (no 3D, legend, title, zoom or panning). The plot area is the control less the
// left axis labels and ticks at the left, the bottom labels and ticks at the bottom, and
// the top and right margins. Drawing order: control colour, back wall, minor grids, major
// grids, axis lines, ticks, labels, then each series cut to the plot area.
class TChart : public TCustomDIBControl {
 public:
  using TCustomDIBControl::TCustomDIBControl;

  TChartAxis& LeftAxis() { return left_; }
  const TChartAxis& LeftAxis() const { return left_; }
  TChartAxis& BottomAxis() { return bottom_; }
  const TChartAxis& BottomAxis() const { return bottom_; }

  Pixel Colour() const { return colour_; }
  void SetColour(Pixel colour) {
    colour_ = colour;
    Invalidate();
  }
  Pixel BackWallColour() const { return backWall_; }
  void SetBackWallColour(Pixel colour) {
    backWall_ = colour;
    Invalidate();
  }
  int MarginTop() const { return marginTop_; }
  int MarginRight() const { return marginRight_; }
  void SetMargins(int top, int right);

  // The labels' font (not owned; no labels without one) and colour.
  const GlyphAtlas* Font() const { return font_; }
  void SetFont(const GlyphAtlas* font) {
    font_ = font;
    Invalidate();
  }
  Pixel LabelColour() const { return labelColour_; }
  void SetLabelColour(Pixel colour) {
    labelColour_ = colour;
    Invalidate();
  }

  // Adds a line series owned by the chart, drawn after the ones before it.
  TLineSeries& AddSeries();
  int SeriesCount() const { return static_cast<int>(series_.size()); }
  TLineSeries& Series(int index) { return *series_[static_cast<size_t>(index)]; }

  // Marks the chart for redrawing (after changing axis settings).
  void Repaint() { Invalidate(); }

  // The layout for the current size, font and axes, in local coordinates.
  struct Layout {
    Rect plot;
    double leftStep = 0.0;
    double bottomStep = 0.0;
  };
  Layout ComputeLayout() const;
  // Where an axis value lands inside `plot`: the minimum on the first column (left axis:
  // last row), the maximum on the last column (first row), rounded to the nearest pixel.
  static int ValueToColumn(const TChartAxis& axis, const Rect& plot, double value);
  static int ValueToRow(const TChartAxis& axis, const Rect& plot, double value);

 protected:
  void Paint(Canvas& canvas) override;

 private:
  void PaintGrid(Canvas& canvas, const Layout& layout) const;
  void PaintAxes(Canvas& canvas, const Layout& layout) const;
  void PaintSeries(Canvas& canvas, const Rect& plot) const;

  TChartAxis left_;
  TChartAxis bottom_;
  Pixel colour_ = kPanelBlack;
  Pixel backWall_ = kPanelBlack;
  Pixel labelColour_ = kTextColour;
  int marginTop_ = 5;
  int marginRight_ = 5;
  const GlyphAtlas* font_ = nullptr;
  std::vector<std::unique_ptr<TLineSeries>> series_;
};

}  // namespace tarvo::toolkit
