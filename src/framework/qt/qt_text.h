#pragma once

#include <QString>

#include "runtime/types.h"

namespace tavr {

// Texts are UTF-8 byte strings on the program's side and QStrings on the widgets' side.
inline QString ToQString(const Text& text) {
    return QString::fromStdString(text);
}

inline Text ToText(const QString& text) {
    return text.toStdString();
}

}  // namespace tavr
