#include "serial/serial_port_properties.h"

#include <gtest/gtest.h>

#include <optional>

namespace tavr {
namespace {

struct ClampCase {
    const char* property;
    void (SerialPortProperties::*write)(std::int32_t);
    std::int32_t (SerialPortProperties::*read)() const;
    std::int32_t written;
    std::int32_t stored;
};

TEST(SerialPortPropertiesTest, WritesStoreTheClampedValue) {
    using P = SerialPortProperties;
    const ClampCase cases[] = {
        {"PortNumber", &P::SetPortNumber, &P::PortNumber, 0, 1},
        {"PortNumber", &P::SetPortNumber, &P::PortNumber, 7, 7},
        {"BaudRate", &P::SetBaudRate, &P::BaudRate, -5, 0},
        {"DataBits", &P::SetDataBits, &P::DataBits, 0x107, 0x107},
        {"StopBits", &P::SetStopBits, &P::StopBits, 7, 3},
        {"StopBits", &P::SetStopBits, &P::StopBits, 0, 1},
        {"Timeout", &P::SetTimeout, &P::Timeout, -1, 0},
        {"Parity", &P::SetParity, &P::Parity, -1, 0},
        {"Parity", &P::SetParity, &P::Parity, 9, 4},
        {"FlowControl", &P::SetFlowControl, &P::FlowControl, 6, 5},
        {"FlowControl", &P::SetFlowControl, &P::FlowControl, -2, 0},
        {"RtsMode", &P::SetRtsMode, &P::RtsMode, 3, 2},
        {"DtrMode", &P::SetDtrMode, &P::DtrMode, -1, 0},
    };
    for (const ClampCase& c : cases) {
        SerialPortProperties properties;
        (properties.*c.write)(c.written);
        EXPECT_EQ((properties.*c.read)(), c.stored) << c.property << " written " << c.written;
    }
}

// The watchers announce the event character by its byte: the first of the text, none for an
// empty text or a NUL, and a byte above 127 as itself.
TEST(SerialPortPropertiesTest, TheEventCharacterIsTheFirstByteOfItsText) {
    const struct {
        Text text;
        std::optional<std::uint8_t> byte;
    } cases[] = {
        {"", std::nullopt}, {std::string(1, '\0'), std::nullopt}, {"\n", '\n'}, {"ab", 'a'},
        {"\xFE", 0xFE},
    };
    for (const auto& c : cases) {
        SerialPortProperties properties;
        properties.SetEventChar(c.text);
        EXPECT_EQ(properties.EventCharByte(), c.byte) << "text of " << c.text.size() << " bytes";
    }
}

}  // namespace
}  // namespace tavr
