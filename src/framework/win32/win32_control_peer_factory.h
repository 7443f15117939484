#pragma once

#include <windows.h>

#include <memory>

#include "framework/control.h"
#include "framework/win32/win32_control_peer.h"

namespace tavr {

// Makes the native child window of a visual control of `parent` with identifier `id`; nullptr
// for the non-visual kinds (timers, serial ports).
std::unique_ptr<Win32ControlPeer> MakeWin32ControlPeer(Control& control, HWND parent, int id);

}  // namespace tavr
