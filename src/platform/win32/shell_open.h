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

// What openWithShell calls for a non-empty target: ShellExecuteW, unless a test put a
// function of its own in its place (to act as a host would inside the shell's message loop).
using ShellOpenFunction = bool (*)(const std::string& target, bool withOpenVerb, void* owner);
// Null puts ShellExecuteW back.
void setShellOpenFunction(ShellOpenFunction function);

}  // namespace tarvo::platform::win32
