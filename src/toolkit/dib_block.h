// Reading of stored image blocks ("DIB image data") into surfaces.
//
// A plain block is: u16 width, u16 height (little-endian), then width * height pixels of
// 4 bytes (blue, green, red, alpha), rows from the bottom row of the picture to the top row,
// each left to right, no padding. A compressed ("wrapped") block starts with the 6
// characters "DIBCMP", a 16-byte compressor identifier and a u32 length; the reader has no
// decompressor, so it refuses such a block rather than misread it. Blocks shorter than
// the 26-byte wrapper header are always plain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "toolkit/surface.h"

namespace tarvo::toolkit {

inline constexpr size_t kDibHeaderBytes = 4;
inline constexpr size_t kDibWrapperHeaderBytes = 26;  // "DIBCMP" + 16-byte id + u32 length

// True when `block` carries the compression wrapper (26 bytes or more, starting "DIBCMP").
bool IsWrappedDibBlock(std::span<const uint8_t> block);

// Decodes a plain block into a top-down surface. Throws EDecompressorNotFound for a wrapped
// block, and EDibFormatError for a block too short for the size its header states (extra
// trailing bytes are ignored).
Surface ReadDibBlock(std::span<const uint8_t> block);

// Encodes a surface as a plain block (bottom row first); used by tools and tests.
std::vector<uint8_t> WriteDibBlock(const Surface& image);

}  // namespace tarvo::toolkit
