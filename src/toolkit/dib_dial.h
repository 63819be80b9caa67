// TDIBDial: a skinned rotary knob with an integer position, drawn as a pointer image on a
// circle around the knob's centre and turned by dragging the mouse.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "toolkit/dib_control.h"

namespace tarvo::toolkit {

// Where the pointer arc starts and how far it reaches, in whole degrees clockwise from
// 12 o'clock.
class TDIBDialPointerAngles {
 public:
  explicit TDIBDialPointerAngles(std::function<void()> changed) : changed_(std::move(changed)) {}
  int Start() const { return start_; }
  // 0..359, otherwise "Start must be 0..359".
  void SetStart(int start);
  int Range() const { return range_; }
  // 1..360, otherwise "Range must be 1..360".
  void SetRange(int range);

 private:
  std::function<void()> changed_;
  int start_ = 0;
  int range_ = 360;
};

// Opacity of the pointer image while a drag runs (Active) and otherwise (Normal).
class TDIBDialPointerOpacities {
 public:
  explicit TDIBDialPointerOpacities(std::function<void()> changed) : changed_(std::move(changed)) {}
  uint8_t Active() const { return active_; }
  void SetActive(uint8_t opacity);
  uint8_t Normal() const { return normal_; }
  void SetNormal(uint8_t opacity);

 private:
  std::function<void()> changed_;
  uint8_t active_ = 255;
  uint8_t normal_ = 255;
};

// The value part of a dial: Min <= Position <= Max and the change event.
class TAbstractDIBDial : public TCustomDIBControl {
 public:
  using TCustomDIBControl::TCustomDIBControl;

  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  // Clamps to Min..Max, then raises OnChange (also when the position stays the same;
  // not while loading), then repaints.
  void SetPosition(int position);
  // Requires max > Min ("Max must be greater than min"; unchecked while loading); a
  // position above the new maximum is set to it, raising OnChange.
  void SetMax(int max);
  // Requires min < Max ("Min must be less than max"; unchecked while loading); a position
  // below the new minimum is set to it, raising OnChange.
  void SetMin(int min);

  TNotifyEvent OnChange;

 protected:
  // Called after every change of Min, Max or Position so the look can be refreshed.
  virtual void ValueChanged() = 0;
  void Loaded() override;

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

enum class TMouseControlStyle : uint8_t { mcsCircular, mcsLinear };
enum class TMouseLinearSensitivity : uint8_t { mlsVertical, mlsHorizontal, mlsBoth };

// Drawing and mouse control of a dial. Only the pointer angle and the pointer opacity in
// effect change the picture; value changes are checked against them at the container's
// next composition, so changes that end with both as drawn (for example switching between
// 100 and 1000 steps at the same fraction) mark nothing for redrawing.
class TCustomDIBDial : public TAbstractDIBDial {
 public:
  explicit TCustomDIBDial(std::string name = {});

  TDIBDialPointerAngles& PointerAngles() { return pointerAngles_; }
  const TDIBDialPointerAngles& PointerAngles() const { return pointerAngles_; }
  TDIBDialPointerOpacities& PointerOpacities() { return pointerOpacities_; }
  const TDIBDialPointerOpacities& PointerOpacities() const { return pointerOpacities_; }

  int PointerRadius() const { return pointerRadius_; }
  void SetPointerRadius(int radius);
  int PointerNumGlyphs() const { return pointerNumGlyphs_; }
  void SetPointerNumGlyphs(int count);  // at least 1, "PointerNumGlyphs must be at least 1"
  int IndexMain() const { return indexMain_; }
  void SetIndexMain(int index);
  int IndexPointer() const { return indexPointer_; }
  void SetIndexPointer(int index);

  TMouseControlStyle MouseControlStyle() const { return mouseControlStyle_; }
  void SetMouseControlStyle(TMouseControlStyle style) { mouseControlStyle_ = style; }
  TMouseLinearSensitivity MouseLinearSensitivity() const { return mouseLinearSensitivity_; }
  void SetMouseLinearSensitivity(TMouseLinearSensitivity s) { mouseLinearSensitivity_ = s; }
  double VerticalPixelsPerPosition() const { return verticalPixelsPerPosition_; }
  void SetVerticalPixelsPerPosition(double pixels);  // > 0
  double HorizontalPixelsPerPosition() const { return horizontalPixelsPerPosition_; }
  void SetHorizontalPixelsPerPosition(double pixels);  // > 0

  bool Dragging() const { return dragging_; }
  // The pointer angle for the current position (whole degrees, 0 at 12 o'clock).
  int PointerAngle() const;
  // The pointer centre in local coordinates.
  Point PointerCentre() const;

  void MouseDown(TMouseButton button, TShiftState shift, double x, double y) override;
  void MouseMove(TShiftState shift, double x, double y) override;
  void MouseUp(TMouseButton button, TShiftState shift, double x, double y) override;

 protected:
  void Paint(Canvas& canvas) override;
  void ValueChanged() override { LookMayHaveChanged(); }
  void CommitLook() override;

 private:
  struct Look {
    int angle;
    uint8_t pointerOpacity;
    friend bool operator==(const Look&, const Look&) = default;
  };
  Look CurrentLook() const;
  void RepaintAlways();
  void DragTo(double x, double y);

  TDIBDialPointerAngles pointerAngles_;
  TDIBDialPointerOpacities pointerOpacities_;
  int pointerRadius_ = -1;
  int pointerNumGlyphs_ = 1;
  int indexMain_ = -1;
  int indexPointer_ = -1;
  TMouseControlStyle mouseControlStyle_ = TMouseControlStyle::mcsCircular;
  TMouseLinearSensitivity mouseLinearSensitivity_ = TMouseLinearSensitivity::mlsBoth;
  double verticalPixelsPerPosition_ = 1.0;
  double horizontalPixelsPerPosition_ = 1.0;

  bool dragging_ = false;
  int dragStartPosition_ = 0;
  double dragStartX_ = 0.0;
  double dragStartY_ = 0.0;
  std::optional<Look> committedLook_;  // the look last marked for drawing
};

// The knob as the editor places it.
class TDIBDial final : public TCustomDIBDial {
 public:
  using TCustomDIBDial::TCustomDIBDial;
};

}  // namespace tarvo::toolkit
