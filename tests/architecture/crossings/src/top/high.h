#include "base/low.h"
#include "top/inner/inner.h"
#include <QString>
#include <windows.h>
