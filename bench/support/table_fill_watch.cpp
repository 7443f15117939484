#include "support/table_fill_watch.h"

#include "protocol/frame_codec.h"

namespace tavr {
namespace {

constexpr std::int32_t RemarkColumn = 4;

}  // namespace

void TableFillWatch::CellChanged(std::int32_t row, std::int32_t column) {
    if (row == RegisterCount - 1 && column == RemarkColumn) {
        ++fills_;
    }
}

}  // namespace tavr
