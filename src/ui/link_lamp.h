#pragma once

#include "framework/colour.h"

namespace tavr {

// Fill colours of the link lamp `外形框1`, which is the program's only record of the link state.
// Only green lets a read request through.
inline constexpr Colour LampNeverConnected = 0x000000;  // black: not connected since start
inline constexpr Colour LampReady = 0x00FF00;           // green: port opened, or a byte arrived
inline constexpr Colour LampWaiting = 0x0000FF;         // red: request outstanding or link unusable
inline constexpr Colour LampDisconnected = 0x808080;    // grey: disconnected

}  // namespace tavr
