#include "toolkit/dib_block.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "toolkit/errors.h"

namespace tarvo::toolkit {

namespace {

constexpr char kWrapperTag[6] = {'D', 'I', 'B', 'C', 'M', 'P'};

uint16_t ReadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

Surface ReadPlainBlock(std::span<const uint8_t> block) {
  if (block.size() < kDibHeaderBytes) {
    throw EDibFormatError("DIB block of " + std::to_string(block.size()) +
                          " bytes is shorter than its 4-byte header");
  }
  const int width = ReadU16(block.data());
  const int height = ReadU16(block.data() + 2);
  // In 64 bits: on 32-bit targets 4 * 65535 * 65535 would wrap around.
  const uint64_t needed = kDibHeaderBytes + uint64_t{4} * width * height;
  if (uint64_t{block.size()} < needed) {
    throw EDibFormatError("DIB block of " + std::to_string(block.size()) +
                          " bytes is too short for " + std::to_string(width) + " x " +
                          std::to_string(height) + " pixels (" + std::to_string(needed) +
                          " bytes)");
  }
  Surface image(width, height);
  const uint8_t* in = block.data() + kDibHeaderBytes;
  for (int stored = 0; stored < height; ++stored) {
    // The first stored row is the bottom row of the picture.
    Pixel* out = image.Row(height - 1 - stored);
    for (int x = 0; x < width; ++x, in += 4) out[x] = ReadU32(in);
  }
  return image;
}

}  // namespace

bool IsWrappedDibBlock(std::span<const uint8_t> block) {
  return block.size() >= kDibWrapperHeaderBytes &&
         std::memcmp(block.data(), kWrapperTag, sizeof kWrapperTag) == 0;
}

Surface ReadDibBlock(std::span<const uint8_t> block) {
  if (IsWrappedDibBlock(block)) throw EDecompressorNotFound();
  return ReadPlainBlock(block);
}

std::vector<uint8_t> WriteDibBlock(const Surface& image) {
  const int width = std::min(image.Width(), 0xFFFF);
  const int height = std::min(image.Height(), 0xFFFF);
  std::vector<uint8_t> block;
  block.reserve(kDibHeaderBytes + size_t{4} * width * height);
  block.push_back(static_cast<uint8_t>(width));
  block.push_back(static_cast<uint8_t>(width >> 8));
  block.push_back(static_cast<uint8_t>(height));
  block.push_back(static_cast<uint8_t>(height >> 8));
  for (int y = height - 1; y >= 0; --y) {
    const Pixel* row = image.Row(y);
    for (int x = 0; x < width; ++x) {
      for (int shift = 0; shift < 32; shift += 8)
        block.push_back(static_cast<uint8_t>(row[x] >> shift));
    }
  }
  return block;
}

}  // namespace tarvo::toolkit
