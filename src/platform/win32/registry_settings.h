// The maker's settings on Windows: string values under HKEY_LOCAL_MACHINE\Software\Velmora
// Audio\Tarvo, which the installer writes. Opened for reading only; nothing is ever written.
// platform/settings.h's readSetting reads kSettingsKey; the parts are here for tests and
// tools.
#pragma once

#include <stdexcept>
#include <string>

namespace tarvo::platform::win32 {

// The key under HKEY_LOCAL_MACHINE that holds the settings.
inline constexpr const char* kSettingsKey = "Software\\Velmora Audio\\Tarvo";

// A value exists but holds something other than text (a number, binary data...). The
// message is "Invalid data type for 'NAME'".
class SettingTypeError : public std::runtime_error {
 public:
  explicit SettingTypeError(const std::string& name);
};

struct SettingRead {
  bool keyOpened = false;  // the key exists and could be opened for reading
  std::string value;       // UTF-8; empty when the key or the value is missing
};

// Reads the string value `name` ("Manual") of the key `keyPath` under HKEY_LOCAL_MACHINE
// (UTF-8). REG_SZ is taken as it is, REG_EXPAND_SZ with its %VARIABLES% expanded. Throws
// SettingTypeError for any other type.
//
// Registry views: a 32-bit process on 64-bit Windows sees HKLM\Software through the
// redirected 32-bit view (WOW6432Node) unless it asks for the 64-bit one. The installer of
// either DLL may be a 32- or a 64-bit program, so the key is looked up first in this
// process's own view (no KEY_WOW64_* flag) and, only when it does not exist there, in the
// other view (KEY_WOW64_64KEY from a 32-bit build, KEY_WOW64_32KEY from a 64-bit one).
SettingRead readSettingStringFrom(const std::string& keyPath, const std::string& name);

}  // namespace tarvo::platform::win32
