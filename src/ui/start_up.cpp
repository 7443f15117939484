#include "ui/start_up.h"

#include "ui/connection_settings.h"

namespace tavr {

namespace {

constexpr std::int32_t kBlueGreyScheme = 1;

}  // namespace

void OnWindowCreated(MeterControls& controls, RegisterCatalogue& catalogue,
                     RegisterEditor& editor) {
    controls.window.Thread().EnableVisualStyle(kBlueGreyScheme);
    editor.ClearWritePending();
    catalogue.LoadCatalogue(controls.小数位预设值.Content(), controls.数值对应单位.Content(),
                            controls.数据备注说明.Content(), controls.修改最大限制.Content());
    RestoreSelection(kModbusIdPath, controls.设备ID);
    RestoreSelection(kModbusBaudPath, controls.波特率);
    RestoreSelection(kModbusPortPath, controls.串口号);
}

}  // namespace tavr
