#include "platform/open_document.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tarvo::platform {

bool openDocument(const std::string& target, bool /*withOpenVerb*/, void* /*owner*/) {
  if (target.empty()) return false;
  // Everything the child needs is prepared before fork: after it, only async-signal-safe
  // calls are made (the host process may have other threads).
  const char* envCommand = std::getenv("TARVO_OPEN_COMMAND");
  const std::string program =
      envCommand != nullptr && envCommand[0] != '\0' ? envCommand : "xdg-open";
  char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(target.c_str()),
                        nullptr};
  const long maxFd = sysconf(_SC_OPEN_MAX);
  const int closeLimit = maxFd > 0 && maxFd < 65536 ? static_cast<int>(maxFd) : 4096;

  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    // The middle process only forks the opener and exits, so init adopts the opener.
    const pid_t opener = fork();
    if (opener != 0) _exit(opener < 0 ? 1 : 0);
    setsid();
    const int devNull = open("/dev/null", O_RDWR);
    if (devNull >= 0) {
      dup2(devNull, 0);
      dup2(devNull, 1);
      dup2(devNull, 2);
    }
    for (int fd = 3; fd < closeLimit; ++fd) close(fd);
    execvp(argv[0], argv);
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace tarvo::platform
