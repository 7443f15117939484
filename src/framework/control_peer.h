#pragma once

#include <cstdint>

namespace tavr {

// The window system's side of a control (a widget). The control calls it after every write of a
// property, by the property's index (common properties 0..7, the kind's own from 8); the peer
// reads the new value from the control and mirrors it onto its widget. Operator actions that the
// peer reports to the control (a click, typed text) come back as writes too, so mirroring must
// tolerate a value the widget already shows.
class ControlPeer {
  public:
    virtual ~ControlPeer() = default;
    virtual void PropertyChanged(std::int32_t index) = 0;
};

}  // namespace tavr
