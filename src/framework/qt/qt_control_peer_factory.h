#pragma once

#include <QWidget>
#include <memory>

#include "framework/control.h"
#include "framework/qt/qt_control_peer.h"

namespace tavr {

// Makes the peer of `control`, its widget a child of `parent`; nullptr for a non-visual control
// (a timer, a serial port), which has no widget.
std::unique_ptr<QtControlPeer> MakeQtControlPeer(Control& control, QWidget& parent);

}  // namespace tavr
