#include "serial/win32/line_settings.h"

#include <gtest/gtest.h>

#include <functional>

#include "serial/win32/com_device_path.h"

namespace tavr {
namespace {

// A line state as a driver might report it, with every field that Open must leave alone set
// to something it would not choose.
DCB DriverState() {
    DCB state{};
    state.DCBlength = sizeof state;
    state.BaudRate = 1200;
    state.ByteSize = 7;
    state.fDtrControl = DTR_CONTROL_HANDSHAKE;
    state.fDsrSensitivity = TRUE;
    state.fOutxCtsFlow = TRUE;
    state.fOutX = TRUE;
    state.fInX = TRUE;
    state.XonChar = 1;
    state.XoffChar = 2;
    state.XonLim = 7;
    state.XoffLim = 7;
    state.EvtChar = 0x55;
    state.ErrorChar = 0x3F;
    state.EofChar = 0x1A;
    return state;
}

TEST(Win32LineSettings, TheMainWindowsPortIs9600Baud8N1WithoutFlowControl) {
    SerialPortProperties properties;
    properties.SetBaudRate(9600);
    DCB state = DriverState();
    ApplyLineSettings(properties, state);

    EXPECT_EQ(state.BaudRate, 9600U);
    EXPECT_EQ(state.ByteSize, 8);
    EXPECT_EQ(state.StopBits, ONESTOPBIT);
    EXPECT_EQ(state.Parity, NOPARITY);
    EXPECT_FALSE(state.fParity);
    EXPECT_TRUE(state.fBinary);
    EXPECT_EQ(state.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
    EXPECT_FALSE(state.fDsrSensitivity);
    EXPECT_FALSE(state.fOutxCtsFlow);
    EXPECT_FALSE(state.fOutxDsrFlow);
    EXPECT_FALSE(state.fOutX);
    EXPECT_FALSE(state.fInX);
    // DtrMode 0 keeps the driver's DTR; no event character keeps the driver's one.
    EXPECT_EQ(state.fDtrControl, static_cast<DWORD>(DTR_CONTROL_HANDSHAKE));
    EXPECT_EQ(state.EvtChar, 0x55);
    EXPECT_EQ(state.ErrorChar, 0x3F);
    EXPECT_EQ(state.EofChar, 0x1A);
}

struct LineCase {
    const char* name;
    std::function<void(SerialPortProperties&)> set;
    std::function<void(const DCB&)> check;
};

class Win32LineSettingsCases : public testing::TestWithParam<LineCase> {};

TEST_P(Win32LineSettingsCases, ChangeTheDriversState) {
    SerialPortProperties properties;
    GetParam().set(properties);
    DCB state = DriverState();
    ApplyLineSettings(properties, state);
    GetParam().check(state);
}

INSTANTIATE_TEST_SUITE_P(
    Properties, Win32LineSettingsCases,
    testing::Values(
        LineCase{"Baud115200", [](auto& p) { p.SetBaudRate(115200); },
                 [](const DCB& s) { EXPECT_EQ(s.BaudRate, 115200U); }},
        LineCase{"DataBitsLowByte", [](auto& p) { p.SetDataBits(0x107); },
                 [](const DCB& s) { EXPECT_EQ(s.ByteSize, 7); }},
        LineCase{"OneAndAHalfStopBits", [](auto& p) { p.SetStopBits(2); },
                 [](const DCB& s) { EXPECT_EQ(s.StopBits, ONE5STOPBITS); }},
        LineCase{"TwoStopBits", [](auto& p) { p.SetStopBits(7); },
                 [](const DCB& s) { EXPECT_EQ(s.StopBits, TWOSTOPBITS); }},
        LineCase{"ParityCheckBitZero", [](auto& p) { p.SetParityCheck(3); },
                 [](const DCB& s) { EXPECT_TRUE(s.fParity); }},
        LineCase{"ParityCheckOtherBits", [](auto& p) { p.SetParityCheck(2); },
                 [](const DCB& s) { EXPECT_FALSE(s.fParity); }},
        LineCase{"OddParity", [](auto& p) { p.SetParity(1); },
                 [](const DCB& s) { EXPECT_EQ(s.Parity, ODDPARITY); }},
        LineCase{"SpaceParity", [](auto& p) { p.SetParity(9); },
                 [](const DCB& s) { EXPECT_EQ(s.Parity, SPACEPARITY); }},
        LineCase{"EventCharacter", [](auto& p) { p.SetEventChar("\n"); },
                 [](const DCB& s) { EXPECT_EQ(s.EvtChar, '\n'); }},
        LineCase{"ZeroEventCharacterKeepsTheDrivers",
                 [](auto& p) { p.SetEventChar(std::string(1, '\0')); },
                 [](const DCB& s) { EXPECT_EQ(s.EvtChar, 0x55); }},
        LineCase{"RtsOff", [](auto& p) { p.SetRtsMode(1); },
                 [](const DCB& s) {
                     EXPECT_EQ(s.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
                 }},
        LineCase{"DtrOff", [](auto& p) { p.SetDtrMode(1); },
                 [](const DCB& s) {
                     EXPECT_EQ(s.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
                 }},
        LineCase{
            "DtrOn", [](auto& p) { p.SetDtrMode(2); },
            [](const DCB& s) { EXPECT_EQ(s.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE)); }},
        LineCase{"CtsFlowWithRtsHandshake", [](auto& p) { p.SetFlowControl(1); },
                 [](const DCB& s) {
                     EXPECT_TRUE(s.fOutxCtsFlow);
                     EXPECT_FALSE(s.fOutxDsrFlow);
                     EXPECT_EQ(s.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));
                 }},
        LineCase{"CtsFlowWithDtrHandshake",
                 [](auto& p) {
                     p.SetFlowControl(2);
                     p.SetRtsMode(1);
                 },
                 [](const DCB& s) {
                     EXPECT_TRUE(s.fOutxCtsFlow);
                     EXPECT_EQ(s.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
                     EXPECT_EQ(s.fDtrControl, static_cast<DWORD>(DTR_CONTROL_HANDSHAKE));
                 }},
        LineCase{"DsrFlowWithRtsHandshake", [](auto& p) { p.SetFlowControl(3); },
                 [](const DCB& s) {
                     EXPECT_FALSE(s.fOutxCtsFlow);
                     EXPECT_TRUE(s.fOutxDsrFlow);
                     EXPECT_EQ(s.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));
                 }},
        LineCase{"DsrFlowWithDtrHandshake", [](auto& p) { p.SetFlowControl(4); },
                 [](const DCB& s) {
                     EXPECT_TRUE(s.fOutxDsrFlow);
                     EXPECT_EQ(s.fDtrControl, static_cast<DWORD>(DTR_CONTROL_HANDSHAKE));
                 }},
        LineCase{"XonXoff", [](auto& p) { p.SetFlowControl(5); },
                 [](const DCB& s) {
                     EXPECT_TRUE(s.fOutX);
                     EXPECT_TRUE(s.fInX);
                     EXPECT_EQ(s.XonChar, 0x11);
                     EXPECT_EQ(s.XoffChar, 0x13);
                     EXPECT_EQ(s.XonLim, 100);
                     EXPECT_EQ(s.XoffLim, 100);
                     EXPECT_FALSE(s.fOutxCtsFlow);
                 }}),
    [](const testing::TestParamInfo<LineCase>& info) { return info.param.name; });

TEST(Win32LineSettings, EventMaskAddsTheEventCharacterOnlyWhenOneIsSet) {
    SerialPortProperties properties;
    EXPECT_EQ(LineEventMask(properties), 0x1F9U);
    properties.SetEventChar("\r");
    EXPECT_EQ(LineEventMask(properties), 0x1FBU);
}

TEST(Win32LineSettings, AllFiveTimeoutsAreTheTimeoutProperty) {
    SerialPortProperties properties;
    properties.SetTimeout(250);
    const COMMTIMEOUTS timeouts = LineTimeouts(properties);
    for (const DWORD timeout :
         {timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
          timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
          timeouts.WriteTotalTimeoutConstant}) {
        EXPECT_EQ(timeout, 250U);
    }
}

TEST(Win32ComDevicePath, IsTheDeviceNamespaceNameOfTheComNumber) {
    EXPECT_EQ(ComDevicePath(1), L"\\\\.\\COM1");
    EXPECT_EQ(ComDevicePath(20), L"\\\\.\\COM20");
}

}  // namespace
}  // namespace tavr
