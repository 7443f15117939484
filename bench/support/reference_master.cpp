#include "support/reference_master.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <string>

#include "protocol/frame_codec.h"
#include "support/require.h"

namespace tavr {

namespace {

using Clock = std::chrono::steady_clock;

std::string LibraryError(const std::string& what) {
    return what + ": " + modbus_strerror(errno);
}

}  // namespace

ReferenceMaster::ReferenceMaster(const std::filesystem::path& line, int baud, int device) {
    const std::filesystem::path tty = std::filesystem::canonical(line);
    context_ = modbus_new_rtu(tty.c_str(), baud, 'N', 8, 1);
    Require(context_ != nullptr, LibraryError("cannot make a reference master"));
    if (modbus_set_slave(context_, device) != 0 || modbus_connect(context_) != 0) {
        const std::string why = LibraryError("the reference master cannot open " + tty.string());
        modbus_free(context_);
        throw std::runtime_error(why);
    }
}

ReferenceMaster::~ReferenceMaster() {
    modbus_close(context_);
    modbus_free(context_);
}

std::vector<double> ReferenceMaster::ReadBackToBack(std::int64_t cycles,
                                                    std::int64_t warmUpCycles) {
    for (std::int64_t cycle = 0; cycle < warmUpCycles; ++cycle) {
        ReadAll();
    }
    std::vector<double> roundTripsUs;
    roundTripsUs.reserve(static_cast<std::size_t>(cycles));
    for (std::int64_t cycle = 0; cycle < cycles; ++cycle) {
        const auto start = Clock::now();
        ReadAll();
        const std::chrono::duration<double, std::micro> took = Clock::now() - start;
        roundTripsUs.push_back(took.count());
    }
    return roundTripsUs;
}

ReferenceMaster::Registers ReferenceMaster::ReadAll() {
    Registers registers{};
    const int read = modbus_read_registers(context_, 0, kRegisterCount, registers.data());
    Require(read == kRegisterCount, LibraryError("the reference master's read failed"));
    return registers;
}

}  // namespace tavr
