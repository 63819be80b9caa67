// The transfer graph: output level against input level in dB, computed from the window's
// copy of the parameters with the one static gain curve of the signal path.
#include <cmath>

#include "dsp/gain_curve.h"
#include "editor/editor_layout.h"
#include "editor/editor_skin.h"
#include "editor/plugin_editor_window.h"
#include "toolkit/line_series.h"

namespace tarvo::editor {

namespace {

constexpr int kCurvePoints = 120;
constexpr float kCurveStartLevel = 0.001f;  // -60 dB, linear amplitude
constexpr float kLevelStep = 1.059254f;     // 0.5 dB as a factor
// Seven digits on purpose: they decide which points at the axis ends are drawn
// (docs/compatibility.md).
constexpr double kLn10 = 2.302585;

// Linear or logarithmic map of v onto [min, max], computed in double precision.
double MapLinear(double min, double max, double v) {
  return min + (max - min) * v;
}
double MapLog(double min, double max, double v) {
  return min * std::exp(v * std::log(max / min));
}

}  // namespace

void TPluginEditorWindow::CreateGraph() {
  const EditorSkin& skin = Skin();
  Chart1 = &DIBContainer1.Create<toolkit::TChart>(std::string(kChart.name));
  Chart1->SetBounds(kChart.left, kChart.top, kChart.width, kChart.height);
  Chart1->SetColour(toolkit::kPanelBlack);
  Chart1->SetBackWallColour(toolkit::kPanelBlack);
  Chart1->SetMargins(4, 4);
  Chart1->SetFont(&skin.font9);
  Chart1->SetLabelColour(toolkit::kTextColour);
  auto setAxis = [](toolkit::TChartAxis& axis, uint32_t grid, uint32_t minorGrid) {
    axis.visible = true;
    axis.minimum = -60.0;
    axis.maximum = 0.0;
    axis.axisColour = toolkit::Rgb(0x5A5A5A);
    axis.gridVisible = true;
    axis.gridColour = toolkit::Rgb(grid);
    axis.minorGridVisible = true;
    axis.minorGridColour = toolkit::Rgb(minorGrid);
    axis.minorTickCount = 4;
    axis.tickLength = 2;
    axis.labelsVisible = true;
  };
  setAxis(Chart1->BottomAxis(), 0x5A5A5A, 0x3C3C3C);
  setAxis(Chart1->LeftAxis(), 0x464646, 0x282828);
  Chart1->LeftAxis().increment = 1.0;  // labels at least 1 dB apart
  Series1 = &Chart1->AddSeries();
  Series1->SetSeriesColour(toolkit::Rgb(0, 200, 0));
  Series1->SetCapacity(toolkit::kDefaultSeriesCapacity);
  Chart1->Repaint();
}

void TPluginEditorWindow::UpdateGrafData(int index) {
  if (index < 0 || index >= params::kNumParams) return;
  const double v = paramCopy[index];
  const double lo = params::paramMin[index];
  const double hi = params::paramMax[index];
  switch (index) {
    case params::kThreshold:
      curveThreshold = static_cast<float>(MapLog(lo, hi, v));
      break;
    case params::kRatio:
      curveRatio = static_cast<float>(MapLinear(lo, hi, v));
      break;
    case params::kKnee:
      curveKnee = static_cast<float>(MapLog(lo, hi, v));
      break;
    case params::kLinearity:
      curveLinearity = static_cast<float>(MapLinear(lo, hi, v));
      break;
    default:
      break;
  }
}

void TPluginEditorWindow::UpdateDisplay() {
  Series1->Clear();
  const toolkit::TChartAxis& bottom = Chart1->BottomAxis();
  const toolkit::TChartAxis& left = Chart1->LeftAxis();
  const float x0 = static_cast<float>(bottom.minimum);
  const float step = static_cast<float>((bottom.maximum - x0) / kCurvePoints);
  const float T = curveThreshold, R = curveRatio, K = curveKnee, L = curveLinearity;
  const float s = dsp::kneeStartOf(T, K);

  // Auto-gain lifts the curve so that 0 dB in gives 0 dB out, when the curve acts below
  // 0 dB at all.
  float c = 1.0f;
  if (paramCopy[params::kAutoGain] > 0.5f && s < 1.0f) {
    c = static_cast<float>(1.0 / double(dsp::gainCurve(1.0f, T, R, K, L)));
  }
  const double o =
      MapLinear(params::displayMin[params::kOutputGain], params::displayMax[params::kOutputGain],
                paramCopy[params::kOutputGain]);

  float x = x0;
  float level = kCurveStartLevel;
  for (int k = 0; k < kCurvePoints; ++k) {
    const float out = level > s ? level * dsp::gainCurveAbove(level, s, T, R, K, L) : level;
    float y = static_cast<float>(20.0 * std::log(double(out) * c) / kLn10);
    y = static_cast<float>(double(y) + o);
    // Points outside the axis range are left out; the line joins the ones around them.
    if (y <= left.maximum && y >= left.minimum) Series1->AddXY(x, y);
    x += step;
    level *= kLevelStep;
  }
  Chart1->Repaint();
}

}  // namespace tarvo::editor
