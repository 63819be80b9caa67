#include "platform/win32/shell_open.h"

#include <windows.h>
// After <windows.h>, whose types it uses.
#include <shellapi.h>

#include <cstdint>

#include "platform/open_document.h"
#include "platform/win32/text_convert.h"

namespace tarvo::platform::win32 {

namespace {

bool shellExecute(const std::string& target, bool withOpenVerb, void* owner) {
  const std::wstring file = widen(target);
  if (file.empty()) return false;
  const HINSTANCE result = ShellExecuteW(static_cast<HWND>(owner), withOpenVerb ? L"open" : nullptr,
                                         file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // Values above 32 mean success; smaller ones are error codes.
  return reinterpret_cast<intptr_t>(result) > 32;
}

ShellOpenFunction gShellOpen = shellExecute;  // used on the user-interface thread only

}  // namespace

void setShellOpenFunction(ShellOpenFunction function) {
  gShellOpen = function != nullptr ? function : shellExecute;
}

}  // namespace tarvo::platform::win32

namespace tarvo::platform {

bool openDocument(const std::string& target, bool withOpenVerb, void* owner) {
  if (target.empty()) return false;
  return win32::gShellOpen(target, withOpenVerb, owner);
}

}  // namespace tarvo::platform
