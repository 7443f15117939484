#include "running_program.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QtTest/QTest>
#include <memory>

#include "serial/posix/serial_port_unit.h"

namespace tavr {

RunningProgram::RunningProgram()
    : program_(system_.Thread(),
               [](SerialPort::QueueReadyPoster post) {
                   return std::make_unique<SerialPortUnit>(std::move(post));
               }),
      peer_(system_.ShowWindow(program_.MainWindow())) {
    program_.MainWindow().Create();
    QApplication::setActiveWindow(&TopLevel());
    if (!QTest::qWaitForWindowActive(&TopLevel())) {
        ADD_FAILURE() << "the main window did not become active";
    }
}

}  // namespace tavr
