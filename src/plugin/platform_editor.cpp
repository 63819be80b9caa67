#include "plugin/platform_editor.h"

#include "editor/editor_layout.h"
#include "platform/child_window.h"
#include "platform/settings.h"
#include "plugin/editor_glue.h"

namespace tarvo::plugin {

namespace {

// The platform services of the editor: the child window, the maker's settings and the
// system's document opener. The window's events go to the panel: in the idle call's
// pumpEvents, and where the window system delivers input between the idle calls (Win32),
// as it arrives when the panel is not busy, followed by a drawing of what changed.
class PlatformEditor final : public EditorPlatform, private platform::WindowEventSink {
 public:
  explicit PlatformEditor(std::unique_ptr<platform::ChildWindow> child) : child_(std::move(child)) {
    child_->setSink(this);
  }
  ~PlatformEditor() override { child_->setSink(nullptr); }

  void attach(EditorPanel* panel) override { panel_ = panel; }
  std::optional<std::string> readSettingString(const std::string& name) override {
    return platform::readSetting(name);
  }
  void openDocument(const std::string& target, bool withOpenVerb) override {
    child_->openDocument(target, withOpenVerb);
  }
  void processEvents(editor::TPluginEditorWindow& /*window*/) override {
    if (panel_ != nullptr) child_->pumpEvents();
  }
  void present(const toolkit::Surface& panel, const std::vector<toolkit::Rect>& areas) override {
    child_->present(panel, areas);
  }

 private:
  void handleEvent(const platform::WindowEvent& event) override {
    editor::TPluginEditorWindow& panel = panel_->panel();
    using Type = platform::WindowEvent::Type;
    switch (event.type) {
      case Type::pointerDown:
        panel.MouseDown(event.button, event.shift, event.x, event.y);
        break;
      case Type::pointerMove:
        panel.MouseMove(event.shift, event.x, event.y);
        break;
      case Type::pointerUp:
        panel.MouseUp(event.button, event.shift, event.x, event.y);
        break;
      case Type::exposed:
        panel.FormPaint();
        break;
      case Type::destroyed:
        break;  // the window draws nothing from now on; it goes with effEditClose
    }
  }
  toolkit::TCursor cursorAt(int x, int y) override { return panel_->panel().CursorAt(x, y); }
  bool readyForInput() override { return panel_ != nullptr && panel_->panelAvailable(); }
  void inputArriving() override { panel_->refresh(); }
  void drawNow() override {
    if (panel_ != nullptr) panel_->drawNow();
  }

  std::unique_ptr<platform::ChildWindow> child_;
  EditorPanel* panel_ = nullptr;
};

}  // namespace

std::unique_ptr<EditorWindow> makePlatformEditorWindow(APlugin& effect, void* parent) {
  std::string error;
  auto child =
      platform::ChildWindow::create(parent, editor::kPanelWidth, editor::kPanelHeight, &error);
  if (child == nullptr) return nullptr;
  return makeHostedEditorWindow(effect, std::make_unique<PlatformEditor>(std::move(child)));
}

}  // namespace tarvo::plugin
