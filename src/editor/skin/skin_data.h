// The editor's skin, embedded in the binary: the eight skin images of the image
// list, the three meter bitmaps and the glyph atlases of the label fonts. Images are
// DIB blocks (u16 width, u16 height, then BGRA pixels with alpha 255, bottom row
// first); atlases are "TVGA" blocks (format in README.md of this folder).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tarvo::skin {

// Indices in the skin image list.
enum SkinImageIndex : int {
  kIndexPointer = 0,       // "Index Pointer": large knob pointer, key 0x666666
  kKnobLarge = 1,          // "Knob Large": 49 x 49, all key black
  kChassis = 2,            // "Chassis": the 645 x 485 panel background
  kSelectorRight = 3,      // "Selector Right": lit arrow, key black
  kGreenMicroswitch = 4,   // "Green Microswitch": lit green lamp, key black
  kRedMicroswitch = 5,     // "Red Microswitch": lit red lamp, key black
  kKnobSmall = 6,          // "Knob Small": 39 x 39, all key black
  kIndexPointerSmall = 7,  // "Index Pointer Small": small knob pointer, key 0x666666
};
inline constexpr int kSkinImageCount = 8;

// The DIB block of skin image `index`; an empty span for an index outside 0..7.
std::span<const uint8_t> skinImage(int index);
// The display name of skin image `index` ("Index Pointer", "Chassis", ...); empty
// outside 0..7.
std::string_view skinImageName(int index);
// The panel background, the same block as skinImage(kChassis).
std::span<const uint8_t> backgroundImage();

// Meter bitmaps (DIB blocks): the lit input bar, 120 x 10; the unlit cover of the
// output and gain columns, 10 x 120; the lit red gain-reduction bar, 10 x 120.
std::span<const uint8_t> meterInputLit();
std::span<const uint8_t> meterCover();
std::span<const uint8_t> meterReductionLit();

// Glyph atlases of Liberation Sans Regular at 9 and 11 pixels em height.
std::span<const uint8_t> glyphAtlas9();
std::span<const uint8_t> glyphAtlas11();

}  // namespace tarvo::skin
