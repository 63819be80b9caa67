// The editor's window lifecycle as hosts drive it, through the built binary in a real X
// server: many open/idle/close cycles, double open and close, idle outside open, a host
// that destroys its window before closing the editor, and a click drawn by the idle call
// that handles it.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <thread>

#include "vsthost/vst_host.h"

namespace tarvo::host {
namespace {

using namespace tarvo::vst;

class EditorLifecycle : public ::testing::Test {
 protected:
  void SetUp() override {
    display = XOpenDisplay(nullptr);
    if (display == nullptr) {
      if (std::getenv("TARVO_REQUIRE_DISPLAY") != nullptr) FAIL() << "no X display";
      GTEST_SKIP() << "no X display (run under xvfb-run)";
    }
    library = std::make_unique<PluginLibrary>(TARVO_PLUGIN_PATH);
    plugin = std::make_unique<PluginInstance>(*library);
    parent = newParent();
  }
  void TearDown() override {
    plugin.reset();
    library.reset();
    if (display != nullptr) {
      if (parent != 0) XDestroyWindow(display, parent);
      XCloseDisplay(display);
    }
  }
  Window newParent() {
    Window w = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 645, 485, 0, 0, 0);
    XMapWindow(display, w);
    XSync(display, False);
    return w;
  }
  void* handle(Window w) { return reinterpret_cast<void*>(static_cast<uintptr_t>(w)); }
  int childCount(Window w) {
    Window root, up, *children = nullptr;
    unsigned int count = 0;
    XQueryTree(display, w, &root, &up, &children, &count);
    if (children != nullptr) XFree(children);
    return static_cast<int>(count);
  }

  Display* display = nullptr;
  Window parent = 0;
  std::unique_ptr<PluginLibrary> library;
  std::unique_ptr<PluginInstance> plugin;
};

TEST_F(EditorLifecycle, OpenEmbedsOneChildAndCloseRemovesIt) {
  plugin->dispatch(effEditIdle);  // before any open: nothing happens
  EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(parent)), 1);
  EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(parent)), 1);  // second open: no-op
  XSync(display, False);
  EXPECT_EQ(childCount(parent), 1);
  for (int i = 0; i < 5; ++i) plugin->dispatch(effEditIdle);
  plugin->dispatch(effEditClose);
  plugin->dispatch(effEditClose);  // second close: harmless
  plugin->dispatch(effEditIdle);   // after close: nothing happens
  XSync(display, False);
  EXPECT_EQ(childCount(parent), 0);
}

TEST_F(EditorLifecycle, ManyCyclesWhileAudioRuns) {
  plugin->dispatch(effMainsChanged, 0, 1);
  float left[64] = {}, right[64] = {};
  float* io[2] = {left, right};
  for (int cycle = 0; cycle < 200; ++cycle) {
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(parent)), 1) << cycle;
    plugin->processReplacing(io, io, 64);
    plugin->dispatch(effEditIdle);
    plugin->setParameter(cycle % 23, float(cycle % 10) / 10.0f);
    plugin->dispatch(effEditIdle);
    plugin->dispatch(effEditClose);
  }
  XSync(display, False);
  EXPECT_EQ(childCount(parent), 0);
}

// The host's user-interface thread opens, idles and closes the editor while its audio
// thread processes and automates parameters (hosts send automation from the audio thread).
TEST_F(EditorLifecycle, OpenAndCloseOnTheInterfaceThreadWhileAnotherThreadRunsAudio) {
  plugin->dispatch(effMainsChanged, 0, 1);
  std::atomic<bool> stop{false}, finite{true};
  std::atomic<int> blocks{0};
  std::thread audio([&] {
    float left[128], right[128];
    for (int n = 0; !stop.load(); ++n) {
      for (int i = 0; i < 128; ++i) left[i] = right[i] = 0.5f * std::sin(0.07f * float(i + n));
      float* io[2] = {left, right};
      plugin->processReplacing(io, io, 128);
      plugin->setParameter(n % 23, float(n % 10) / 10.0f);
      for (int i = 0; i < 128; ++i) {
        if (!std::isfinite(left[i]) || !std::isfinite(right[i])) finite = false;
      }
      blocks.fetch_add(1);
    }
  });
  for (int cycle = 0; cycle < 30; ++cycle) {
    EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(parent)), 1) << cycle;
    for (int i = 0; i < 3; ++i) plugin->dispatch(effEditIdle);
    plugin->dispatch(effEditClose);
  }
  while (blocks.load() < 10) std::this_thread::yield();
  stop = true;
  audio.join();
  EXPECT_TRUE(finite.load());
  XSync(display, False);
  EXPECT_EQ(childCount(parent), 0);
}

TEST_F(EditorLifecycle, HostDestroysItsWindowBeforeClosingTheEditor) {
  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(parent)), 1);
  plugin->dispatch(effEditIdle);
  XDestroyWindow(display, parent);
  XSync(display, False);
  parent = 0;
  plugin->dispatch(effEditIdle);
  plugin->dispatch(effEditIdle);
  plugin->dispatch(effEditClose);
  // The editor opens again in a new window afterwards.
  parent = newParent();
  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(parent)), 1);
  plugin->dispatch(effEditIdle);
  XSync(display, False);
  EXPECT_EQ(childCount(parent), 1);
}

TEST_F(EditorLifecycle, HostClosesTheEffectWithTheEditorOpen) {
  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(parent)), 1);
  plugin->dispatch(effEditIdle);
  EXPECT_EQ(plugin->close(), 1);
  XSync(display, False);
  EXPECT_EQ(childCount(parent), 0);
}

// The idle call that handles a click also draws what it changed: the Auto-Gain lamp (lit
// in program 0) is dark on the screen right after the one call that handled its click.
TEST_F(EditorLifecycle, AClickIsDrawnByTheIdleCallThatHandlesIt) {
  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(parent)), 1);
  XSync(display, False);
  for (int i = 0; i < 3; ++i) plugin->dispatch(effEditIdle);
  Window root, up, *children = nullptr;
  unsigned int count = 0;
  XQueryTree(display, parent, &root, &up, &children, &count);
  ASSERT_EQ(count, 1u);
  XEvent click{};
  click.xbutton = {ButtonPress, 0,  False, display, children[0], root,    0,   0,
                   619,         73, 0,     0,       0,           Button1, True};
  XFree(children);
  auto lampRed = [&] {
    XImage* image = XGetImage(display, click.xbutton.window, 619, 73, 1, 1, AllPlanes, ZPixmap);
    const unsigned long red = (XGetPixel(image, 0, 0) >> 16) & 0xFF;
    XDestroyImage(image);
    return red;
  };
  EXPECT_GT(lampRed(), 120u);
  XSendEvent(display, click.xbutton.window, False, ButtonPressMask, &click);
  click.xbutton.type = ButtonRelease;
  XSendEvent(display, click.xbutton.window, False, ButtonReleaseMask, &click);
  XSync(display, False);
  plugin->dispatch(effEditIdle);
  EXPECT_EQ(plugin->getParameter(1), 0.0f);
  EXPECT_LT(lampRed(), 120u);
  plugin->dispatch(effEditClose);
}

TEST_F(EditorLifecycle, ANonexistentParentIsRefused) {
  EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(0x7FFFFFF0)), 0);
  plugin->dispatch(effEditIdle);
  plugin->dispatch(effEditClose);
  EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, handle(parent)), 1);
}

}  // namespace
}  // namespace tarvo::host
