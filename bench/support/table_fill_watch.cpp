#include "support/table_fill_watch.h"

#include "protocol/frame_codec.h"

namespace tavr {
namespace {

constexpr std::int32_t kRemarkColumn = 4;

}  // namespace

void TableFillWatch::CellChanged(std::int32_t row, std::int32_t column) {
    if (row == kRegisterCount - 1 && column == kRemarkColumn) {
        ++fills_;
    }
}

}  // namespace tavr
