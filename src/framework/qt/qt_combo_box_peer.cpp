#include "framework/qt/qt_combo_box_peer.h"

#include <QAbstractItemView>
#include <algorithm>

#include "framework/qt/qt_text.h"

namespace tavr {

QtComboBoxPeer::QtComboBoxPeer(ComboBox& comboBox, QWidget& parent)
    : QtControlPeer(comboBox, new QComboBox(&parent)), comboBox_(comboBox) {
    Combo().setEditable(false);
    // Some styles drop the list as a menu over the current entry, ignoring the number of visible
    // entries; the plain list keeps the dropped height under control.
    Combo().setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    // Only the operator's picks (mouse or keys) arrive here, never the peer's own mirroring.
    QObject::connect(&Combo(), &QComboBox::activated, &Combo(), [this](int index) {
        if (IsAttached()) {
            comboBox_.Pick(index);
        }
        if (IsAttached()) {
            SelectionChanged();  // a pick the control did not take shows the old entry again
        }
    });
}

void QtComboBoxPeer::EntriesChanged() {
    Combo().clear();
    for (const ComboEntry& entry : comboBox_.Entries()) {
        Combo().addItem(ToQString(entry.text), entry.itemValue);
    }
    const int rowHeight = std::max(Combo().view()->sizeHintForRow(0), 1);
    Combo().setMaxVisibleItems(std::max((kDroppedHeight + rowHeight - 1) / rowHeight, 1));
    SelectionChanged();
}

void QtComboBoxPeer::SelectionChanged() {
    Combo().setCurrentIndex(comboBox_.CurrentSelection());
}

}  // namespace tavr
