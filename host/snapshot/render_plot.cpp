#include "snapshot/render_plot.h"

#include <algorithm>
#include <cmath>

#include "editor/editor_skin.h"
#include "toolkit/chart.h"
#include "toolkit/dib_container.h"
#include "toolkit/label.h"

namespace tarvo::snapshot {

namespace {

constexpr int kWidth = 900, kHeight = 480;
constexpr int kChartLeft = 8, kChartWidth = kWidth - 16;

double dB(double linear) {
  return linear > 0.0 ? 20.0 * std::log10(linear) : -200.0;
}

void styleAxis(toolkit::TChartAxis& axis, double minimum, double maximum) {
  axis.minimum = minimum;
  axis.maximum = maximum;
  axis.axisColour = toolkit::Rgb(0x5A5A5A);
  axis.gridColour = toolkit::Rgb(0x464646);
  axis.minorGridColour = toolkit::Rgb(0x282828);
  axis.minorTickCount = 4;
  axis.tickLength = 2;
}

toolkit::TChart& addChart(toolkit::TDIBContainer& panel, const char* name, int top, int height,
                          double seconds, double low, double high) {
  auto& chart = panel.Create<toolkit::TChart>(std::string(name));
  chart.SetBounds(kChartLeft, top, kChartWidth, height);
  chart.SetColour(toolkit::kPanelBlack);
  chart.SetBackWallColour(toolkit::kPanelBlack);
  chart.SetMargins(4, 8);
  chart.SetFont(&editor::Skin().font9);
  chart.SetLabelColour(toolkit::kTextColour);
  styleAxis(chart.BottomAxis(), 0.0, std::max(seconds, 0.001));
  styleAxis(chart.LeftAxis(), low, high);
  chart.LeftAxis().increment = 1.0;
  return chart;
}

void addLabel(toolkit::TDIBContainer& panel, const std::string& text, int left, int top,
              toolkit::Pixel colour) {
  auto& label = panel.Create<toolkit::TLabel>("label" + std::to_string(panel.ControlCount()));
  label.SetBounds(left, top, 10, 14);
  label.SetFont(&editor::Skin().font9);
  label.SetFontColour(colour);
  label.SetColour(toolkit::kPanelBlack);
  label.SetAutoSize(true);
  label.SetCaption(text);
}

}  // namespace

RenderTrace::RenderTrace(int sampleRate, int sliceFrames)
    : sampleRate_(std::max(sampleRate, 1)), sliceFrames_(std::max(sliceFrames, 1)) {}

void RenderTrace::add(const float* in, const float* out, int64_t frames, int channels,
                      double minGain, double maxGain) {
  for (int64_t i = 0; i < frames; ++i) {
    if (slices_.empty() || inSlice_ == sliceFrames_) {
      slices_.emplace_back();
      inSlice_ = 0;
    }
    Slice& s = slices_.back();
    for (int c = 0; c < channels; ++c) {
      s.inPeak = std::max(s.inPeak, std::fabs(in[i * channels + c]));
      s.outPeak = std::max(s.outPeak, std::fabs(out[i * channels + c]));
    }
    s.minGain = std::min(s.minGain, static_cast<float>(minGain));
    s.maxGain = std::max(s.maxGain, static_cast<float>(maxGain));
    ++inSlice_;
  }
}

toolkit::Surface DrawRenderPlot(const RenderTrace& trace, const std::string& title) {
  const auto& slices = trace.slices();
  const double seconds = static_cast<double>(slices.size()) * trace.secondsPerSlice();

  // The gain axis covers the largest change, at least 6 dB each way from none.
  double lowest = 0.0, highest = 0.0;
  for (const auto& s : slices) {
    lowest = std::min(lowest, dB(s.minGain));
    highest = std::max(highest, dB(s.maxGain));
  }
  const double gainLow = std::min(-6.0, 6.0 * std::floor(std::max(lowest, -60.0) / 6.0));
  const double gainHigh = std::max(6.0, 6.0 * std::ceil(std::min(highest, 60.0) / 6.0));

  toolkit::TDIBContainer panel(kWidth, kHeight, toolkit::kPanelBlack);
  addLabel(panel, title, 12, 6, toolkit::kTextColour);
  addLabel(panel, "Level (dBFS): input", 12, 28, toolkit::Rgb(0x7890B4));
  addLabel(panel, "output", 130, 28, toolkit::Rgb(0x00C800));
  toolkit::TChart& levels = addChart(panel, "levels", 44, 230, seconds, -60.0, 6.0);
  addLabel(panel, "Gain change (dB): largest reduction", 12, 282, toolkit::Rgb(0xE05030));
  addLabel(panel, "largest increase", 222, 282, toolkit::Rgb(0x00C800));
  toolkit::TChart& gains = addChart(panel, "gain", 298, 176, seconds, gainLow, gainHigh);

  toolkit::TLineSeries& in = levels.AddSeries();
  in.SetSeriesColour(toolkit::Rgb(0x7890B4));
  toolkit::TLineSeries& out = levels.AddSeries();
  out.SetSeriesColour(toolkit::Rgb(0x00C800));
  toolkit::TLineSeries& reduction = gains.AddSeries();
  reduction.SetSeriesColour(toolkit::Rgb(0xE05030));
  toolkit::TLineSeries& increase = gains.AddSeries();
  increase.SetSeriesColour(toolkit::Rgb(0x00C800));

  // One point per pixel column at most: the extremes of the slices that fall in it.
  const int columns = kChartWidth;
  const size_t per = std::max<size_t>(1, (slices.size() + columns - 1) / columns);
  for (size_t first = 0; first < slices.size(); first += per) {
    RenderTrace::Slice m;
    for (size_t k = first; k < std::min(slices.size(), first + per); ++k) {
      m.inPeak = std::max(m.inPeak, slices[k].inPeak);
      m.outPeak = std::max(m.outPeak, slices[k].outPeak);
      m.minGain = std::min(m.minGain, slices[k].minGain);
      m.maxGain = std::max(m.maxGain, slices[k].maxGain);
    }
    const double t = (static_cast<double>(first) + 0.5 * per) * trace.secondsPerSlice();
    in.AddXY(t, std::max(dB(m.inPeak), -60.0));
    out.AddXY(t, std::max(dB(m.outPeak), -60.0));
    reduction.AddXY(t, std::max(dB(m.minGain), gainLow));
    increase.AddXY(t, std::min(dB(m.maxGain), gainHigh));
  }
  panel.Compose();
  return panel.Bitmap();
}

}  // namespace tarvo::snapshot
