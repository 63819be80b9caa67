// Opening a document or web address through the Windows shell.
#pragma once

#include <string>

namespace tarvo::platform::win32 {

// Asks the shell to open `target` (UTF-8: a file path or an address) with ShellExecuteW:
// the verb "open" when `withOpenVerb`, otherwise no verb (the shell's default action), no
// parameters, no working directory, normal show state, `owner` (an HWND or null) as the
// owner of any message the shell shows. Answers whether the shell accepted the request;
// an empty target asks nothing.
bool openWithShell(const std::string& target, bool withOpenVerb, void* owner);

}  // namespace tarvo::platform::win32
