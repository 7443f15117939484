#include "framework/qt/qt_visual_style.h"

#include <QApplication>
#include <QStyle>

namespace tavr {

namespace {

QString StyleTheApplicationStartedWith() {
    static const QString name = QApplication::style()->name();
    return name;
}

}  // namespace

QtVisualStyle::QtVisualStyle() : platformStyle_(StyleTheApplicationStartedWith()) {}

void QtVisualStyle::Apply(const VisualStyle& style) const {
    const QString wanted = style.IsOn() ? platformStyle_ : QString::fromLatin1(kClassicStyle);
    // An unknown style name leaves the style as it is.
    if (QApplication::style()->name().compare(wanted, Qt::CaseInsensitive) != 0) {
        QApplication::setStyle(wanted);
    }
}

}  // namespace tavr
