#include "plugin/win32_editor.h"

#include "platform/win32/registry_settings.h"
#include "platform/win32/shell_open.h"
#include "platform/win32/win32_child_window.h"
#include "plugin/editor_glue.h"

namespace tarvo::plugin {

namespace {

// The platform services of the editor on Windows: the child window, the registry and the
// shell. Events reach the panel only from the host's idle calls (processEvents), never
// from inside the window procedure, and the shell is asked only after the panel's handlers
// have returned.
class Win32EditorPlatform final : public EditorPlatform, private platform::win32::PointerSink {
 public:
  explicit Win32EditorPlatform(std::unique_ptr<platform::win32::ChildWindow> child)
      : child_(std::move(child)) {}

  std::optional<std::string> readSettingString(const std::string& name) override {
    try {
      return platform::win32::readSettingString(name).value;
    } catch (const platform::win32::SettingTypeError&) {
      return std::nullopt;  // a value that is not text: the click does nothing
    }
  }
  // Kept until the click's handler has returned: the shell may run a message loop of its
  // own, in which the host can send another idle call.
  void openDocument(const std::string& target, bool withOpenVerb) override {
    pendingOpens_.push_back({target, withOpenVerb});
  }
  void processEvents(editor::TPluginEditorWindow& window) override {
    if (window_ != nullptr) return;  // an idle call from inside the shell's message loop
    window_ = &window;
    child_->pumpEvents(*this);
    window_ = nullptr;
    std::vector<PendingOpen> opens;
    opens.swap(pendingOpens_);
    for (const PendingOpen& open : opens) {
      platform::win32::openWithShell(open.target, open.withOpenVerb, child_->handle());
    }
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
  toolkit::TCursor cursorAt(int x, int y) override { return window_->CursorAt(x, y); }

  struct PendingOpen {
    std::string target;
    bool withOpenVerb;
  };

  std::unique_ptr<platform::win32::ChildWindow> child_;
  editor::TPluginEditorWindow* window_ = nullptr;
  std::vector<PendingOpen> pendingOpens_;
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
