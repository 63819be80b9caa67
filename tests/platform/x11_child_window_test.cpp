// The editor's X11 window in a real X server (Xvfb in CI): embedding, drawing, events and
// the hosts that tear the parent down first.
// clang-format off
// GoogleTest first: Xlib defines macros (None, Bool, Status) that clash with its names.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on

#include <cstdint>
#include <cstdlib>

#include "platform/child_window.h"

namespace tarvo::platform {
namespace {

using Type = WindowEvent::Type;

struct RecordingSink : WindowEventSink {
  void handleEvent(const WindowEvent& e) override {
    ++counts[static_cast<int>(e.type)];
    if (e.type == Type::pointerDown) lastShift = e.shift;
  }
  int count(Type type) const { return counts[static_cast<int>(type)]; }
  toolkit::TCursor cursorAt(int x, int) override {
    return x < 50 ? toolkit::TCursor::crHandPoint : toolkit::TCursor::crDefault;
  }
  int counts[5] = {};  // per event type
  toolkit::TShiftState lastShift;
};

// The X11 window id of the child.
Window idOf(const ChildWindow& child) {
  return static_cast<Window>(reinterpret_cast<uintptr_t>(child.handle()));
}

void* asParent(Window window) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(window));
}

// A host's side: its own connection and a top-level window to embed into.
class X11Window : public ::testing::Test {
 protected:
  void SetUp() override {
    host = XOpenDisplay(nullptr);
    if (host == nullptr) {
      if (std::getenv("TARVO_REQUIRE_DISPLAY") != nullptr) FAIL() << "no X display";
      GTEST_SKIP() << "no X display (run under xvfb-run)";
    }
    parent = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 700, 520, 0, 0, 0);
    XMapWindow(host, parent);
    XSync(host, False);
  }
  void TearDown() override {
    if (host == nullptr) return;
    if (parent != 0) XDestroyWindow(host, parent);
    XCloseDisplay(host);
  }
  Display* host = nullptr;
  Window parent = 0;
};

TEST_F(X11Window, IsAChildOfTheHostWindowWithThePanelSize) {
  std::string error;
  auto child = ChildWindow::create(asParent(parent), 645, 485, &error);
  ASSERT_NE(child, nullptr) << error;
  Window root, parentOf, *children = nullptr;
  unsigned int count = 0;
  ASSERT_TRUE(XQueryTree(host, idOf(*child), &root, &parentOf, &children, &count));
  if (children) XFree(children);
  EXPECT_EQ(parentOf, parent);
  XWindowAttributes attributes;
  ASSERT_TRUE(XGetWindowAttributes(host, idOf(*child), &attributes));
  EXPECT_EQ(attributes.width, 645);
  EXPECT_EQ(attributes.height, 485);
  EXPECT_EQ(attributes.x, 0);
  EXPECT_EQ(attributes.y, 0);
  // Embedding information: mapped.
  const Atom info = XInternAtom(host, "_XEMBED_INFO", False);
  Atom type;
  int format;
  unsigned long items, after;
  unsigned char* data = nullptr;
  ASSERT_EQ(XGetWindowProperty(host, idOf(*child), info, 0, 2, False, info, &type, &format, &items,
                               &after, &data),
            Success);
  ASSERT_EQ(items, 2u);
  EXPECT_EQ(reinterpret_cast<unsigned long*>(data)[1], 1u);
  XFree(data);
}

