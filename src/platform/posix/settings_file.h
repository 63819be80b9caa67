// The maker's settings on Linux: a small read-only "Key=Value" file that the installer
// writes, standing where the Windows build reads HKEY_LOCAL_MACHINE\Software\Velmora
// Audio\Tarvo. platform/settings.h's readSetting reads the files of settingsFiles(); the
// parts are here for tests and tools.
#pragma once

#include <string>
#include <vector>

namespace tarvo::platform {

struct SettingRead {
  bool fileFound = false;  // a settings file could be opened
  std::string value;       // the value's text; empty when the file or the key is missing
};

// The files searched, in order: "/etc/xdg/Velmora Audio/Tarvo.conf", then
// "$XDG_CONFIG_HOME/Velmora Audio/Tarvo.conf" (or ~/.config/... without XDG_CONFIG_HOME).
// The first file that holds the key gives its value.
std::vector<std::string> settingsFiles();

// Reads the value `name` ("Manual") from the given files. Lines are "Key=Value"; blank
// lines, lines starting with '#' or ';' and "[section]" lines are skipped; spaces around
// key and value are trimmed.
SettingRead readSettingStringFrom(const std::vector<std::string>& files, const std::string& name);

}  // namespace tarvo::platform
