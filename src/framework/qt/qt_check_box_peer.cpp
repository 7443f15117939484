#include "framework/qt/qt_check_box_peer.h"

#include "framework/qt/qt_caption_text.h"

namespace tavr {

QtCheckBoxPeer::QtCheckBoxPeer(CheckBox& checkBox, QWidget& parent)
    : QtControlPeer(checkBox, new QCheckBox(&parent)), checkBox_(checkBox) {
    // The box has already flipped its tick; the control flips its own and tells the handler,
    // and the tick shown follows the control (which ignores clicks it does not accept).
    QObject::connect(&Box(), &QCheckBox::clicked, &Box(), [this] {
        if (IsAttached()) {
            checkBox_.Click();
        }
        if (IsAttached()) {
            PropertyChanged(CheckBox::kChecked);
        }
    });
}

void QtCheckBoxPeer::Attach() {
    MirrorCommonProperties();
    PropertyChanged(CheckBox::kCaption);
    PropertyChanged(CheckBox::kChecked);
    AttachAs(this);
}

void QtCheckBoxPeer::PropertyChanged(std::int32_t index) {
    if (MirrorCommonProperty(index)) {
        return;
    }
    switch (index) {
        case CheckBox::kCaption:
            Box().setText(ToShownCaption(checkBox_.Caption()));
            break;
        case CheckBox::kChecked:
            Box().setChecked(checkBox_.Checked() == 1);
            break;
        default:
            break;
    }
}

}  // namespace tavr
