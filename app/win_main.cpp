#include <windows.h>

#include <memory>

#include "framework/win32/win32_window_system.h"
#include "serial/win32/win32_serial_port_unit.h"
#include "ui/program_main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    tavr::Win32WindowSystem windowSystem;
    return tavr::ProgramMain(windowSystem, [](tavr::SerialPort::QueueReadyPoster post) {
        return std::make_unique<tavr::Win32SerialPortUnit>(std::move(post));
    });
}
