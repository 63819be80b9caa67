// The editor of the built Tarvo.dll in a real Win32 window, driven only through the
// effect's record as a host does: open into a host window, the panel on the screen before
// any idle call, mouse drags and the A/B switch with and without idle calls, the manual's
// button through the registry and the shell, close and reopen, and a host that destroys
// its window before closing the editor. The Windows stage's 32-bit run leaves out the test
// of the shell (it starts a second program, which 32-bit Wine under qemu cannot).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/win32_test_window.h"
#include "vsthost/vst_host.h"

namespace tarvo::host {
namespace {

using namespace tarvo::vst;
using test::makeHostWindow;
using test::pumpMessages;

struct Automation {
  int index;
  float value;
};

// Panel points (centres of controls).
constexpr int kThresholdX = 391, kThresholdY = 109;
constexpr int kRatioX = 331, kRatioY = 203;
constexpr int kAttackX = 451, kAttackY = 203;
constexpr int kManualX = 549, kManualY = 30;
constexpr int kABX = 278, kABY = 91;

// The editor window as the screen shows it (read back from the screen): 645 x 485 pixels,
// 0x00RRGGBB, top-down.
using Screenshot = std::vector<uint32_t>;
Screenshot screenshot(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 645, -485, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, 645, 485, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  Screenshot shot(static_cast<const uint32_t*>(bits),
                  static_cast<const uint32_t*>(bits) + 645 * 485);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  for (uint32_t& pixel : shot) pixel &= 0xFFFFFF;
  return shot;
}

// Pixels that differ between two screenshots in the square of `radius` around (x, y).
int differences(const Screenshot& a, const Screenshot& b, int x, int y, int radius) {
  int count = 0;
  for (int v = y - radius; v <= y + radius; ++v) {
    for (int u = x - radius; u <= x + radius; ++u) count += a[v * 645 + u] != b[v * 645 + u];
  }
  return count;
}

// The composed panel, not a black or evenly filled window: nearly every pixel lit, and
// many colours (chassis, knobs, labels).
void expectPanelShown(const Screenshot& shot) {
  EXPECT_GT(std::count_if(shot.begin(), shot.end(), [](uint32_t p) { return p != 0; }),
            645 * 485 * 9 / 10);
  EXPECT_GT(std::set<uint32_t>(shot.begin(), shot.end()).size(), 100u);
}

class Win32Editor : public ::testing::Test {
 protected:
  void SetUp() override {
    library = std::make_unique<PluginLibrary>(TARVO_PLUGIN_PATH);
    plugin = std::make_unique<PluginInstance>(
        *library,
        [this](AEffect* e, int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
               float opt) -> VstIntPtr {
          if (opcode == audioMasterAutomate) automations.push_back({index, opt});
          return defaultHostAnswer(e, opcode, index, value, ptr, opt);
        });
    ASSERT_NE(plugin->effect(), nullptr);
    parent = makeHostWindow();
    ASSERT_NE(parent, nullptr);
  }
  void TearDown() override {
    plugin.reset();
    library.reset();
    if (parent != nullptr && IsWindow(parent)) DestroyWindow(parent);
    pumpMessages();
  }

  // One turn of a host's loop: its messages, then the editor's idle (unless the host is
  // one that idles too slowly to matter).
  void turn() {
    if (hostIdles) {
      idle();
    } else {
      pumpMessages();
    }
  }
  void idle(int times = 1) {
    for (int i = 0; i < times; ++i) {
      pumpMessages();
      plugin->dispatch(effEditIdle);
    }
    pumpMessages();
  }
  HWND editorWindow() const { return GetWindow(parent, GW_CHILD); }
  // Mouse messages as the system posts them to the window under the pointer.
  void mouse(UINT message, WPARAM keys, int x, int y) {
    PostMessageW(editorWindow(), message, keys, MAKELPARAM(x, y));
    turn();
  }
  void dragVertically(int x, int y, int distance, WPARAM modifiers) {
    mouse(WM_LBUTTONDOWN, MK_LBUTTON | modifiers, x, y);
    EXPECT_EQ(GetCapture(), editorWindow()) << "the drag holds the mouse";
    const int step = distance > 0 ? 1 : -1;
    for (int d = step; d != distance + step; d += step) {
      mouse(WM_MOUSEMOVE, MK_LBUTTON | modifiers, x, y + d);
    }
    mouse(WM_LBUTTONUP, modifiers, x, y + distance);
    EXPECT_EQ(GetCapture(), nullptr);
  }
  std::vector<float> automationsOf(int index) const {
    std::vector<float> values;
    for (const Automation& a : automations) {
      if (a.index == index) values.push_back(a.value);
    }
    return values;
  }
  void click(int x, int y, WPARAM modifiers = 0) {
    mouse(WM_LBUTTONDOWN, MK_LBUTTON | modifiers, x, y);
    mouse(WM_LBUTTONUP, modifiers, x, y);
  }

