// Loads the built LV2 UI binary with dlopen and drives it as an LV2 host does, in a real X
// server: instantiated in a parent window, idled, dragged with the pointer, told of port
// values, and left behind by a host that destroys its window first.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/ui/ui.h>

#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "editor/editor_layout.h"
#include "lv2/lv2_ports.h"
#include "params/factory_presets.h"
// After the project's headers: Xlib's macros (None, Bool) would rename their names.
#include <X11/Xlib.h>

namespace tarvo::lv2 {
namespace {

struct Write {
  uint32_t port, size, format;
  float value;
};

void recordWrite(LV2UI_Controller writes, uint32_t port, uint32_t size, uint32_t format,
                 const void* buffer) {
  static_cast<std::vector<Write>*>(writes)->push_back(
      {port, size, format, size == sizeof(float) ? *static_cast<const float*>(buffer) : 0.0f});
}

int recordResize(LV2UI_Feature_Handle size, int width, int height) {
  *static_cast<std::pair<int, int>*>(size) = {width, height};
  return 0;
}

// One UI instantiated in a mapped parent window with ui:parent, ui:idleInterface, ui:resize.
class Lv2Ui : public ::testing::Test {
 protected:
  void SetUp() override {
    display = XOpenDisplay(nullptr);
    if (display == nullptr) {
      if (std::getenv("TARVO_REQUIRE_DISPLAY") != nullptr) FAIL() << "no X display";
      GTEST_SKIP() << "no X display (run under xvfb-run)";
    }
    library = dlopen(TARVO_LV2_UI_BINARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto* entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    ui = entry(0);
    ASSERT_NE(ui, nullptr);
    EXPECT_STREQ(ui->URI, kUiUri);
    EXPECT_EQ(entry(1), nullptr);
    idler = static_cast<const LV2UI_Idle_Interface*>(ui->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idler, nullptr);
    parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 700, 500, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(uintptr_t(parent))};
    LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    LV2_Feature resizeFeature{LV2_UI__resize, &resize};
    const LV2_Feature* const features[] = {&parentFeature, &idleFeature, &resizeFeature, nullptr};
    EXPECT_EQ(ui->instantiate(ui, "urn:other", "", recordWrite, &writes, &widget, features),
              nullptr);
    handle = ui->instantiate(ui, kPluginUri, "", recordWrite, &writes, &widget, features);
    ASSERT_NE(handle, nullptr);
  }

  void TearDown() override {
    if (handle != nullptr) ui->cleanup(handle);
    if (library != nullptr) dlclose(library);
    if (display == nullptr) return;
    if (parent != 0) XDestroyWindow(display, parent);
    XCloseDisplay(display);
  }

  int idle() {
    XSync(display, False);
    return idler->idle(handle);
  }

  // A vertical drag of the Threshold knob by `down` pixels, handled by one idle call.
  void dragThreshold(int down) {
    const editor::KnobPlace& knob = editor::kKnobs[0];
    const int x = knob.left + editor::kLargeKnobSize / 2;
    const int y = knob.top + editor::kLargeKnobSize / 2;
    send(ButtonPress, ButtonPressMask, x, y);
    for (int dy = 1; dy <= down; ++dy) send(MotionNotify, PointerMotionMask, x, y + dy);
    send(ButtonRelease, ButtonReleaseMask, x, y + down);
    idle();
  }

  // A click at panel point (x, y), handled by one idle call.
  void click(int x, int y) {
    send(ButtonPress, ButtonPressMask, x, y);
    send(ButtonRelease, ButtonReleaseMask, x, y);
    idle();
  }

  void send(int type, long mask, int x, int y) {
    XEvent event{};
    event.xbutton = {type, 0, False,   display, Window(uintptr_t(widget)), 0, 0, 0, x, y, 0,
                     0,    0, Button1, True};
    XSendEvent(display, event.xany.window, False, mask, &event);
  }

  void portEvent(uint32_t port, float value) {
    ui->port_event(handle, port, sizeof value, 0, &value);
  }

