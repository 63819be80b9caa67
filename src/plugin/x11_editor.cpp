#include "plugin/x11_editor.h"

#include <cstdint>

#include "platform/posix/open_document.h"
#include "platform/posix/settings_file.h"
#include "platform/x11/x11_child_window.h"
#include "plugin/editor_glue.h"

namespace tarvo::plugin {

namespace {

// The platform services of the editor on Linux: the X11 child window, the settings file
// and the desktop's document opener.
class X11EditorPlatform final : public EditorPlatform, private platform::x11::PointerSink {
 public:
  explicit X11EditorPlatform(std::unique_ptr<platform::x11::ChildWindow> child)
      : child_(std::move(child)) {}

  std::optional<std::string> readSettingString(const std::string& name) override {
    return platform::readSettingString(name).value;
  }
  void openDocument(const std::string& target, bool /*withOpenVerb*/) override {
    platform::openDocument(target);
  }
  void processEvents(editor::TPluginEditorWindow& window) override {
    window_ = &window;
    child_->pumpEvents(*this);
    window_ = nullptr;
  }
  void present(const toolkit::Surface& panel, const std::vector<toolkit::Rect>& areas) override {
    child_->present(panel, areas);
  }

 private:
  void pointerDown(toolkit::TMouseButton button, toolkit::TShiftState shift, int x,
                   int y) override {
    window_->MouseDown(button, shift, x, y);
  }
  void pointerMove(toolkit::TShiftState shift, int x, int y) override {
    window_->MouseMove(shift, x, y);
  }
  void pointerUp(toolkit::TMouseButton button, toolkit::TShiftState shift, int x, int y) override {
    window_->MouseUp(button, shift, x, y);
  }
  void exposed() override { window_->FormPaint(); }
  toolkit::TCursor cursorAt(int x, int y) override { return window_->CursorAt(x, y); }

  std::unique_ptr<platform::x11::ChildWindow> child_;
  editor::TPluginEditorWindow* window_ = nullptr;
};

}  // namespace

std::unique_ptr<EditorWindow> makeX11EditorWindow(APlugin& effect, void* parent) {
  const auto parentId = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent));
  std::string error;
  auto child = platform::x11::ChildWindow::create(parentId, 645, 485, &error);
  if (child == nullptr) return nullptr;
  return makeHostedEditorWindow(effect, std::make_unique<X11EditorPlatform>(std::move(child)));
}

}  // namespace tarvo::plugin
