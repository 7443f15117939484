#include "ui/connection_control.h"

#include <iostream>

#include "runtime/to_number.h"
#include "ui/connection_settings.h"
#include "ui/link_lamp.h"

namespace tavr {

namespace {

constexpr std::string_view kConnectCaption = "联机";
constexpr std::string_view kDisconnectCaption = "断开";

void Connect(MeterControls& controls, LinkState& link) {
    SerialPortProperties& line = controls.端口1.Properties();
    line.SetPortNumber(ToInteger(controls.串口号.Content()));
    line.SetBaudRate(ToInteger(controls.波特率.Content()));
    if (controls.端口1.Open()) {
        link.Opened();
        PaintLamp(controls, link);
        controls.外形框1.SetToolTip({});
        SaveSelection(kModbusIdPath, controls.设备ID);
        SaveSelection(kModbusBaudPath, controls.波特率);
        SaveSelection(kModbusPortPath, controls.串口号);
    } else {
        link.OpenFailed();
        PaintLamp(controls, link);
        // The window has no room for a message: the lamp's tool tip and standard error say why.
        const Text& reason = controls.端口1.LastOpenFailure();
        controls.外形框1.SetToolTip(reason);
        std::cerr << reason << '\n';
    }
    controls.联机按钮.SetCaption(Text(kDisconnectCaption));
}

void Disconnect(MeterControls& controls, LinkState& link) {
    controls.端口1.Close();
    link.Closed();
    PaintLamp(controls, link);
    controls.联机按钮.SetCaption(Text(kConnectCaption));
    controls.时钟2.SetInterval(0);
    controls.自动读取选择框.SetChecked(0);
}

}  // namespace

void OnConnectClicked(MeterControls& controls, LinkState& link) {
    if (controls.联机按钮.Caption() == kConnectCaption) {
        Connect(controls, link);
    } else {
        Disconnect(controls, link);
    }
}

}  // namespace tavr