  std::unique_ptr<PluginLibrary> library;
  std::unique_ptr<PluginInstance> plugin;
  std::vector<Automation> automations;
  HWND parent = nullptr;
  bool hostIdles = true;
};

TEST_F(Win32Editor, OpensAsAChildOfTheHostWindowWithThePanelSize) {
  ERect* rect = nullptr;
  EXPECT_EQ(plugin->dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right - rect->left, 645);
  EXPECT_EQ(rect->bottom - rect->top, 485);
  EXPECT_EQ(editorWindow(), nullptr);
  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, parent), 1);
  const HWND child = editorWindow();
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetParent(child), parent);
  EXPECT_NE(GetWindowLongPtrW(child, GWL_STYLE) & WS_CHILD, 0);
  EXPECT_TRUE(IsWindowVisible(child));
  RECT client;
  ASSERT_TRUE(GetClientRect(child, &client));
  EXPECT_EQ(client.right, 645);
  EXPECT_EQ(client.bottom, 485);
  // The class belongs to the DLL, not to this program.
  wchar_t className[128] = {};
  GetClassNameW(child, className, 128);
  WNDCLASSEXW info{};
  info.cbSize = sizeof(info);
  EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), className, &info));
  HMODULE dll = GetModuleHandleW(L"Tarvo.dll");
  ASSERT_NE(dll, nullptr);
  EXPECT_TRUE(GetClassInfoExW(dll, className, &info));
  // A second open changes nothing.
  EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, parent), 1);
  EXPECT_EQ(GetWindow(child, GW_HWNDNEXT), nullptr) << "one child only";

  // The whole panel is on the screen before any idle call, and each paint shows it as it
  // is now: a host's change shows at the next exposure, without an idle call.
  pumpMessages();
  const Screenshot opened = screenshot(child);
  expectPanelShown(opened);
  plugin->setParameter(0, 0.25f);
  InvalidateRect(child, nullptr, TRUE);
  UpdateWindow(child);
  pumpMessages();
  const Screenshot exposed = screenshot(child);
  expectPanelShown(exposed);
  EXPECT_GT(differences(exposed, opened, kThresholdX, kThresholdY, 20), 20);
  plugin->dispatch(effEditClose);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(editorWindow(), nullptr);
}

TEST_F(Win32Editor, DraggingAKnobAutomatesItsParameter) {
  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, parent), 1);
  idle(2);
  const HWND child = editorWindow();
  HDC dc = GetDC(child);
  std::vector<COLORREF> before;
  for (int dy = -20; dy <= 20; dy += 2)
    before.push_back(GetPixel(dc, kThresholdX + dy, kThresholdY - 12));
  ReleaseDC(child, dc);

  const float start = plugin->getParameter(0);
  dragVertically(kThresholdX, kThresholdY, 30, 0);  // down: lower threshold
  const float end = plugin->getParameter(0);
  EXPECT_LT(end, start);
  const std::vector<float> sent = automationsOf(0);
  ASSERT_GE(sent.size(), 5u) << "one automation per step of the drag";
  EXPECT_FLOAT_EQ(sent.back(), end);
  EXPECT_TRUE(std::is_sorted(sent.rbegin(), sent.rend())) << "values run one way";

  // The knob's picture changed on the screen.
  idle(2);
  dc = GetDC(child);
  int changed = 0;
  size_t i = 0;
  for (int dy = -20; dy <= 20; dy += 2)
    changed += GetPixel(dc, kThresholdX + dy, kThresholdY - 12) != before[i++];
  ReleaseDC(child, dc);
  EXPECT_GT(changed, 0);

  // Shift: ten times finer steps.
  automations.clear();
  const float ratioStart = plugin->getParameter(3);
  dragVertically(kRatioX, kRatioY, -10, MK_SHIFT);
  const float ratioEnd = plugin->getParameter(3);
  EXPECT_GT(ratioEnd, ratioStart);
  EXPECT_LT(ratioEnd - ratioStart, 0.05f);
  EXPECT_FALSE(automationsOf(3).empty());

  // Ctrl-click resets Attack to its minimum.
  plugin->setParameter(4, 0.6f);
  idle(2);
  click(kAttackX, kAttackY, MK_CONTROL);
  EXPECT_FLOAT_EQ(plugin->getParameter(4), 0.0f);
  ASSERT_FALSE(automationsOf(4).empty());
  EXPECT_FLOAT_EQ(automationsOf(4).back(), 0.0f);
}

