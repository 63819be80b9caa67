// The snapshot: meter option parsing, the rendered panel and the PNG file.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>

#include "editor_test_support.h"
#include "snapshot/panel_snapshot.h"

namespace tarvo::snapshot {
namespace {

TEST(Snapshot, ParsesMeterLevels) {
  std::string error;
  auto levels = ParseMeterLevels("-12,-6.5,+3", error);
  ASSERT_TRUE(levels.has_value()) << error;
  EXPECT_EQ(levels->inDb, -12.0);
  EXPECT_EQ(levels->outDb, -6.5);
  EXPECT_EQ(levels->gainDb, 3.0);
  for (const char* bad : {"", "-12,-6", "-12,-6,-3,0", "a,b,c", "-12,,-3", "1,2,nan", "1,2,3x"}) {
    error.clear();
    EXPECT_FALSE(ParseMeterLevels(bad, error).has_value()) << bad;
    EXPECT_NE(error.find("IN_DB,OUT_DB,GAIN_DB"), std::string::npos) << bad;
  }
}

TEST(Snapshot, PanelMatchesTheWindowAfterItsFirstIdle) {
  PanelSettings settings;
  settings.program = 13;
  settings.values = {{params::kThreshold, 0.4f}};
  settings.meters = MeterLevels{-6.0, -20.0, -6.0206};
  const toolkit::Surface panel = RenderPanel(settings);

  editor::testing::OpenWindow reference(editor::testing::FactoryProgram(13));
  auto values = editor::testing::FactoryProgram(13);
  values[params::kThreshold] = 0.4f;
  reference.Refresh(values);
  reference.window.inLevelL = reference.window.inLevelR = 0.501187f;
  reference.window.outLevelL = reference.window.outLevelR = 0.1f;
  reference.window.gainLevelL = reference.window.gainLevelR = 0.5f;
  reference.window.UpdateMeter();
  reference.window.Compose();
  ASSERT_EQ(panel.Width(), 645);
  ASSERT_EQ(panel.Height(), 485);
  int differing = 0;
  for (int y = 0; y < 485; ++y) {
    for (int x = 0; x < 645; ++x) differing += panel.At(x, y) != reference.window.Bitmap().At(x, y);
  }
  EXPECT_EQ(differing, 0);
}

TEST(Snapshot, WritesAPngThatReadsBack) {
  const toolkit::Surface panel = RenderPanel({});
  const auto path = std::filesystem::temp_directory_path() / "tarvo_snapshot_test.png";
  WritePng(panel, path.string());
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_NE(png_image_begin_read_from_file(&image, path.c_str()), 0) << image.message;
  image.format = PNG_FORMAT_BGRA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  ASSERT_NE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr), 0);
  ASSERT_EQ(image.width, 645u);
  ASSERT_EQ(image.height, 485u);
  for (int y : {0, 100, 484}) {
    for (int x : {0, 300, 644}) {
      const toolkit::Pixel p = panel.At(x, y);
      const uint8_t* q = &pixels[(static_cast<size_t>(y) * 645 + x) * 4];
      EXPECT_EQ(q[0], toolkit::BlueOf(p));
      EXPECT_EQ(q[1], toolkit::GreenOf(p));
      EXPECT_EQ(q[2], toolkit::RedOf(p));
    }
  }
  std::filesystem::remove(path);
  EXPECT_THROW(WritePng(panel, "/nonexistent-folder/x.png"), std::runtime_error);
}

}  // namespace
}  // namespace tarvo::snapshot
