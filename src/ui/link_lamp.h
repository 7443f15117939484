#pragma once

#include "framework/colour.h"
#include "ui/link_state.h"
#include "ui/meter_controls.h"

namespace tavr {

// Fill colours of the link lamp `外形框1`.
inline constexpr Colour kLampNeverConnected = 0x000000;  // black: not connected since start
inline constexpr Colour kLampReady = 0x00FF00;           // green: port opened, or a byte arrived
inline constexpr Colour kLampWaiting = 0x0000FF;       // red: request outstanding or link unusable
inline constexpr Colour kLampDisconnected = 0x808080;  // grey: disconnected

inline Colour LampColour(LinkLamp lamp) {
    switch (lamp) {
        case LinkLamp::kReady:
            return kLampReady;
        case LinkLamp::kWaiting:
            return kLampWaiting;
        case LinkLamp::kDisconnected:
            return kLampDisconnected;
        case LinkLamp::kNeverConnected:
            break;
    }
    return kLampNeverConnected;
}

// The lamp shows the link's state.
inline void PaintLamp(MeterControls& controls, const LinkState& link) {
    controls.外形框1.SetFillColour(LampColour(link.Lamp()));
}

}  // namespace tavr
