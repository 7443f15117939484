#include "framework/qt/qt_window_widget.h"

#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>

namespace tavr {

QtWindowWidget::QtWindowWidget() {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(QIcon(QStringLiteral(":/tavr/app_icon.png")));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
}

void QtWindowWidget::closeEvent(QCloseEvent* event) {
    if (onClose) {
        onClose();
    }
    event->accept();
}

void QtWindowWidget::keyPressEvent(QKeyEvent* event) {
    // Keys reach the window only when the focused widget did not use them.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool QtWindowWidget::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if ((event->type() == QEvent::Show || event->type() == QEvent::Move) && onFrameMayHaveChanged) {
        onFrameMayHaveChanged();
    }
    return handled;
}

}  // namespace tavr
