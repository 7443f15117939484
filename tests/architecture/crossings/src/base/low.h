#include <vector>

#include "top/high.h"
