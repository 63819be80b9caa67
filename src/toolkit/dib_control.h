// TCustomDIBControl: a skinned control that its container draws into the panel bitmap.
#pragma once

#include <functional>
#include <string>

#include "toolkit/canvas.h"
#include "toolkit/geometry.h"
#include "toolkit/mouse.h"

namespace tarvo::toolkit {

class TDIBContainer;
class TDIBImageList;

// Bounds, visibility, opacity and mouse events shared by all controls. A control never
// draws by itself: every change that alters its pixels invalidates its rectangle in the
// container, which recomposes that area at its next Compose. A change that leaves the
// pixels as they were invalidates nothing.
class TCustomDIBControl {
 public:
  using TNotifyEvent = std::function<void(TCustomDIBControl& sender)>;
  using TMouseEvent = std::function<void(TCustomDIBControl& sender, TMouseButton button,
                                         TShiftState shift, double x, double y)>;
  using TMouseMoveEvent =
      std::function<void(TCustomDIBControl& sender, TShiftState shift, double x, double y)>;

  explicit TCustomDIBControl(std::string name = {}) : name_(std::move(name)) {}
  virtual ~TCustomDIBControl();
  TCustomDIBControl(const TCustomDIBControl&) = delete;
  TCustomDIBControl& operator=(const TCustomDIBControl&) = delete;

  const std::string& Name() const { return name_; }
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.Width(); }
  int Height() const { return bounds_.Height(); }
  Rect BoundsRect() const { return bounds_; }
  // Moves and resizes; negative sizes count as 0.
  void SetBounds(int left, int top, int width, int height);
  void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
  void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  // Disabled controls draw as before; the container sends them no new mouse events, but a
  // control that holds the mouse keeps it.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // 255 draws the control as painted, 0 hides it (it still receives the mouse), values
  // between mix it with what lies below.
  uint8_t Opacity() const { return opacity_; }
  void SetOpacity(uint8_t opacity);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor) { cursor_ = cursor; }

  // The image list that image indices refer to (not owned; may be null).
  const TDIBImageList* ImageList() const { return imageList_; }
  void SetImageList(const TDIBImageList* list);

  // While loading, property checks and change events are held back (settings applied in
  // any order at creation).
  bool Loading() const { return loading_; }
  // Ending the loading state calls Loaded, where a control settles its properties.
  void SetLoading(bool loading);

  TDIBContainer* Container() const { return container_; }

  // Marks the whole control for recomposing (when visible and in a container).
  void Invalidate();
  // Marks a part, in local coordinates, cut to the control.
  void InvalidateLocal(const Rect& area);

  // Draws the control with its opacity onto `target`, only inside `clip` (target
  // coordinates) and its own bounds. Called by the container.
  void PaintTo(Surface& target, const Rect& clip);

  // Mouse input from the container, in local coordinates.
  virtual void MouseDown(TMouseButton button, TShiftState shift, double x, double y);
  virtual void MouseMove(TShiftState shift, double x, double y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, double x, double y);

  TNotifyEvent OnClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;

 protected:
  // Draws the control at full opacity; (0, 0) is its top-left corner.
  virtual void Paint(Canvas& canvas) = 0;
  virtual void Loaded() {}
  // For controls whose picture depends on a few derived values (a dial's pointer angle):
  // asks the container to call CommitLook before its next composition, so that a series
  // of changes that ends where it started marks nothing.
  void LookMayHaveChanged();
  // Compares the picture-defining values with those last committed and invalidates the
  // control when they differ.
  virtual void CommitLook() {}
  // Raised by MouseUp of the left button that went down on this control, when the
  // pointer is still over it.
  virtual void Click();
  // A size or position change: invalidates the old and new rectangles. Controls whose
  // picture is anchored at the top-left corner narrow this to the changed strip.
  virtual void BoundsChanged(const Rect& before, const Rect& after);

 private:
  friend class TDIBContainer;

  std::string name_;
  int tag_ = 0;
  Rect bounds_;
  bool visible_ = true;
  bool enabled_ = true;
  uint8_t opacity_ = 255;
  TCursor cursor_ = TCursor::crDefault;
  bool loading_ = false;
  bool leftPressed_ = false;
  bool lookCheckPending_ = false;
  const TDIBImageList* imageList_ = nullptr;
  TDIBContainer* container_ = nullptr;
};

}  // namespace tarvo::toolkit
