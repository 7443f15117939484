#pragma once

#include <cstdint>

namespace tavr {

// The window system's side of a control (a widget). The control makes one typed call for each
// property write, and once for every property when the peer attaches; the peer reads the new
// value from the control and mirrors it onto its widget. A peer overrides only the calls that
// change what it shows; the others do nothing. Operator actions that the peer reports to the
// control (a click, typed text) come back as calls too, so mirroring must tolerate a value the
// widget already shows.
class ControlPeer {
  public:
    virtual ~ControlPeer() = default;

    // Every kind: the position and size, the tag, visibility, the enabled state and the mouse
    // pointer.
    virtual void BoundsChanged() {}
    virtual void TagChanged() {}
    virtual void VisibleChanged() {}
    virtual void EnabledChanged() {}
    virtual void MousePointerChanged() {}

    // A caption, or an edit box's content.
    virtual void TextChanged() {}
    virtual void FontChanged() {}
    virtual void AlignmentChanged() {}
    virtual void MultiLineChanged() {}
    virtual void CheckedChanged() {}
    // A combo box's list and its selected entry.
    virtual void EntriesChanged() {}
    virtual void SelectionChanged() {}
    // A shape box's look and tool tip; the outline is its colour and width.
    virtual void ShapeChanged() {}
    virtual void OutlineChanged() {}
    virtual void FillChanged() {}
    virtual void ToolTipChanged() {}

    // A list view's columns, rows, cells, focused row and in-place edit.
    virtual void ColumnsChanged() {}
    virtual void RowInserted(std::int32_t /*row*/) {}
    virtual void RowDeleted(std::int32_t /*row*/) {}
    virtual void CellChanged(std::int32_t /*row*/, std::int32_t /*column*/) {}
    virtual void FocusedRowChanged() {}
    virtual void EditTextChanged() {}
};

// A call that tells a peer about a property.
using PeerCall = void (ControlPeer::*)();

}  // namespace tavr
