// Fuzzes the stored image block reader with plain and wrapped blocks. A test decompressor
// ("identity": the packed bytes are the plain block, cut or padded to the stated length)
// lets wrapped blocks reach the plain reader. Invariants: the reader either raises one of
// the toolkit's errors or returns a surface of the stated size (the empty surface when a
// side is 0) whose pixels are the block's (written back, the block's first bytes come out
// again).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "toolkit/dib_block.h"
#include "toolkit/errors.h"

namespace {

using namespace tarvo::toolkit;

constexpr DibCompressorId kIdentity = {'t', 'e', 's', 't', '-', 'i', 'd', 'e',
                                       'n', 't', 'i', 't', 'y', 0,   0,   0};
// Identifier of a registered entry that holds no function.
constexpr DibCompressorId kEmpty = {'t', 'e', 's', 't', '-', 'e', 'm', 'p',
                                    't', 'y', 0,   0,   0,   0,   0,   0};

// The packed bytes cut or zero-padded to the stated length, but never more than 16 bytes
// beyond them: the stated length is untrusted.
std::vector<uint8_t> identity(std::span<const uint8_t> packed, uint32_t unpackedLength) {
  const size_t n = std::min<size_t>(unpackedLength, packed.size() + 16);
  std::vector<uint8_t> plain(packed.begin(), packed.begin() + std::min(n, packed.size()));
  plain.resize(n);
  return plain;
}

const DibDecompressors& decompressors() {
  static const DibDecompressors table = [] {
    DibDecompressors t;
    t.Register(kIdentity, identity);
    t.Register(kEmpty, DibDecompressor{});
    return t;
  }();
  return table;
}

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> block(data, size);
  // Every other input is read without any decompressor: a wrapped block must then be
  // refused, not misread.
  const bool withTable = size > 0 && (data[size - 1] & 1) != 0;
  try {
    const Surface image = ReadDibBlock(block, withTable ? &decompressors() : nullptr);
    // The plain block the reader saw: the input itself, or what the decompressor made.
    std::vector<uint8_t> plain(block.begin(), block.end());
    if (IsWrappedDibBlock(block)) {
      if (!withTable) fail("wrapped block read without a decompressor");
      const uint32_t length = uint32_t{data[22]} | (uint32_t{data[23]} << 8) |
                              (uint32_t{data[24]} << 16) | (uint32_t{data[25]} << 24);
      plain = identity(block.subspan(kDibWrapperHeaderBytes), length);
    }
    if (plain.size() < kDibHeaderBytes) fail("surface from a block shorter than its header");
    const int width = plain[0] | (plain[1] << 8);
    const int height = plain[2] | (plain[3] << 8);
    if (width == 0 || height == 0) {
      // A block without pixels gives the empty surface (0 x 0).
      if (!image.Empty() || image.Width() != 0 || image.Height() != 0) fail("pixels from none");
      return 0;
    }
    if (image.Width() != width || image.Height() != height) fail("surface size differs");
    const std::vector<uint8_t> written = WriteDibBlock(image);
    if (written.size() > plain.size() ||
        std::memcmp(written.data(), plain.data(), written.size()) != 0) {
      fail("pixels differ");
    }
  } catch (const EToolkitError&) {
    // Refused as malformed: the expected answer for most inputs.
  }
  return 0;
}
