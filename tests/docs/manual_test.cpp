// The user manual as shipped: its pictures and links resolve, and it names every control,
// release character, link mode and factory program that the plug-in has.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "docs/html_refs.h"
#include "params/factory_presets.h"
#include "params/param_table.h"

namespace {

namespace fs = std::filesystem;
using namespace tarvo;

const fs::path kManual = TARVO_MANUAL;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool isExternal(const std::string& target) {
  for (const char* scheme : {"http://", "https://", "mailto:"}) {
    if (target.rfind(scheme, 0) == 0) return true;
  }
  return false;
}

class Manual : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::is_regular_file(kManual)) << kManual;
    html = readFile(kManual);
    text = docs::visibleText(html);
  }
  std::string html;
  std::string text;
};

// The helpers themselves, on a page with known content, so that the checks below cannot
// pass by finding nothing.
TEST(HtmlRefs, FindsLinksPicturesAnchorsAndText) {
  const std::string page =
      "<p id=\"a\">Rel.2\n  Level &amp; <b>EQ</b></p><a href=\"#a\">x</a>"
      "<img src=\"img/one%20two.png\" alt=\"\"><a HREF=\"other.html#b&amp;c\">y</a>"
      "<span id=\"a\"></span>";
  const auto refs = docs::references(page);
  ASSERT_EQ(refs.size(), 3u);
  EXPECT_EQ(refs[0].attribute, "href");
  EXPECT_EQ(refs[0].target, "#a");
  EXPECT_EQ(refs[1].attribute, "src");
  EXPECT_EQ(docs::percentDecode(refs[1].target), "img/one two.png");
  EXPECT_EQ(refs[2].target, "other.html#b&c");
  std::vector<std::string> duplicates;
  EXPECT_EQ(docs::anchors(page, &duplicates), std::set<std::string>{"a"});
  EXPECT_EQ(duplicates, std::vector<std::string>{"a"});
  EXPECT_NE(docs::visibleText(page).find("Rel.2 Level & EQ"), std::string::npos);
}

TEST_F(Manual, EveryLinkAndPictureResolves) {
  std::vector<std::string> duplicates;
  const std::set<std::string> ids = docs::anchors(html, &duplicates);
  EXPECT_TRUE(duplicates.empty()) << "duplicate id: " << duplicates.front();
  const auto refs = docs::references(html);
  int pictures = 0, internalLinks = 0;
  for (const auto& ref : refs) {
    SCOPED_TRACE(ref.attribute + "=\"" + ref.target + "\"");
    ASSERT_FALSE(ref.target.empty());
    if (isExternal(ref.target)) {
      // The page works offline: nothing it shows is fetched from elsewhere.
      EXPECT_EQ(ref.attribute, "href");
      continue;
    }
    if (ref.target.rfind("data:", 0) == 0) continue;  // embedded in the page
    const size_t hash = ref.target.find('#');
    const std::string file = docs::percentDecode(ref.target.substr(0, hash));
    const std::string anchor = hash == std::string::npos ? "" : ref.target.substr(hash + 1);
    if (file.empty()) {
      EXPECT_EQ(ids.count(anchor), 1u) << "no id=\"" << anchor << "\" in the manual";
      ++internalLinks;
      continue;
    }
    const fs::path local = kManual.parent_path() / file;
    EXPECT_TRUE(fs::is_regular_file(local)) << local << " does not exist";
    EXPECT_FALSE(fs::path(file).is_absolute()) << "an absolute path breaks once installed";
    if (!anchor.empty() && fs::is_regular_file(local)) {
      EXPECT_EQ(docs::anchors(readFile(local), nullptr).count(anchor), 1u)
          << "no id=\"" << anchor << "\" in " << local;
    }
    if (ref.attribute == "src") ++pictures;
  }
  EXPECT_GE(pictures, 3) << "the manual shows the editor";
  EXPECT_GE(internalLinks, 10) << "the manual has a table of contents";
}

TEST_F(Manual, EveryPictureBesideItIsShown) {
  // Pictures in docs/manual-images are installed with the manual; none should be unused.
  std::set<std::string> shown;
  for (const auto& ref : docs::references(html)) {
    if (ref.attribute == "src") shown.insert(docs::percentDecode(ref.target));
  }
  const fs::path folder = kManual.parent_path() / "manual-images";
  ASSERT_TRUE(fs::is_directory(folder));
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = "manual-images/" + entry.path().filename().string();
    EXPECT_EQ(shown.count(name), 1u) << name << " is not shown in the manual";
  }
}

TEST_F(Manual, NamesEveryParameter) {
  for (int i = 0; i < params::kNumParams; ++i) {
    if (i == params::kReserved1 || i == params::kReserved2) continue;
    const std::string quoted = std::string("\"") + params::kParams[i].name + "\"";
    EXPECT_NE(text.find(params::kParams[i].name), std::string::npos)
        << "parameter " << i << " " << quoted << " is not in the manual";
  }
}

TEST_F(Manual, NamesEveryReleaseCharacterAndLinkMode) {
  for (const char* name : params::releaseTypeNames) {
    EXPECT_NE(text.find(name), std::string::npos) << "release character " << name;
  }
  for (const char* name : params::linkModeNames) {
    EXPECT_NE(text.find(name), std::string::npos) << "stereo link mode " << name;
  }
}

TEST_F(Manual, NamesEveryFactoryProgram) {
  for (int p = 0; p < params::kNumPrograms; ++p) {
    EXPECT_NE(text.find(params::factoryProgramNames[p]), std::string::npos)
        << "program " << p << " \"" << params::factoryProgramNames[p] << "\"";
  }
}

}  // namespace
