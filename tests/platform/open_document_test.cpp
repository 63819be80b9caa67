#include "platform/open_document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace tarvo::platform {
namespace {

namespace fs = std::filesystem;

// A stand-in for xdg-open that records each argument on a line of its own.
class OpenDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tarvo-open-" + std::to_string(getpid()));
    fs::create_directories(dir);
    log = dir / "args.log";
    script = dir / "fake-open";
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '"
                          << log.string() << "'; done\necho $PPID > '" << (dir / "ppid").string()
                          << "'\n";
    fs::permissions(script, fs::perms::owner_all);
    setenv("TARVO_OPEN_COMMAND", script.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("TARVO_OPEN_COMMAND");
    fs::remove_all(dir);
  }
  std::string waitForLog() {
    for (int i = 0; i < 200 && !fs::exists(dir / "ppid"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::ifstream in(log);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  fs::path dir, log, script;
};

TEST_F(OpenDocument, TargetArrivesAsOneArgumentNeverThroughAShell) {
  const std::string target = "/tmp/My Manual; touch " + (dir / "pwned").string() + " $(id)`x`.pdf";
  ASSERT_TRUE(openDocument(target, true, nullptr));
  EXPECT_EQ(waitForLog(), target + "\n");
  EXPECT_FALSE(fs::exists(dir / "pwned"));
}

TEST_F(OpenDocument, OpenerIsDetachedAndLeavesNoChildBehind) {
  ASSERT_TRUE(openDocument("https://example.org/tarvo", true, nullptr));
  waitForLog();
  // The opener's parent is not this process: it was handed to init (or a subreaper).
  std::ifstream in(dir / "ppid");
  pid_t parent = 0;
  in >> parent;
  EXPECT_NE(parent, getpid());
  // Nothing is left for this process to collect.
  int status = 0;
  EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
}

TEST_F(OpenDocument, EmptyTargetStartsNothing) {
  EXPECT_FALSE(openDocument("", true, nullptr));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(fs::exists(log));
}

}  // namespace
}  // namespace tarvo::platform
