#pragma once

#include <QColor>
#include <QWidget>
#include <optional>

#include "framework/shape_box.h"

namespace tavr {

// Paints a shape with an outline and a fill: a rectangle or an ellipse filling the widget, or the
// largest circle centred in it. The outline lies inside the shape's box.
class QtShapeWidget final : public QWidget {
  public:
    explicit QtShapeWidget(QWidget* parent);

    void SetShape(ShapeBox::Shape shape);
    // A width of 0 or less draws no outline.
    void SetOutline(const QColor& colour, int width);
    // None leaves the shape unfilled.
    void SetFill(const std::optional<QColor>& colour);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QRectF ShapeRect() const;

    ShapeBox::Shape shape_ = ShapeBox::Shape::Rectangle;
    QColor outlineColour_ = Qt::black;
    int outlineWidth_ = 1;
    std::optional<QColor> fill_ = QColor(Qt::black);
};

}  // namespace tavr
