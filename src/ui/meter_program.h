#pragma once

#include "framework/serial_port.h"
#include "framework/window.h"
#include "framework/window_thread.h"
#include "registers/register_catalogue.h"
#include "ui/link_state.h"
#include "ui/meter_controls.h"
#include "ui/read_cycle.h"
#include "ui/register_editing.h"
#include "ui/reply_decoding.h"

namespace tavr {

// The whole program on one window thread: the program-wide state, the main window built from
// its layout, and every handler bound to its control event. Create() raises the window's
// created event; from then on the program runs on the events the window thread delivers.
class MeterProgram {
  public:
    MeterProgram(WindowThread& thread, const SerialPort::DeviceFactory& makeDevice);
    // Closes the main window first, so no event reaches a handler that is going.
    ~MeterProgram();
    MeterProgram(const MeterProgram&) = delete;
    MeterProgram& operator=(const MeterProgram&) = delete;

    Window& MainWindow() { return window_; }
    MeterControls& Controls() { return controls_; }
    const RegisterCatalogue& Catalogue() const { return catalogue_; }

  private:
    void BindEvents();

    // Declared in construction order: the handlers refer to the window's controls and the state.
    Window window_;
    MeterControls controls_;
    RegisterCatalogue catalogue_;
    LinkState link_;
    ReadCycle readCycle_;
    ReplyDecoder replyDecoder_;
    RegisterEditor registerEditor_;
};

}  // namespace tavr
