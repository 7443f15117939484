#pragma once

#include <QLabel>

#include "framework/label.h"
#include "framework/qt/qt_control_peer.h"

namespace tavr {

// A Label as black text on the window's background: no border, left-aligned, vertically
// centred, no word wrap; the window's font unless the label has a font of its own.
class QtLabelPeer final : public QtControlPeer {
  public:
    QtLabelPeer(Label& label, QWidget& parent);

    void TextChanged() override;
    void FontChanged() override;

  private:
    QLabel& LabelWidget() const { return static_cast<QLabel&>(Widget()); }

    Label& label_;
};

}  // namespace tavr
