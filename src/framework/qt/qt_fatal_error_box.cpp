#include "framework/qt/qt_fatal_error_box.h"

#include <QMessageBox>

#include "framework/qt/qt_text.h"
#include "runtime/fatal_error.h"

namespace tavr {

void ShowFatalErrorBox(const Text& message) {
    QMessageBox::critical(nullptr, QString(), ToQString(message));
}

void InstallFatalErrorBox() {
    SetFatalErrorHandler(ShowFatalErrorBox);
}

}  // namespace tavr
