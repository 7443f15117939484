#pragma once

#include <cstdint>

#include "framework/list_view_peer.h"

namespace tavr {

// Stands where the register table's widget would be and counts how often the table has been
// filled: a reply's decoding writes the remark of the last register last, so each such write
// is one filled table. Everything else the table reports is ignored.
class TableFillWatch final : public ListViewPeer {
  public:
    std::uint64_t Fills() const { return fills_; }

    void PropertyChanged(std::int32_t) override {}
    void RowInserted(std::int32_t) override {}
    void RowDeleted(std::int32_t) override {}
    void CellChanged(std::int32_t row, std::int32_t column) override;

  private:
    std::uint64_t fills_ = 0;
};

}  // namespace tavr
