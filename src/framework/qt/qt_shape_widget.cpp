#include "framework/qt/qt_shape_widget.h"

#include <QPainter>
#include <QPen>
#include <algorithm>

#include "framework/qt/qt_window_widget.h"

namespace tavr {

QtShapeWidget::QtShapeWidget(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

// Setting what the widget already shows asks for no repaint: the link lamp is set green again by
// every received byte.
void QtShapeWidget::SetShape(ShapeBox::Shape shape) {
    if (shape != shape_) {
        shape_ = shape;
        update();
    }
}

void QtShapeWidget::SetOutline(const QColor& colour, int width) {
    if (colour != outlineColour_ || width != outlineWidth_) {
        outlineColour_ = colour;
        outlineWidth_ = width;
        update();
    }
}

void QtShapeWidget::SetFill(const std::optional<QColor>& colour) {
    if (colour != fill_) {
        fill_ = colour;
        RepaintFillAtNextFrame();
    }
}

// The link lamp turns red when a request goes out and green at the reply's first byte; when the
// reply begins before the next frame, the lamp needs no repaint, and that frame no wake-up.
void QtShapeWidget::RepaintFillAtNextFrame() {
    auto* frame = dynamic_cast<QtWindowWidget*>(window());
    if (frame == nullptr) {
        update();
        return;
    }
    if (paintedFill_ == fill_) {
        frame->DropCheck(*this);
        return;
    }
    frame->CheckBeforeNextFrame(*this, [this] {
        if (paintedFill_ != fill_) {
            update();
        }
    });
}

void QtShapeWidget::paintEvent(QPaintEvent*) {
    paintedFill_ = fill_;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (outlineWidth_ > 0) {
        QPen pen(outlineColour_, outlineWidth_);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
    } else {
        painter.setPen(Qt::NoPen);
    }
    painter.setBrush(fill_ ? QBrush(*fill_) : QBrush(Qt::NoBrush));
    const QRectF box = ShapeRect();
    if (shape_ == ShapeBox::Shape::Rectangle) {
        painter.drawRect(box);
    } else {
        painter.drawEllipse(box);
    }
}

QRectF QtShapeWidget::ShapeRect() const {
    QRectF box = rect();
    if (shape_ == ShapeBox::Shape::Circle) {
        const qreal diameter = std::min(box.width(), box.height());
        box = QRectF(box.center().x() - diameter / 2, box.center().y() - diameter / 2, diameter,
                     diameter);
    }
    // The pen is centred on the path: keep it inside the box.
    const qreal inset = std::max(outlineWidth_, 0) / 2.0;
    return box.adjusted(inset, inset, -inset, -inset);
}

}  // namespace tavr
