// The Windows shell behind platform/open_document.h's openDocument, and the seam through
// which tests put a shell of their own in its place.
#pragma once

#include <string>

namespace tarvo::platform::win32 {

// What openDocument calls for a non-empty target: ShellExecuteW, unless a test put a
// function of its own in its place (to act as a host would inside the shell's message loop).
using ShellOpenFunction = bool (*)(const std::string& target, bool withOpenVerb, void* owner);
// Null puts ShellExecuteW back.
void setShellOpenFunction(ShellOpenFunction function);

}  // namespace tarvo::platform::win32
