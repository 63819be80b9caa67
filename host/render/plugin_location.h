// Where tarvo-render finds the plug-in when no --plugin or TARVO_PLUGIN names one: beside
// the build when it runs from its build folder, otherwise where the installer put it.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace tarvo::render {

struct PluginLocations {
  std::filesystem::path buildExeDir;  // the folder the renderer was built into
  std::filesystem::path builtPlugin;  // the plug-in of the same build
  // The installed plug-in: absolute, or relative to the folder of the installed renderer.
  std::filesystem::path installedPlugin;
};

// The plug-in to load for a renderer running as `exePath`. A renderer in its build folder
// loads the plug-in of its build; an installed one loads the installed plug-in when
// `exists` finds it, else falls back to the built one.
std::filesystem::path choosePluginPath(
    const std::filesystem::path& exePath, const PluginLocations& where,
    const std::function<bool(const std::filesystem::path&)>& exists);

// The same for the running program (its path from /proc/self/exe) with the locations
// compiled into it. On Windows: Tarvo.dll beside the program or one folder up, as UTF-8.
std::string defaultPluginPath();

}  // namespace tarvo::render
