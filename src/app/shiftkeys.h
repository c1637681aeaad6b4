#pragma once

#include "startswitches.h"

namespace tovra {

// Which Shift keys the operator holds right now, read from the display server where the
// platform allows it (X11). Elsewhere (Wayland, offscreen) no key reads as held and the
// "-demo" and "-pickport" switches stand in for the keys.
ShiftKeys readShiftKeysFromDisplay();

} // namespace tovra
