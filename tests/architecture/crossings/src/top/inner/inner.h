#include "base/low.h"
#include "top/high.h"
