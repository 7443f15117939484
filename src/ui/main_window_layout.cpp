#include "ui/main_window_layout.h"

#include "framework/label.h"
#include "registers/catalogue_texts.h"
#include "registers/register_table_columns.h"
#include "registers/selector_entries.h"
#include "runtime/to_text.h"
#include "ui/link_lamp.h"

namespace tavr {

namespace {

// A visible control the Tab key stops at.
template <class T>
T& AddTabStop(Window& window, Text name, const Bounds& bounds) {
    T& control = window.Add<T>(std::move(name), bounds);
    control.SetTabStop(true);
    return control;
}

// The hidden edit boxes carry data for the logic and are never shown.
EditBox& AddHiddenBox(Window& window, Text name, const Bounds& bounds, std::string_view content) {
    EditBox& box = AddTabStop<EditBox>(window, std::move(name), bounds);
    box.SetVisible(false);
    box.SetContent(Text(content));
    return box;
}

// Entries showing the numbers `first`..`last`, each with that number as its item value.
void AddNumberEntries(ComboBox& selector, std::int32_t first, std::int32_t last) {
    for (std::int32_t number = first; number <= last; ++number) {
        selector.AddEntry(ToText(number), number);
    }
}

void AddRegisterColumns(ListView& table) {
    table.AddColumn({Text(kRegisterColumnTitles[0]), 75, Alignment::Left});
    table.AddColumn({Text(kRegisterColumnTitles[1]), 80, Alignment::Right});
    table.AddColumn({Text(kRegisterColumnTitles[2]), 80, Alignment::Centre});
    table.AddColumn({Text(kRegisterColumnTitles[3]), 80, Alignment::Centre});
    table.AddColumn({Text(kRegisterColumnTitles[4]), 360, Alignment::Left});
}

}  // namespace

MeterControls BuildMainWindow(Window& window, const SerialPort::DeviceFactory& makeDevice) {
    // Modify maximum limit: the largest value a write may carry, per register.
    EditBox& 修改最大限制 =
        AddHiddenBox(window, "修改最大限制", {335, 97, 272, 20}, kMaxLimitsCatalogueText);
    // Clock 1, the re-read timer.
    Timer& 时钟1 = window.Add<Timer>("时钟1");
    // Unit of each value.
    EditBox& 数值对应单位 =
        AddHiddenBox(window, "数值对应单位", {335, 167, 272, 20}, kUnitsCatalogueText);
    // Preset decimal places.
    EditBox& 小数位预设值 =
        AddHiddenBox(window, "小数位预设值", {335, 135, 272, 20}, kDecimalsCatalogueText);
    // Data remarks.
    EditBox& 数据备注说明 =
        AddHiddenBox(window, "数据备注说明", {335, 208, 272, 408}, kRemarksCatalogueText);
    数据备注说明.SetMultiLine(true);
    // Read data.
    Button& 读取数据 = AddTabStop<Button>(window, "读取数据", {589, 7, 96, 31});
    读取数据.SetCaption("手动读取数据");
    // Temporary conversion box.
    AddHiddenBox(window, "临时转换框", {335, 67, 271, 21}, "");
    // Every how many seconds: sits on the blanks of the check box's caption.
    EditBox& 隔几秒 = AddTabStop<EditBox>(window, "隔几秒", {477, 14, 24, 20});
    隔几秒.SetContent("3");
    隔几秒.SetTextAlignment(Alignment::Centre);
    // Auto-read check box.
    CheckBox& 自动读取选择框 = AddTabStop<CheckBox>(window, "自动读取选择框", {442, 13, 160, 24});
    自动读取选择框.SetCaption("每     秒自动刷新数据");
    // Baud rate.
    ComboBox& 波特率 = AddTabStop<ComboBox>(window, "波特率", {148, 12, 64, 20});
    for (std::int32_t baud : kBaudRateEntries) {
        波特率.AddEntry(ToText(baud), baud);
    }
    波特率.SetCurrentSelection(2);
    // Super list box 1, the register table.
    ListView& 超级列表框1 = AddTabStop<ListView>(window, "超级列表框1", {1, 43, 687, 597});
    AddRegisterColumns(超级列表框1);
    // Device ID.
    ComboBox& 设备ID = AddTabStop<ComboBox>(window, "设备ID", {261, 13, 50, 20});
    AddNumberEntries(设备ID, kFirstDeviceIdEntry, kLastDeviceIdEntry);
    设备ID.SetCurrentSelection(0);
    // Label 2: the baud-rate and device-ID selectors stand in and beside its caption.
    Label& 标签2 = window.Add<Label>("标签2", Bounds{100, 10, 164, 24});
    标签2.SetCaption("波特率：           设备ID：");
    // Clock 2, the auto-read timer.
    Timer& 时钟2 = window.Add<Timer>("时钟2");
    // Port 1.
    SerialPort& 端口1 = window.Add<SerialPort>("端口1", makeDevice);
    端口1.Properties().SetPortNumber(1);
    端口1.Properties().SetBaudRate(9600);
    // Shape box 1, the link lamp.
    ShapeBox& 外形框1 = window.Add<ShapeBox>("外形框1", Bounds{318, 12, 20, 20});
    外形框1.SetShape(ShapeBox::Shape::Circle);
    外形框1.SetOutlineColour(0x000000);
    外形框1.SetOutlineWidth(1);
    外形框1.SetFillColour(kLampNeverConnected);
    // Label 7.
    Label& 标签7 = window.Add<Label>("标签7", Bounds{3, 8, 40, 24});
    标签7.SetCaption("COM:");
    标签7.SetFont({.height = 16, .bold = true});
    // Serial port number.
    ComboBox& 串口号 = AddTabStop<ComboBox>(window, "串口号", {44, 12, 50, 20});
    AddNumberEntries(串口号, kFirstPortNumberEntry, kLastPortNumberEntry);
    串口号.SetCurrentSelection(5);
    // Connect button.
    Button& 联机按钮 = AddTabStop<Button>(window, "联机按钮", {348, 7, 80, 31});
    联机按钮.SetCaption("联机");
    // Clock 3, the hold timer: not on the form; it sends a write held while a reply arrives.
    Timer& 时钟3 = window.Add<Timer>("时钟3");

    return MeterControls{
        .window = window,
        .串口号 = 串口号,
        .波特率 = 波特率,
        .设备ID = 设备ID,
        .外形框1 = 外形框1,
        .联机按钮 = 联机按钮,
        .读取数据 = 读取数据,
        .自动读取选择框 = 自动读取选择框,
        .隔几秒 = 隔几秒,
        .时钟1 = 时钟1,
        .时钟2 = 时钟2,
        .时钟3 = 时钟3,
        .端口1 = 端口1,
        .超级列表框1 = 超级列表框1,
        .小数位预设值 = 小数位预设值,
        .数值对应单位 = 数值对应单位,
        .数据备注说明 = 数据备注说明,
        .修改最大限制 = 修改最大限制,
    };
}

}  // namespace tavr
