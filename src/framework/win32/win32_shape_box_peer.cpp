#include "framework/win32/win32_shape_box_peer.h"

#include <algorithm>
#include <array>

#include "framework/win32/win32_text.h"

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
    // SS_NOTIFY lets the static take the mouse, which its tool tip needs to see it hovered.
    : Win32ControlPeer(shapeBox, parent, id, {WC_STATICW, SS_OWNERDRAW | SS_NOTIFY}),
      shapeBox_(shapeBox) {}

Win32ShapeBoxPeer::~Win32ShapeBoxPeer() {
    if (toolTips_ != nullptr && IsWindow(toolTips_)) {
        DestroyWindow(toolTips_);
    }
}

void Win32ShapeBoxPeer::ShapeChanged() {
    RepaintIfLookChanged();
}

void Win32ShapeBoxPeer::OutlineChanged() {
    RepaintIfLookChanged();
}

void Win32ShapeBoxPeer::FillChanged() {
    RepaintIfLookChanged();
}

void Win32ShapeBoxPeer::ToolTipChanged() {
    std::wstring text = ToWide(shapeBox_.ToolTip());
    if (toolTips_ == nullptr) {
        if (text.empty()) {
            return;
        }
        toolTips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                    WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                    GetParent(Handle()), nullptr, nullptr, nullptr);
        TTTOOLINFOW tool = ToolInfo(text.data());
        SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        return;
    }
    TTTOOLINFOW tool = ToolInfo(text.data());
    SendMessageW(toolTips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::string Win32ShapeBoxPeer::ShownToolTip() const {
    if (toolTips_ == nullptr) {
        return {};
    }
    std::array<wchar_t, 1024> text{};
    TTTOOLINFOW tool = ToolInfo(text.data());
    SendMessageW(toolTips_, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
    return FromWide(text.data());
}

TTTOOLINFOW Win32ShapeBoxPeer::ToolInfo(wchar_t* text) const {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(Handle());
    tool.uId = reinterpret_cast<UINT_PTR>(Handle());
    tool.lpszText = text;
    return tool;
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
