#pragma once

#include "registers/register_catalogue.h"
#include "ui/meter_controls.h"
#include "ui/register_editing.h"

namespace tavr {

// Prepares the main window once it exists, before any operator input: switches on the themed
// look, clears the pending write, loads the register catalogue from the four hidden edit boxes and
// restores the three selectors from the remembered settings.
void OnWindowCreated(MeterControls& controls, RegisterCatalogue& catalogue, RegisterEditor& editor);

}  // namespace tavr
