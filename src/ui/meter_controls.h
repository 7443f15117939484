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
// form names; main_window_layout.cpp says what each one is.
struct MeterControls {
    Window& window;
    ComboBox& 串口号;
    ComboBox& 波特率;
    ComboBox& 设备ID;
    ShapeBox& 外形框1;
    Button& 联机按钮;
    Button& 读取数据;
    CheckBox& 自动读取选择框;
    EditBox& 隔几秒;
    Timer& 时钟1;
    Timer& 时钟2;
    Timer& 时钟3;
    SerialPort& 端口1;
    ListView& 超级列表框1;
    EditBox& 小数位预设值;
    EditBox& 数值对应单位;
    EditBox& 数据备注说明;
    EditBox& 修改最大限制;
};

}  // namespace tavr
