#include "plugin/win32_editor.h"

#include "platform/win32/registry_settings.h"
#include "platform/win32/win32_child_window.h"
#include "plugin/editor_glue.h"

namespace tarvo::plugin {

namespace {

// The platform services of the editor on Windows: the child window, the registry and the
// shell. The window procedure hands mouse input to the panel as it arrives and has it draw
// what changed; input that arrives while the panel is busy waits for the next idle call.
class Win32EditorPlatform final : public EditorPlatform, private platform::win32::PointerSink {
 public:
  explicit Win32EditorPlatform(std::unique_ptr<platform::win32::ChildWindow> child)
      : child_(std::move(child)) {
    child_->setSink(this);
  }
  ~Win32EditorPlatform() override { child_->setSink(nullptr); }

  void attach(EditorPanel* panel) override { panel_ = panel; }
  std::optional<std::string> readSettingString(const std::string& name) override {
    try {
      return platform::win32::readSettingString(name).value;
    } catch (const platform::win32::SettingTypeError&) {
      return std::nullopt;  // a value that is not text: the click does nothing
    }
  }
  // The click's handler only leaves the request with the window: the shell may run a
  // message loop of its own, in which the host may close the editor or the effect.
  void openDocument(const std::string& target, bool withOpenVerb) override {
    child_->openLater(target, withOpenVerb);
  }
  void processEvents(editor::TPluginEditorWindow& /*window*/) override {
    if (panel_ != nullptr) child_->pumpEvents(*this);
  }
  void present(const toolkit::Surface& panel, const std::vector<toolkit::Rect>& areas) override {
    child_->present(panel, areas);
  }

 private:
  void pointerDown(toolkit::TMouseButton button, toolkit::TShiftState shift, int x,
                   int y) override {
    panel_->panel().MouseDown(button, shift, x, y);
  }
  void pointerMove(toolkit::TShiftState shift, int x, int y) override {
    panel_->panel().MouseMove(shift, x, y);
  }
  void pointerUp(toolkit::TMouseButton button, toolkit::TShiftState shift, int x, int y) override {
    panel_->panel().MouseUp(button, shift, x, y);
  }
  toolkit::TCursor cursorAt(int x, int y) override { return panel_->panel().CursorAt(x, y); }
  bool readyForInput() override { return panel_ != nullptr && panel_->panelAvailable(); }
  void inputArriving() override { panel_->refresh(); }
  void drawNow() override {
    if (panel_ != nullptr) panel_->drawNow();
  }

  std::unique_ptr<platform::win32::ChildWindow> child_;
  EditorPanel* panel_ = nullptr;
};

}  // namespace

std::unique_ptr<EditorWindow> makeWin32EditorWindow(APlugin& effect, void* parent) {
  std::string error;
  auto child = platform::win32::ChildWindow::create(parent, 645, 485, &error);
  if (child == nullptr) return nullptr;
  return makeHostedEditorWindow(effect, std::make_unique<Win32EditorPlatform>(std::move(child)));
}

void win32EditorLibraryUnload() {
  platform::win32::unregisterEditorClass();
}

}  // namespace tarvo::plugin
