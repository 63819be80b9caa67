// The editor in a real X11 window: what the adapter's factory creates on Linux.
#pragma once

#include <memory>

#include "plugin/editor_window.h"

namespace tarvo::plugin {

// Creates the editor window as a child of the X11 window whose id the host passed in
// `parent`; null when there is no display or no such window.
std::unique_ptr<EditorWindow> makeX11EditorWindow(APlugin& effect, void* parent);

}  // namespace tarvo::plugin
