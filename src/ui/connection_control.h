#pragma once

#include "ui/link_state.h"
#include "ui/meter_controls.h"

namespace tavr {

// The connect button: "联机" opens the chosen port (green lamp and the settings saved, or a red
// lamp whose tool tip, like standard error, says why) and the caption becomes "断开"; any other
// caption closes the port, greys the lamp and stops auto-read.
void OnConnectClicked(MeterControls& controls, LinkState& link);

}  // namespace tavr
