// The X11 backend of platform/child_window.h: a child of the window the host hands over,
// with its own Display connection, fed by the host's idle calls (no thread, no timer).
#include "platform/child_window.h"
// After the project's headers: Xlib's macros (None, Bool, Status) would rename their names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "platform/open_document.h"

namespace tarvo::platform {

namespace {

// Xlib's error handler is process-wide, and a host may destroy its parent window (and with
// it ours) at any moment, so any request of ours can fail. Around every use of our
// connection a handler of ours is installed that counts the errors of that connection
// instead of ending the process; errors of other connections go to the handler that was
// there before. The trap synchronises on exit, so every error caused inside it arrives
// while it is installed.
std::mutex gErrorMutex;
Display* gTrapDisplay = nullptr;
XErrorHandler gPreviousHandler = nullptr;
int gTrappedErrors = 0;

int trapError(Display* display, XErrorEvent* event) {
  if (display == gTrapDisplay) {
    ++gTrappedErrors;
    return 0;
  }
  return gPreviousHandler != nullptr ? gPreviousHandler(display, event) : 0;
}

class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display) : display_(display), lock_(gErrorMutex) {
    gTrapDisplay = display_;
    gTrappedErrors = 0;
    gPreviousHandler = XSetErrorHandler(trapError);
  }
  ~ErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(gPreviousHandler);
    gTrapDisplay = nullptr;
  }
  // Synchronises and answers whether any request so far failed.
  bool failed() {
    XSync(display_, False);
    return gTrappedErrors != 0;
  }
  int errors() const { return gTrappedErrors; }

 private:
  Display* display_;
  std::lock_guard<std::mutex> lock_;
};

toolkit::TShiftState shiftState(unsigned int state) {
  toolkit::TShiftState s;
  s.shift = (state & ShiftMask) != 0;
  s.ctrl = (state & ControlMask) != 0;
  s.alt = (state & Mod1Mask) != 0;
  return s;
}

bool buttonOf(unsigned int xbutton, toolkit::TMouseButton* button) {
  switch (xbutton) {
    case Button1:
      *button = toolkit::TMouseButton::mbLeft;
      return true;
    case Button2:
      *button = toolkit::TMouseButton::mbMiddle;
      return true;
    case Button3:
      *button = toolkit::TMouseButton::mbRight;
      return true;
    default:
      return false;  // wheel and extra buttons: not used by the panel
  }
}

// One colour channel (0..255) scaled into the bits of `mask`.
unsigned long channel(unsigned int value, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  const unsigned long bits = mask >> shift;
  return ((static_cast<unsigned long>(value) * bits + 127) / 255) << shift;
}

unsigned long toVisual(const Visual& v, uint32_t pixel) {
  return channel((pixel >> 16) & 0xFF, v.red_mask) | channel((pixel >> 8) & 0xFF, v.green_mask) |
         channel(pixel & 0xFF, v.blue_mask);
}

}  // namespace

struct ChildWindow::State {
  Display* display = nullptr;
  Window window = 0;
  GC gc = nullptr;
  Visual* visual = nullptr;
  int depth = 0;
  int width = 0;
  int height = 0;
  bool directPixels = false;  // the visual takes BGRA rows as they are
  bool gone = false;
  bool goneReported = false;  // the sink was told of the destruction
  WindowEventSink* sink = nullptr;
  Cursor handCursor = 0;
  toolkit::TCursor shownCursor = toolkit::TCursor::crDefault;
  std::vector<uint32_t> convertBuffer;
};

std::unique_ptr<ChildWindow> ChildWindow::create(void* parent, int width, int height,
                                                 std::string* error) {
  auto state = std::make_shared<State>();
  state->display = XOpenDisplay(nullptr);
  if (state->display == nullptr) {
    if (error) *error = "cannot open the X display";
    return nullptr;
  }
  Display* d = state->display;
  const int screen = DefaultScreen(d);
  state->visual = DefaultVisual(d, screen);
  state->depth = DefaultDepth(d, screen);
  state->width = width;
  state->height = height;
  state->directPixels = state->visual->c_class == TrueColor && state->depth >= 24 &&
                        state->visual->red_mask == 0xFF0000 &&
                        state->visual->green_mask == 0x00FF00 &&
                        state->visual->blue_mask == 0x0000FF && ImageByteOrder(d) == LSBFirst;
  {
    ErrorTrap trap(d);
    XSetWindowAttributes attributes{};
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            StructureNotifyMask;
    attributes.background_pixel = BlackPixel(d, screen);
    attributes.border_pixel = 0;
    state->window = XCreateWindow(d, static_cast<Window>(reinterpret_cast<uintptr_t>(parent)), 0, 0,
                                  width, height, 0, CopyFromParent, InputOutput, CopyFromParent,
                                  CWEventMask | CWBackPixel | CWBorderPixel, &attributes);
    if (trap.failed() || state->window == 0) {
      if (error) *error = "the host's parent window does not exist";
      state->window = 0;
    }
  }
  if (state->window == 0) {
    XCloseDisplay(d);
    return nullptr;
  }
  ErrorTrap trap(d);
  // Embedding information: version 0, mapped.
  const Atom xembedInfo = XInternAtom(d, "_XEMBED_INFO", False);
  const unsigned long info[2] = {0, 1};
  XChangeProperty(d, state->window, xembedInfo, xembedInfo, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(info), 2);
  XSizeHints hints{};
  hints.flags = PMinSize | PMaxSize;
  hints.min_width = hints.max_width = width;
  hints.min_height = hints.max_height = height;
  XSetWMNormalHints(d, state->window, &hints);
  state->gc = XCreateGC(d, state->window, 0, nullptr);
  state->handCursor = XCreateFontCursor(d, XC_hand2);
  XMapWindow(d, state->window);
  // The parent may already be gone; the window then counts as destroyed from the start.
  if (trap.failed()) state->gone = true;
  return std::unique_ptr<ChildWindow>(new ChildWindow(std::move(state)));
}

