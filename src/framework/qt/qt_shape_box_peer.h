#pragma once

#include "framework/qt/qt_control_peer.h"
#include "framework/qt/qt_shape_widget.h"
#include "framework/shape_box.h"

namespace tavr {

// A ShapeBox as a painted shape with its tool tip; writing its fill colour repaints it.
class QtShapeBoxPeer final : public QtControlPeer {
  public:
    QtShapeBoxPeer(ShapeBox& shapeBox, QWidget& parent);

    void ShapeChanged() override;
    void OutlineChanged() override;
    void FillChanged() override;
    void ToolTipChanged() override;

  private:
    QtShapeWidget& Shape() const { return static_cast<QtShapeWidget&>(Widget()); }

    ShapeBox& shapeBox_;
};

}  // namespace tavr
