#include "framework/win32/win32_shape_box_peer.h"

#include <algorithm>

namespace tavr {

namespace {

// The drawn rectangle of the shape: the box, or for a circle the largest square centred in it.
RECT ShapeRect(const RECT& box, ShapeBox::Shape shape) {
    if (shape != ShapeBox::Shape::Circle) {
        return box;
    }
    const LONG side = std::min(box.right - box.left, box.bottom - box.top);
    const LONG left = box.left + (box.right - box.left - side) / 2;
    const LONG top = box.top + (box.bottom - box.top - side) / 2;
    return {left, top, left + side, top + side};
}

}  // namespace

Win32ShapeBoxPeer::Win32ShapeBoxPeer(ShapeBox& shapeBox, HWND parent, int id)
    : Win32ControlPeer(shapeBox, parent, id, {WC_STATICW, SS_OWNERDRAW}), shapeBox_(shapeBox) {}

void Win32ShapeBoxPeer::ShapeChanged() {
    RepaintIfLookChanged();
}

void Win32ShapeBoxPeer::OutlineChanged() {
    RepaintIfLookChanged();
}

void Win32ShapeBoxPeer::FillChanged() {
    RepaintIfLookChanged();
}

void Win32ShapeBoxPeer::DrawItem(const DRAWITEMSTRUCT& item) {
    const Look look = CurrentLook();
    HDC dc = item.hDC;
    FillRect(dc, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    HPEN pen = look.outlineWidth > 0 ? CreatePen(PS_SOLID, look.outlineWidth, look.outline)
                                     : static_cast<HPEN>(GetStockObject(NULL_PEN));
    HBRUSH brush = look.fill == ShapeBox::kNoFill ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))
                                                  : CreateSolidBrush(look.fill);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    const RECT shape = ShapeRect(item.rcItem, look.shape);
    if (look.shape == ShapeBox::Shape::Rectangle) {
        Rectangle(dc, shape.left, shape.top, shape.right, shape.bottom);
    } else {
        Ellipse(dc, shape.left, shape.top, shape.right, shape.bottom);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    // Stock objects need no deleting; deleting them anyway does nothing.
    DeleteObject(brush);
    DeleteObject(pen);
    shown_ = look;
}

std::optional<Colour> Win32ShapeBoxPeer::ShownFill() const {
    return shown_ ? std::optional<Colour>(shown_->fill) : std::nullopt;
}

void Win32ShapeBoxPeer::RepaintIfLookChanged() {
    if (shown_ != CurrentLook()) {
        InvalidateRect(Handle(), nullptr, TRUE);
    }
}

Win32ShapeBoxPeer::Look Win32ShapeBoxPeer::CurrentLook() const {
    return {shapeBox_.GetShape(), shapeBox_.OutlineColour(), shapeBox_.OutlineWidth(),
            shapeBox_.FillColour()};
}

}  // namespace tavr
