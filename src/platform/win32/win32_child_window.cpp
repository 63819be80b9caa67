#include "platform/win32/win32_child_window.h"

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <mutex>

namespace tarvo::platform::win32 {

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
  const std::wstring name = editorClassName();
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

struct QueuedEvent {
  enum class Kind : uint8_t { down, move, up } kind;
  toolkit::TMouseButton button;
  toolkit::TShiftState shift;
  int x, y;
};

// Events kept at most between two idle calls; a host that stops idling (editor hidden)
// must not make the queue grow without end. Moves are merged, so this takes many clicks.
constexpr size_t kMaxQueuedEvents = 4096;

unsigned buttonBit(toolkit::TMouseButton button) {
  return 1u << static_cast<unsigned>(button);
}

}  // namespace

struct ChildWindow::State {
  HWND hwnd = nullptr;
  int width = 0;
  int height = 0;
  bool gone = false;
  // The picture on screen: panel pixels (0xAARRGGBB, top-down rows of `width`), which is
  // exactly a 32-bit bottom-up-negated DIB. WM_PAINT copies from here, so exposures never
  // need the editor.
  std::vector<uint32_t> picture;
  std::vector<QueuedEvent> queue;
  unsigned heldButtons = 0;  // buttons pressed inside the window and not yet released
  bool pointerKnown = false;
  int pointerX = 0, pointerY = 0;
  toolkit::TCursor wantedCursor = toolkit::TCursor::crDefault;
  HCURSOR arrowCursor = nullptr;
  HCURSOR handCursor = nullptr;

  void enqueue(const QueuedEvent& event) {
    if (event.kind == QueuedEvent::Kind::move && !queue.empty() &&
        queue.back().kind == QueuedEvent::Kind::move) {
      queue.back() = event;  // only the latest position of a burst of moves matters
      return;
    }
    if (queue.size() >= kMaxQueuedEvents) return;
    queue.push_back(event);
  }

