// The library's one exported function: the VST 2 entry point `main`.
#include "dsp/fp_control.h"
#include "platform/child_window.h"
#include "plugin/editor_glue.h"
#include "plugin/plugin.h"

namespace {

// Masks every floating-point exception as soon as the library is loaded,
// before any effect exists, and chooses the window system of the editor.
struct LibraryLoad {
  LibraryLoad() {
    tarvo::dsp::maskFloatingPointExceptions();
    tarvo::plugin::setEditorWindowFactory(tarvo::plugin::makePlatformEditorWindow);
  }
} gLibraryLoad;

}  // namespace

#if defined(_WIN32)
// The library's load and unload notifications (the C runtime calls this after its own
// start-up and before its own shutdown). The editor's window class is given back when a host
// unloads the library with FreeLibrary; at process exit (`reserved` not null) the system
// takes everything back and nothing may be called any more. The parameter types are those
// of BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID), spelled without <windows.h>.
extern "C" int __stdcall DllMain(void* /*module*/, unsigned long reason, void* reserved) {
  constexpr unsigned long kProcessDetach = 0;  // DLL_PROCESS_DETACH
  if (reason == kProcessDetach && reserved == nullptr) tarvo::platform::unregisterWindowClass();
  return 1;
}
#endif

// C++ reserves the name `main` for the program entry, so the function has an ordinary
// name and is exported under the symbol the host looks up: by a symbol alias here, by
// the module definition file (exports.def) on Windows.
#if defined(_WIN32)
extern "C" tarvo::vst::AEffect* VSTCALL tarvoVstEntry(tarvo::vst::AudioMasterCallback audioMaster);
#else
extern "C" __attribute__((visibility("default"))) tarvo::vst::AEffect* tarvoVstEntry(
    tarvo::vst::AudioMasterCallback audioMaster) __asm__("main");
#endif

extern "C" tarvo::vst::AEffect* VSTCALL tarvoVstEntry(tarvo::vst::AudioMasterCallback audioMaster) {
  if (audioMaster == nullptr) return nullptr;
  if (audioMaster(nullptr, tarvo::vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
    return nullptr;
  }
  try {
    // Owned by the host from here on: effClose deletes it.
    auto* effect = new tarvo::plugin::APlugin(audioMaster);
    return effect->getAeffect();
  } catch (...) {
    return nullptr;  // out of memory: the host gets no effect rather than a crash
  }
}
