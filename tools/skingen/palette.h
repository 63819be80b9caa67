// Colours and knob geometry shared by the chassis and the sprites, so that the
// anti-aliased edges of a sprite blend into exactly the chassis colour under it.
#pragma once

#include <cstdint>

namespace tarvo::skingen {

// Key colours of the skin images.
inline constexpr uint32_t kKeyBlack = 0x000000;
inline constexpr uint32_t kKeyGrey = 0x666666;

// Label background and legend colour: text labels draw on 0x111111 in the tooltip
// colour, so every surface a label sits on is printed in exactly this colour.
inline constexpr uint32_t kLabelBack = 0x111111;
inline constexpr uint32_t kLegend = 0xFFFFE1;
inline constexpr uint32_t kLegendDim = 0xBDBBA6;  // scale numbers and minor legends
inline constexpr uint32_t kTitle = 0xE9B552;      // section titles, amber

inline constexpr uint32_t kPanel = 0x2C2D30;        // matte panel
inline constexpr uint32_t kStrip = 0x1D1E20;        // top strip
inline constexpr uint32_t kGrooveDark = 0x131415;   // frame lines: dark edge
inline constexpr uint32_t kGrooveLight = 0x45464A;  // frame lines: light edge

// Knob faces. The pointer dot rides on the face near its rim; its image is blended
// into kKnobFaceRim so that it has no halo.
inline constexpr uint32_t kKnobFace = 0x2A2B2E;
inline constexpr uint32_t kKnobFaceRim = 0x222326;
inline constexpr uint32_t kPointer = 0xFFFFE1;

// Large knob: 49 x 49 control, pointer radius 20; small: 39 x 39, radius 16.
struct KnobGeometry {
  int size;           // control width and height
  int pointerRadius;  // pixels from the centre to the pointer dot
  double bodyRadius;  // printed knob face
  double dotRadius;   // visible pointer dot
  int dotImage;       // pointer image width and height
};
inline constexpr KnobGeometry kLargeKnob{49, 20, 23.0, 2.6, 10};
inline constexpr KnobGeometry kSmallKnob{39, 16, 18.4, 2.2, 8};

// Lamps (13 x 13) sit in a bezel printed on the chassis; the lit lens covers the
// unlit lens exactly.
inline constexpr double kLampLensRadius = 4.6;
inline constexpr uint32_t kLampBezel = 0x18191B;
inline constexpr uint32_t kRedLit = 0xFF3A2A;
inline constexpr uint32_t kRedUnlit = 0x4A1612;
inline constexpr uint32_t kGreenLit = 0x46F05A;
inline constexpr uint32_t kGreenUnlit = 0x15401B;

// Selector lozenge (30 x 10) and its arrow.
inline constexpr uint32_t kLozenge = 0x18191B;
inline constexpr uint32_t kLozengeEdge = 0x3A3B3F;
inline constexpr uint32_t kArrowUnlit = 0x2F3A30;
inline constexpr uint32_t kArrowLit = 0x4CF060;

}  // namespace tarvo::skingen
