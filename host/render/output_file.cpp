#include "render/output_file.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

#include <atomic>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "render/native_file.h"

namespace tarvo::render {

namespace fs = std::filesystem;

namespace {

// Temporary files to remove when the program is interrupted. A slot is claimed (state 1),
// filled, then published (state 2); the handler removes only published slots, and a slot
// is released by clearing its state, so the handler never reads a name being written.
constexpr int kSlots = 64;
constexpr size_t kMaxName = 4096;
std::atomic<int> slotState[kSlots];
char slotName[kSlots][kMaxName];

#if defined(_WIN32)

BOOL WINAPI onConsoleEvent(DWORD) {
  for (int i = 0; i < kSlots; ++i) {
    if (slotState[i].load() == 2) removeFile(slotName[i]);
  }
  return FALSE;  // and on to the default handler, which ends the program
}

void installHandlers() {
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

#else

extern "C" void onTerminatingSignal(int sig) {
  for (int i = 0; i < kSlots; ++i) {
    if (slotState[i].load() == 2) ::unlink(slotName[i]);  // async-signal-safe
  }
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

void installHandlers() {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction action {};
    struct sigaction previous {};
    sigaction(sig, nullptr, &previous);
    if (previous.sa_handler == SIG_IGN) continue;  // e.g. started with nohup: keep ignoring
    action.sa_handler = onTerminatingSignal;
    sigemptyset(&action.sa_mask);
    sigaction(sig, &action, nullptr);
  }
}

#endif

int claimCleanup(const std::string& name) {
  static std::atomic<bool> installed{false};
  if (!installed.exchange(true)) installHandlers();
  if (name.size() >= kMaxName) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = 0;
    if (!slotState[i].compare_exchange_strong(expected, 1)) continue;
    std::memcpy(slotName[i], name.c_str(), name.size() + 1);
    slotState[i].store(2);
    return i;
  }
  return -1;  // more outputs at once than slots: that one is not removed on a signal
}

void releaseCleanup(int slot) {
  if (slot >= 0) slotState[slot].store(0);
}

const char* kindOf(fs::file_type type) {
  switch (type) {
    case fs::file_type::directory:
      return "it is a folder; give the name of a file in it";
    case fs::file_type::block:
    case fs::file_type::character:
      return "it is a device, not a file; tarvo-render writes regular files only";
    case fs::file_type::fifo:
      return "it is a named pipe, not a file; tarvo-render writes regular files only";
    case fs::file_type::socket:
      return "it is a socket, not a file; tarvo-render writes regular files only";
    default:
      return "it is not a regular file; tarvo-render writes regular files only";
  }
}

// Gives `temporary` the permission bits and, where allowed, the owner of `target`.
void copyIdentity(const std::string& target, const std::string& temporary) {
#if defined(_WIN32)
  (void)target, (void)temporary;  // the new file takes the folder's permissions
#else
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;  // a new file
  // The owner first: changing it may clear set-id bits that the mode then restores. Only
  // the superuser may give a file away; anyone else keeps the file as theirs.
  if (::chown(temporary.c_str(), st.st_uid, st.st_gid) != 0 &&
      ::chown(temporary.c_str(), static_cast<uid_t>(-1), st.st_gid) != 0) {
    // Neither owner nor group could be kept: the file stays the user's own.
  }
  if (::chmod(temporary.c_str(), st.st_mode & 07777) != 0) {
    throw std::runtime_error(std::generic_category().message(errno) +
                             " (setting the permissions of the new file)");
  }
#endif
}

}  // namespace

std::string resolveOutputTarget(const std::string& utf8Path) {
  fs::path p = pathFromUtf8(utf8Path);
  std::error_code ec;
  fs::file_status st = fs::symlink_status(p, ec);
  for (int hops = 0; st.type() == fs::file_type::symlink; ++hops) {
    if (hops == 40) throw std::runtime_error("too many levels of symbolic links");
    const fs::path link = fs::read_symlink(p, ec);
    if (ec) throw std::runtime_error(ec.message());
    p = link.is_absolute() ? link : p.parent_path() / link;
    st = fs::symlink_status(p, ec);
  }
  if (st.type() == fs::file_type::not_found) {
    const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
    const fs::file_status fst = fs::status(folder, ec);
    if (fst.type() == fs::file_type::not_found) {
      throw std::runtime_error("the folder '" + utf8FromPath(folder) + "' does not exist");
    }
    if (fst.type() != fs::file_type::directory) {
      throw std::runtime_error("'" + utf8FromPath(folder) + "' is not a folder");
    }
  } else if (st.type() != fs::file_type::regular) {
    if (ec) throw std::runtime_error(ec.message());
    throw std::runtime_error(kindOf(st.type()));
  }
  return utf8FromPath(p);
}

OutputFile::OutputFile(const std::string& utf8Path) : path_(utf8Path) {
  if (isStandardOutput()) {
    target_ = utf8Path;
    committed_ = true;  // nothing to rename or remove
    return;
  }
  try {
    target_ = resolveOutputTarget(utf8Path);
  } catch (const std::exception& e) {
    throw std::runtime_error("cannot write output '" + utf8Path + "': " + e.what());
  }
  temporary_ = temporaryPathBeside(target_);
  cleanupSlot_ = claimCleanup(temporary_);
#if !defined(_WIN32)
  struct stat st {};
  if (::stat(target_.c_str(), &st) == 0 && st.st_nlink > 1) {
    otherLinks_ = static_cast<int>(st.st_nlink) - 1;
  }
#endif
}

OutputFile::~OutputFile() {
  if (!committed_) discard();
  releaseCleanup(cleanupSlot_);
}

void OutputFile::discard() noexcept {
  if (!temporary_.empty()) removeFile(temporary_);
}

void OutputFile::commit() {
  if (isStandardOutput()) return;
  try {
    copyIdentity(target_, temporary_);
    replaceFile(temporary_, target_);
  } catch (const std::exception& e) {
    throw std::runtime_error("cannot replace '" + path_ + "': " + e.what());
  }
  committed_ = true;
}

}  // namespace tarvo::render