  Display* display = nullptr;
  Window parent = 0;
  void* library = nullptr;
  const LV2UI_Descriptor* ui = nullptr;
  const LV2UI_Idle_Interface* idler = nullptr;
  LV2UI_Handle handle = nullptr;
  LV2UI_Widget widget = nullptr;
  std::vector<Write> writes;
  std::pair<int, int> resized{0, 0};
  LV2UI_Resize resize{&resized, recordResize};
};

// The panel is the parent's one child at its fixed size. A drag writes the Threshold port
// in dB, falling as the pointer goes down; a value the host reports moves the knob (the
// next drag starts from it) and is not echoed.
TEST_F(Lv2Ui, DragsWriteThePortInItsUnitsAndHostValuesMoveTheKnobWithoutEcho) {
  EXPECT_EQ(resized, std::make_pair(editor::kPanelWidth, editor::kPanelHeight));
  Window root = 0, up = 0, *children = nullptr;
  unsigned int count = 0;
  XQueryTree(display, parent, &root, &up, &children, &count);
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(children[0], Window(uintptr_t(widget)));
  XFree(children);
  EXPECT_EQ(idle(), 0);
  EXPECT_TRUE(writes.empty());

  ASSERT_EQ(controlParams[0], params::kThreshold);
  dragThreshold(30);
  ASSERT_FALSE(writes.empty());
  float previous = portValue(params::kThreshold, 1.0f);  // program 0: 0 dB
  for (const Write& w : writes) {
    EXPECT_EQ(w.port, kFirstControlPort);
    EXPECT_EQ(w.size, sizeof(float));
    EXPECT_EQ(w.format, 0u);
    EXPECT_LT(w.value, previous);
    EXPECT_GE(w.value, portRange(params::kThreshold).min);
    previous = w.value;
  }
  EXPECT_EQ(writes.back().value, portValue(params::kThreshold, 0.70f));  // 30 of 100 steps

  writes.clear();
  portEvent(kFirstControlPort, portValue(params::kThreshold, 0.25f));
  idle();
  EXPECT_TRUE(writes.empty());
  dragThreshold(10);
  ASSERT_FALSE(writes.empty());
  EXPECT_EQ(writes.back().value, portValue(params::kThreshold, 0.15f));
}

// A host that loads a factory preset sends its values on every port; RECALL then brings
// that program's values back after an edit, as the VST 2 editor recalls the current program.
TEST_F(Lv2Ui, RecallBringsBackTheFactoryPresetTheHostLoaded) {
  constexpr int kMixDown = 13;
  for (int k = 0; k < kNumControlPorts; ++k) {
    const int param = controlParams[k];
    portEvent(kFirstControlPort + k, portValue(param, params::factoryPresets[kMixDown][param]));
  }
  idle();
  dragThreshold(10);
  writes.clear();
  click(editor::kRecallSwitch.left + editor::kSwitchSize / 2,
        editor::kRecallSwitch.top + editor::kSwitchSize / 2);
  // RECALL writes every port: each with the program's value (program 0's differ in ratio,
  // release type and more), the edited threshold too.
  ASSERT_EQ(writes.size(), size_t(kNumControlPorts));
  for (const Write& w : writes) {
    const int param = controlParams[w.port - kFirstControlPort];
    EXPECT_EQ(w.value, portValue(param, params::factoryPresets[kMixDown][param])) << w.port;
  }
}

// Port events before the first idle call (every port, one of a foreign size), then a host
// that destroys its window before cleanup: idle answers that the UI is gone, no crash.
TEST_F(Lv2Ui, SurvivesEarlyPortEventsAndAParentDestroyedBeforeCleanup) {
  for (uint32_t port = 0; port < kNumPorts + 2; ++port) portEvent(port, -6.0f);
  const double wide = 1.0;
  ui->port_event(handle, kFirstControlPort, sizeof wide, 0, &wide);
  EXPECT_EQ(idle(), 0);
  XDestroyWindow(display, parent);
  parent = 0;
  EXPECT_EQ(idle(), 1);
  EXPECT_EQ(idle(), 1);
  EXPECT_TRUE(writes.empty());
}

}  // namespace
}  // namespace tarvo::lv2
