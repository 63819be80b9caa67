// The editor's window on X11: a child of the window the host hands over, with its own
// Display connection, fed by the host's idle calls (no thread, no timer). It turns X events
// into pointer events for the panel and copies changed areas of the panel to the screen.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "toolkit/geometry.h"
#include "toolkit/mouse.h"
#include "toolkit/surface.h"

namespace tarvo::platform::x11 {

// Receives what the window system reports, translated into panel coordinates.
class PointerSink {
 public:
  virtual ~PointerSink() = default;
  virtual void pointerDown(toolkit::TMouseButton button, toolkit::TShiftState shift, int x,
                           int y) = 0;
  virtual void pointerMove(toolkit::TShiftState shift, int x, int y) = 0;
  virtual void pointerUp(toolkit::TMouseButton button, toolkit::TShiftState shift, int x,
                         int y) = 0;
  // Part of the window was uncovered: the whole panel must be shown again.
  virtual void exposed() = 0;
  // The pointer shape wanted at (x, y): the hand over the link areas.
  virtual toolkit::TCursor cursorAt(int x, int y) = 0;
};

class ChildWindow {
 public:
  // Opens a connection to the display named by $DISPLAY and creates a `width` x `height`
  // child window of `parent` at (0, 0). Null with `error` filled when there is no display or
  // the parent does not exist.
  static std::unique_ptr<ChildWindow> create(unsigned long parent, int width, int height,
                                             std::string* error);
  ~ChildWindow();
  ChildWindow(const ChildWindow&) = delete;
  ChildWindow& operator=(const ChildWindow&) = delete;

  // Handles every pending event of this connection (exposures merged into one call).
  void pumpEvents(PointerSink& sink);
  // Copies the `areas` of `panel` (same size as the window) to the window.
  void present(const toolkit::Surface& panel, const std::vector<toolkit::Rect>& areas);

  unsigned long windowId() const;
  // True once the window is gone (its parent was destroyed by the host).
  bool destroyed() const;

  struct State;

 private:
  explicit ChildWindow(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace tarvo::platform::x11
