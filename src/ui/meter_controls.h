#pragma once

#include "framework/button.h"
#include "framework/check_box.h"
#include "framework/combo_box.h"
#include "framework/edit_box.h"
#include "framework/list_view.h"
#include "framework/serial_port.h"
#include "framework/shape_box.h"
#include "framework/timer.h"
#include "framework/window.h"

namespace tavr {

// The main window and the controls of it that the program's handlers read and write, by their
// form names.
struct MeterControls {
    Window& window;
    ComboBox& 串口号;          // serial port number selector
    ComboBox& 波特率;          // baud rate selector
    ComboBox& 设备ID;          // device ID selector
    ShapeBox& 外形框1;         // the link lamp
    Button& 联机按钮;          // connect / disconnect button
    Button& 读取数据;          // manual read button
    CheckBox& 自动读取选择框;  // auto-read check box
    EditBox& 隔几秒;           // auto-read period in seconds
    Timer& 时钟1;              // re-read timer, armed once per register write
    Timer& 时钟2;              // auto-read timer
    SerialPort& 端口1;         // the serial port to the meter
    ListView& 超级列表框1;     // the register table
    EditBox& 小数位预设值;     // catalogue: decimals of every register
    EditBox& 数值对应单位;     // catalogue: unit of every register
    EditBox& 数据备注说明;     // catalogue: remark of every register
    EditBox& 修改最大限制;     // catalogue: largest value a write may carry
};

}  // namespace tavr
