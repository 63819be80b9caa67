// TDIBContainer: owns the controls of a panel and composes them into one off-screen
// bitmap, redrawing only the areas that changed.
#pragma once

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "toolkit/dib_control.h"
#include "toolkit/dirty_region.h"
#include "toolkit/surface.h"

namespace tarvo::toolkit {

// Controls are drawn in the order they were added (later ones on top) over the
// container's colour. Changes only mark rectangles; Compose redraws the marked areas from
// the bottom up and reports them, so that the platform layer copies just those to the
// window. The mouse goes to the topmost visible, enabled control under the pointer; a
// control that receives a button press keeps the mouse until that button is released.
class TDIBContainer {
 public:
  TDIBContainer(int width, int height, Pixel colour = Rgb(0));
  ~TDIBContainer();
  TDIBContainer(const TDIBContainer&) = delete;
  TDIBContainer& operator=(const TDIBContainer&) = delete;

  int Width() const { return bitmap_.Width(); }
  int Height() const { return bitmap_.Height(); }
  Rect Bounds() const { return bitmap_.Bounds(); }

  // The image list handed to controls added from now on.
  void SetImageList(const TDIBImageList* list) { imageList_ = list; }

  // Takes ownership of a control, puts it on top and marks its area.
  template <class T>
  T& Add(std::unique_ptr<T> control) {
    return static_cast<T&>(Adopt(std::move(control)));
  }
  template <class T, class... Args>
  T& Create(Args&&... args) {
    return Add(std::make_unique<T>(std::forward<Args>(args)...));
  }

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TCustomDIBControl& Control(int index) const { return *controls_[static_cast<size_t>(index)]; }
  // The first control with this name, or nullptr.
  TCustomDIBControl* FindControl(std::string_view name) const;
  template <class T>
  T* Find(std::string_view name) const {
    return dynamic_cast<T*>(FindControl(name));
  }

  // Dirty-rectangle model.
  void Invalidate(const Rect& area) { dirty_.Add(area); }
  void InvalidateAll() { dirty_.Add(Bounds()); }
  // The areas to recompose, after the controls that asked for a check of their look have
  // marked themselves or not.
  const DirtyRegion& Dirty();
  bool NeedsCompose() { return !Dirty().Empty(); }
  // Redraws every marked area into the bitmap and returns those areas (none when nothing
  // changed, in which case no pixel is touched).
  std::vector<Rect> Compose();
  // The composed panel. Areas still marked dirty may be out of date until Compose.
  const Surface& Bitmap() const { return bitmap_; }
  // Pixels redrawn by Compose since construction (for tests and measurements).
  int64_t ComposedPixelCount() const { return composedPixels_; }

  // Mouse input in panel coordinates.
  void MouseDown(TMouseButton button, TShiftState shift, double x, double y);
  void MouseMove(TShiftState shift, double x, double y);
  void MouseUp(TMouseButton button, TShiftState shift, double x, double y);
  // The control that receives the mouse at (x, y), or nullptr.
  TCustomDIBControl* ControlAt(double x, double y) const;
  TCustomDIBControl* Captured() const { return captured_; }
  // The pointer shape at (x, y): the captured control's during a drag.
  TCursor CursorAt(double x, double y) const;

 private:
  friend class TCustomDIBControl;

  // Answers the control, now owned by the container.
  TCustomDIBControl& Adopt(std::unique_ptr<TCustomDIBControl> control);
  void CommitLooks();

  Surface bitmap_;
  Pixel colour_;
  DirtyRegion dirty_;
  const TDIBImageList* imageList_ = nullptr;
  std::vector<std::unique_ptr<TCustomDIBControl>> controls_;
  std::vector<TCustomDIBControl*> lookChecks_;
  TCustomDIBControl* captured_ = nullptr;
  TMouseButton captureButton_ = TMouseButton::mbLeft;
  int64_t composedPixels_ = 0;
};

}  // namespace tarvo::toolkit
