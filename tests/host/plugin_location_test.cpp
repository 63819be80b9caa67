// Which plug-in binary tarvo-render loads by default: the one of its own build while it
// runs from the build folder, the installed one once installed.
#include "render/plugin_location.h"

#include <gtest/gtest.h>

#include <set>

namespace {

namespace fs = std::filesystem;
using tarvo::render::choosePluginPath;
using tarvo::render::PluginLocations;

const PluginLocations kRelative{"/src/build/release/host", "/src/build/release/Tarvo.so",
                                "../lib/vst/Tarvo.so"};

struct FakeFiles {
  std::set<fs::path> present;
  bool operator()(const fs::path& p) const { return present.count(p) > 0; }
};

TEST(PluginLocation, RendererInItsBuildFolderLoadsTheBuiltPlugin) {
  // Even when an installed copy exists where the relative path would lead.
  FakeFiles files{{"/src/build/release/lib/vst/Tarvo.so", "/src/build/release/Tarvo.so"}};
  EXPECT_EQ(choosePluginPath("/src/build/release/host/tarvo-render", kRelative, files),
            fs::path("/src/build/release/Tarvo.so"));
}

TEST(PluginLocation, InstalledRendererLoadsThePluginInstalledBesideIt) {
  FakeFiles files{{"/usr/lib/vst/Tarvo.so", "/src/build/release/Tarvo.so"}};
  EXPECT_EQ(choosePluginPath("/usr/bin/tarvo-render", kRelative, files),
            fs::path("/usr/lib/vst/Tarvo.so"));
  FakeFiles staged{{"/tmp/p/lib/vst/Tarvo.so"}};
  EXPECT_EQ(choosePluginPath("/tmp/p/bin/tarvo-render", kRelative, staged),
            fs::path("/tmp/p/lib/vst/Tarvo.so"));
}

TEST(PluginLocation, AbsoluteInstallFolderIsUsedAsGiven) {
  const PluginLocations userInstall{"/src/build/release/host", "/src/build/release/Tarvo.so",
                                    "/home/ann/.vst/Tarvo.so"};
  FakeFiles files{{"/home/ann/.vst/Tarvo.so"}};
  EXPECT_EQ(choosePluginPath("/home/ann/.local/bin/tarvo-render", userInstall, files),
            fs::path("/home/ann/.vst/Tarvo.so"));
}

TEST(PluginLocation, MissingInstalledPluginFallsBackToTheBuiltOne) {
  FakeFiles none{};
  EXPECT_EQ(choosePluginPath("/opt/tarvo/bin/tarvo-render", kRelative, none),
            fs::path("/src/build/release/Tarvo.so"));
  EXPECT_EQ(choosePluginPath("", kRelative, none), fs::path("/src/build/release/Tarvo.so"));
}

}  // namespace