// A host whose idle calls are far apart (here: none). A drag moves the knob and sends its
// automation pixel by pixel, from the host's latest value; the A/B switch sends and shows
// slot B (factory program 0, which the effect opened with) and then A again.
TEST_F(Win32Editor, KnobDragAndTheABSwitchWorkWithoutIdleCalls) {
  hostIdles = false;
  const float opening = plugin->getParameter(0);
  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, parent), 1);
  pumpMessages();
  const HWND child = editorWindow();
  const Screenshot before = screenshot(child);
  plugin->setParameter(0, 0.6f);  // automation playback just before the user grabs the knob
  dragVertically(kThresholdX, kThresholdY, 30, 0);
  const std::vector<float> sent = automationsOf(0);
  ASSERT_EQ(sent.size(), 30u);
  for (size_t i = 0; i < sent.size(); ++i) EXPECT_FLOAT_EQ(sent[i], (59 - int(i)) / 100.0f);
  const Screenshot dragged = screenshot(child);
  EXPECT_GT(differences(dragged, before, kThresholdX, kThresholdY, 20), 20);
  for (const float slot : {opening, sent.back()}) {
    automations.clear();
    click(kABX, kABY);
    ASSERT_EQ(automations.size(), 25u);
    EXPECT_FLOAT_EQ(automationsOf(0).at(0), slot);
    const Screenshot shown = screenshot(child);
    const Screenshot& expected = slot == opening ? before : dragged;
    EXPECT_EQ(differences(shown, expected, kThresholdX, kThresholdY, 20), 0);
    EXPECT_EQ(differences(shown, before, kABX, kABY, 5) > 10, slot == opening) << "A/B lamp";
  }
  plugin->dispatch(effEditClose);
}

TEST_F(Win32Editor, ShowsTheHandOverTheManualButton) {
  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, parent), 1);
  idle(2);
  const HWND child = editorWindow();
  const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  mouse(WM_MOUSEMOVE, 0, kManualX, kManualY);
  SendMessageW(child, WM_SETCURSOR, reinterpret_cast<WPARAM>(child), overClient);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
  mouse(WM_MOUSEMOVE, 0, 300, 300);
  SendMessageW(child, WM_SETCURSOR, reinterpret_cast<WPARAM>(child), overClient);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
  plugin->dispatch(effEditClose);
}

// The registry value "Manual" names a program here, so the shell's "open" can be seen.
TEST_F(Win32Editor, TheManualButtonOpensTheRegistryPathThroughTheShell) {
  std::string probe = TARVO_SHELL_PROBE;
  std::replace(probe.begin(), probe.end(), '/', '\\');
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string marker =
      std::string(temp) + "tarvo-probe-" + std::to_string(GetCurrentProcessId()) + ".txt";
  DeleteFileA(marker.c_str());
  SetEnvironmentVariableA("TARVO_PROBE_OUT", marker.c_str());
  const std::string key = "HKLM\\Software\\Velmora Audio\\Tarvo";
  ASSERT_EQ(std::system(("reg add \"" + key + "\" /v Manual /t REG_DWORD /d 1 /f >NUL").c_str()),
            0);

  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, parent), 1);
  idle(2);
  // A number where the path belongs: the click does nothing (and nothing breaks).
  click(kManualX, kManualY);
  ASSERT_EQ(
      std::system(
          ("reg add \"" + key + "\" /v Manual /t REG_SZ /d \"" + probe + "\" /f >NUL").c_str()),
      0);
  EXPECT_EQ(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES);
  click(kManualX, kManualY);
  bool ran = false;
  for (int i = 0; i < 300 && !ran; ++i) {
    Sleep(100);
    idle();
    ran = GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  EXPECT_TRUE(ran) << "the shell did not start " << probe;
  plugin->dispatch(effEditClose);
  std::system(("reg delete \"" + key + "\" /f >NUL 2>&1").c_str());
  Sleep(200);
  DeleteFileA(marker.c_str());
}

TEST_F(Win32Editor, CloseReopenAndAHostThatDestroysItsWindowFirst) {
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, parent), 1);
    idle(2);
    ASSERT_NE(editorWindow(), nullptr);
    plugin->dispatch(effEditClose);
    plugin->dispatch(effEditClose);  // twice: nothing more happens
    EXPECT_EQ(editorWindow(), nullptr);
    idle();  // idle while closed
  }
  // The host destroys its window while the editor is open, in the middle of a drag.
  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, parent), 1);
  idle(2);
  const HWND child = editorWindow();
  mouse(WM_LBUTTONDOWN, MK_LBUTTON, kThresholdX, kThresholdY);
  DestroyWindow(parent);
  parent = nullptr;
  EXPECT_FALSE(IsWindow(child));
  idle(3);  // still idled before the close
  plugin->setParameter(0, 0.25f);
  idle(2);
  plugin->dispatch(effEditClose);
  // And the editor opens again into a new window, showing the host's change.
  parent = makeHostWindow();
  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, parent), 1);
  idle(2);
  EXPECT_NE(editorWindow(), nullptr);
  EXPECT_FLOAT_EQ(plugin->getParameter(0), 0.25f);
  plugin->dispatch(effEditClose);
}

TEST_F(Win32Editor, OpenWithoutAWindowAnswersZero) {
  EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, nullptr), 0);
  HWND gone = makeHostWindow();
  DestroyWindow(gone);
  EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, gone), 0);
  idle();
  plugin->dispatch(effEditClose);
}

}  // namespace
}  // namespace tarvo::host
