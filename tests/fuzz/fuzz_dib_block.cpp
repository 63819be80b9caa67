// Fuzzes the stored image block reader with plain and wrapped blocks. Invariants: a wrapped
// block is refused (the reader has no decompressor), and anything else either raises one
// of the toolkit's errors or returns a surface of the stated size (the empty surface when
// a side is 0) whose pixels are the block's (written back, the block's first bytes come
// out again).
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

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> block(data, size);
  try {
    const Surface image = ReadDibBlock(block);
    if (IsWrappedDibBlock(block)) fail("wrapped block read without a decompressor");
    if (size < kDibHeaderBytes) fail("surface from a block shorter than its header");
    const int width = data[0] | (data[1] << 8);
    const int height = data[2] | (data[3] << 8);
    if (width == 0 || height == 0) {
      // A block without pixels gives the empty surface (0 x 0).
      if (!image.Empty() || image.Width() != 0 || image.Height() != 0) fail("pixels from none");
      return 0;
    }
    if (image.Width() != width || image.Height() != height) fail("surface size differs");
    const std::vector<uint8_t> written = WriteDibBlock(image);
    if (written.size() > size || std::memcmp(written.data(), data, written.size()) != 0) {
      fail("pixels differ");
    }
  } catch (const EDecompressorNotFound&) {
    if (!IsWrappedDibBlock(block)) fail("plain block taken for a wrapped one");
  } catch (const EToolkitError&) {
    // Refused as malformed: the expected answer for most inputs.
  }
  return 0;
}
