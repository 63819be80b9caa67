#include "render/utf8_args.h"

#if defined(_WIN32)
#include <windows.h>
// After <windows.h>, whose types it uses.
#include <shellapi.h>

#include "render/native_file.h"
#endif

namespace tarvo::render {

std::vector<std::string> utf8Arguments(int argc, char** argv) {
#if defined(_WIN32)
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide != nullptr) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(utf8FromPath(std::filesystem::path(wide[i])));
    LocalFree(wide);
    return out;
  }
#endif
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace tarvo::render
