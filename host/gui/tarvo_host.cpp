// tarvo-host --gui: a small interactive VST 2 host for trying the editor without a DAW.
// Opens a top-level X11 window, embeds the plug-in's editor and sends it idle calls about
// 30 times a second; the session (host_session.h) loads the plug-in, runs the audio and
// prints the automation.
// clang-format off
// The project's headers before Xlib: its macros (Success, None, Status) clash with names
// there.
#include "gui/host_session.h"
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on

#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>

namespace {

using namespace tarvo;

void onSignal(int) {
  gui::requestStop();
}

int run(int argc, char** argv) {
  gui::HostOptions options;
  if (const std::optional<int> status = gui::parseHostOptions(argc, argv, options)) return *status;
  render::StereoSignal signal = gui::loadSignal(options.input);

  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) throw std::runtime_error("cannot open the X display (is DISPLAY set?)");

  gui::HostSession session(options, std::move(signal));
  const int width = session.editorWidth();
  const int height = session.editorHeight();

  const int screen = DefaultScreen(display);
  Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, width, height, 0,
                                      BlackPixel(display, screen), BlackPixel(display, screen));
  XStoreName(display, window, "Tarvo - Velmora Audio");
  XSizeHints hints{};
  hints.flags = PMinSize | PMaxSize;
  hints.min_width = hints.max_width = width;
  hints.min_height = hints.max_height = height;
  XSetWMNormalHints(display, window, &hints);
  Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &deleteWindow, 1);
  XSelectInput(display, window, StructureNotifyMask);
  XMapWindow(display, window);
  XSync(display, False);

  host::PluginInstance& plugin = session.plugin();
  if (plugin.dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(window)) == 0) {
    std::cerr << "tarvo-host: the plug-in could not open its editor\n";
  }
  std::printf("editor open in window 0x%lx\n", static_cast<unsigned long>(window));
  std::fflush(stdout);

  session.startAudio();
  const auto tick = std::chrono::milliseconds(33);
  while (session.running()) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == ClientMessage &&
          static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
        gui::requestStop();
      }
    }
    plugin.dispatch(vst::effEditIdle);
    std::this_thread::sleep_for(tick);
  }
  session.finish();
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGINT, onSignal);
  std::signal(SIGTERM, onSignal);
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "tarvo-host: " << e.what() << "\n";
    return 1;
  }
}
