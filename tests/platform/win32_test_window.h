// A host's top-level window for the Win32 window tests, and the host's message loop.
#pragma once

#include <windows.h>

namespace tarvo::test {

inline const wchar_t* hostWindowClass() {
  static const wchar_t* kClass = L"TarvoTestHostWindow";
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    registered = RegisterClassExW(&wc) != 0;
  }
  return kClass;
}

// The host's main window, created once and kept for the whole program: without a window
// manager (Xvfb) Wine waits about two seconds for every top-level window it destroys.
inline HWND hostMainWindow() {
  static HWND main = [] {
    HWND hwnd = CreateWindowExW(0, hostWindowClass(), L"Tarvo test host",
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 760, 600,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(hwnd);
    return hwnd;
  }();
  return main;
}

// The window a host hands to the plug-in: a visible child of the host's main window, as
// hosts embed editors in a frame of their own.
inline HWND makeHostWindow(int width = 700, int height = 540) {
  HWND hwnd = CreateWindowExW(0, hostWindowClass(), L"Tarvo test frame",
                              WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                              hostMainWindow(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (hwnd != nullptr) UpdateWindow(hwnd);
  return hwnd;
}

// Dispatches every message waiting for this thread, as a host's loop does between idles.
inline void pumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace tarvo::test
