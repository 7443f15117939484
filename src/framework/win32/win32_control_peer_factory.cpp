#include "framework/win32/win32_control_peer_factory.h"

#include "framework/win32/win32_button_peer.h"
#include "framework/win32/win32_check_box_peer.h"
#include "framework/win32/win32_combo_box_peer.h"
#include "framework/win32/win32_edit_box_peer.h"
#include "framework/win32/win32_label_peer.h"
#include "framework/win32/win32_list_view_peer.h"
#include "framework/win32/win32_shape_box_peer.h"

namespace tavr {

std::unique_ptr<Win32ControlPeer> MakeWin32ControlPeer(Control& control, HWND parent, int id) {
    switch (control.Kind()) {
        case ControlKind::Button:
            return std::make_unique<Win32ButtonPeer>(*ControlCast<Button>(&control), parent, id);
        case ControlKind::CheckBox:
            return std::make_unique<Win32CheckBoxPeer>(*ControlCast<CheckBox>(&control), parent,
                                                       id);
        case ControlKind::ComboBox:
            return std::make_unique<Win32ComboBoxPeer>(*ControlCast<ComboBox>(&control), parent,
                                                       id);
        case ControlKind::EditBox:
            return std::make_unique<Win32EditBoxPeer>(*ControlCast<EditBox>(&control), parent, id);
        case ControlKind::Label:
            return std::make_unique<Win32LabelPeer>(*ControlCast<Label>(&control), parent, id);
        case ControlKind::ListView:
            return std::make_unique<Win32ListViewPeer>(*ControlCast<ListView>(&control), parent,
                                                       id);
        case ControlKind::ShapeBox:
            return std::make_unique<Win32ShapeBoxPeer>(*ControlCast<ShapeBox>(&control), parent,
                                                       id);
        case ControlKind::Timer:
        case ControlKind::SerialPort:
            break;
    }
    return nullptr;
}

}  // namespace tavr
