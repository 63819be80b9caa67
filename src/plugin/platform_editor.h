// The editor in the platform's child window (X11 or Win32, platform/child_window.h): what
// the adapter's factory creates in the plug-in binary.
#pragma once

#include <memory>

#include "plugin/editor_window.h"

namespace tarvo::plugin {

// Creates the editor window as a child of the host's `parent` (the X11 window id or the
// HWND given to effEditOpen); null when there is no display or no such window.
std::unique_ptr<EditorWindow> makePlatformEditorWindow(APlugin& effect, void* parent);

}  // namespace tarvo::plugin
