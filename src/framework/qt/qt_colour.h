#pragma once

#include <QColor>

#include "framework/colour.h"

namespace tavr {

// A 0x00BBGGRR colour (red in the low byte) as a QColor; the high byte is not a colour.
inline QColor ToQColor(Colour colour) {
    return QColor(static_cast<int>(colour & 0xFFu), static_cast<int>((colour >> 8) & 0xFFu),
                  static_cast<int>((colour >> 16) & 0xFFu));
}

}  // namespace tavr
