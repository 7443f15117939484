#include "framework/qt/qt_shape_box_peer.h"

#include "framework/qt/qt_colour.h"
#include "framework/qt/qt_text.h"

namespace tavr {

QtShapeBoxPeer::QtShapeBoxPeer(ShapeBox& shapeBox, QWidget& parent)
    : QtControlPeer(shapeBox, new QtShapeWidget(&parent)), shapeBox_(shapeBox) {}

void QtShapeBoxPeer::Attach() {
    MirrorCommonProperties();
    PropertyChanged(ShapeBox::kShape);
    PropertyChanged(ShapeBox::kOutlineColour);
    PropertyChanged(ShapeBox::kFillColour);
    PropertyChanged(ShapeBox::kToolTip);
    AttachAs(this);
}

void QtShapeBoxPeer::PropertyChanged(std::int32_t index) {
    if (MirrorCommonProperty(index)) {
        return;
    }
    switch (index) {
        case ShapeBox::kShape:
            Shape().SetShape(shapeBox_.GetShape());
            break;
        case ShapeBox::kOutlineColour:
        case ShapeBox::kOutlineWidth:
            Shape().SetOutline(ToQColor(shapeBox_.OutlineColour()), shapeBox_.OutlineWidth());
            break;
        case ShapeBox::kFillColour:
            if (shapeBox_.FillColour() == ShapeBox::kNoFill) {
                Shape().SetFill(std::nullopt);
            } else {
                Shape().SetFill(ToQColor(shapeBox_.FillColour()));
            }
            break;
        case ShapeBox::kToolTip:
            Shape().setToolTip(ToQString(shapeBox_.ToolTip()));
            break;
        default:
            break;
    }
}

}  // namespace tavr