ChildWindow::ChildWindow(std::shared_ptr<State> state) : state_(std::move(state)) {}

ChildWindow::~ChildWindow() {
  Display* d = state_->display;
  {
    // The host may already have destroyed the parent (and with it this window).
    ErrorTrap trap(d);
    if (state_->handCursor != 0) XFreeCursor(d, state_->handCursor);
    if (state_->gc != nullptr) XFreeGC(d, state_->gc);
    if (!state_->gone) XDestroyWindow(d, state_->window);
  }
  XCloseDisplay(d);
}

void* ChildWindow::handle() const {
  // The window id in a pointer, as VST 2 hands X11 window ids to effEditOpen.
  return reinterpret_cast<void*>(  // NOLINT(performance-no-int-to-ptr): an id, not an address
      static_cast<uintptr_t>(state_->window));
}
bool ChildWindow::destroyed() const {
  return state_->gone;
}
size_t ChildWindow::queuedEvents() const {
  return 0;  // the events wait in the connection's queue
}

void ChildWindow::setSink(WindowEventSink* sink) {
  state_->sink = sink;
}

// The opener is a process of its own: nothing of it runs inside the host's event loop.
void ChildWindow::openDocument(const std::string& target, bool withOpenVerb) {
  platform::openDocument(target, withOpenVerb, handle());
}

void ChildWindow::pumpEvents() {
  State& s = *state_;
  Display* d = s.display;
  ErrorTrap trap(d);
  bool exposed = false;
  while (XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    if (event.xany.window != s.window) continue;
    WindowEvent out;
    switch (event.type) {
      case Expose:
        exposed = true;
        break;
      case ButtonPress:
      case ButtonRelease:
        if (s.sink != nullptr && buttonOf(event.xbutton.button, &out.button)) {
          out.type = event.type == ButtonPress ? WindowEvent::Type::pointerDown
                                               : WindowEvent::Type::pointerUp;
          out.shift = shiftState(event.xbutton.state);
          out.x = event.xbutton.x;
          out.y = event.xbutton.y;
          s.sink->handleEvent(out);
        }
        break;
      case MotionNotify: {
        // Only the latest position of a burst of moves matters.
        while (XCheckTypedWindowEvent(d, s.window, MotionNotify, &event)) {
        }
        if (s.sink == nullptr) break;
        out.type = WindowEvent::Type::pointerMove;
        out.shift = shiftState(event.xmotion.state);
        out.x = event.xmotion.x;
        out.y = event.xmotion.y;
        s.sink->handleEvent(out);
        const toolkit::TCursor wanted = s.sink->cursorAt(out.x, out.y);
        if (wanted != s.shownCursor && !s.gone) {
          s.shownCursor = wanted;
          if (wanted == toolkit::TCursor::crHandPoint) {
            XDefineCursor(d, s.window, s.handCursor);
          } else {
            XUndefineCursor(d, s.window);
          }
        }
        break;
      }
      case DestroyNotify:
        if (event.xdestroywindow.window == s.window) s.gone = true;
        break;
      default:
        break;
    }
  }
  if (trap.failed()) s.gone = true;
  if (s.sink == nullptr) return;
  WindowEvent out;
  if (exposed && !s.gone) {
    out.type = WindowEvent::Type::exposed;
    s.sink->handleEvent(out);
  }
  if (s.gone && !s.goneReported) {
    s.goneReported = true;
    out.type = WindowEvent::Type::destroyed;
    s.sink->handleEvent(out);
  }
}

void ChildWindow::present(const toolkit::Surface& panel, const std::vector<toolkit::Rect>& areas) {
  if (state_->gone || areas.empty()) return;
  Display* d = state_->display;
  ErrorTrap trap(d);
  const toolkit::Rect shown{0, 0, std::min(panel.Width(), state_->width),
                            std::min(panel.Height(), state_->height)};
  for (const toolkit::Rect& area : areas) {
    const toolkit::Rect r = toolkit::Intersect(area, shown);
    if (r.Empty()) continue;
    const int left = r.left, top = r.top, aw = r.Width(), ah = r.Height();
    // The panel's pixels are 0xAARRGGBB words: exactly a 24/32-bit TrueColor image on a
    // little-endian server. Other visuals get each pixel converted through the masks.
    XImage* image = nullptr;
    if (state_->directPixels) {
      char* data = reinterpret_cast<char*>(const_cast<toolkit::Pixel*>(panel.Row(top) + left));
      image = XCreateImage(d, state_->visual, state_->depth, ZPixmap, 0, data, aw, ah, 32,
                           panel.Width() * 4);
    } else {
      state_->convertBuffer.assign(static_cast<size_t>(aw) * ah, 0);
      image =
          XCreateImage(d, state_->visual, state_->depth, ZPixmap, 0,
                       reinterpret_cast<char*>(state_->convertBuffer.data()), aw, ah, 32, aw * 4);
      if (image != nullptr) {
        for (int y = 0; y < ah; ++y) {
          const toolkit::Pixel* row = panel.Row(top + y) + left;
          for (int x = 0; x < aw; ++x) XPutPixel(image, x, y, toVisual(*state_->visual, row[x]));
        }
      }
    }
    if (image == nullptr) continue;
    XPutImage(d, state_->window, state_->gc, image, 0, 0, left, top, aw, ah);
    image->data = nullptr;  // the pixels belong to the panel, not to the image
    XDestroyImage(image);
  }
  if (trap.failed()) state_->gone = true;
}

void unregisterWindowClass() {}  // X11 has no window classes

}  // namespace tarvo::platform
