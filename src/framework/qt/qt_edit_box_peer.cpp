#include "framework/qt/qt_edit_box_peer.h"

#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTextOption>
#include <limits>

#include "framework/qt/qt_alignment.h"
#include "framework/qt/qt_colour.h"
#include "framework/qt/qt_text.h"

namespace tavr {

namespace {

void PaintBlackOnWhite(QWidget& editor) {
    QPalette palette = editor.palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    editor.setPalette(palette);
}

}  // namespace

QtEditBoxPeer::QtEditBoxPeer(EditBox& editBox, QWidget& parent)
    : QtControlPeer(editBox, MakeEditor(editBox.MultiLine(), parent)), editBox_(editBox) {
    ReportTyping();
}

QWidget* QtEditBoxPeer::MakeEditor(bool multiLine, QWidget& parent) {
    QWidget* editor = nullptr;
    if (multiLine) {
        editor = new QPlainTextEdit(&parent);
    } else {
        auto* line = new QLineEdit(&parent);
        line->setMaxLength(std::numeric_limits<int>::max());
        editor = line;
    }
    PaintBlackOnWhite(*editor);
    return editor;
}

void QtEditBoxPeer::ApplyFrameColour(const std::optional<Colour>& colour) {
    frameColour_ = colour;
    QString sheet;
    if (colour) {
        const bool multiLine = qobject_cast<QPlainTextEdit*>(&Widget()) != nullptr;
        const QLatin1String kind(multiLine ? "QPlainTextEdit" : "QLineEdit");
        sheet = QStringLiteral("%1 { border: 1px solid %2; }").arg(kind, ToQColor(*colour).name());
    }
    Widget().setStyleSheet(sheet);
}

void QtEditBoxPeer::ReportTyping() {
    const auto typed = [this] {
        if (mirroring_ || !IsAttached()) {
            return;
        }
        editBox_.Type(ToText(ShownText()));
        if (IsAttached()) {
            TextChanged();  // typing the control did not take is undone
        }
    };
    if (auto* line = qobject_cast<QLineEdit*>(&Widget())) {
        QObject::connect(line, &QLineEdit::textEdited, line, typed);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(&Widget())) {
        QObject::connect(plain, &QPlainTextEdit::textChanged, plain, typed);
    }
}

void QtEditBoxPeer::TextChanged() {
    const QString content = ToQString(editBox_.Content());
    if (ShownText() == content) {
        return;  // rewriting it would move the operator's cursor
    }
    mirroring_ = true;
    if (auto* line = qobject_cast<QLineEdit*>(&Widget())) {
        line->setText(content);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(&Widget())) {
        plain->setPlainText(content);
    }
    mirroring_ = false;
}

void QtEditBoxPeer::AlignmentChanged() {
    const Qt::Alignment alignment = ToQtAlignment(editBox_.TextAlignment());
    if (auto* line = qobject_cast<QLineEdit*>(&Widget())) {
        line->setAlignment(alignment);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(&Widget())) {
        QTextOption option = plain->document()->defaultTextOption();
        option.setAlignment(alignment);
        plain->document()->setDefaultTextOption(option);
    }
}

void QtEditBoxPeer::MultiLineChanged() {
    const bool isMultiLine = qobject_cast<QPlainTextEdit*>(&Widget()) != nullptr;
    if (isMultiLine == editBox_.MultiLine()) {
        return;
    }
    ReplaceWidget(MakeEditor(editBox_.MultiLine(), *Widget().parentWidget()));
    ReportTyping();
    TextChanged();
    AlignmentChanged();
    ApplyFrameColour(frameColour_);
}

QString QtEditBoxPeer::ShownText() const {
    if (const auto* line = qobject_cast<const QLineEdit*>(&Widget())) {
        return line->text();
    }
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(&Widget())) {
        return plain->toPlainText();
    }
    return {};
}

}  // namespace tavr
