// What the editor window needs from outside itself: the effect's parameter writes and the
// platform's settings and shell. The plug-in implements it on top of the effect object and
// the window layer of the platform; tests implement it with a recorder.
#pragma once

#include <optional>
#include <string>

namespace tarvo::editor {

class EditorHost {
 public:
  virtual ~EditorHost() = default;

  // Sets parameter `index` to the normalized `value` and reports the change to the host as
  // an automation; the write also requests a refresh of the window at the next idle call.
  virtual void setParameterAutomated(int index, float value) = 0;

  // The string value `name` of the maker's settings (the registry value "Manual" on
  // Windows, the settings file elsewhere); nullopt when it is missing or not a string.
  virtual std::optional<std::string> readSettingString(const std::string& name) = 0;

  // Asks the system shell to open `target` (a file path or a web address). With
  // `withOpenVerb` the "open" verb is named; otherwise the shell's default action is used.
  // The shell's answer is not reported.
  virtual void openDocument(const std::string& target, bool withOpenVerb) = 0;
};

}  // namespace tarvo::editor
