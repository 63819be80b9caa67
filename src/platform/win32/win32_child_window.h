// What the Win32 backend of platform/child_window.h adds for tests and tools: the editor's
// window class. The window is a WS_CHILD of the window the host hands to effEditOpen. Its
// window procedure runs inside the host's message loop on the thread that created it, the
// host's user-interface thread, which also makes the idle calls. So mouse input is handed
// to the sink the moment it arrives (knobs follow the mouse however slowly the host
// idles), and each WM_PAINT brings the picture up to date before it paints.
#pragma once

#include <string>

namespace tarvo::platform::win32 {

// The window class's name: unique to the module that holds this code (the DLL's handle is
// part of it), so two Tarvo builds loaded into one process never share a class.
std::wstring editorClassName();
// Whether the class is registered now (it is registered at the first window creation;
// platform::unregisterWindowClass gives it back).
bool editorClassRegistered();

}  // namespace tarvo::platform::win32
