#include "render/plugin_location.h"

#if defined(_WIN32)
#include <windows.h>
#endif

#include <system_error>

// The build fills these in; the fallbacks keep the file compilable on its own.
#ifndef TARVO_DEFAULT_PLUGIN
#define TARVO_DEFAULT_PLUGIN "Tarvo.so"
#endif
#ifndef TARVO_BUILD_EXE_DIR
#define TARVO_BUILD_EXE_DIR ""
#endif
#ifndef TARVO_INSTALLED_PLUGIN
#define TARVO_INSTALLED_PLUGIN "../lib/vst/Tarvo.so"
#endif

namespace tarvo::render {

namespace fs = std::filesystem;

namespace {

bool sameFolder(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return true;
  return a.lexically_normal() == b.lexically_normal();
}

}  // namespace

fs::path choosePluginPath(const fs::path& exePath, const PluginLocations& where,
                          const std::function<bool(const fs::path&)>& exists) {
  const fs::path exeDir = exePath.parent_path();
  if (exePath.empty() || (!where.buildExeDir.empty() && sameFolder(exeDir, where.buildExeDir))) {
    return where.builtPlugin;
  }
  if (!where.installedPlugin.empty()) {
    // operator/ keeps an absolute right-hand side as it is.
    const fs::path installed = (exeDir / where.installedPlugin).lexically_normal();
    if (exists(installed)) return installed;
  }
  return where.builtPlugin;
}

#if defined(_WIN32)
std::string defaultPluginPath() {
  // Tarvo.dll beside the renderer, else one folder up (the build tree keeps the renderer
  // in host/ below the DLL); failing both, the name alone for the loader's own search.
  std::wstring exe(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
    if (n == 0) return "Tarvo.dll";
    if (n < exe.size()) {
      exe.resize(n);
      break;
    }
    exe.resize(exe.size() * 2);
  }
  const fs::path folder = fs::path(exe).parent_path();
  for (const fs::path& candidate : {folder / "Tarvo.dll", folder.parent_path() / "Tarvo.dll"}) {
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec)) {
      const std::u8string text = candidate.u8string();
      return std::string(text.begin(), text.end());
    }
  }
  return "Tarvo.dll";
}
#else
std::string defaultPluginPath() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  const PluginLocations where{TARVO_BUILD_EXE_DIR, TARVO_DEFAULT_PLUGIN, TARVO_INSTALLED_PLUGIN};
  return choosePluginPath(ec ? fs::path() : exe, where,
                          [](const fs::path& p) {
                            std::error_code e;
                            return fs::is_regular_file(p, e);
                          })
      .string();
}
#endif

}  // namespace tarvo::render
