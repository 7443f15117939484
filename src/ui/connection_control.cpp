#include "ui/connection_control.h"

#include <iostream>

#include "runtime/to_number.h"
#include "ui/connection_settings.h"
#include "ui/link_lamp.h"

namespace tavr {

namespace {

constexpr std::string_view ConnectCaption = "联机";
constexpr std::string_view DisconnectCaption = "断开";

void Connect(MeterControls& controls) {
    SerialPortProperties& line = controls.端口1.Properties();
    line.SetPortNumber(ToInteger(controls.串口号.Content()));
    line.SetBaudRate(ToInteger(controls.波特率.Content()));
    if (controls.端口1.Open()) {
        controls.外形框1.SetFillColour(LampReady);
        controls.外形框1.SetToolTip({});
        SaveSelection(ModbusIdPath, controls.设备ID);
        SaveSelection(ModbusBaudPath, controls.波特率);
        SaveSelection(ModbusPortPath, controls.串口号);
    } else {
        controls.外形框1.SetFillColour(LampWaiting);
        // The window has no room for a message: the lamp's tool tip and standard error say why.
        const Text& reason = controls.端口1.LastOpenFailure();
        controls.外形框1.SetToolTip(reason);
        std::cerr << reason << '\n';
    }
    controls.联机按钮.SetCaption(Text(DisconnectCaption));
}

void Disconnect(MeterControls& controls) {
    controls.端口1.Close();
    controls.外形框1.SetFillColour(LampDisconnected);
    controls.联机按钮.SetCaption(Text(ConnectCaption));
    controls.时钟2.SetInterval(0);
    controls.自动读取选择框.SetChecked(0);
}

}  // namespace

void OnConnectClicked(MeterControls& controls) {
    if (controls.联机按钮.Caption() == ConnectCaption) {
        Connect(controls);
    } else {
        Disconnect(controls);
    }
}

}  // namespace tavr
