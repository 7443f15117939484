#include "serial/win32/com_device_path.h"

namespace tavr {

std::wstring ComDevicePath(int portNumber) {
    return L"\\\\.\\COM" + std::to_wstring(portNumber);
}

}  // namespace tavr
