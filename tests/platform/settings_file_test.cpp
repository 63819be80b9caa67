#include "platform/posix/settings_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/settings.h"

namespace tarvo::platform {
namespace {

namespace fs = std::filesystem;

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tarvo-settings-" + std::to_string(getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string write(const std::string& name, const std::string& text) {
    const fs::path path = dir / name;
    std::ofstream(path) << text;
    return path.string();
  }
  fs::path dir;
};

TEST_F(SettingsFile, ReadsTheKeyTrimmedAndSkipsCommentsAndSections) {
  const std::string file = write("a.conf",
                                 "# written by the installer\n[Tarvo]\n; note\n"
                                 "Other = x\n  Manual =  /usr/share/doc/tarvo/Tarvo Manual.pdf \n");
  const SettingRead r = readSettingStringFrom({file}, "Manual");
  EXPECT_TRUE(r.fileFound);
  EXPECT_EQ(r.value, "/usr/share/doc/tarvo/Tarvo Manual.pdf");
}

TEST_F(SettingsFile, MissingFileOrKeyGivesEmptyText) {
  SettingRead r = readSettingStringFrom({(dir / "none.conf").string()}, "Manual");
  EXPECT_FALSE(r.fileFound);
  EXPECT_EQ(r.value, "");
  r = readSettingStringFrom({write("b.conf", "Manuals=/x\nmanual=/y\n")}, "Manual");
  EXPECT_TRUE(r.fileFound);
  EXPECT_EQ(r.value, "");  // keys are compared exactly
}

TEST_F(SettingsFile, FirstFileHoldingTheKeyWins) {
  const std::string system = write("system.conf", "Other=1\n");
  const std::string user = write("user.conf", "Manual=/home/me/manual.pdf\n");
  EXPECT_EQ(readSettingStringFrom({system, user}, "Manual").value, "/home/me/manual.pdf");
  const std::string both = write("both.conf", "Manual=/opt/manual.pdf\n");
  EXPECT_EQ(readSettingStringFrom({both, user}, "Manual").value, "/opt/manual.pdf");
}

TEST_F(SettingsFile, SearchPathFollowsTheEnvironment) {
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string savedValue = saved ? saved : "";
  setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  fs::create_directories(dir / "Velmora Audio");
  std::ofstream(dir / "Velmora Audio" / "Tarvo.conf") << "Manual=https://example.org/m\n";
  const auto files = settingsFiles();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0], "/etc/xdg/Velmora Audio/Tarvo.conf");
  EXPECT_EQ(files[1], (dir / "Velmora Audio" / "Tarvo.conf").string());
  if (!fs::exists(files[0])) {
    EXPECT_EQ(readSetting("Manual").value_or(""), "https://example.org/m");
    EXPECT_FALSE(readSetting("Missing").has_value());
  }
  if (saved) {
    setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace tarvo::platform
