// The editor in a Win32 child window: what the adapter's factory creates on Windows.
#pragma once

#include <memory>

#include "plugin/editor_window.h"

namespace tarvo::plugin {

// Creates the editor window as a child of the HWND the host passed in `parent`; null when
// `parent` is not a window.
std::unique_ptr<EditorWindow> makeWin32EditorWindow(APlugin& effect, void* parent);

// The library is being unloaded (FreeLibrary, not process exit): gives back the window
// class.
void win32EditorLibraryUnload();

}  // namespace tarvo::plugin
