#pragma once

#include "registers/register_catalogue.h"
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

// Builds the row of the register at `address` (0..34) from a complete reply given as its bytes'
// decimal texts (at least 75 of them). The registers whose decimals follow the flags in register
// 0002H (0003H, 0004H and 001EH) rewrite their catalogue entry first.
RegisterRow BuildRegisterRow(const TextArray& reply, int address, RegisterCatalogue& catalogue);

}  // namespace tavr