TEST_F(X11Window, PresentCopiesOnlyTheGivenAreas) {
  std::string error;
  auto child = ChildWindow::create(asParent(parent), 645, 485, &error);
  ASSERT_NE(child, nullptr) << error;
  RecordingSink sink;
  child->setSink(&sink);
  child->pumpEvents();
  toolkit::Surface panel(645, 485, toolkit::Rgb(0x112233));
  panel.Fill(toolkit::Rect::FromSize(10, 20, 30, 40), toolkit::Rgb(0xFFFFE1));
  child->present(panel, {toolkit::Rect::FromSize(0, 0, 645, 485)});
  panel.Fill(toolkit::Rect::FromSize(100, 100, 10, 10), toolkit::Rgb(0x00FF00));
  panel.Fill(toolkit::Rect::FromSize(300, 300, 10, 10), toolkit::Rgb(0xFF0000));
  child->present(panel, {toolkit::Rect::FromSize(100, 100, 10, 10)});
  XImage* image = XGetImage(host, idOf(*child), 0, 0, 645, 485, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(XGetPixel(image, 15, 25) & 0xFFFFFF, 0xFFFFE1u);
  EXPECT_EQ(XGetPixel(image, 5, 5) & 0xFFFFFF, 0x112233u);
  EXPECT_EQ(XGetPixel(image, 105, 105) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(XGetPixel(image, 305, 305) & 0xFFFFFF, 0x112233u);  // not presented yet
  XDestroyImage(image);
}

TEST_F(X11Window, PointerEventsArriveWithModifiers) {
  std::string error;
  auto child = ChildWindow::create(asParent(parent), 645, 485, &error);
  ASSERT_NE(child, nullptr) << error;
  XSync(host, False);
  // Events as the server would deliver them, sent to the child's connection.
  XEvent press{};
  press.xbutton.type = ButtonPress;
  press.xbutton.window = idOf(*child);
  press.xbutton.button = Button1;
  press.xbutton.state = ShiftMask | ControlMask;
  press.xbutton.x = 120;
  press.xbutton.y = 80;
  XSendEvent(host, idOf(*child), False, ButtonPressMask, &press);
  XEvent motion{};
  motion.xmotion.type = MotionNotify;
  motion.xmotion.window = idOf(*child);
  motion.xmotion.x = 20;
  motion.xmotion.y = 70;
  for (int i = 0; i < 5; ++i) XSendEvent(host, idOf(*child), False, PointerMotionMask, &motion);
  XEvent release = press;
  release.xbutton.type = ButtonRelease;
  XSendEvent(host, idOf(*child), False, ButtonReleaseMask, &release);
  XSync(host, False);
  RecordingSink sink;
  child->setSink(&sink);
  for (int i = 0; i < 20 && sink.count(Type::pointerUp) == 0; ++i) child->pumpEvents();
  EXPECT_EQ(sink.count(Type::pointerDown), 1);
  EXPECT_EQ(sink.count(Type::pointerUp), 1);
  EXPECT_GE(sink.count(Type::pointerMove), 1);
  EXPECT_LE(sink.count(Type::pointerMove), 5);  // bursts of moves are merged
  EXPECT_TRUE(sink.lastShift.shift);
  EXPECT_TRUE(sink.lastShift.ctrl);
}

TEST_F(X11Window, HostDestroyingTheParentFirstIsSurvived) {
  std::string error;
  auto child = ChildWindow::create(asParent(parent), 645, 485, &error);
  ASSERT_NE(child, nullptr) << error;
  XDestroyWindow(host, parent);
  parent = 0;
  XSync(host, False);
  RecordingSink sink;
  child->setSink(&sink);
  for (int i = 0; i < 20 && !child->destroyed(); ++i) child->pumpEvents();
  EXPECT_TRUE(child->destroyed());
  child->pumpEvents();
  EXPECT_EQ(sink.count(Type::destroyed), 1) << "reported once";
  toolkit::Surface panel(645, 485);
  child->present(panel, {toolkit::Rect::FromSize(0, 0, 645, 485)});  // nothing to draw on
  child.reset();
}

TEST_F(X11Window, ParentDestroyedWithoutAnyEventPumpIsSurvived) {
  std::string error;
  auto child = ChildWindow::create(asParent(parent), 645, 485, &error);
  ASSERT_NE(child, nullptr) << error;
  XDestroyWindow(host, parent);
  parent = 0;
  XSync(host, False);
  child.reset();  // destroys a window that no longer exists: the error is absorbed
}

TEST_F(X11Window, MissingParentIsAnErrorNotACrash) {
  std::string error;
  auto child = ChildWindow::create(asParent(0x7FFFFFF0), 645, 485, &error);
  EXPECT_EQ(child, nullptr);
  EXPECT_FALSE(error.empty());
}

TEST_F(X11Window, ManyOpenCloseCycles) {
  for (int i = 0; i < 200; ++i) {
    std::string error;
    auto child = ChildWindow::create(asParent(parent), 645, 485, &error);
    ASSERT_NE(child, nullptr) << error << " at cycle " << i;
    RecordingSink sink;
    child->setSink(&sink);
    child->pumpEvents();
  }
}

}  // namespace
}  // namespace tarvo::platform
