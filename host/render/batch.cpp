#include "render/batch.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <stdexcept>

#include "params/number_text.h"
#include "render/native_file.h"

#if defined(_WIN32)
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace tarvo::render {

namespace fs = std::filesystem;

std::vector<BatchJob> planBatch(const std::vector<std::string>& inputs, const std::string& folder,
                                const std::string& suffix,
                                const std::optional<std::string>& extension) {
  std::vector<BatchJob> jobs;
  std::map<fs::path, std::string> taken;  // output -> the input that writes it
  for (const std::string& input : inputs) {
    const fs::path in = pathFromUtf8(input);
    const fs::path name = pathFromUtf8(utf8FromPath(in.stem()) + suffix +
                                       extension.value_or(utf8FromPath(in.extension())));
    const fs::path out = pathFromUtf8(folder) / name;
    const fs::path key = fs::weakly_canonical(out);
    std::error_code ec;
    // The messages are appended piece by piece: GCC 12 at -O3 misreports -Wrestrict inside
    // operator+ with a literal in front.
    std::string why = "'";
    if (fs::exists(out, ec) && fs::equivalent(in, out, ec)) {
      why += utf8FromPath(out);
      why += "' would be written over its input '";
      why += input;
      why += "'; give another --out-dir or a --suffix";
      throw std::invalid_argument(why);
    }
    const auto [at, added] = taken.emplace(key, input);
    if (!added) {
      why += at->second;
      why += "' and '";
      why += input;
      why += "' would both be written to '";
      why += utf8FromPath(out);
      why += "'; give them different names or render them apart";
      throw std::invalid_argument(why);
    }
    jobs.push_back({input, utf8FromPath(out)});
  }
  return jobs;
}

namespace {

// The number after `"key":` in a JSON object, or NaN.
double jsonNumber(const std::string& json, const std::string& key, size_t from = 0) {
  const size_t at = json.find("\"" + key + "\":", from);
  if (at == std::string::npos) return NAN;
  const char* start = json.c_str() + at + key.size() + 3;
  char* end = nullptr;
  const double x = std::strtod(start, &end);
  return end == start ? NAN : x;
}

std::string readAll(const std::string& path) {
  std::string text;
  if (std::FILE* f = openFile(path, "rb")) {
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
    std::fclose(f);
  }
  return text;
}

// One line about a finished file: its JSON summary made short, and the messages it gave.
void report(const BatchJob& job, int status, const std::string& captured, bool json) {
  const size_t start = captured.find("{\"input\"");
  const std::string object =
      start == std::string::npos ? "" : captured.substr(start, captured.find('\n', start) - start);
  const std::string messages = start == std::string::npos ? captured : captured.substr(0, start);
  if (json && status == 0) {
    std::cout << object << "\n";
  } else if (status == 0) {
    const double in = jsonNumber(object, "integrated_lufs", object.find("\"in\":"));
    const double out = jsonNumber(object, "integrated_lufs", object.find("\"out\":"));
    std::string line = job.input + " -> " + job.output + ": " +
                       params::fixedText(jsonNumber(object, "seconds"), 2) +
                       " s, gain reduction up to " +
                       params::fixedText(jsonNumber(object, "gain_reduction_max_db"), 1) + " dB";
    if (std::isfinite(in) && std::isfinite(out)) {
      line += ", " + params::fixedText(in, 1) + " -> " + params::fixedText(out, 1) + " LUFS";
    }
    std::cout << line << "\n";
  } else {
    std::cout << job.input << ": FAILED\n";
  }
  // The job's own messages (warnings, the reason of a failure), each under the file's name.
  size_t pos = 0;
  while (pos < messages.size()) {
    size_t end = messages.find('\n', pos);
    if (end == std::string::npos) end = messages.size();
    if (end > pos)
      std::cerr << "  " << job.input << ": " << messages.substr(pos, end - pos) << "\n";
    pos = end + 1;
  }
  std::cout.flush();
}

#if !defined(_WIN32)

struct Running {
  pid_t pid;
  size_t job;
  std::string capture;
};

pid_t start(const std::string& program, const std::vector<std::string>& options,
            const BatchJob& job, const std::string& capture) {
  std::vector<std::string> args{program};
  args.insert(args.end(), options.begin(), options.end());
  args.insert(args.end(), {job.input, job.output, "--json"});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, capture.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

#endif

}  // namespace

#if !defined(_WIN32)

std::string ownProgramPath() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("tarvo-render") : exe.string();
}

int runBatch(const std::string& program, const std::vector<std::string>& options,
             const std::vector<BatchJob>& jobs, int parallel, bool json) {
  const fs::path scratch =
      fs::temp_directory_path() / ("tarvo-render-" + std::to_string(::getpid()));
  fs::create_directories(scratch);
  std::vector<Running> running;
  size_t next = 0;
  int failed = 0;
  while (next < jobs.size() || !running.empty()) {
    while (next < jobs.size() && static_cast<int>(running.size()) < parallel) {
      const std::string capture = (scratch / (std::to_string(next) + ".txt")).string();
      const pid_t pid = start(program, options, jobs[next], capture);
      if (pid < 0) {
        report(jobs[next], 1, "cannot start " + program + "\n", json);
        ++failed;
      } else {
        running.push_back({pid, next, capture});
      }
      ++next;
    }
    if (running.empty()) continue;
    int status = 0;
    const pid_t done = ::waitpid(-1, &status, 0);
    if (done < 0) break;
    for (size_t i = 0; i < running.size(); ++i) {
      if (running[i].pid != done) continue;
      const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 1;
      report(jobs[running[i].job], code, readAll(running[i].capture), json);
      if (code != 0) ++failed;
      fs::remove(running[i].capture);
      running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  std::error_code ec;
  fs::remove_all(scratch, ec);
  return failed;
}

#else

std::string ownProgramPath() {
  std::wstring exe(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
    if (n < exe.size()) {
      exe.resize(n);
      break;
    }
    exe.resize(exe.size() * 2);
  }
  return utf8FromPath(fs::path(exe));
}

// Windows: one file after the other, each in a process of its own.
int runBatch(const std::string& program, const std::vector<std::string>& options,
             const std::vector<BatchJob>& jobs, int /*parallel*/, bool json) {
  int failed = 0;
  for (size_t i = 0; i < jobs.size(); ++i) {
    const std::string capture =
        utf8FromPath(fs::temp_directory_path() / ("tarvo-render-" + std::to_string(i) + ".txt"));
    // _wspawnv joins the arguments with spaces: each is quoted (file names and settings
    // hold spaces; neither holds quotes).
    const auto quoted = [](const std::string& text) {
      return L"\"" + pathFromUtf8(text).wstring() + L"\"";
    };
    std::vector<std::wstring> wide{quoted(program)};
    for (const std::string& o : options) wide.push_back(quoted(o));
    for (const std::string& f : {jobs[i].input, jobs[i].output, std::string("--json")}) {
      wide.push_back(quoted(f));
    }
    // Redirect through a file: the child's standard output and error.
    std::FILE* out = openFile(capture, "wb");
    int code = 1;
    if (out != nullptr) {
      const int saved1 = _dup(1), saved2 = _dup(2);
      std::fflush(stdout);
      std::fflush(stderr);
      _dup2(_fileno(out), 1);
      _dup2(_fileno(out), 2);
      std::vector<const wchar_t*> argv;
      for (const std::wstring& w : wide) argv.push_back(w.c_str());
      argv.push_back(nullptr);
      const std::wstring exe = pathFromUtf8(program).wstring();
      code = static_cast<int>(_wspawnv(_P_WAIT, exe.c_str(), argv.data()));
      _dup2(saved1, 1);
      _dup2(saved2, 2);
      std::fclose(out);
    }
    report(jobs[i], code, readAll(capture), json);
    removeFile(capture);
    if (code != 0) ++failed;
  }
  return failed;
}

#endif

}  // namespace tarvo::render
