#pragma once

#include <cstdint>
#include <string_view>

#include "framework/serial_port.h"
#include "framework/window.h"
#include "ui/meter_controls.h"

namespace tavr {

inline constexpr std::string_view kMainWindowTitle =
    "[蓝岭电子]TAVR_12864高精度仪表Modbus协议上位机控制程序v1.1.0 2018-11-25";
// Outer size: the whole window including frame and title bar.
inline constexpr std::int32_t kMainWindowWidth = 695;
inline constexpr std::int32_t kMainWindowHeight = 670;

// Adds the main window's 19 controls to `window` (made with the title and size above) in their
// design order, which is also their stacking and Tab order, with their design values, and
// after them the hold timer `时钟3`. The port
// `端口1` gets its device from `makeDevice`. Returns the controls the program's handlers use.
MeterControls BuildMainWindow(Window& window, const SerialPort::DeviceFactory& makeDevice);

}  // namespace tavr
