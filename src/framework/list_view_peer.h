#pragma once

#include <cstdint>

#include "framework/control_peer.h"

namespace tavr {

// The widget side of a ListView: besides property writes, it mirrors the rows and cells.
class ListViewPeer : public ControlPeer {
  public:
    virtual void RowInserted(std::int32_t row) = 0;
    virtual void RowDeleted(std::int32_t row) = 0;
    virtual void CellChanged(std::int32_t row, std::int32_t column) = 0;
};

}  // namespace tavr
