// The maker's settings, read-only, as the installer wrote them: string values under
// HKEY_LOCAL_MACHINE\Software\Velmora Audio\Tarvo on Windows (win32/registry_settings.cpp),
// a "Key=Value" settings file elsewhere (posix/settings_file.cpp). Nothing is ever written.
#pragma once

#include <optional>
#include <string>

namespace tarvo::platform {

// The text of the setting `name` ("Manual"); nullopt when it is missing, empty or not text.
std::optional<std::string> readSetting(const std::string& name);

}  // namespace tarvo::platform
