#include "platform/x11/x11_child_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace tarvo::platform::x11 {

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
  Cursor handCursor = 0;
  toolkit::TCursor shownCursor = toolkit::TCursor::crDefault;
  std::vector<uint32_t> convertBuffer;
};

std::unique_ptr<ChildWindow> ChildWindow::create(unsigned long parent, int width, int height,
                                                 std::string* error) {
  auto state = std::make_unique<State>();
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
    state->window = XCreateWindow(d, static_cast<Window>(parent), 0, 0, width, height, 0,
                                  CopyFromParent, InputOutput, CopyFromParent,
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

ChildWindow::ChildWindow(std::unique_ptr<State> state) : state_(std::move(state)) {}

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

unsigned long ChildWindow::windowId() const {
  return state_->window;
}
bool ChildWindow::destroyed() const {
  return state_->gone;
}

void ChildWindow::pumpEvents(PointerSink& sink) {
  Display* d = state_->display;
  ErrorTrap trap(d);
  bool exposed = false;
  while (XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    if (event.xany.window != state_->window) continue;
    toolkit::TMouseButton button;
    switch (event.type) {
      case Expose:
        exposed = true;
        break;
      case ButtonPress:
        if (buttonOf(event.xbutton.button, &button)) {
          sink.pointerDown(button, shiftState(event.xbutton.state), event.xbutton.x,
                           event.xbutton.y);
        }
        break;
      case ButtonRelease:
        if (buttonOf(event.xbutton.button, &button)) {
          sink.pointerUp(button, shiftState(event.xbutton.state), event.xbutton.x, event.xbutton.y);
        }
        break;
      case MotionNotify: {
        // Only the latest position of a burst of moves matters.
        while (XCheckTypedWindowEvent(d, state_->window, MotionNotify, &event)) {
        }
        const int x = event.xmotion.x, y = event.xmotion.y;
        sink.pointerMove(shiftState(event.xmotion.state), x, y);
        const toolkit::TCursor wanted = sink.cursorAt(x, y);
        if (wanted != state_->shownCursor && !state_->gone) {
          state_->shownCursor = wanted;
          if (wanted == toolkit::TCursor::crHandPoint) {
            XDefineCursor(d, state_->window, state_->handCursor);
          } else {
            XUndefineCursor(d, state_->window);
          }
        }
        break;
      }
      case DestroyNotify:
        if (event.xdestroywindow.window == state_->window) state_->gone = true;
        break;
      default:
        break;
    }
  }
  if (trap.failed()) state_->gone = true;
  if (exposed && !state_->gone) sink.exposed();
}

void ChildWindow::present(const toolkit::Surface& panel, const std::vector<toolkit::Rect>& areas) {
  if (state_->gone || areas.empty()) return;
  Display* d = state_->display;
  ErrorTrap trap(d);
  const int w = std::min(panel.Width(), state_->width);
  const int h = std::min(panel.Height(), state_->height);
  for (const toolkit::Rect& area : areas) {
    const int left = std::max(0, area.left), top = std::max(0, area.top);
    const int right = std::min(w, area.right), bottom = std::min(h, area.bottom);
    if (right <= left || bottom <= top) continue;
    const int aw = right - left, ah = bottom - top;
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

}  // namespace tarvo::platform::x11
