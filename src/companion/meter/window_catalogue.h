#pragma once

#include "registers/register_catalogue.h"

namespace tavr {

// A register catalogue loaded with the texts the main window carries, so that readings decode
// exactly as the window's table shows them.
RegisterCatalogue WindowCatalogue();

}  // namespace tavr
