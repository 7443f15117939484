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
            CheckedChanged();
        }
    });
}

void QtCheckBoxPeer::TextChanged() {
    Box().setText(ToShownCaption(checkBox_.Caption()));
}

void QtCheckBoxPeer::CheckedChanged() {
    Box().setChecked(checkBox_.Checked() == 1);
}

}  // namespace tavr
