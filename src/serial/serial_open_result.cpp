#include "serial/serial_open_result.h"

namespace tavr {
namespace {

// The reason's words, and how the detail joins them.
struct Reason {
    std::string words;
    std::string_view detailOpens;
    std::string_view detailCloses;
};

Reason ReasonFor(SerialOpenError error, std::int32_t baudRate) {
    switch (error) {
        case SerialOpenError::None:
            break;
        case SerialOpenError::BadPortNumber:
            return {"no such port number", " (", ")"};
        case SerialOpenError::PortLookupFailed:
            return {"the port links cannot be read", " (", ")"};
        case SerialOpenError::NoDevice:
            return {"no device", " (", ")"};
        case SerialOpenError::PermissionDenied:
            return {"permission denied", " — ", ""};
        case SerialOpenError::InUse:
            return {"in use by another program", " (", ")"};
        case SerialOpenError::NotACharacterDevice:
            return {"not a character device", " (", ")"};
        case SerialOpenError::NotATerminal:
            return {"not a serial device", " (", ")"};
        case SerialOpenError::BaudRateRefused:
            return {"baud rate " + std::to_string(baudRate) + " refused by the device", " (", ")"};
        case SerialOpenError::LineSettingsRefused:
            return {"line settings refused by the device", " (", ")"};
        case SerialOpenError::SystemError:
            return {"cannot be opened", " (", ")"};
    }
    return {};
}

}  // namespace

Text DescribeOpenFailure(std::int32_t portNumber, std::int32_t baudRate,
                         const SerialOpenResult& result) {
    if (result.Succeeded()) {
        return {};
    }
    Text line = "COM" + std::to_string(portNumber);
    if (!result.device.empty()) {
        line += " (" + result.device + ")";
    }
    return line + ": " + DescribeOpenReason(baudRate, result);
}

Text DescribeOpenReason(std::int32_t baudRate, const SerialOpenResult& result) {
    if (result.Succeeded()) {
        return {};
    }
    const Reason reason = ReasonFor(result.error, baudRate);
    Text words = reason.words;
    if (!result.detail.empty()) {
        words.append(reason.detailOpens).append(result.detail).append(reason.detailCloses);
    }
    return words;
}

}  // namespace tavr
