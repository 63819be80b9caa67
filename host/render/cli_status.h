// Exit statuses of the command-line tools, the same for each: 0 success, 1 failure, 2 a
// usage error (an unknown option, a missing or stray argument, a value out of range).
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace tarvo::render {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// The version line that --version prints.
inline std::string versionText(const char* tool) {
  return std::string(tool) + " " + TARVO_VERSION + " (Tarvo by Velmora Audio)";
}

// Adds --version to a tool's options.
inline void addVersionFlag(CLI::App& app, const char* tool) {
  app.set_version_flag("--version", versionText(tool), "print the version and exit");
}

// What a tool answers when CLI11 stops parsing: --help and --version print and give 0,
// anything else prints the error with a hint and gives the usage status.
inline int statusAfterParse(const CLI::App& app, const CLI::ParseError& e) {
  app.exit(e);
  return e.get_exit_code() == 0 ? kExitSuccess : kExitUsage;
}

}  // namespace tarvo::render
