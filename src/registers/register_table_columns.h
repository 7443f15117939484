#pragma once

#include <array>
#include <string_view>

namespace tavr {

// The titles of the register table's five columns, in column order.
inline constexpr std::array<std::string_view, 5> kRegisterColumnTitles = {
    "10进制结果", "所对应数值", "16进制结果", "数据地址位", "数据备注项"};

}  // namespace tavr
