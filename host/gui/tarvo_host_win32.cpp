// tarvo-host for Windows: a small VST 2 host that shows the Tarvo editor in a window of its
// own. The editor is idled from the window's message loop by a timer, as hosts do; the
// session (host_session.h) loads the plug-in, runs the audio and prints the automation.
//
//   tarvo-host --gui [--input FILE] [--plugin PATH] [--program N|NAME] [--seconds S]
#include <windows.h>

#include <cstdio>
#include <optional>
#include <stdexcept>

#include "gui/host_session.h"

namespace {

using namespace tarvo;

constexpr UINT_PTR kIdleTimer = 1;

LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* plugin = reinterpret_cast<host::PluginInstance*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_TIMER:
      if (wParam == kIdleTimer && plugin != nullptr) plugin->dispatch(vst::effEditIdle);
      return 0;
    case WM_CLOSE:
      gui::requestStop();
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

int run(int argc, char** argv) {
  gui::HostOptions options;
  if (const std::optional<int> status = gui::parseHostOptions(argc, argv, options)) return *status;
  gui::HostSession session(options, gui::loadSignal(options.input));
  host::PluginInstance& plugin = session.plugin();

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = frameProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = L"TarvoHostFrame";
  RegisterClassExW(&wc);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT outer{0, 0, session.editorWidth(), session.editorHeight()};
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

  session.startAudio();
  SetTimer(frame, kIdleTimer, 33, nullptr);
  while (session.running()) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  KillTimer(frame, kIdleTimer);
  SetWindowLongPtrW(frame, GWLP_USERDATA, 0);
  session.finish();
  DestroyWindow(frame);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvo-host: %s\n", e.what());
    return 1;
  }
}
