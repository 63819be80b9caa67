#include "render/native_file.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace tarvo::render {

namespace fs = std::filesystem;

fs::path pathFromUtf8(const std::string& utf8) {
  // char8_t text is converted from UTF-8 to the native encoding (UTF-16 on Windows).
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8FromPath(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

#if defined(_WIN32)

namespace {

std::string windowsReason(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason;
  if (n > 0 && text != nullptr) {
    reason = utf8FromPath(fs::path(std::wstring(text, n)));
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == ' ' || reason.back() == '.')) {
      reason.pop_back();
    }
  }
  if (text != nullptr) LocalFree(text);
  if (reason.empty()) reason = "Windows error " + std::to_string(code);
  return reason;
}

}  // namespace

std::FILE* openFile(const std::string& utf8Path, const char* mode) {
  const std::wstring wideMode(mode, mode + std::strlen(mode));
  return _wfopen(pathFromUtf8(utf8Path).c_str(), wideMode.c_str());
}

void replaceFile(const std::string& utf8From, const std::string& utf8To) {
  // Write-through: the rename is on disk when this returns, as the data is.
  if (!MoveFileExW(pathFromUtf8(utf8From).c_str(), pathFromUtf8(utf8To).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD code = GetLastError();
    std::string reason = windowsReason(code);
    // Windows cannot replace a file that another program holds open (a player, an editor).
    if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION) {
      reason += " (is it open in another program?)";
    }
    throw std::runtime_error(reason);
  }
}

void removeFile(const std::string& utf8Path) noexcept {
  DeleteFileW(pathFromUtf8(utf8Path).c_str());
}

int seekFile(std::FILE* file, int64_t offset, int whence) {
  return _fseeki64(file, offset, whence);
}

int64_t tellFile(std::FILE* file) {
  return _ftelli64(file);
}

static unsigned long processId() {
  return GetCurrentProcessId();
}

#else

std::FILE* openFile(const std::string& utf8Path, const char* mode) {
  return std::fopen(utf8Path.c_str(), mode);
}

void replaceFile(const std::string& utf8From, const std::string& utf8To) {
  if (std::rename(utf8From.c_str(), utf8To.c_str()) != 0) {
    throw std::runtime_error(std::generic_category().message(errno));
  }
}

void removeFile(const std::string& utf8Path) noexcept {
  std::remove(utf8Path.c_str());
}

int seekFile(std::FILE* file, int64_t offset, int whence) {
  return fseeko(file, static_cast<off_t>(offset), whence);
}

int64_t tellFile(std::FILE* file) {
  return static_cast<int64_t>(ftello(file));
}

static unsigned long processId() {
  return static_cast<unsigned long>(::getpid());
}

#endif

std::string temporaryPathBeside(const std::string& utf8Target) {
  const fs::path target = pathFromUtf8(utf8Target);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  // ".NAME.tarvo-PID.tmp", appended piece by piece (GCC 12 at -O3 reports a false
  // -Wrestrict inside operator+ with a literal in front).
  std::string name = ".";
  name += utf8FromPath(target.filename());
  name += ".tarvo-";
  name += std::to_string(processId());
  name += ".tmp";
  return utf8FromPath(folder / pathFromUtf8(name));
}

}  // namespace tarvo::render
