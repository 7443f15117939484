#include <windows.h>

#include "top/high.h"
