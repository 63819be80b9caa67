// Opening a document or web address with the system's default application: the Windows
// shell (win32/shell_open.cpp), the desktop's opener elsewhere (posix/open_document.cpp).
#pragma once

#include <string>

namespace tarvo::platform {

// Opens `target` (UTF-8: a file path or an address). Answers whether the request was
// accepted; an empty target asks nothing.
//
// Windows: ShellExecuteW with the verb "open" when `withOpenVerb`, otherwise no verb (the
// shell's default action), no parameters, no working directory, normal show state, and
// `owner` (an HWND or null) as the owner of any message the shell shows.
//
// Elsewhere: `xdg-open TARGET` (or the program named by $TARVO_OPEN_COMMAND) with the target
// as its one argument, through fork and exec: no shell sees the text, so nothing in it can
// run as a command. The program is detached (double fork): the caller never waits for it
// and leaves no zombie. `withOpenVerb` and `owner` have no meaning there.
bool openDocument(const std::string& target, bool withOpenVerb, void* owner);

}  // namespace tarvo::platform
