#include "serial/win32/line_settings.h"

#include <optional>

namespace tavr {
namespace {

constexpr DWORD kWatchedEvents =
    EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING;

constexpr char kXon = 0x11;
constexpr char kXoff = 0x13;
constexpr WORD kXonXoffLimit = 100;

BYTE StopBitsField(std::int32_t stopBits) {
    switch (stopBits) {
        case 2:
            return ONE5STOPBITS;
        case 3:
            return TWOSTOPBITS;
        default:
            return ONESTOPBIT;
    }
}

BYTE ParityField(std::int32_t parity) {
    switch (parity) {
        case 1:
            return ODDPARITY;
        case 2:
            return EVENPARITY;
        case 3:
            return MARKPARITY;
        case 4:
            return SPACEPARITY;
        default:
            return NOPARITY;
    }
}

void ApplyModemLines(const SerialPortProperties& properties, DCB& state) {
    state.fRtsControl = properties.RtsMode() == 1 ? RTS_CONTROL_DISABLE : RTS_CONTROL_ENABLE;
    if (properties.DtrMode() == 1) {
        state.fDtrControl = DTR_CONTROL_DISABLE;
    } else if (properties.DtrMode() == 2) {
        state.fDtrControl = DTR_CONTROL_ENABLE;
    }
    state.fDsrSensitivity = FALSE;
}

// Codes 1 and 2 wait for CTS, 3 and 4 for DSR; the odd codes hand RTS to the handshake, the
// even ones DTR; 5 is XON/XOFF both ways; any other code is no flow control.
void ApplyFlowControl(std::int32_t code, DCB& state) {
    state.fOutxCtsFlow = code == 1 || code == 2;
    state.fOutxDsrFlow = code == 3 || code == 4;
    if (code == 1 || code == 3) {
        state.fRtsControl = RTS_CONTROL_HANDSHAKE;
    }
    if (code == 2 || code == 4) {
        state.fDtrControl = DTR_CONTROL_HANDSHAKE;
    }
    const bool xonXoff = code == 5;
    state.fOutX = xonXoff;
    state.fInX = xonXoff;
    if (xonXoff) {
        state.XonChar = kXon;
        state.XoffChar = kXoff;
        state.XonLim = kXonXoffLimit;
        state.XoffLim = kXonXoffLimit;
    }
}

}  // namespace

DWORD LineEventMask(const SerialPortProperties& properties) {
    return properties.EventCharByte() ? kWatchedEvents | EV_RXFLAG : kWatchedEvents;
}

COMMTIMEOUTS LineTimeouts(const SerialPortProperties& properties) {
    const auto timeout = static_cast<DWORD>(properties.Timeout());
    return {timeout, timeout, timeout, timeout, timeout};
}

void ApplyLineSettings(const SerialPortProperties& properties, DCB& state) {
    state.BaudRate = static_cast<DWORD>(properties.BaudRate());
    state.ByteSize = static_cast<BYTE>(properties.DataBits() & 0xFF);
    state.StopBits = StopBitsField(properties.StopBits());
    state.fParity = (properties.ParityCheck() & 1) != 0;
    state.Parity = ParityField(properties.Parity());
    if (const std::optional<std::uint8_t> eventChar = properties.EventCharByte()) {
        state.EvtChar = static_cast<char>(*eventChar);
    }
    state.fBinary = TRUE;
    ApplyModemLines(properties, state);
    ApplyFlowControl(properties.FlowControl(), state);
}

}  // namespace tavr
