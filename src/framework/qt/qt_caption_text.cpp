#include "framework/qt/qt_caption_text.h"

#include "framework/qt/qt_text.h"

namespace tavr {

QString ToShownCaption(const Text& caption) {
    constexpr char16_t kEnSpace = 0x2002;
    return ToQString(caption).replace(QLatin1Char(' '), QChar(kEnSpace));
}

}  // namespace tavr
