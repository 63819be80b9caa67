// Reading stored image blocks: sizes, bottom-up rows, the compression wrapper and
// malformed input; the image list.
#include "toolkit/dib_block.h"

#include <gtest/gtest.h>

#include <string>

#include "toolkit/dib_image_list.h"
#include "toolkit/errors.h"
#include "toolkit_test_support.h"

namespace tarvo::toolkit {
namespace {

using testing::PlainBlock;

std::vector<uint8_t> WrappedBlock(uint8_t idByte, uint32_t unpackedLength,
                                  const std::vector<uint8_t>& packed) {
  std::vector<uint8_t> out = {'D', 'I', 'B', 'C', 'M', 'P'};
  for (int i = 0; i < 16; ++i) out.push_back(idByte);
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<uint8_t>(unpackedLength >> shift));
  out.insert(out.end(), packed.begin(), packed.end());
  return out;
}

TEST(DibBlockTest, ReadsSizeAndTurnsBottomUpRowsTopDown) {
  const std::vector<std::vector<Pixel>> rows = {
      {Rgb(0x010203), Rgb(0x040506), Rgb(0x070809)},  // top row
      {Rgb(0x0A0B0C), Rgb(0x0D0E0F), 0x80101112},     // bottom row, one alpha 0x80
  };
  const std::vector<uint8_t> block = PlainBlock(3, 2, rows);
  // The stored pixels start with the bottom row, blue first.
  ASSERT_EQ(block.size(), 4u + 3 * 2 * 4);
  EXPECT_EQ(block[4], 0x0C);
  EXPECT_EQ(block[6], 0x0A);

  const Surface image = ReadDibBlock(block);
  ASSERT_EQ(image.Width(), 3);
  ASSERT_EQ(image.Height(), 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) EXPECT_EQ(image.At(x, y), rows[y][x]) << x << "," << y;
  }
}

TEST(DibBlockTest, SizesAreLittleEndian) {
  // 258 = 0x0102 wide, 1 high: the low byte comes first.
  std::vector<uint8_t> block = {0x02, 0x01, 0x01, 0x00};
  block.resize(4 + 258 * 4, 0xFF);
  const Surface image = ReadDibBlock(block);
  EXPECT_EQ(image.Width(), 258);
  EXPECT_EQ(image.Height(), 1);
}

TEST(DibBlockTest, FullPanelBlockHasTheExpectedLength) {
  Surface panel(645, 485, Rgb(0x202020));
  panel.Set(0, 484, Rgb(0xFF0000));  // bottom-left pixel is the first one stored
  const std::vector<uint8_t> block = WriteDibBlock(panel);
  EXPECT_EQ(block.size(), 1251304u);
  EXPECT_EQ(block[4 + 2], 0xFF);  // red byte of the first stored pixel
  const Surface back = ReadDibBlock(block);
  EXPECT_EQ(back.Width(), 645);
  EXPECT_EQ(back.Height(), 485);
  EXPECT_EQ(back.At(0, 484), Rgb(0xFF0000));
  EXPECT_EQ(back.At(0, 0), Rgb(0x202020));
}

TEST(DibBlockTest, EmptyPicturesAreValid) {
  EXPECT_TRUE(ReadDibBlock(std::vector<uint8_t>{0, 0, 5, 0}).Empty());
  EXPECT_TRUE(ReadDibBlock(std::vector<uint8_t>{7, 0, 0, 0}).Empty());
}

TEST(DibBlockTest, RejectsBlocksTooShortForTheirStatedSize) {
  EXPECT_THROW(ReadDibBlock(std::vector<uint8_t>{}), EDibFormatError);
  EXPECT_THROW(ReadDibBlock(std::vector<uint8_t>{2, 0, 2}), EDibFormatError);
  std::vector<uint8_t> block = PlainBlock(2, 2, {{1, 2}, {3, 4}});
  block.pop_back();  // one byte short of 2 x 2 pixels
  try {
    ReadDibBlock(block);
    FAIL() << "a truncated block was accepted";
  } catch (const EDibFormatError& e) {
    EXPECT_NE(std::string(e.what()).find("2 x 2"), std::string::npos) << e.what();
  }
  // A header claiming the largest size with a few pixel bytes behind it.
  EXPECT_THROW(ReadDibBlock(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4}),
               EDibFormatError);
  // Extra bytes after the pixels are ignored.
  block = PlainBlock(1, 1, {{Rgb(0x123456)}});
  block.push_back(0xEE);
  EXPECT_EQ(ReadDibBlock(block).At(0, 0), Rgb(0x123456));
}

TEST(DibBlockTest, WrappedBlockWithoutDecompressorFailsWithTheToolkitText) {
  const std::vector<uint8_t> block = WrappedBlock(0x42, 8, {1, 2, 3});
  ASSERT_TRUE(IsWrappedDibBlock(block));
  try {
    ReadDibBlock(block);
    FAIL() << "a wrapped block was read without a decompressor";
  } catch (const EDecompressorNotFound& e) {
    EXPECT_STREQ(e.what(), "Could not find a suitable decompressor.");
  }
  // Exactly the header, no compressed bytes: still a wrapper.
  EXPECT_THROW(ReadDibBlock(WrappedBlock(0x42, 0, {})), EDecompressorNotFound);
}

TEST(DibBlockTest, BlocksUnderTheWrapperHeaderAreNeverTakenAsWrapped) {
  // 25 bytes that start with the wrapper tag are read as a plain block: "DI" is its width,
  // "BC" its height, far more pixels than the block holds.
  std::vector<uint8_t> block = WrappedBlock(0x42, 0, {});
  block.pop_back();
  ASSERT_EQ(block.size(), 25u);
  EXPECT_FALSE(IsWrappedDibBlock(block));
  EXPECT_THROW(ReadDibBlock(block), EDibFormatError);
}

TEST(DibImageListTest, HoldsImagesByIndexAndIgnoresOthers) {
  TDIBImageList list;
  EXPECT_EQ(list.Add("Index Pointer", Surface(10, 10), Rgb(0x666666)), 0);
  EXPECT_EQ(list.AddBlock("Knob Large", PlainBlock(2, 1, {{0, 0}}), 0x000000), 1);
  EXPECT_EQ(list.Add("Chassis", Surface(645, 485)), 2);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Item(0)->displayName, "Index Pointer");
  EXPECT_EQ(list.Item(0)->colourKey, 0x666666u);  // stored without alpha
  EXPECT_EQ(list.Item(1)->image.Width(), 2);
  EXPECT_FALSE(list.Item(2)->colourKey.has_value());
  EXPECT_EQ(list.Item(-1), nullptr);
  EXPECT_EQ(list.Item(3), nullptr);
  EXPECT_THROW(list.AddBlock("broken", std::vector<uint8_t>{5, 0, 5, 0}), EDibFormatError);
  EXPECT_EQ(list.Count(), 3);
}

}  // namespace
}  // namespace tarvo::toolkit
