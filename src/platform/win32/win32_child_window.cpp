// The Win32 backend of platform/child_window.h (see win32/win32_child_window.h).
#include "platform/win32/win32_child_window.h"

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/child_window.h"
#include "platform/open_document.h"

namespace tarvo::platform {

namespace {

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The module that holds this code: the plug-in DLL when linked into it, not the host's
// executable, so the class belongs to (and is unregistered with) the library.
HINSTANCE ownModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&windowProc), &module);
  return module;
}

std::mutex gClassMutex;
bool gClassRegistered = false;

bool registerClassOnce() {
  std::lock_guard<std::mutex> lock(gClassMutex);
  if (gClassRegistered) return true;
  const std::wstring name = win32::editorClassName();
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = 0;  // no CS_DBLCLKS: a quick second click is a second press
  wc.lpfnWndProc = windowProc;
  wc.hInstance = ownModule();
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = nullptr;  // the window paints every pixel itself
  wc.lpszClassName = name.c_str();
  if (RegisterClassExW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  gClassRegistered = true;
  return true;
}

// Posted to the window by openLater: the shell is asked from the host's message loop.
constexpr UINT kOpenMessage = WM_USER + 0x54;

// References to this module still held after a shell call in whose message loop the editor
// went away (see openPending); given back when the next window is created.
std::atomic<int> gHeldModuleReferences{0};

// Events kept at most while the panel cannot take them (no sink, or a sink that is busy
// until the next idle call, which a host may stop sending while the editor is hidden): the
// queue must not grow without end. Moves are merged, so this takes many clicks.
constexpr size_t kMaxQueuedEvents = 4096;

unsigned buttonBit(toolkit::TMouseButton button) {
  return 1u << static_cast<unsigned>(button);
}

struct PendingOpen {
  std::string target;
  bool withOpenVerb;
};

}  // namespace

struct ChildWindow::State : std::enable_shared_from_this<ChildWindow::State> {
  HWND hwnd = nullptr;
  int width = 0;
  int height = 0;
  bool gone = false;
  bool goneReported = false;  // the sink was told of the destruction
  // The picture on screen: panel pixels (0xAARRGGBB, top-down rows of `width`), which is
  // exactly a 32-bit bottom-up-negated DIB. WM_PAINT copies from here, after the sink has
  // brought it up to date when it can, so an exposure is painted even while the panel is
  // busy.
  std::vector<uint32_t> picture;
  std::vector<WindowEvent> queue;
  WindowEventSink* sink = nullptr;  // takes the events as they arrive; null: queue only
  bool inSink = false;              // the sink is at work further up this thread's stack
  std::vector<PendingOpen> pendingOpens;
  unsigned heldButtons = 0;  // buttons pressed inside the window and not yet released
  bool pointerKnown = false;
  int pointerX = 0, pointerY = 0;
  toolkit::TCursor wantedCursor = toolkit::TCursor::crDefault;
  HCURSOR arrowCursor = nullptr;
  HCURSOR handCursor = nullptr;

  void enqueue(const WindowEvent& event) {
    if (event.type == WindowEvent::Type::pointerMove && !queue.empty() &&
        queue.back().type == WindowEvent::Type::pointerMove) {
      queue.back() = event;  // only the latest position of a burst of moves matters
      return;
    }
    if (queue.size() >= kMaxQueuedEvents) return;
    queue.push_back(event);
  }

  // Hands every queued event to `to` in arrival order, also those that a handler lets
  // arrive meanwhile. When `to` is the window's own sink, handing over stops as soon as the
  // sink is detached (its owner closed the editor from inside a handler).
  void handEvents(WindowEventSink& to) {
    const bool own = sink == &to;
    const bool wasInSink = inSink;
    inSink = true;
    while (!queue.empty()) {
      std::vector<WindowEvent> events;
      events.swap(queue);
      for (const WindowEvent& e : events) {
        if (own && sink != &to) {
          inSink = wasInSink;
          return;
        }
        to.handleEvent(e);
      }
    }
    inSink = wasInSink;
  }

