// TPluginEditorWindow: the editor panel. It holds the skinned controls, follows the 25
// parameters, turns the user's actions into parameter writes, keeps the A/B compare store,
// drives the meters and draws the transfer graph, all into one off-screen 645 x 485
// bitmap that the platform layer copies to the screen rectangle by rectangle.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "editor/editor_host.h"
#include "params/param_table.h"
#include "toolkit/chart.h"
#include "toolkit/dib_container.h"
#include "toolkit/dib_dial.h"
#include "toolkit/dib_image.h"
#include "toolkit/label.h"
#include "toolkit/picture_control.h"

namespace tarvo::editor {

using ParamArray = std::array<float, params::kNumParams>;

// The marker "not shown" in a compare slot: no parameter value equals it, so the control
// of such an entry is redrawn at the next refresh.
inline constexpr float kNotShown = 2.0f;

// The maker's web address for the logo. Empty until the product has a public home page:
// the logo then opens the installed user manual instead.
inline constexpr const char* kMakerWebSite = "";

class TPluginEditorWindow {
 public:
  // Creates the panel with every control and the initial field values (FormCreate).
  // `host` may be given later with SetHost; handlers write no parameter without one.
  explicit TPluginEditorWindow(EditorHost* host = nullptr);
  ~TPluginEditorWindow();
  TPluginEditorWindow(const TPluginEditorWindow&) = delete;
  TPluginEditorWindow& operator=(const TPluginEditorWindow&) = delete;

  void SetHost(EditorHost* host) { host_ = host; }

  // --- Refresh from the parameters (the adapter's update) -----------------------------
  // Redraws every control whose entry in the active compare slot differs from paramCopy.
  void UpdateControls();
  void UpdateKnob(int index, float value);
  void UpdateEditBox(int16_t index, float value);
  void UpdateButton(int index);

  // --- Meters (the adapter's idle, after it copied the six levels) ---------------------
  void UpdateMeter();

  // --- Transfer graph -------------------------------------------------------------------
  // Recomputes the curve setting (curveThreshold, ...) that parameter `index` drives.
  void UpdateCurveSetting(int index);
  void UpdateDisplay();

  // --- Event handlers -------------------------------------------------------------------
  void KnobControlChange(toolkit::TCustomDIBControl& sender);
  void ControlMouseDown(toolkit::TCustomDIBControl& sender, toolkit::TMouseButton button,
                        toolkit::TShiftState shift, double x, double y);
  void SwitchClick(toolkit::TCustomDIBControl& sender);
  void ReleaseTypeClick(toolkit::TCustomDIBControl& sender);
  void LinkTypeClick(toolkit::TCustomDIBControl& sender);
  void ABSwitchClick();
  void CopySwitchClick();
  void RecallSwitchClick();
  void UsersManualClick();
  void LogoClick();
  void InMeterLabelClick();
  void OutMeterLabelClick();
  void CompMeterLabelClick();
  void ScaleLabelClick();
  // A repaint of the whole form: marks the whole panel for redrawing.
  void FormPaint();

  // --- For the platform layer -----------------------------------------------------------
  // Mouse input in panel pixels.
  void MouseDown(toolkit::TMouseButton button, toolkit::TShiftState shift, double x, double y);
  void MouseMove(toolkit::TShiftState shift, double x, double y);
  void MouseUp(toolkit::TMouseButton button, toolkit::TShiftState shift, double x, double y);
  toolkit::TCursor CursorAt(double x, double y) const;
  // Redraws the changed areas into the panel bitmap and returns them (none when nothing
  // changed); the platform copies exactly these to the window.
  std::vector<toolkit::Rect> Compose() { return Panel.Compose(); }
  const toolkit::Surface& Bitmap() const { return Panel.Bitmap(); }

