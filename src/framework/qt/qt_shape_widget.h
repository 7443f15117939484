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
    // Marks the widget for repaint at the window's next frame if its fill then differs from
    // the painted one.
    void RepaintFillAtNextFrame();

    ShapeBox::Shape shape_ = ShapeBox::Shape::Rectangle;
    QColor outlineColour_ = Qt::black;
    int outlineWidth_ = 1;
    std::optional<QColor> fill_ = QColor(Qt::black);
    // The fill of the last paint; nothing before the first.
    std::optional<std::optional<QColor>> paintedFill_;
};

}  // namespace tavr
