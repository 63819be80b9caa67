// The editor's window inside the host's: one interface, one backend per window system
// (x11/x11_child_window.cpp, win32/win32_child_window.cpp; the build links the one of its
// platform). The window turns what the window system reports into WindowEvents for one
// sink and copies changed areas of the panel to the screen. A new kind of input is one more
// WindowEvent type, translated in one place per backend.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/geometry.h"
#include "toolkit/mouse.h"
#include "toolkit/surface.h"

namespace tarvo::platform {

// One report of the window system, in panel coordinates.
struct WindowEvent {
  enum class Type : uint8_t {
    pointerDown,  // `button` went down at (x, y)
    pointerMove,  // the pointer moved to (x, y); bursts of moves arrive merged
    pointerUp,    // `button` went up at (x, y)
    exposed,      // part of the window was uncovered: the whole panel must be shown again
    destroyed,    // the window is gone (the host destroyed its parent); reported once
  };
  Type type = Type::pointerMove;
  toolkit::TMouseButton button = toolkit::TMouseButton::mbLeft;  // pointerDown, pointerUp
  toolkit::TShiftState shift;                                    // the pointer events
  int x = 0;
  int y = 0;
};

// Receives the window's events and answers its questions, on the thread that created it.
class WindowEventSink {
 public:
  virtual ~WindowEventSink() = default;
  virtual void handleEvent(const WindowEvent& event) = 0;
  // The pointer shape wanted at (x, y): the hand over the link areas.
  virtual toolkit::TCursor cursorAt(int x, int y) = 0;

  // A backend whose window procedure runs between the idle calls (Win32) hands input over
  // as it arrives, through these three; one that reads its events only in pumpEvents (X11)
  // never calls them.
  // Whether events may be handed over now. False while the sink is busy further up this
  // thread's stack (a host that pumps messages inside a callback): the events then wait
  // for the next pumpEvents.
  virtual bool readyForInput() { return false; }
  // Before events are handed over: the panel catches up with the effect first (parameters
  // the host changed since), as an idle call does before its events.
  virtual void inputArriving() {}
  // Composes what changed and presents it: after events were handed over, and before the
  // window paints, so it never paints a stale or empty picture.
  virtual void drawNow() {}
};

class ChildWindow {
 public:
  // Creates a visible `width` x `height` child window at (0, 0) of `parent` (the X11
  // window id or the HWND the host passed to effEditOpen). Null with `error` filled when
  // there is no display, `parent` is not a window, or the creation fails.
  static std::unique_ptr<ChildWindow> create(void* parent, int width, int height,
                                             std::string* error);
  // Destroys the window unless the host already destroyed it with its parent.
  ~ChildWindow();
  ChildWindow(const ChildWindow&) = delete;
  ChildWindow& operator=(const ChildWindow&) = delete;

  // The sink of every event from now on; null: events are read but handed to no one
  // (Win32 keeps the input for a later sink).
  void setSink(WindowEventSink* sink);
  // Handles every pending event (exposures merged into one), in arrival order, then
  // updates the pointer shape for the last known pointer position. The host's idle call
  // is the clock: it calls this at the start of each tick.
  void pumpEvents();
  // Copies the `areas` of `panel` (the window's size) to the window.
  void present(const toolkit::Surface& panel, const std::vector<toolkit::Rect>& areas);
  // Opens `target` (a file path or a web address, UTF-8) with the system's default
  // application, on behalf of this window (see openDocument). On Windows the request is
  // posted and made once control is back in the host's message loop: the shell may run a
  // message loop of its own, in which the host may close the editor or the effect. The
  // X11 opener runs as a detached process and is started at once.
  void openDocument(const std::string& target, bool withOpenVerb);

  void* handle() const;  // the X11 window id or the HWND; null once a Win32 window is gone
  // True once the window is gone (the host destroyed its parent).
  bool destroyed() const;
  // Input events the window holds for the next pumpEvents. Win32 keeps what arrives while
  // the sink cannot take it; X11 leaves events in its connection's queue (always 0).
  size_t queuedEvents() const;

  struct State;

 private:
  explicit ChildWindow(std::shared_ptr<State> state);
  // Shared with the window procedure while it makes a call that may destroy this object.
  std::shared_ptr<State> state_;
};

// Gives back what the window system keeps for this library process-wide (the Win32
// window class, registered at the first window's creation); called when the library
// unloads. Fails harmlessly while windows of the class still exist. Nothing on X11.
void unregisterWindowClass();

}  // namespace tarvo::platform
