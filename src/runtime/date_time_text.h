#pragma once

#include "runtime/types.h"
#include "runtime/value.h"

namespace tavr {

// A date-time as "Y年M月D日", followed by "h时m分s秒" when the second is not 0, else by "h时m分"
// when the minute is not 0, else by "h时" when the hour is not 0. The whole days count from
// 1899-12-30; the fraction's absolute value is the time of day, rounded to the nearest second
// (so -1.25 is 1899-12-29 6:00). Date-times outside the years 100 to 9999, or not a number,
// give the empty text.
Text DateTimeToText(DateTime date_time);

}  // namespace tavr
