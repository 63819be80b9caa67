// The editor's window on Windows: a WS_CHILD of the window the host hands to effEditOpen.
// Its window procedure runs inside the host's message loop on the thread that created it,
// the host's user-interface thread, which also makes the idle calls. So mouse input is
// handed to the panel the moment it arrives (knobs follow the mouse however slowly the
// host idles), and each WM_PAINT brings the picture up to date before it paints.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "toolkit/geometry.h"
#include "toolkit/mouse.h"
#include "toolkit/surface.h"

namespace tarvo::platform::win32 {

// Receives the mouse events, in panel coordinates, and draws the panel on request.
class PointerSink {
 public:
  virtual ~PointerSink() = default;
  virtual void pointerDown(toolkit::TMouseButton button, toolkit::TShiftState shift, int x,
                           int y) = 0;
  virtual void pointerMove(toolkit::TShiftState shift, int x, int y) = 0;
  virtual void pointerUp(toolkit::TMouseButton button, toolkit::TShiftState shift, int x,
                         int y) = 0;
  // The pointer shape wanted at (x, y): the hand over the link areas.
  virtual toolkit::TCursor cursorAt(int x, int y) = 0;
  // Whether the window procedure may hand events over now. False while the panel is busy
  // further up this thread's stack (a host that pumps messages inside a callback): the
  // events then wait for the next pumpEvents.
  virtual bool readyForInput() { return false; }
  // Before the window procedure hands events over: the panel catches up with the effect
  // first (parameters the host changed since), as an idle call does before its events.
  virtual void inputArriving() {}
  // Composes what changed and presents it: after the window procedure handed events over,
  // and before each WM_PAINT, so the window never paints a stale or empty picture.
  virtual void drawNow() {}
};

class ChildWindow {
 public:
  // Creates a visible `width` x `height` child window at (0, 0) of `parent` (an HWND).
  // Null with `error` filled when `parent` is not a window or the creation fails.
  static std::unique_ptr<ChildWindow> create(void* parent, int width, int height,
                                             std::string* error);
  // Destroys the window unless the host already destroyed it with its parent.
  ~ChildWindow();
  ChildWindow(const ChildWindow&) = delete;
  ChildWindow& operator=(const ChildWindow&) = delete;

  // From now on the window procedure hands mouse events to `sink` as they arrive and asks
  // it to draw before painting (when it is ready). Null: events are only queued.
  void setSink(PointerSink* sink);
  // Hands every mouse event still queued to `sink`, in arrival order, then updates the
  // pointer shape for the last known pointer position.
  void pumpEvents(PointerSink& sink);
  // Copies the `areas` of `panel` into the window's picture and invalidates just those
  // areas; the window paints them at its next WM_PAINT.
  void present(const toolkit::Surface& panel, const std::vector<toolkit::Rect>& areas);

  void* handle() const;  // the HWND; null once destroyed
  // True once the window is gone (the host destroyed its parent).
  bool destroyed() const;
  // Events waiting for the next pumpEvents.
  size_t queuedEvents() const;
  // Asks the shell to open `target` (see openWithShell) once control is back in the host's
  // message loop, through a message posted to this window. The shell may run a message
  // loop of its own, in which the host may close the editor or the effect: the call is
  // made outside every handler of the panel, and after it returns nothing but this
  // window's own state is touched.
  void openLater(const std::string& target, bool withOpenVerb);

  struct State;

 private:
  explicit ChildWindow(std::shared_ptr<State> state);
  // Shared with the window procedure while it makes a call that may destroy this object.
  std::shared_ptr<State> state_;
};

// The window class's name: unique to the module that holds this code (the DLL's handle is
// part of it), so two Tarvo builds loaded into one process never share a class.
std::wstring editorClassName();
// Whether the class is registered now (it is registered at the first window creation).
bool editorClassRegistered();
// Unregisters the class; called when the library unloads. Fails harmlessly while windows of
// the class still exist.
void unregisterEditorClass();

}  // namespace tarvo::platform::win32
