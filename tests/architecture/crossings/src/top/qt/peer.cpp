#include <QWidget>

#include "top/high.h"
#include "nowhere/lost.h"
