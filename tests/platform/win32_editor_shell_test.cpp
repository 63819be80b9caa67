// The manual's button with a host that closes the editor, or the effect, while the shell
// runs its own message loop. The shell is replaced by a function that does just that; this
// program zeroes freed memory (win32_poisoned_heap.cpp), so going on inside the closed
// editor crashes or asks the shell again.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/registry_settings.h"
#include "platform/win32/shell_open.h"
#include "platform/win32_test_window.h"
#include "plugin/editor_glue.h"
#include "plugin/plugin.h"

namespace tarvo::plugin {
namespace {

vst::AEffect* gRecord = nullptr;
int32_t gCloseOpcode = 0;  // what the "host" does inside the shell
int gShellCalls = 0;

bool closingShell(const std::string& target, bool withOpenVerb, void* /*owner*/) {
  ++gShellCalls;
  EXPECT_EQ(target, "C:\\Tarvo\\manual.html");
  EXPECT_TRUE(withOpenVerb);
  gRecord->dispatcher(gRecord, gCloseOpcode, 0, 0, nullptr, 0.0f);
  test::pumpMessages();  // the shell's own message loop
  return true;
}

TEST(Win32EditorShell, TheHostClosesTheEditorOrTheEffectInsideTheShell) {
  // The installer's value, written in-process (a 32-bit test under qemu starts no reg.exe).
  const char kManual[] = "C:\\Tarvo\\manual.html";
  ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, platform::win32::kSettingsKey, "Manual", REG_SZ,
                            kManual, sizeof kManual),
            ERROR_SUCCESS);
  setEditorWindowFactory(makePlatformEditorWindow);
  platform::win32::setShellOpenFunction(closingShell);
  const HWND parent = test::makeHostWindow();
  for (const int32_t opcode : {vst::effEditClose, vst::effClose}) {
    gCloseOpcode = opcode;
    gShellCalls = 0;
    gRecord = (new APlugin([](vst::AEffect*, int32_t, int32_t, vst::VstIntPtr, void*,
                              float) -> vst::VstIntPtr {
                return 0;
              }))->getAeffect();
    ASSERT_EQ(gRecord->dispatcher(gRecord, vst::effEditOpen, 0, 0, parent, 0.0f), 1);
    const HWND child = GetWindow(parent, GW_CHILD);
    // Two clicks, handled as the system sends them: two requests wait for the host's loop.
    for (int click = 0; click < 2; ++click) {
      SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(549, 30));
      SendMessageW(child, WM_LBUTTONUP, 0, MAKELPARAM(549, 30));
    }
    EXPECT_EQ(gShellCalls, 0) << "the shell is asked from the host's loop, not in the click";
    test::pumpMessages();
    EXPECT_EQ(gShellCalls, 1) << "the second request went with the closed editor";
    EXPECT_FALSE(IsWindow(child));
    if (opcode == vst::effEditClose) {  // the effect lives on, and its editor opens again
      EXPECT_EQ(gRecord->dispatcher(gRecord, vst::effEditOpen, 0, 0, parent, 0.0f), 1);
      gRecord->dispatcher(gRecord, vst::effEditIdle, 0, 0, nullptr, 0.0f);
      gRecord->dispatcher(gRecord, vst::effClose, 0, 0, nullptr, 0.0f);
    }
  }
  platform::win32::setShellOpenFunction(nullptr);
  setEditorWindowFactory(nullptr);
  RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, platform::win32::kSettingsKey, "Manual");
  DestroyWindow(parent);
}

}  // namespace
}  // namespace tarvo::plugin
