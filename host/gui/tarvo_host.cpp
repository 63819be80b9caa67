// tarvo-host --gui: a small interactive VST 2 host for trying the editor without a DAW.
// Opens a top-level X11 window, loads the plug-in through the binary interface, embeds its
// editor, sends it idle calls about 30 times a second and runs audio on a thread of its own
// so the meters move. Every automation the plug-in reports is printed.
// clang-format off
// CLI11 before Xlib: Xlib's macros (Success, None, Status) clash with names in CLI11.
#include <CLI/CLI.hpp>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "params/value_parse.h"
#include "render/cli_status.h"
#include "render/demo_signal.h"
#include "render/sound_file.h"
#include "vsthost/vst_host.h"

namespace {

using namespace tarvo;

std::atomic<bool> gStop{false};

void onSignal(int) {
  gStop.store(true);
}

// The audio loop: the whole input, looped, through processReplacing in real time.
void audioLoop(host::PluginInstance& plugin, const render::StereoSignal& signal, int block) {
  std::vector<float> inL(block), inR(block), outL(block), outR(block);
  float* in[2] = {inL.data(), inR.data()};
  float* out[2] = {outL.data(), outR.data()};
  long position = 0;
  const auto period = std::chrono::duration<double>(double(block) / signal.sampleRate);
  auto next = std::chrono::steady_clock::now();
  while (!gStop.load()) {
    for (int i = 0; i < block; ++i) {
      inL[i] = signal.interleaved[2 * position];
      inR[i] = signal.interleaved[2 * position + 1];
      position = (position + 1) % signal.frames();
    }
    plugin.processReplacing(in, out, block);
    next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
    std::this_thread::sleep_until(next);
  }
}

render::StereoSignal loadInput(const std::string& path) {
  render::SoundFileReader reader(path);
  const auto& f = reader.format();
  if (f.channels < 1 || f.channels > 2) {
    throw std::runtime_error("'" + path + "' has " + std::to_string(f.channels) +
                             " channels; use a mono or stereo file");
  }
  render::StereoSignal signal;
  signal.sampleRate = f.sampleRate;
  std::vector<float> buffer(4096 * f.channels);
  for (;;) {
    const int64_t n = reader.read(buffer.data(), 4096);
    if (n <= 0) break;
    for (int64_t i = 0; i < n; ++i) {
      const float l = buffer[i * f.channels];
      signal.interleaved.push_back(l);
      signal.interleaved.push_back(f.channels == 2 ? buffer[i * 2 + 1] : l);
    }
  }
  if (signal.frames() == 0) throw std::runtime_error("'" + path + "' holds no audio");
  return signal;
}

int run(int argc, char** argv) {
  CLI::App app{"tarvo-host: a small VST 2 host that shows the Tarvo editor"};
  render::addVersionFlag(app, "tarvo-host");
  bool gui = false;
  std::string input;
  std::string pluginPath = TARVO_DEFAULT_PLUGIN;
  std::string programText;
  double seconds = 0.0;
  app.add_flag("--gui", gui, "open the editor in a window (the only mode for now)")->required();
  app.add_option("--input", input, "audio file to loop (default: the built-in demo)");
  app.add_option("--plugin", pluginPath, "the plug-in binary")->capture_default_str();
  app.add_option("--program", programText, "factory program to start with: number 0-24 or name");
  app.add_option("--seconds", seconds, "quit after this many seconds (0: when closed)");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return render::statusAfterParse(app, e);
  }
  int program = -1;
  if (!programText.empty()) {
    const std::optional<int> found = params::findProgram(programText);
    if (!found) {
      std::cerr << "tarvo-host: unknown program '" << programText
                << "'; give a number 0-24 or a name (tarvo-render --list shows them)\n";
      return render::kExitUsage;
    }
    program = *found;
  }

  const render::StereoSignal signal =
      input.empty() ? render::makeDemoSignal(44100) : loadInput(input);

  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) throw std::runtime_error("cannot open the X display (is DISPLAY set?)");

  std::mutex printMutex;
  host::PluginLibrary library(pluginPath);
  host::PluginInstance plugin(library,
                              [&](vst::AEffect* e, int32_t opcode, int32_t index,
                                  vst::VstIntPtr value, void* ptr, float opt) -> vst::VstIntPtr {
                                if (opcode == vst::audioMasterAutomate) {
                                  std::lock_guard<std::mutex> lock(printMutex);
                                  std::printf("automate %d %.6f\n", index, double(opt));
                                  std::fflush(stdout);
                                  return 0;
                                }
                                return host::defaultHostAnswer(e, opcode, index, value, ptr, opt);
                              });
  if (plugin.effect() == nullptr) throw std::runtime_error("the plug-in declined to start");
  if (program >= 0) plugin.dispatch(vst::effSetProgram, 0, program);

  vst::ERect* rect = nullptr;
  plugin.dispatch(vst::effEditGetRect, 0, 0, &rect);
  const int width = rect ? rect->right - rect->left : 645;
  const int height = rect ? rect->bottom - rect->top : 485;

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

  if (plugin.dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(window)) == 0) {
    std::cerr << "tarvo-host: the plug-in could not open its editor\n";
  }
  std::printf("editor open in window 0x%lx\n", static_cast<unsigned long>(window));
  std::fflush(stdout);

  plugin.dispatch(vst::effSetSampleRate, 0, 0, nullptr, float(signal.sampleRate));
  plugin.dispatch(vst::effSetBlockSize, 0, 256);
  plugin.dispatch(vst::effMainsChanged, 0, 1);
  std::thread audio(audioLoop, std::ref(plugin), std::cref(signal), 256);

  const auto start = std::chrono::steady_clock::now();
  const auto tick = std::chrono::milliseconds(33);
  while (!gStop.load()) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == ClientMessage &&
          static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
        gStop.store(true);
      }
    }
    plugin.dispatch(vst::effEditIdle);
    if (seconds > 0 &&
        std::chrono::steady_clock::now() - start > std::chrono::duration<double>(seconds)) {
      gStop.store(true);
    }
    std::this_thread::sleep_for(tick);
  }
  audio.join();
  plugin.dispatch(vst::effEditClose);
  plugin.dispatch(vst::effMainsChanged, 0, 0);
  // Report the final parameter values, for scripts that drive the editor.
  for (int i = 0; i < 25; ++i) std::printf("param %d %.6f\n", i, double(plugin.getParameter(i)));
  std::fflush(stdout);
  plugin.close();
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
