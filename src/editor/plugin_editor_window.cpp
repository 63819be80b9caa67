// Creation of the panel (FormCreate): every control with its place, size, Tag, image and
// handlers, and the initial values of the window fields.
#include "editor/plugin_editor_window.h"

#include <algorithm>
#include <memory>

#include "editor/editor_layout.h"
#include "editor/editor_skin.h"
#include "editor/skin/skin_data.h"
#include "params/factory_presets.h"
#include "toolkit/line_series.h"

namespace tarvo::editor {

using toolkit::TCustomDIBControl;
using toolkit::TDIBDial;
using toolkit::TDIBImage;
using toolkit::TImage;
using toolkit::TLabel;

TPluginEditorWindow::TPluginEditorWindow(EditorHost* host)
    : Panel(kPanelWidth, kPanelHeight), host_(host) {
  abSlot[0].fill(kNotShown);
  std::copy(std::begin(params::factoryPresets[0]), std::end(params::factoryPresets[0]),
            abSlot[1].begin());
  CreateControls();
}

TPluginEditorWindow::~TPluginEditorWindow() = default;

void TPluginEditorWindow::CreateControls() {
  const EditorSkin& skin = Skin();
  Panel.SetImageList(&skin.images);
  Background = &Panel.Create<TDIBImage>("Background");
  Background->SetBounds(0, 0, kPanelWidth, kPanelHeight);
  Background->SetIndexImage(skin::kChassis);
  Background->SetOpacity(255);
  CreateKnobs();
  CreateButtons();
  CreateMeters();
  CreateGraph();
}

void TPluginEditorWindow::CreateKnobs() {
  const EditorSkin& skin = Skin();
  for (const KnobPlace& place : kKnobs) {
    auto& knob = Panel.Create<TDIBDial>(std::string(place.name));
    const int size = place.large ? kLargeKnobSize : kSmallKnobSize;
    knob.SetLoading(true);
    knob.SetBounds(place.left, place.top, size, size);
    knob.SetTag(place.tag);
    knob.SetMin(0);
    knob.SetMax(100);
    knob.SetPosition(0);
    knob.PointerAngles().SetStart(kPointerStart);
    knob.PointerAngles().SetRange(kPointerRange);
    knob.SetPointerRadius(place.large ? kLargePointerRadius : kSmallPointerRadius);
    knob.SetPointerNumGlyphs(1);
    knob.PointerOpacities().SetActive(255);
    knob.PointerOpacities().SetNormal(255);
    knob.SetIndexMain(place.large ? skin::kKnobLarge : skin::kKnobSmall);
    knob.SetIndexPointer(place.large ? skin::kIndexPointer : skin::kIndexPointerSmall);
    knob.SetMouseControlStyle(toolkit::TMouseControlStyle::mcsLinear);
    knob.SetMouseLinearSensitivity(toolkit::TMouseLinearSensitivity::mlsVertical);
    knob.SetVerticalPixelsPerPosition(1.0);
    knob.SetHorizontalPixelsPerPosition(1.0);
    knob.SetOpacity(255);
    knob.SetLoading(false);
    knob.OnChange = [this](TCustomDIBControl& sender) { KnobControlChange(sender); };
    knob.OnMouseDown = [this](TCustomDIBControl& sender, toolkit::TMouseButton button,
                              toolkit::TShiftState shift, double x,
                              double y) { ControlMouseDown(sender, button, shift, x, y); };
    knobs[place.tag] = &knob;

    auto& label = Panel.Create<TLabel>(std::string(place.labelName));
    label.SetFont(&skin.font11);
    label.SetBounds(place.labelLeft, place.labelTop, 0, 0);
    label.SetCaption("-");
    label.SetTag(place.tag);
    valueLabels[place.tag] = &label;
  }
}

void TPluginEditorWindow::CreateButtons() {
  auto makeImage = [this](std::string_view name, int left, int top, int width, int height,
                          int image, uint8_t opacity) -> TDIBImage& {
    auto& control = Panel.Create<TDIBImage>(std::string(name));
    control.SetBounds(left, top, width, height);
    control.SetIndexImage(image);
    control.SetOpacity(opacity);
    return control;
  };
  for (const PointPlace& place : kSwitches) {
    TDIBImage& lamp = makeImage(place.name, place.left, place.top, kSwitchSize, kSwitchSize,
                                skin::kRedMicroswitch, 0);
    lamp.SetTag(place.tag);
    lamp.OnClick = [this](TCustomDIBControl& sender) { SwitchClick(sender); };
    switches[place.tag] = &lamp;
  }
  // A selector's arrows, Tag = position; position 0 starts lit.
  auto makeSelector = [this, &makeImage](const auto& places, auto& arrows,
                                         void (TPluginEditorWindow::*click)(TCustomDIBControl&)) {
    for (const PointPlace& place : places) {
      TDIBImage& arrow = makeImage(place.name, place.left, place.top, kSelectorWidth,
                                   kSelectorHeight, skin::kSelectorRight, place.tag == 0 ? 255 : 0);
      arrow.SetTag(place.tag);
      arrow.OnClick = [this, click](TCustomDIBControl& sender) { (this->*click)(sender); };
      arrows[place.tag] = &arrow;
    }
  };
  makeSelector(kReleaseTypes, releaseTypeArrows, &TPluginEditorWindow::ReleaseTypeClick);
  makeSelector(kLinkTypes, linkTypeArrows, &TPluginEditorWindow::LinkTypeClick);
  ABSwitch = &makeImage(kABSwitch.name, kABSwitch.left, kABSwitch.top, kSwitchSize, kSwitchSize,
                        skin::kGreenMicroswitch, 0);
  ABSwitch->OnClick = [this](TCustomDIBControl&) { ABSwitchClick(); };
  CopySwitch = &makeImage(kCopySwitch.name, kCopySwitch.left, kCopySwitch.top, kSwitchSize,
                          kSwitchSize, -1, 255);
  CopySwitch->OnClick = [this](TCustomDIBControl&) { CopySwitchClick(); };
  RecallSwitch = &makeImage(kRecallSwitch.name, kRecallSwitch.left, kRecallSwitch.top, kSwitchSize,
                            kSwitchSize, -1, 255);
  RecallSwitch->OnClick = [this](TCustomDIBControl&) { RecallSwitchClick(); };

  UsersManual = &makeImage(kUsersManual.name, kUsersManual.left, kUsersManual.top,
                           kUsersManual.width, kUsersManual.height, -1, 255);
  UsersManual->SetCursor(toolkit::TCursor::crHandPoint);
  UsersManual->OnClick = [this](TCustomDIBControl&) { UsersManualClick(); };
  Logo = &makeImage(kLogo.name, kLogo.left, kLogo.top, kLogo.width, kLogo.height, -1, 255);
  Logo->SetCursor(toolkit::TCursor::crHandPoint);
  Logo->OnClick = [this](TCustomDIBControl&) { LogoClick(); };
}

void TPluginEditorWindow::CreateMeters() {
  const EditorSkin& skin = Skin();
  auto makeMeter = [this](const RectPlace& place, const toolkit::Surface& picture) -> TImage& {
    auto& meter = Panel.Create<TImage>(std::string(place.name));
    meter.SetBounds(place.left, place.top, place.width, place.height);
    meter.SetPicture(picture);
    return meter;
  };
  InputMeterL = &makeMeter(kInputMeterL, skin.meterInputLit);
  InputMeterR = &makeMeter(kInputMeterR, skin.meterInputLit);
  OutputMeterL = &makeMeter(kOutputMeterL, skin.meterCover);
  OutputMeterR = &makeMeter(kOutputMeterR, skin.meterCover);
  GainIncreaseMeterL = &makeMeter(kGainIncreaseMeterL, skin.meterCover);
  GainIncreaseMeterR = &makeMeter(kGainIncreaseMeterR, skin.meterCover);
  // Added after the covers, so that the red bars draw over them.
  GainReductionMeterL = &makeMeter(kGainReductionMeterL, skin.meterReductionLit);
  GainReductionMeterR = &makeMeter(kGainReductionMeterR, skin.meterReductionLit);

  auto makeCaption = [this, &skin](const CaptionPlace& place,
                                   void (TPluginEditorWindow::*click)()) -> TLabel& {
    auto& label = Panel.Create<TLabel>(std::string(place.name));
    label.SetFont(&skin.font9);
    label.SetBounds(place.left, place.top, 0, 0);
    label.SetCaption(std::string(place.text));
    label.OnClick = [this, click](TCustomDIBControl&) { (this->*click)(); };
    return label;
  };
  GraphCaption = &makeCaption(kGraphCaption, &TPluginEditorWindow::InMeterLabelClick);
  OutMeterLabel = &makeCaption(kOutMeterLabel, &TPluginEditorWindow::OutMeterLabelClick);
  CompMeterLabel = &makeCaption(kCompMeterLabel, &TPluginEditorWindow::CompMeterLabelClick);
  InMeterLabelL = &makeCaption(kInMeterLabelL, &TPluginEditorWindow::InMeterLabelClick);
  InMeterLabelR = &makeCaption(kInMeterLabelR, &TPluginEditorWindow::InMeterLabelClick);
  ScaleLabel = &makeCaption(kScaleLabel, &TPluginEditorWindow::ScaleLabelClick);
}

void TPluginEditorWindow::FormPaint() {
  Panel.InvalidateAll();
}

void TPluginEditorWindow::MouseDown(toolkit::TMouseButton button, toolkit::TShiftState shift,
                                    double x, double y) {
  Panel.MouseDown(button, shift, x, y);
}

void TPluginEditorWindow::MouseMove(toolkit::TShiftState shift, double x, double y) {
  Panel.MouseMove(shift, x, y);
}

void TPluginEditorWindow::MouseUp(toolkit::TMouseButton button, toolkit::TShiftState shift,
                                  double x, double y) {
  Panel.MouseUp(button, shift, x, y);
}

toolkit::TCursor TPluginEditorWindow::CursorAt(double x, double y) const {
  return Panel.CursorAt(x, y);
}

void TPluginEditorWindow::Automate(int index, float value) {
  if (host_ != nullptr) host_->setParameterAutomated(index, value);
}

}  // namespace tarvo::editor