  // Sets the pointer shape `to` wants at the last known pointer position.
  void updateCursor(WindowEventSink& to) {
    if (gone || !pointerKnown) return;
    const toolkit::TCursor wanted = to.cursorAt(pointerX, pointerY);
    if (wanted == wantedCursor) return;
    wantedCursor = wanted;
    // Shown at once when the pointer is over the window; otherwise at the next WM_SETCURSOR.
    POINT at;
    if (GetCursorPos(&at) && WindowFromPoint(at) == hwnd) {
      SetCursor(wanted == toolkit::TCursor::crHandPoint ? handCursor : arrowCursor);
    }
  }

  // Whether the sink may be called from the window procedure now.
  bool sinkReady() const { return sink != nullptr && !inSink && !gone && sink->readyForInput(); }

  // The window procedure's input path: the events go to the panel at once, which then
  // draws what they changed. The state is kept alive for the case that a handler's call
  // into the host ends with the editor closed.
  void deliverNow() {
    if (!sinkReady()) return;
    const std::shared_ptr<State> keep = shared_from_this();
    WindowEventSink* const to = sink;
    inSink = true;
    to->inputArriving();
    inSink = false;
    handEvents(*to);
    if (sink != to || gone) return;
    updateCursor(*to);
    inSink = true;
    to->drawNow();
    inSink = false;
  }

  void paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc == nullptr) return;
    const toolkit::Rect r =
        toolkit::Intersect({ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom},
                           {0, 0, width, height});
    if (!r.Empty()) {
      // A DIB of exactly the rows to paint (top-down: negative height), so the source
      // origin never depends on how the device counts rows.
      const int rows = r.Height();
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = width;
      info.bmiHeader.biHeight = -rows;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      SetDIBitsToDevice(dc, r.left, r.top, static_cast<DWORD>(r.Width()), static_cast<DWORD>(rows),
                        r.left, 0, 0, static_cast<UINT>(rows),
                        picture.data() + static_cast<size_t>(r.top) * width, &info, DIB_RGB_COLORS);
    }
    EndPaint(hwnd, &ps);
  }
};

namespace {

toolkit::TShiftState shiftState(WPARAM wParam) {
  toolkit::TShiftState s;
  s.shift = (wParam & MK_SHIFT) != 0;
  s.ctrl = (wParam & MK_CONTROL) != 0;
  s.alt = GetKeyState(VK_MENU) < 0;
  return s;
}

// The button of a WM_?BUTTONDOWN or WM_?BUTTONUP message.
toolkit::TMouseButton buttonOf(UINT message) {
  switch (message) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      return toolkit::TMouseButton::mbRight;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      return toolkit::TMouseButton::mbMiddle;
    default:
      return toolkit::TMouseButton::mbLeft;
  }
}

void press(ChildWindow::State& s, toolkit::TMouseButton button, WPARAM wParam, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  // The drag goes on outside the window: the moves and the release still come here.
  if (s.heldButtons == 0) SetCapture(s.hwnd);
  s.heldButtons |= buttonBit(button);
  s.pointerKnown = true;
  s.pointerX = x;
  s.pointerY = y;
  s.enqueue({WindowEvent::Type::pointerDown, button, shiftState(wParam), x, y});
}

void release(ChildWindow::State& s, toolkit::TMouseButton button, WPARAM wParam, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  s.pointerX = x;
  s.pointerY = y;
  const bool wasHeld = (s.heldButtons & buttonBit(button)) != 0;
  s.heldButtons &= ~buttonBit(button);
  // Cleared first, so the WM_CAPTURECHANGED that ReleaseCapture sends finds nothing held.
  if (s.heldButtons == 0 && GetCapture() == s.hwnd) ReleaseCapture();
  if (wasHeld) s.enqueue({WindowEvent::Type::pointerUp, button, shiftState(wParam), x, y});
}

