#pragma once

namespace tavr {

// Horizontal alignment of a text in its box or column.
enum class Alignment { Left, Centre, Right };

}  // namespace tavr
