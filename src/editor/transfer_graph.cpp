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
// ln 10 cut to seven digits, unlike the meters' full value: the cut decides which points
// at the axis ends are drawn (docs/compatibility.md).
constexpr double kLn10SevenDigits = 2.302585;

}  // namespace

void TPluginEditorWindow::CreateGraph() {
  const EditorSkin& skin = Skin();
  TransferGraph = &Panel.Create<toolkit::TChart>(std::string(kTransferGraph.name));
  TransferGraph->SetBounds(kTransferGraph.left, kTransferGraph.top, kTransferGraph.width,
                           kTransferGraph.height);
  TransferGraph->SetColour(toolkit::kPanelBlack);
  TransferGraph->SetBackWallColour(toolkit::kPanelBlack);
  TransferGraph->SetMargins(4, 4);
  TransferGraph->SetFont(&skin.font9);
  TransferGraph->SetLabelColour(toolkit::kTextColour);
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
  setAxis(TransferGraph->BottomAxis(), 0x5A5A5A, 0x3C3C3C);
  setAxis(TransferGraph->LeftAxis(), 0x464646, 0x282828);
  TransferGraph->LeftAxis().increment = 1.0;  // labels at least 1 dB apart
  TransferCurve = &TransferGraph->AddSeries();
  TransferCurve->SetSeriesColour(toolkit::Rgb(0, 200, 0));
  TransferCurve->SetCapacity(toolkit::kDefaultSeriesCapacity);
  TransferGraph->Repaint();
}

void TPluginEditorWindow::UpdateCurveSetting(int index) {
  if (index < 0 || index >= params::kNumParams) return;
  const float target = params::targetValue(index, paramCopy[index]);
  switch (index) {
    case params::kThreshold:
      curveThreshold = target;
      break;
    case params::kRatio:
      curveRatio = target;
      break;
    case params::kKnee:
      curveKnee = target;
      break;
    case params::kLinearity:
      curveLinearity = target;
      break;
    default:
      break;
  }
}

void TPluginEditorWindow::UpdateDisplay() {
  TransferCurve->Clear();
  const toolkit::TChartAxis& bottom = TransferGraph->BottomAxis();
  const toolkit::TChartAxis& left = TransferGraph->LeftAxis();
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
  // The output gain in dB, kept in double precision.
  const double o = params::mapValue(params::kParams[params::kOutputGain].display,
                                    paramCopy[params::kOutputGain]);

  float x = x0;
  float level = kCurveStartLevel;
  for (int k = 0; k < kCurvePoints; ++k) {
    const float out = level > s ? level * dsp::gainCurveAbove(level, s, T, R, K, L) : level;
    float y = static_cast<float>(20.0 * std::log(double(out) * c) / kLn10SevenDigits);
    y = static_cast<float>(double(y) + o);
    // Points outside the axis range are left out; the line joins the ones around them.
    if (y <= left.maximum && y >= left.minimum) TransferCurve->AddXY(x, y);
    x += step;
    level *= kLevelStep;
  }
  TransferGraph->Repaint();
}

}  // namespace tarvo::editor
