#include "platform/posix/settings_file.h"

#include <cstdlib>
#include <fstream>
#include <utility>

#include "platform/settings.h"

namespace tarvo::platform {

namespace {

std::string trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::vector<std::string> settingsFiles() {
  const std::string tail = "/Velmora Audio/Tarvo.conf";
  std::vector<std::string> files = {"/etc/xdg" + tail};
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if (config != nullptr && config[0] == '/') {
    files.push_back(config + tail);
  } else if (home != nullptr && home[0] == '/') {
    files.push_back(std::string(home) + "/.config" + tail);
  }
  return files;
}

SettingRead readSettingStringFrom(const std::vector<std::string>& files, const std::string& name) {
  SettingRead result;
  for (const std::string& path : files) {
    std::ifstream in(path);
    if (!in) continue;
    result.fileFound = true;
    std::string line;
    // A settings file is a few lines; anything longer than this is not one of ours.
    int lines = 0;
    while (std::getline(in, line) && ++lines < 10000) {
      const std::string t = trim(line);
      if (t.empty() || t[0] == '#' || t[0] == ';' || t[0] == '[') continue;
      const auto eq = t.find('=');
      if (eq == std::string::npos) continue;
      if (trim(t.substr(0, eq)) == name) {
        result.value = trim(t.substr(eq + 1));
        return result;
      }
    }
  }
  return result;
}

std::optional<std::string> readSetting(const std::string& name) {
  SettingRead read = readSettingStringFrom(settingsFiles(), name);
  if (read.value.empty()) return std::nullopt;
  return std::move(read.value);
}

}  // namespace tarvo::platform
