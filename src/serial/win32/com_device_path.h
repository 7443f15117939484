#pragma once

#include <string>

namespace tavr {

// The device that COM port number `portNumber` opens on Windows: "\\.\COMn". The device
// namespace prefix makes COM10 and above openable, and works for COM1..COM9 too.
std::wstring ComDevicePath(int portNumber);

}  // namespace tavr
