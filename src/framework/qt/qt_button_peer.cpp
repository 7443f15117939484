#include "framework/qt/qt_button_peer.h"

#include "framework/qt/qt_text.h"

namespace tavr {

QtButtonPeer::QtButtonPeer(Button& button, QWidget& parent)
    : QtControlPeer(button, new QPushButton(&parent)), button_(button) {
    QObject::connect(&PushButton(), &QPushButton::clicked, &PushButton(), [this] {
        if (IsAttached()) {
            button_.Click();
        }
    });
}

void QtButtonPeer::TextChanged() {
    PushButton().setText(ToQString(button_.Caption()));
}

}  // namespace tavr
