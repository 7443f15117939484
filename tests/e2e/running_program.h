#pragma once

#include <QWidget>

#include "framework/control.h"
#include "framework/qt/qt_window_system.h"
#include "ui/meter_program.h"

namespace tavr {

// The program run in this process the way its main runs it: the Qt window system, the program
// with the real serial port unit, and its main window shown (offscreen) and created. The window
// is made the active window, so that focus changes deliver their events. Tests act through the
// widgets and look at the program's state through its control objects.
class RunningProgram {
  public:
    RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    MeterControls& Controls() { return program_.Controls(); }
    QWidget& TopLevel() const { return peer_.Widget(); }
    // The widget standing for `control`, as a W; nullptr for a non-visual control.
    template <class W = QWidget>
    W* WidgetOf(const Control& control) const {
        return qobject_cast<W*>(peer_.WidgetOf(control));
    }

  private:
    // The window system outlives the program, whose destruction closes the window and the port.
    QtWindowSystem system_;
    MeterProgram program_;
    QtWindowPeer& peer_;
};

}  // namespace tavr
