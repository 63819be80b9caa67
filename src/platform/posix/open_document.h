// Opening a document or web address with the desktop's default application.
#pragma once

#include <string>

namespace tarvo::platform {

// Starts `xdg-open TARGET` (or the program named by $TARVO_OPEN_COMMAND) with the target as
// its one argument, through fork and exec: no shell sees the text, so nothing in it can run
// as a command. The program is detached (double fork): the caller never waits for it and
// leaves no zombie. Returns false when the process could not be started; an empty target
// starts nothing.
bool openDocument(const std::string& target);

}  // namespace tarvo::platform
