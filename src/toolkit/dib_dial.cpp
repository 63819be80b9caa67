// Drawing and mouse control of TCustomDIBDial.
#include "toolkit/dib_dial.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "toolkit/dial_geometry.h"
#include "toolkit/dib_image_list.h"
#include "toolkit/errors.h"

namespace tarvo::toolkit {

TCustomDIBDial::TCustomDIBDial(std::string name)
    : TAbstractDIBDial(std::move(name)),
      pointerAngles_([this] { LookMayHaveChanged(); }),
      pointerOpacities_([this] { LookMayHaveChanged(); }) {}

void TCustomDIBDial::SetPointerRadius(int radius) {
  if (radius == pointerRadius_) return;
  pointerRadius_ = radius;
  RepaintAlways();
}

void TCustomDIBDial::SetPointerNumGlyphs(int count) {
  if (count < 1) throw EInvalidProperty("PointerNumGlyphs must be at least 1");
  if (count == pointerNumGlyphs_) return;
  pointerNumGlyphs_ = count;
  RepaintAlways();
}

void TCustomDIBDial::SetIndexMain(int index) {
  if (index == indexMain_) return;
  indexMain_ = index;
  RepaintAlways();
}

void TCustomDIBDial::SetIndexPointer(int index) {
  if (index == indexPointer_) return;
  indexPointer_ = index;
  RepaintAlways();
}

void TCustomDIBDial::SetVerticalPixelsPerPosition(double pixels) {
  if (!(pixels > 0.0))
    throw EInvalidProperty("VerticalPixelsPerPosition must be greater than zero");
  verticalPixelsPerPosition_ = pixels;
}

void TCustomDIBDial::SetHorizontalPixelsPerPosition(double pixels) {
  if (!(pixels > 0.0)) {
    throw EInvalidProperty("HorizontalPixelsPerPosition must be greater than zero");
  }
  horizontalPixelsPerPosition_ = pixels;
}

int TCustomDIBDial::PointerAngle() const {
  return DialPointerAngle(pointerAngles_.Start(), pointerAngles_.Range(), Position(), Min(), Max());
}

Point TCustomDIBDial::PointerCentre() const {
  return DialPointerCentre(Width() / 2, Height() / 2, pointerRadius_, PointerAngle());
}

TCustomDIBDial::Look TCustomDIBDial::CurrentLook() const {
  return Look{PointerAngle(), dragging_ ? pointerOpacities_.Active() : pointerOpacities_.Normal()};
}

void TCustomDIBDial::CommitLook() {
  const Look look = CurrentLook();
  if (committedLook_ == look) return;
  committedLook_ = look;
  Invalidate();
}

void TCustomDIBDial::RepaintAlways() {
  committedLook_ = CurrentLook();
  Invalidate();
}

void TCustomDIBDial::Paint(Canvas& canvas) {
  const TDIBImageList* list = ImageList();
  if (list == nullptr) return;
  const int cx = Width() / 2;
  const int cy = Height() / 2;
  if (const TDIBImageItem* main = list->Item(indexMain_)) {
    const Surface& image = main->image;
    canvas.DrawImage(image, cx - image.Width() / 2, cy - image.Height() / 2,
                     BlitOptions{main->colourKey, 255});
  }
  if (const TDIBImageItem* pointer = list->Item(indexPointer_)) {
    const Surface& image = pointer->image;
    const int glyphWidth = image.Width() / pointerNumGlyphs_;
    const int pw = glyphWidth & ~1;  // rounded down to an even number
    const int ph = image.Height() & ~1;
    const Point p = PointerCentre();
    const uint8_t opacity = dragging_ ? pointerOpacities_.Active() : pointerOpacities_.Normal();
    canvas.DrawImage(image, Rect{0, 0, glyphWidth, image.Height()}, p.x - pw / 2, p.y - ph / 2,
                     BlitOptions{pointer->colourKey, opacity});
  }
}

void TCustomDIBDial::MouseDown(TMouseButton button, TShiftState shift, double x, double y) {
  // The press event runs first; it may change Max and Position before the drag starts.
  TAbstractDIBDial::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft) return;
  dragStartPosition_ = Position();
  dragStartX_ = x;
  dragStartY_ = y;
  dragging_ = true;
  LookMayHaveChanged();
  if (mouseControlStyle_ == TMouseControlStyle::mcsCircular) DragTo(x, y);
}

void TCustomDIBDial::MouseMove(TShiftState shift, double x, double y) {
  TAbstractDIBDial::MouseMove(shift, x, y);
  if (dragging_) DragTo(x, y);
}

void TCustomDIBDial::MouseUp(TMouseButton button, TShiftState shift, double x, double y) {
  if (button == TMouseButton::mbLeft && dragging_) {
    dragging_ = false;
    LookMayHaveChanged();
  }
  TAbstractDIBDial::MouseUp(button, shift, x, y);
}

void TCustomDIBDial::DragTo(double x, double y) {
  double target;
  if (mouseControlStyle_ == TMouseControlStyle::mcsLinear) {
    // Always measured from the press point, so sub-pixel steps never add up.
    const bool vertical = mouseLinearSensitivity_ != TMouseLinearSensitivity::mlsHorizontal;
    const bool horizontal = mouseLinearSensitivity_ != TMouseLinearSensitivity::mlsVertical;
    const double up = vertical ? (dragStartY_ - y) / verticalPixelsPerPosition_ : 0.0;
    const double right =
        horizontal ? std::trunc((x - dragStartX_) / horizontalPixelsPerPosition_) : 0.0;
    target = dragStartPosition_ + std::trunc(up + right);
  } else {
    // Circular: the position whose pointer angle is nearest the mouse direction.
    // The pivot is the whole pixel at half the size, where the pointer images turn.
    const int pivotX = Width() / 2;
    const int pivotY = Height() / 2;
    const double dx = x - pivotX;
    const double dy = y - pivotY;
    if (dx == 0.0 && dy == 0.0) return;
    double angle = std::atan2(dx, -dy) * 180.0 / std::numbers::pi - pointerAngles_.Start();
    angle = std::fmod(angle, 360.0);
    if (angle < 0.0) angle += 360.0;
    const double range = pointerAngles_.Range();
    // Beyond the arc, snap to the nearer end of it.
    if (angle > range) angle = (angle - range < 360.0 - angle) ? range : 0.0;
    target = Min() + std::nearbyint(angle / range * (static_cast<double>(Max()) - Min()));
  }
  if (!std::isfinite(target)) return;
  constexpr double kLow = std::numeric_limits<int>::min();
  constexpr double kHigh = std::numeric_limits<int>::max();
  SetPosition(static_cast<int>(target < kLow ? kLow : (target > kHigh ? kHigh : target)));
}

}  // namespace tarvo::toolkit
