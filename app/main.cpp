#include <QApplication>
#include <memory>

#include "framework/qt/qt_window_system.h"
#include "serial/posix/serial_port_unit.h"
#include "ui/program_main.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    tavr::QtWindowSystem windowSystem;
    return tavr::ProgramMain(windowSystem, [](tavr::SerialPort::QueueReadyPoster post) {
        return std::make_unique<tavr::SerialPortUnit>(std::move(post));
    });
}
