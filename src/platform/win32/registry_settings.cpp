#include "platform/win32/registry_settings.h"

#include <windows.h>

#include <vector>

#include "platform/settings.h"
#include "platform/win32/text_convert.h"

namespace tarvo::platform::win32 {

namespace {

// Closes a registry key when leaving the scope.
class KeyHandle {
 public:
  KeyHandle() = default;
  ~KeyHandle() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The view that is not this process's own: see the header.
constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

// Text of a REG_SZ or REG_EXPAND_SZ value as stored: up to the first NUL, if any.
std::wstring storedText(const std::vector<wchar_t>& data, DWORD bytes) {
  const size_t count = bytes / sizeof(wchar_t);
  std::wstring text(data.data(), count);
  const size_t nul = text.find(L'\0');
  if (nul != std::wstring::npos) text.resize(nul);
  return text;
}

std::wstring expanded(const std::wstring& text) {
  const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (needed == 0) return text;
  std::vector<wchar_t> buffer(needed + 1, L'\0');
  const DWORD written =
      ExpandEnvironmentStringsW(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  if (written == 0 || written > buffer.size()) return text;
  return std::wstring(buffer.data());
}

std::string readValue(HKEY key, const std::string& name) {
  const std::wstring valueName = widen(name);
  DWORD type = REG_NONE;
  DWORD bytes = 0;
  LONG status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &bytes);
  if (status == ERROR_FILE_NOT_FOUND) return {};
  if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw SettingTypeError(name);
  // The value may grow between the two queries: ask again until it fits.
  std::vector<wchar_t> data;
  for (int attempt = 0; attempt < 4; ++attempt) {
    data.assign(bytes / sizeof(wchar_t) + 2, L'\0');
    DWORD size = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
    status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &size);
    if (status == ERROR_MORE_DATA) {
      bytes = size;
      continue;
    }
    if (status == ERROR_FILE_NOT_FOUND) return {};
    if (status != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw SettingTypeError(name);
    std::wstring text = storedText(data, size);
    if (type == REG_EXPAND_SZ) text = expanded(text);
    return narrow(text);
  }
  return {};
}

}  // namespace

SettingTypeError::SettingTypeError(const std::string& name)
    : std::runtime_error("Invalid data type for '" + name + "'") {}

SettingRead readSettingStringFrom(const std::string& keyPath, const std::string& name) {
  const std::wstring path = widen(keyPath);
  SettingRead read;
  KeyHandle key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS &&
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | kOtherView, key.out()) !=
          ERROR_SUCCESS) {
    return read;
  }
  read.keyOpened = true;
  read.value = readValue(key.get(), name);
  return read;
}

}  // namespace tarvo::platform::win32

namespace tarvo::platform {

std::optional<std::string> readSetting(const std::string& name) {
  try {
    std::string value = win32::readSettingStringFrom(win32::kSettingsKey, name).value;
    if (value.empty()) return std::nullopt;
    return value;
  } catch (const win32::SettingTypeError&) {
    return std::nullopt;  // a value that is not text
  }
}

}  // namespace tarvo::platform
