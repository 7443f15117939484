#pragma once

#include <QWidget>
#include <memory>

#include "framework/control.h"
#include "framework/qt/qt_control_peer.h"
#include "framework/qt/qt_window_thread_poster.h"

namespace tavr {

// Makes the peer of `control`, its widget a child of `parent`; nullptr for a non-visual control
// (a timer, a serial port), which has no widget. `poster` is the GUI thread's.
std::unique_ptr<QtControlPeer> MakeQtControlPeer(Control& control, QWidget& parent,
                                                 QtWindowThreadPoster& poster);

}  // namespace tavr
