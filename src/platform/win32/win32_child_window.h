// The editor's window on Windows: a WS_CHILD of the window the host hands to effEditOpen.
// Its window procedure runs inside the host's message loop on the host's user-interface
// thread; it only queues mouse events and paints from a copy of the panel, so the editor
// itself is touched only from the host's idle calls (pumpEvents and present).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "toolkit/geometry.h"
#include "toolkit/mouse.h"
#include "toolkit/surface.h"

namespace tarvo::platform::win32 {

// Receives the queued mouse events, in panel coordinates.
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

  // Hands every mouse event queued since the last call to `sink`, in arrival order, then
  // updates the pointer shape for the last known pointer position.
  void pumpEvents(PointerSink& sink);
  // Copies the `areas` of `panel` into the window's picture and invalidates just those
  // areas; the window paints them at its next WM_PAINT.
  void present(const toolkit::Surface& panel, const std::vector<toolkit::Rect>& areas);

  void* handle() const;  // the HWND; null once destroyed
  // True once the window is gone (the host destroyed its parent).
  bool destroyed() const;
  // Events waiting for the next pumpEvents.
  size_t queuedEvents() const;

  struct State;

 private:
  explicit ChildWindow(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
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
