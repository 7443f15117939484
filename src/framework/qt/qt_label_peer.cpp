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

void QtLabelPeer::Attach() {
    MirrorCommonProperties();
    PropertyChanged(Label::kCaption);
    MirrorFont();
    AttachAs(this);
}

void QtLabelPeer::PropertyChanged(std::int32_t index) {
    if (MirrorCommonProperty(index)) {
        return;
    }
    switch (index) {
        case Label::kCaption:
            LabelWidget().setText(ToShownCaption(label_.Caption()));
            break;
        case Label::kFont:
            MirrorFont();
            break;
        default:
            break;
    }
}

void QtLabelPeer::MirrorFont() {
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
