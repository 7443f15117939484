#include "companion/cli/command_line.h"
#include "companion/cli/connection_options.h"
#include "companion/commands/sub_commands.h"
#include "companion/meter/meter_session.h"
#include "companion/meter/reading_formats.h"
#include "companion/meter/register_address.h"
#include "companion/meter/window_catalogue.h"
#include "companion/meter/write_input.h"

namespace tavr {

namespace {

constexpr std::uint16_t kDeviceAddressRegister = 0x00;

std::string WriteDescription() {
    return "Writes the raw VALUE into the register at ADDRESS (0003H, 0x03 or 3), then reads the "
           "meter back and prints that register's row. A value above the register's maximum, a "
           "negative or non-numeric value or an unknown address is refused; nothing is sent. "
           "When the meter reads back another value than the one written (it overwrites its "
           "measurements, 0003H for one), that is said and the exit code is 1.\n"
           "Writing 0000H changes the meter's device address; the read back uses the new one, "
           "and the window remembers it as its device ID.\n"
           "Warning: " +
           OutputModeWarning();
}

// Register 0000H holds the device address: from now on the meter answers to the new one.
void FollowNewAddress(MeterSession& session, Console& console, std::uint8_t oldId,
                      std::uint8_t newId) {
    session.UseDeviceId(newId);
    console.err << "tavr-12864-cli write: device address changed from " << int{oldId} << " to "
                << int{newId};
    if (RememberDeviceId(newId)) {
        console.err << "; the window's device ID is now " << int{newId};
    }
    console.err << "\n";
}

}  // namespace

ExitStatus RunWrite(const std::vector<std::string>& arguments, Console& console) {
    CommandLine line("write", WriteDescription(), "ADDRESS VALUE");
    line.App().footer("The write is sent once; --retries applies to the read back.");
    bool force = false;
    line.AddFlag("--force", force, "write an output mode that leaves Modbus mode");
    const ConnectionOptions connectionOptions(line.App(), MeterCount::One);
    if (const auto ended = line.Parse(arguments, console)) {
        return *ended;
    }
    if (line.Positionals().size() != 2) {
        return line.UsageError(console, "give the register ADDRESS and the raw VALUE");
    }
    RegisterCatalogue catalogue = WindowCatalogue();
    std::string error;
    const std::optional<WriteInput> input =
        CheckWriteInput(line.Positionals()[0], line.Positionals()[1], catalogue, force, error);
    if (!input) {
        return line.UsageError(console, error + "; nothing was written");
    }
    const ConnectionChoice connection = connectionOptions.Choose();
    MeterSession session(connection, console, "write");
    if (!session.Open()) {
        return ExitStatus::PortUnavailable;
    }
    if (!session.Write(input->address, input->value)) {
        return ExitStatus::NoAnswer;
    }
    if (input->address == kDeviceAddressRegister) {
        FollowNewAddress(session, console, connection.deviceId,
                         static_cast<std::uint8_t>(input->value));
    }
    const std::optional<ReadReply> reply = session.Read();
    if (!reply) {
        return ExitStatus::NoAnswer;
    }
    const RegisterReadings readings = DecodeReadings(*reply, catalogue);
    const RegisterReading& readBack = readings[input->address];
    console.out << ReadingsTable(std::span(&readBack, 1));
    if (readBack.raw != input->value) {
        session.Report(RegisterName(input->address) + " reads back as " +
                       std::to_string(readBack.raw) + ", not the " + std::to_string(input->value) +
                       " written: the meter did not keep the value");
        return ExitStatus::NoAnswer;
    }
    return ExitStatus::Done;
}

}  // namespace tavr
