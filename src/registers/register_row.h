#pragma once

#include "runtime/types.h"

namespace tavr {

// The five texts of one row of the register table, in column order.
struct RegisterRow {
    Text decimal;   // "10进制结果": raw value, five digits with leading zeros
    Text value;     // "所对应数值": value in physical units, or empty
    Text hexBytes;  // "16进制结果": high and low byte in hexadecimal
    Text address;   // "数据地址位": register address in hexadecimal
    Text remark;    // "数据备注项": the register's remark
};

}  // namespace tavr