// Another window took the mouse in the middle of a drag (a host dialog, Alt+Tab): the
// drag ends where the pointer was last seen, as if every held button were released.
void captureLost(ChildWindow::State& s) {
  const toolkit::TMouseButton buttons[] = {toolkit::TMouseButton::mbLeft,
                                           toolkit::TMouseButton::mbRight,
                                           toolkit::TMouseButton::mbMiddle};
  for (toolkit::TMouseButton b : buttons) {
    if ((s.heldButtons & buttonBit(b)) != 0) {
      s.enqueue({WindowEvent::Type::pointerUp, b, toolkit::TShiftState{}, s.pointerX, s.pointerY});
    }
  }
  s.heldButtons = 0;
}

// Asks the shell for every pending request. The shell may pump messages, and the host may
// close the editor (destroying this window and its ChildWindow) or the effect in there, or
// even unload the library: so the state is held by this call and the module by a reference
// of its own, and once the window is gone nothing further is asked. That reference is given
// back at once when the window still exists (the host then still holds the library);
// otherwise it is kept until the next window is created, when giving it back cannot unload
// the code that does so.
void openPending(ChildWindow::State& s, HWND hwnd) {
  const std::shared_ptr<ChildWindow::State> keep = s.shared_from_this();
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&windowProc),
                     &module);
  std::vector<PendingOpen> opens;
  opens.swap(keep->pendingOpens);
  for (const PendingOpen& open : opens) {
    if (keep->gone) break;
    openDocument(open.target, open.withOpenVerb, hwnd);
  }
  if (module == nullptr) return;
  if (keep->gone) {
    gHeldModuleReferences.fetch_add(1);
  } else {
    FreeLibrary(module);
  }
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* s = reinterpret_cast<ChildWindow::State*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (s == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (s->hwnd == nullptr && !s->gone) s->hwnd = hwnd;  // messages during CreateWindowEx
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // every pixel is painted by WM_PAINT: no flash of a background brush
    case WM_PAINT:
      // Composed up to date first: the picture is complete from the editor's open on, and
      // whatever changed since the last idle call is shown by this paint.
      if (s->sinkReady()) {
        s->inSink = true;
        s->sink->drawNow();
        s->inSink = false;
      }
      s->paint();
      return 0;
    case kOpenMessage:
      openPending(*s, hwnd);
      return 0;  // `s` may be gone by now
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      press(*s, buttonOf(message), wParam, lParam);
      s->deliverNow();
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      release(*s, buttonOf(message), wParam, lParam);
      s->deliverNow();
      return 0;
    case WM_MOUSEMOVE: {
      const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      s->pointerKnown = true;
      s->pointerX = x;
      s->pointerY = y;
      s->enqueue({WindowEvent::Type::pointerMove, toolkit::TMouseButton::mbLeft, shiftState(wParam),
                  x, y});
      s->deliverNow();
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != hwnd && s->heldButtons != 0) {
        captureLost(*s);
        s->deliverNow();
      }
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        SetCursor(s->wantedCursor == toolkit::TCursor::crHandPoint ? s->handCursor
                                                                   : s->arrowCursor);
        return TRUE;
      }
      break;
    case WM_DESTROY:
      // Also reached when the host destroys the parent first: from now on nothing is drawn
      // and the destructor leaves the handle alone.
      s->gone = true;
      s->heldButtons = 0;
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      s->gone = true;
      s->hwnd = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

std::wstring win32::editorClassName() {
  std::wstring name = L"VelmoraTarvoEditor.";
  const auto address = reinterpret_cast<uintptr_t>(ownModule());
  for (int shift = static_cast<int>(sizeof(address) * 8) - 4; shift >= 0; shift -= 4) {
    name += L"0123456789ABCDEF"[(address >> shift) & 0xF];
  }
  return name;
}

bool win32::editorClassRegistered() {
  std::lock_guard<std::mutex> lock(gClassMutex);
  return gClassRegistered;
}

void unregisterWindowClass() {
  std::lock_guard<std::mutex> lock(gClassMutex);
  if (!gClassRegistered) return;
  if (UnregisterClassW(win32::editorClassName().c_str(), ownModule())) gClassRegistered = false;
}

