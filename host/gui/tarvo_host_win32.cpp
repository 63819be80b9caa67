// tarvo-host for Windows: a small VST 2 host that shows the Tarvo editor in a window of its
// own and plays the built-in demo through the effect in real time, so the meters move. The
// editor is idled from the window's message loop by a timer, as hosts do. Automation from
// the editor is printed as "automate INDEX VALUE"; the final parameters as "param I VALUE".
//
//   tarvo-host --gui [--plugin PATH] [--program N|NAME] [--seconds S]
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "params/value_parse.h"
#include "render/demo_signal.h"
#include "vsthost/vst_host.h"

namespace {

using namespace tarvo;

std::atomic<bool> gStop{false};
constexpr UINT_PTR kIdleTimer = 1;

// The audio loop: the demo, looped, through processReplacing at the pace of real time.
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

LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* plugin = reinterpret_cast<host::PluginInstance*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_TIMER:
      if (wParam == kIdleTimer && plugin != nullptr) plugin->dispatch(vst::effEditIdle);
      return 0;
    case WM_CLOSE:
      gStop.store(true);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

// A mistake in the command line: exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Options {
  bool gui = false;
  std::string plugin = TARVO_DEFAULT_PLUGIN;
  int program = -1;
  double seconds = 0.0;
};

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--version") {
      std::printf("tarvo-host %s (Tarvo by Velmora Audio)\n", TARVO_VERSION);
      std::exit(0);
    } else if (a == "--gui") {
      o.gui = true;
    } else if (a == "--plugin" && hasValue) {
      o.plugin = argv[++i];
    } else if (a == "--program" && hasValue) {
      const std::optional<int> program = params::findProgram(argv[++i]);
      if (!program) {
        throw UsageError("unknown program '" + std::string(argv[i]) +
                         "'; give a number 0-24 or a name");
      }
      o.program = *program;
    } else if (a == "--seconds" && hasValue) {
      o.seconds = std::strtod(argv[++i], nullptr);
    } else {
      throw UsageError(
          "usage: tarvo-host --gui [--plugin PATH] [--program N|NAME] "
          "[--seconds S] | --version");
    }
  }
  if (!o.gui) throw UsageError("--gui is required (the only mode)");
  return o;
}

int run(int argc, char** argv) {
  const Options options = parse(argc, argv);
  const render::StereoSignal signal = render::makeDemoSignal(44100);

  std::mutex printMutex;
  host::PluginLibrary library(options.plugin);
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
  if (options.program >= 0) plugin.dispatch(vst::effSetProgram, 0, options.program);

  vst::ERect* rect = nullptr;
  plugin.dispatch(vst::effEditGetRect, 0, 0, &rect);
  const int width = rect ? rect->right - rect->left : 645;
  const int height = rect ? rect->bottom - rect->top : 485;

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = frameProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = L"TarvoHostFrame";
  RegisterClassExW(&wc);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT outer{0, 0, width, height};
  AdjustWindowRect(&outer, style, FALSE);
  HWND frame = CreateWindowExW(0, wc.lpszClassName, L"Tarvo - Velmora Audio", style, 0, 0,
                               outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                               wc.hInstance, nullptr);
  if (frame == nullptr) throw std::runtime_error("cannot create the host window");
  SetWindowLongPtrW(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&plugin));
  ShowWindow(frame, SW_SHOWNORMAL);
  UpdateWindow(frame);

  if (plugin.dispatch(vst::effEditOpen, 0, 0, frame) == 0) {
    std::fprintf(stderr, "tarvo-host: the plug-in could not open its editor\n");
  }
  std::printf("editor open in window %p\n", static_cast<void*>(frame));
  std::fflush(stdout);

  plugin.dispatch(vst::effSetSampleRate, 0, 0, nullptr, float(signal.sampleRate));
  plugin.dispatch(vst::effSetBlockSize, 0, 256);
  plugin.dispatch(vst::effMainsChanged, 0, 1);
  std::thread audio(audioLoop, std::ref(plugin), std::cref(signal), 256);

  SetTimer(frame, kIdleTimer, 33, nullptr);
  const auto start = std::chrono::steady_clock::now();
  while (!gStop.load()) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (options.seconds > 0 &&
        std::chrono::steady_clock::now() - start > std::chrono::duration<double>(options.seconds)) {
      gStop.store(true);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  KillTimer(frame, kIdleTimer);
  audio.join();
  plugin.dispatch(vst::effEditClose);
  plugin.dispatch(vst::effMainsChanged, 0, 0);
  for (int i = 0; i < 25; ++i) std::printf("param %d %.6f\n", i, double(plugin.getParameter(i)));
  std::fflush(stdout);
  SetWindowLongPtrW(frame, GWLP_USERDATA, 0);
  plugin.close();
  DestroyWindow(frame);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "tarvo-host: %s\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvo-host: %s\n", e.what());
    return 1;
  }
}
