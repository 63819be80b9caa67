#include "toolkit/dib_container.h"

#include <cmath>

namespace tarvo::toolkit {

TDIBContainer::TDIBContainer(int width, int height, Pixel colour)
    : bitmap_(width, height, colour), colour_(colour), dirty_(bitmap_.Bounds()) {
  InvalidateAll();
}

TDIBContainer::~TDIBContainer() {
  for (auto& control : controls_) control->container_ = nullptr;
}

TCustomDIBControl& TDIBContainer::Adopt(std::unique_ptr<TCustomDIBControl> control) {
  control->container_ = this;
  if (control->imageList_ == nullptr) control->imageList_ = imageList_;
  controls_.push_back(std::move(control));
  controls_.back()->Invalidate();
  return *controls_.back();
}

TCustomDIBControl* TDIBContainer::FindControl(std::string_view name) const {
  for (const auto& control : controls_) {
    if (control->Name() == name) return control.get();
  }
  return nullptr;
}

void TDIBContainer::CommitLooks() {
  // CommitLook may not schedule further checks, so the list is stable while it runs.
  std::vector<TCustomDIBControl*> pending;
  pending.swap(lookChecks_);
  for (TCustomDIBControl* control : pending) {
    control->lookCheckPending_ = false;
    control->CommitLook();
  }
}

const DirtyRegion& TDIBContainer::Dirty() {
  CommitLooks();
  return dirty_;
}

std::vector<Rect> TDIBContainer::Compose() {
  CommitLooks();
  std::vector<Rect> areas = dirty_.Take();
  for (const Rect& area : areas) {
    bitmap_.Fill(area, colour_);
    for (const auto& control : controls_) control->PaintTo(bitmap_, area);
    composedPixels_ += area.Area();
  }
  return areas;
}

TCustomDIBControl* TDIBContainer::ControlAt(double x, double y) const {
  if (!(std::isfinite(x) && std::isfinite(y))) return nullptr;
  const double fx = std::floor(x), fy = std::floor(y);
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    const TCustomDIBControl& c = **it;
    if (!c.Visible() || !c.Enabled()) continue;
    const Rect r = c.BoundsRect();
    if (fx >= r.left && fx < r.right && fy >= r.top && fy < r.bottom) return it->get();
  }
  return nullptr;
}

void TDIBContainer::MouseDown(TMouseButton button, TShiftState shift, double x, double y) {
  TCustomDIBControl* target = captured_ ? captured_ : ControlAt(x, y);
  if (target == nullptr) return;
  if (captured_ == nullptr) {
    captured_ = target;
    captureButton_ = button;
  }
  target->MouseDown(button, shift, x - target->Left(), y - target->Top());
}

void TDIBContainer::MouseMove(TShiftState shift, double x, double y) {
  TCustomDIBControl* target = captured_ ? captured_ : ControlAt(x, y);
  if (target != nullptr) target->MouseMove(shift, x - target->Left(), y - target->Top());
}

void TDIBContainer::MouseUp(TMouseButton button, TShiftState shift, double x, double y) {
  TCustomDIBControl* target = captured_ ? captured_ : ControlAt(x, y);
  if (captured_ != nullptr && button == captureButton_) captured_ = nullptr;
  if (target != nullptr) target->MouseUp(button, shift, x - target->Left(), y - target->Top());
}

TCursor TDIBContainer::CursorAt(double x, double y) const {
  const TCustomDIBControl* target = captured_ ? captured_ : ControlAt(x, y);
  return target ? target->Cursor() : TCursor::crDefault;
}

}  // namespace tarvo::toolkit
