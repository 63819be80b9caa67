// Reading of stored image blocks ("DIB image data") into surfaces.
//
// A plain block is: u16 width, u16 height (little-endian), then width * height pixels of
// 4 bytes (blue, green, red, alpha), rows from the bottom row of the picture to the top row,
// each left to right, no padding. A wrapped block is: the 6 characters "DIBCMP", a 16-byte
// compressor identifier, a u32 little-endian length of the unwrapped block, then the
// compressed bytes. Blocks shorter than the 26-byte wrapper header are always plain.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "toolkit/surface.h"

namespace tarvo::toolkit {

inline constexpr size_t kDibHeaderBytes = 4;
inline constexpr size_t kDibWrapperHeaderBytes = 26;  // "DIBCMP" + 16-byte id + u32 length

using DibCompressorId = std::array<uint8_t, 16>;
// Turns the compressed bytes back into a plain block of `unpackedLength` bytes.
using DibDecompressor =
    std::function<std::vector<uint8_t>(std::span<const uint8_t> packed, uint32_t unpackedLength)>;

// The decompressors a reader may use, looked up by their 16-byte identifier.
class DibDecompressors {
 public:
  void Register(const DibCompressorId& id, DibDecompressor decompressor);
  // The decompressor for `id`, or nullptr when none is registered.
  const DibDecompressor* Find(const DibCompressorId& id) const;

 private:
  std::map<DibCompressorId, DibDecompressor> table_;
};

// True when `block` carries the compression wrapper (26 bytes or more, starting "DIBCMP").
bool IsWrappedDibBlock(std::span<const uint8_t> block);

// Decodes a block into a top-down surface. Throws EDecompressorNotFound for a wrapped block
// whose compressor is not in `decompressors` (or when none are given), and EDibFormatError
// for a block too short for the size its header states (extra trailing bytes are ignored)
// or a decompressor result of the wrong length.
Surface ReadDibBlock(std::span<const uint8_t> block,
                     const DibDecompressors* decompressors = nullptr);

// Encodes a surface as a plain block (bottom row first); used by tools and tests.
std::vector<uint8_t> WriteDibBlock(const Surface& image);

}  // namespace tarvo::toolkit
