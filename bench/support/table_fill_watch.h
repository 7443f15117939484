#pragma once

#include <cstdint>

#include "framework/control_peer.h"

namespace tavr {

// Stands where the register table's widget would be and counts how often the table has been
// filled: a reply's decoding writes the remark of the last register last, so each such write
// is one filled table. Everything else the table reports is ignored.
class TableFillWatch final : public ControlPeer {
  public:
    std::uint64_t Fills() const { return fills_; }

    void CellChanged(std::int32_t row, std::int32_t column) override;

  private:
    std::uint64_t fills_ = 0;
};

}  // namespace tavr
