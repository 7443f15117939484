#include "framework/qt/qt_control_peer_factory.h"

#include "framework/qt/qt_button_peer.h"
#include "framework/qt/qt_check_box_peer.h"
#include "framework/qt/qt_combo_box_peer.h"
#include "framework/qt/qt_edit_box_peer.h"
#include "framework/qt/qt_label_peer.h"
#include "framework/qt/qt_list_view_peer.h"
#include "framework/qt/qt_shape_box_peer.h"

namespace tavr {

std::unique_ptr<QtControlPeer> MakeQtControlPeer(Control& control, QWidget& parent,
                                                 QtWindowThreadPoster& poster) {
    switch (control.Kind()) {
        case ControlKind::Button:
            return std::make_unique<QtButtonPeer>(*ControlCast<Button>(&control), parent);
        case ControlKind::CheckBox:
            return std::make_unique<QtCheckBoxPeer>(*ControlCast<CheckBox>(&control), parent);
        case ControlKind::ComboBox:
            return std::make_unique<QtComboBoxPeer>(*ControlCast<ComboBox>(&control), parent);
        case ControlKind::EditBox:
            return std::make_unique<QtEditBoxPeer>(*ControlCast<EditBox>(&control), parent);
        case ControlKind::Label:
            return std::make_unique<QtLabelPeer>(*ControlCast<Label>(&control), parent);
        case ControlKind::ListView:
            return std::make_unique<QtListViewPeer>(*ControlCast<ListView>(&control), parent,
                                                    poster);
        case ControlKind::ShapeBox:
            return std::make_unique<QtShapeBoxPeer>(*ControlCast<ShapeBox>(&control), parent);
        case ControlKind::Timer:
        case ControlKind::SerialPort:
            break;
    }
    return nullptr;
}

}  // namespace tavr
