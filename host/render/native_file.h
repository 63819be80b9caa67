// Files named by UTF-8 text on every system (wide "W" calls on Windows, bytes elsewhere),
// and the commit of a finished output: written to a temporary file beside the target, then
// renamed over it, so an existing file is never lost to a failed run.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace tarvo::render {

// The path for UTF-8 text (on Windows, converted to UTF-16 rather than read in the ANSI
// code page).
std::filesystem::path pathFromUtf8(const std::string& utf8);
// The path as UTF-8 text.
std::string utf8FromPath(const std::filesystem::path& path);

// fopen for a UTF-8 name; null with errno set on failure.
std::FILE* openFile(const std::string& utf8Path, const char* mode);

// A temporary name in the target's folder: ".<name>.tarvo-<process id>.tmp".
std::string temporaryPathBeside(const std::string& utf8Target);

// Renames `from` to `to`, replacing an existing `to` (MoveFileExW with
// MOVEFILE_REPLACE_EXISTING on Windows, where rename() refuses an existing target). Throws
// std::runtime_error with the system's reason.
void replaceFile(const std::string& utf8From, const std::string& utf8To);

// Removes a file if it exists; errors are ignored.
void removeFile(const std::string& utf8Path) noexcept;

// 64-bit seek and tell (long is 32 bits on Windows). Answer 0 on success / -1 on failure.
int seekFile(std::FILE* file, int64_t offset, int whence);
int64_t tellFile(std::FILE* file);

}  // namespace tarvo::render