std::unique_ptr<ChildWindow> ChildWindow::create(void* parent, int width, int height,
                                                 std::string* error) {
  const HWND parentWindow = static_cast<HWND>(parent);
  if (parentWindow == nullptr || !IsWindow(parentWindow)) {
    if (error) *error = "the host's parent window does not exist";
    return nullptr;
  }
  if (!registerClassOnce()) {
    if (error) *error = "cannot register the editor's window class";
    return nullptr;
  }
  // References kept by earlier shell calls: the host holds the library while it opens an
  // editor, so giving them back here cannot unload this code.
  for (int n = gHeldModuleReferences.exchange(0); n > 0; --n) FreeLibrary(ownModule());
  auto state = std::make_shared<State>();
  state->width = width;
  state->height = height;
  state->picture.assign(static_cast<size_t>(width) * height, 0);
  state->arrowCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  state->handCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND));
  const std::wstring className = win32::editorClassName();
  const HWND hwnd =
      CreateWindowExW(0, className.c_str(), L"Tarvo", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                      width, height, parentWindow, nullptr, ownModule(), state.get());
  if (hwnd == nullptr) {
    if (error) *error = "cannot create the editor window";
    return nullptr;
  }
  state->hwnd = hwnd;
  return std::unique_ptr<ChildWindow>(new ChildWindow(std::move(state)));
}

ChildWindow::ChildWindow(std::shared_ptr<State> state) : state_(std::move(state)) {}

ChildWindow::~ChildWindow() {
  state_->sink = nullptr;  // the sink goes away with the owner of this window
  state_->pendingOpens.clear();
  if (!state_->gone && state_->hwnd != nullptr && IsWindow(state_->hwnd)) {
    DestroyWindow(state_->hwnd);  // its messages still find the state: it lives until here
  }
  if (state_->hwnd != nullptr && IsWindow(state_->hwnd)) {
    SetWindowLongPtrW(state_->hwnd, GWLP_USERDATA, 0);
  }
}

void* ChildWindow::handle() const {
  return state_->hwnd;
}
bool ChildWindow::destroyed() const {
  return state_->gone;
}
size_t ChildWindow::queuedEvents() const {
  return state_->queue.size();
}

void ChildWindow::setSink(WindowEventSink* sink) {
  state_->sink = sink;
}

void ChildWindow::pumpEvents() {
  WindowEventSink* const to = state_->sink;
  if (to == nullptr) return;
  const std::shared_ptr<State> keep = state_;
  keep->handEvents(*to);
  if (keep->sink != to) return;  // the sink's owner closed the editor from a handler
  keep->updateCursor(*to);
  if (keep->gone && !keep->goneReported) {
    keep->goneReported = true;
    to->handleEvent({WindowEvent::Type::destroyed, toolkit::TMouseButton::mbLeft, {}, 0, 0});
  }
}

void ChildWindow::openDocument(const std::string& target, bool withOpenVerb) {
  if (state_->gone || state_->hwnd == nullptr) return;
  state_->pendingOpens.push_back({target, withOpenVerb});
  if (state_->pendingOpens.size() == 1 && !PostMessageW(state_->hwnd, kOpenMessage, 0, 0)) {
    state_->pendingOpens.clear();  // the message queue is full: the click is lost
  }
}

void ChildWindow::present(const toolkit::Surface& panel, const std::vector<toolkit::Rect>& areas) {
  if (state_->gone || state_->hwnd == nullptr) return;
  const toolkit::Rect shown{0, 0, std::min(panel.Width(), state_->width),
                            std::min(panel.Height(), state_->height)};
  for (const toolkit::Rect& area : areas) {
    const toolkit::Rect r = toolkit::Intersect(area, shown);
    if (r.Empty()) continue;
    for (int y = r.top; y < r.bottom; ++y) {
      const toolkit::Pixel* from = panel.Row(y) + r.left;
      std::copy(from, from + r.Width(),
                state_->picture.begin() + static_cast<ptrdiff_t>(y) * state_->width + r.left);
    }
    const RECT dirty{r.left, r.top, r.right, r.bottom};
    InvalidateRect(state_->hwnd, &dirty, FALSE);
  }
}

}  // namespace tarvo::platform
