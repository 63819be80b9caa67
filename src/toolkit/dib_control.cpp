#include "toolkit/dib_control.h"

#include <algorithm>
#include <cmath>

#include "toolkit/dib_container.h"

namespace tarvo::toolkit {

TCustomDIBControl::~TCustomDIBControl() = default;

void TCustomDIBControl::SetBounds(int left, int top, int width, int height) {
  const Rect after = Rect::FromSize(left, top, std::max(width, 0), std::max(height, 0));
  if (after == bounds_) return;
  const Rect before = bounds_;
  bounds_ = after;
  BoundsChanged(before, after);
}

void TCustomDIBControl::BoundsChanged(const Rect& before, const Rect& after) {
  if (container_ == nullptr || !visible_) return;
  container_->Invalidate(before);
  container_->Invalidate(after);
}

void TCustomDIBControl::SetLoading(bool loading) {
  const bool ending = loading_ && !loading;
  loading_ = loading;
  if (ending) Loaded();
}

void TCustomDIBControl::LookMayHaveChanged() {
  if (container_ == nullptr || lookCheckPending_) return;
  lookCheckPending_ = true;
  container_->lookChecks_.push_back(this);
}

void TCustomDIBControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = true;  // so that the area is marked in both directions
  Invalidate();
  visible_ = visible;
}

void TCustomDIBControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  // A control keeps the mouse while disabled: a press handler may disable and re-enable
  // the control it runs in without ending the drag.
  enabled_ = enabled;
}

void TCustomDIBControl::SetOpacity(uint8_t opacity) {
  if (opacity == opacity_) return;
  opacity_ = opacity;
  Invalidate();
}

void TCustomDIBControl::SetImageList(const TDIBImageList* list) {
  if (list == imageList_) return;
  imageList_ = list;
  Invalidate();
}

void TCustomDIBControl::Invalidate() {
  if (container_ != nullptr && visible_) container_->Invalidate(bounds_);
}

void TCustomDIBControl::InvalidateLocal(const Rect& area) {
  if (container_ == nullptr || !visible_) return;
  const Rect local = Intersect(area, Rect{0, 0, Width(), Height()});
  container_->Invalidate(local.Offset(Left(), Top()));
}

void TCustomDIBControl::PaintTo(Surface& target, const Rect& clip) {
  if (!visible_ || opacity_ == 0) return;
  const Rect area = Intersect(Intersect(clip, bounds_), target.Bounds());
  if (area.Empty()) return;
  if (opacity_ == 255) {
    Canvas canvas(target, Point{Left(), Top()}, area);
    Paint(canvas);
    return;
  }
  // Paint over a copy of what lies below, then mix that copy back in with the opacity.
  Surface scratch(area.Width(), area.Height());
  scratch.Blit(target, area, 0, 0);
  Canvas canvas(scratch, Point{Left() - area.left, Top() - area.top}, scratch.Bounds());
  Paint(canvas);
  target.Blit(scratch, scratch.Bounds(), area.left, area.top, BlitOptions{{}, opacity_});
}

void TCustomDIBControl::MouseDown(TMouseButton button, TShiftState shift, double x, double y) {
  if (button == TMouseButton::mbLeft) leftPressed_ = true;
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void TCustomDIBControl::MouseMove(TShiftState shift, double x, double y) {
  if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

void TCustomDIBControl::MouseUp(TMouseButton button, TShiftState shift, double x, double y) {
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
  if (button != TMouseButton::mbLeft || !leftPressed_) return;
  leftPressed_ = false;
  const bool inside = x >= 0 && y >= 0 && x < Width() && y < Height();
  if (inside) Click();
}

void TCustomDIBControl::Click() {
  if (OnClick) OnClick(*this);
}

}  // namespace tarvo::toolkit
