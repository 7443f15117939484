#include "framework/qt/qt_label_peer.h"

#include <QFont>
#include <QPalette>

#include "framework/qt/qt_caption_text.h"

namespace tavr {

QtLabelPeer::QtLabelPeer(Label& label, QWidget& parent)
    : QtControlPeer(label, new QLabel(&parent)), label_(label) {
    LabelWidget().setTextFormat(Qt::PlainText);
    LabelWidget().setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    LabelWidget().setWordWrap(false);
    QPalette palette = LabelWidget().palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    LabelWidget().setPalette(palette);
}

void QtLabelPeer::TextChanged() {
    LabelWidget().setText(ToShownCaption(label_.Caption()));
}

void QtLabelPeer::FontChanged() {
    // A font that sets nothing inherits the window's; the system picks the face either way.
    QFont font;
    const Font& own = label_.GetFont();
    if (own.height > 0) {
        font.setPixelSize(own.height);
    }
    if (own.bold) {
        font.setBold(true);
    }
    LabelWidget().setFont(font);
}

}  // namespace tavr
