// The program's arguments as UTF-8 text on every system.
#pragma once

#include <string>
#include <vector>

namespace tarvo::render {

// On Windows argv is in the ANSI code page, which cannot name every file: the arguments are
// taken from the wide command line instead (GetCommandLineW, CommandLineToArgvW) and
// converted to UTF-8. Elsewhere argv as it is.
std::vector<std::string> utf8Arguments(int argc, char** argv);

}  // namespace tarvo::render
