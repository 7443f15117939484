#include "ui/program_main.h"

#include "ui/meter_program.h"

namespace tavr {

std::int32_t ProgramMain(WindowSystem& system, const SerialPort::DeviceFactory& makeDevice) {
    // The program-wide state lives until the window has been closed and is released on return.
    MeterProgram program(system.Thread(), makeDevice);
    Window& window = program.MainWindow();
    system.Show(window);
    window.Create();
    system.RunUntilClosed(window);
    return 0;
}

}  // namespace tavr
