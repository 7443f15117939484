#include "framework/qt/qt_shape_box_peer.h"

#include "framework/qt/qt_colour.h"
#include "framework/qt/qt_text.h"

namespace tavr {

QtShapeBoxPeer::QtShapeBoxPeer(ShapeBox& shapeBox, QWidget& parent)
    : QtControlPeer(shapeBox, new QtShapeWidget(&parent)), shapeBox_(shapeBox) {}

void QtShapeBoxPeer::ShapeChanged() {
    Shape().SetShape(shapeBox_.GetShape());
}

void QtShapeBoxPeer::OutlineChanged() {
    Shape().SetOutline(ToQColor(shapeBox_.OutlineColour()), shapeBox_.OutlineWidth());
}

void QtShapeBoxPeer::FillChanged() {
    if (shapeBox_.FillColour() == ShapeBox::kNoFill) {
        Shape().SetFill(std::nullopt);
    } else {
        Shape().SetFill(ToQColor(shapeBox_.FillColour()));
    }
}

void QtShapeBoxPeer::ToolTipChanged() {
    Shape().setToolTip(ToQString(shapeBox_.ToolTip()));
}

}  // namespace tavr