  void paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc == nullptr) return;
    const int left = std::max<int>(0, ps.rcPaint.left);
    const int top = std::max<int>(0, ps.rcPaint.top);
    const int right = std::min<int>(width, ps.rcPaint.right);
    const int bottom = std::min<int>(height, ps.rcPaint.bottom);
    if (right > left && bottom > top) {
      // A DIB of exactly the rows to paint (top-down: negative height), so the source
      // origin never depends on how the device counts rows.
      const int rows = bottom - top;
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = width;
      info.bmiHeader.biHeight = -rows;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      SetDIBitsToDevice(dc, left, top, static_cast<DWORD>(right - left), static_cast<DWORD>(rows),
                        left, 0, 0, static_cast<UINT>(rows),
                        picture.data() + static_cast<size_t>(top) * width, &info, DIB_RGB_COLORS);
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

void press(ChildWindow::State& s, toolkit::TMouseButton button, WPARAM wParam, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  // The drag goes on outside the window: the moves and the release still come here.
  if (s.heldButtons == 0) SetCapture(s.hwnd);
  s.heldButtons |= buttonBit(button);
  s.pointerKnown = true;
  s.pointerX = x;
  s.pointerY = y;
  s.enqueue({QueuedEvent::Kind::down, button, shiftState(wParam), x, y});
}

void release(ChildWindow::State& s, toolkit::TMouseButton button, WPARAM wParam, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  s.pointerX = x;
  s.pointerY = y;
  const bool wasHeld = (s.heldButtons & buttonBit(button)) != 0;
  s.heldButtons &= ~buttonBit(button);
  // Cleared first, so the WM_CAPTURECHANGED that ReleaseCapture sends finds nothing held.
  if (s.heldButtons == 0 && GetCapture() == s.hwnd) ReleaseCapture();
  if (wasHeld) s.enqueue({QueuedEvent::Kind::up, button, shiftState(wParam), x, y});
}

// Another window took the mouse in the middle of a drag (a host dialog, Alt+Tab): the
// drag ends where the pointer was last seen, as if every held button were released.
void captureLost(ChildWindow::State& s) {
  const toolkit::TMouseButton buttons[] = {toolkit::TMouseButton::mbLeft,
                                           toolkit::TMouseButton::mbRight,
                                           toolkit::TMouseButton::mbMiddle};
  for (toolkit::TMouseButton b : buttons) {
    if ((s.heldButtons & buttonBit(b)) != 0) {
      s.enqueue({QueuedEvent::Kind::up, b, toolkit::TShiftState{}, s.pointerX, s.pointerY});
    }
  }
  s.heldButtons = 0;
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
      s->paint();
      return 0;
    case WM_LBUTTONDOWN:
      press(*s, toolkit::TMouseButton::mbLeft, wParam, lParam);
      return 0;
    case WM_RBUTTONDOWN:
      press(*s, toolkit::TMouseButton::mbRight, wParam, lParam);
      return 0;
    case WM_MBUTTONDOWN:
      press(*s, toolkit::TMouseButton::mbMiddle, wParam, lParam);
      return 0;
    case WM_LBUTTONUP:
      release(*s, toolkit::TMouseButton::mbLeft, wParam, lParam);
      return 0;
    case WM_RBUTTONUP:
      release(*s, toolkit::TMouseButton::mbRight, wParam, lParam);
      return 0;
    case WM_MBUTTONUP:
      release(*s, toolkit::TMouseButton::mbMiddle, wParam, lParam);
      return 0;
    case WM_MOUSEMOVE: {
      const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      s->pointerKnown = true;
      s->pointerX = x;
      s->pointerY = y;
      s->enqueue(
          {QueuedEvent::Kind::move, toolkit::TMouseButton::mbLeft, shiftState(wParam), x, y});
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != hwnd && s->heldButtons != 0) captureLost(*s);
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

std::wstring editorClassName() {
  std::wstring name = L"VelmoraTarvoEditor.";
  const auto address = reinterpret_cast<uintptr_t>(ownModule());
  for (int shift = static_cast<int>(sizeof(address) * 8) - 4; shift >= 0; shift -= 4) {
    name += L"0123456789ABCDEF"[(address >> shift) & 0xF];
  }
  return name;
}

bool editorClassRegistered() {
  std::lock_guard<std::mutex> lock(gClassMutex);
  return gClassRegistered;
}

void unregisterEditorClass() {
  std::lock_guard<std::mutex> lock(gClassMutex);
  if (!gClassRegistered) return;
  if (UnregisterClassW(editorClassName().c_str(), ownModule())) gClassRegistered = false;
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
  auto state = std::make_unique<State>();
  state->width = width;
  state->height = height;
  state->picture.assign(static_cast<size_t>(width) * height, 0);
  state->arrowCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  state->handCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND));
  const std::wstring className = editorClassName();
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

ChildWindow::ChildWindow(std::unique_ptr<State> state) : state_(std::move(state)) {}

ChildWindow::~ChildWindow() {
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

void ChildWindow::pumpEvents(PointerSink& sink) {
  // Taken out first: a handler that lets the shell pump messages (ShellExecute) may bring
  // new events into the window procedure while these are handed on.
  std::vector<QueuedEvent> events;
  events.swap(state_->queue);
  for (const QueuedEvent& e : events) {
    switch (e.kind) {
      case QueuedEvent::Kind::down:
        sink.pointerDown(e.button, e.shift, e.x, e.y);
        break;
      case QueuedEvent::Kind::move:
        sink.pointerMove(e.shift, e.x, e.y);
        break;
      case QueuedEvent::Kind::up:
        sink.pointerUp(e.button, e.shift, e.x, e.y);
        break;
    }
  }
  if (state_->gone || !state_->pointerKnown) return;
  const toolkit::TCursor wanted = sink.cursorAt(state_->pointerX, state_->pointerY);
  if (wanted == state_->wantedCursor) return;
  state_->wantedCursor = wanted;
  // Shown at once when the pointer is over the window; otherwise at the next WM_SETCURSOR.
  POINT at;
  if (GetCursorPos(&at) && WindowFromPoint(at) == state_->hwnd) {
    SetCursor(wanted == toolkit::TCursor::crHandPoint ? state_->handCursor : state_->arrowCursor);
  }
}

void ChildWindow::present(const toolkit::Surface& panel, const std::vector<toolkit::Rect>& areas) {
  if (state_->gone || state_->hwnd == nullptr) return;
  const int w = std::min(panel.Width(), state_->width);
  const int h = std::min(panel.Height(), state_->height);
  for (const toolkit::Rect& area : areas) {
    const int left = std::max(0, area.left), top = std::max(0, area.top);
    const int right = std::min(w, area.right), bottom = std::min(h, area.bottom);
    if (right <= left || bottom <= top) continue;
    for (int y = top; y < bottom; ++y) {
      const toolkit::Pixel* from = panel.Row(y) + left;
      std::copy(from, from + (right - left),
                state_->picture.begin() + static_cast<ptrdiff_t>(y) * state_->width + left);
    }
    const RECT dirty{left, top, right, bottom};
    InvalidateRect(state_->hwnd, &dirty, FALSE);
  }
}

}  // namespace tarvo::platform::win32
