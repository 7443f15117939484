#include "base/low.h"
