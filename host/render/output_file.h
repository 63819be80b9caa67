// The file a render writes. The user names a path; the output goes to a temporary file
// beside the file that path stands for and is renamed over it only when the run succeeds,
// so a failed or interrupted run never harms what was there:
//  - a new path or an existing regular file is written beside itself; an existing file
//    keeps its permissions (and its owner, where the system allows);
//  - a symbolic link is followed to the file it points to, which is what gets written
//    (the link stays a link);
//  - a folder, a device, a named pipe or a socket is refused before any audio runs;
//  - "-" is standard output, written as the audio comes (no temporary file).
// Ctrl-C, SIGTERM and SIGHUP remove the temporary file before the program ends.
#pragma once

#include <string>

namespace tarvo::render {

class OutputFile {
 public:
  // Resolves `utf8Path` and picks the temporary name ("-": standard output, none). Throws
  // std::runtime_error "cannot write output '<path>': <reason>" for a path that cannot be written.
  explicit OutputFile(const std::string& utf8Path);
  // Removes the temporary file unless commit() succeeded.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // The path as the user gave it, the file that will be replaced, and where to write.
  const std::string& path() const { return path_; }
  const std::string& target() const { return target_; }
  const std::string& temporaryPath() const { return temporary_; }
  bool isStandardOutput() const { return path_ == "-"; }
  // Other names (hard links) the replaced file has: they keep the old audio, since the new
  // file takes the target's name only (the price of never leaving a half-written file).
  int otherLinks() const { return otherLinks_; }

  // Call once the temporary file is complete and closed: gives it the permissions (and
  // owner) of the file it replaces, then renames it over the target. Throws on failure.
  void commit();
  // Removes the temporary file now (after a failure to create or write it).
  void discard() noexcept;

 private:
  std::string path_, target_, temporary_;
  int cleanupSlot_ = -1;
  int otherLinks_ = 0;
  bool committed_ = false;
};

// The file that writing to `utf8Path` must replace: the path itself, or the end of its
// chain of symbolic links. Throws std::runtime_error with the reason (without the path)
// when it is a folder, a device, a pipe or a socket, or its folder does not exist.
std::string resolveOutputTarget(const std::string& utf8Path);

}  // namespace tarvo::render