  // --- Window fields ----------------------------------------------------------------------
  int32_t programIndex = 0;  // the effect's current program
  // Levels as the adapter copied them: linear amplitudes and linear gain factors.
  float inLevelL = 1e-20f, inLevelR = 1e-20f, outLevelL = 1e-20f, outLevelR = 1e-20f;
  float gainLevelL = 1.0f, gainLevelR = 1.0f;
  // Peak holds in dB: the highest level, and the gain change of largest magnitude.
  float inPeakL = -100.0f, inPeakR = -100.0f, outPeakL = -100.0f, outPeakR = -100.0f;
  float gainPeakL = 0.0f, gainPeakR = 0.0f;
  // Bar lengths last applied: input L, R, output L, R, gain L, R.
  enum ShownBar { kBarInL, kBarInR, kBarOutL, kBarOutR, kBarGainL, kBarGainR };
  std::array<int16_t, 6> shownBar{};
  int16_t meterScale = 2;  // gain-change magnification: 1, 2, 5 or 10
  // The static curve's settings as the graph uses them (unramped physical values).
  float curveThreshold = 0.0f, curveRatio = 0.0f, curveLinearity = 0.0f, curveKnee = 0.0f;
  uint8_t abIndex = 0;  // the active compare slot: 0 = A, 1 = B
  // The compare slots; the active row also records what the controls show.
  std::array<ParamArray, 2> abSlot{};
  ParamArray paramCopy{};  // the window's copy of the 25 parameter values
  bool updating = false;   // true while the window itself positions a knob

  // --- Controls (owned by Panel, looked up by name there as well) -----------------------
  toolkit::TDIBContainer Panel;
  toolkit::TDIBImage* Background = nullptr;
  std::array<toolkit::TDIBDial*, params::kNumParams> knobs{};      // by Tag; null: no knob
  std::array<toolkit::TLabel*, params::kNumParams> valueLabels{};  // by Tag; null: no label
  std::array<toolkit::TDIBImage*, params::kNumParams> switches{};  // by Tag; null: no lamp
  // Selector arrows by Tag (the position).
  std::array<toolkit::TDIBImage*, params::kNumReleaseTypes> releaseTypeArrows{};
  std::array<toolkit::TDIBImage*, params::kNumLinkModes> linkTypeArrows{};
  toolkit::TDIBImage* ABSwitch = nullptr;
  toolkit::TDIBImage* CopySwitch = nullptr;
  toolkit::TDIBImage* RecallSwitch = nullptr;
  toolkit::TDIBImage* UsersManual = nullptr;
  toolkit::TDIBImage* Logo = nullptr;
  toolkit::TImage* InputMeterL = nullptr;
  toolkit::TImage* InputMeterR = nullptr;
  toolkit::TImage* OutputMeterL = nullptr;
  toolkit::TImage* OutputMeterR = nullptr;
  // The gain-change columns: a cover over the green gain-increase bar printed on the
  // chassis, and the red gain-reduction bar that grows down from the top.
  toolkit::TImage* GainIncreaseMeterL = nullptr;
  toolkit::TImage* GainIncreaseMeterR = nullptr;
  toolkit::TImage* GainReductionMeterL = nullptr;
  toolkit::TImage* GainReductionMeterR = nullptr;
  toolkit::TLabel* GraphCaption = nullptr;
  toolkit::TLabel* OutMeterLabel = nullptr;
  toolkit::TLabel* CompMeterLabel = nullptr;
  toolkit::TLabel* InMeterLabelL = nullptr;
  toolkit::TLabel* InMeterLabelR = nullptr;
  toolkit::TLabel* ScaleLabel = nullptr;
  toolkit::TChart* TransferGraph = nullptr;
  toolkit::TLineSeries* TransferCurve = nullptr;

 private:
  void CreateControls();
  void CreateKnobs();
  void CreateButtons();
  void CreateMeters();
  void CreateGraph();
  // One meter step: a level bar, or a gain bar with its cover and red bar.
  void UpdateLevelBar(float level, ShownBar bar, float& peak, toolkit::TImage& image,
                      bool horizontal);
  void UpdateGainBar(float gain, ShownBar bar, float& peak, toolkit::TImage& cover,
                     toolkit::TImage& reduction);
  // Sets parameter `index` through the host, when the window has one.
  void Automate(int index, float value);

  EditorHost* host_ = nullptr;  // the effect's parameter writes and the platform's shell
};

}  // namespace tarvo::editor
