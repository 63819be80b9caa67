// Mouse buttons, modifier keys and pointer shapes as the platform layer reports them.
#pragma once

#include <cstdint>

namespace tarvo::toolkit {

enum class TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// Modifier keys and buttons held during a mouse event.
struct TShiftState {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

// The pointer shape a control asks for while the mouse is over it.
enum class TCursor : uint8_t { crDefault, crHandPoint };

}  // namespace tarvo::toolkit
