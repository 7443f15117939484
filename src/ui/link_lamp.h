#pragma once

#include "framework/colour.h"
#include "ui/link_state.h"
#include "ui/meter_controls.h"

namespace tavr {

// Fill colours of the link lamp `外形框1`.
inline constexpr Colour LampNeverConnected = 0x000000;  // black: not connected since start
inline constexpr Colour LampReady = 0x00FF00;           // green: port opened, or a byte arrived
inline constexpr Colour LampWaiting = 0x0000FF;         // red: request outstanding or link unusable
inline constexpr Colour LampDisconnected = 0x808080;    // grey: disconnected

inline Colour LampColour(LinkLamp lamp) {
    switch (lamp) {
        case LinkLamp::kReady:
            return LampReady;
        case LinkLamp::kWaiting:
            return LampWaiting;
        case LinkLamp::kDisconnected:
            return LampDisconnected;
        case LinkLamp::kNeverConnected:
            break;
    }
    return LampNeverConnected;
}

// The lamp shows the link's state.
inline void PaintLamp(MeterControls& controls, const LinkState& link) {
    controls.外形框1.SetFillColour(LampColour(link.Lamp()));
}

}  // namespace tavr
