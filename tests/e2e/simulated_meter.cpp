#include "simulated_meter.h"

#include <cstdio>
#include <fstream>
#include <string_view>

namespace tavr {

namespace {

constexpr std::string_view kReceivedMark = " rx ";

std::string RegisterName(int address) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(address));
    return text;
}

std::vector<std::string> SimulatorArguments(const std::filesystem::path& log, int com,
                                            const std::vector<std::string>& options) {
    std::vector<std::string> arguments{"--com", std::to_string(com), "--frozen", "--log",
                                       log.string()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return arguments;
}

}  // namespace

std::string Hex(const ByteSet& frame) {
    std::string text;
    for (const std::uint8_t byte : frame) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", byte);
        text += text.empty() ? "" : " ";
        text += digits;
    }
    return text;
}

SimulatedMeter::SimulatedMeter(const std::filesystem::path& configHome, int com,
                               const std::vector<std::string>& options)
    : log_(configHome / "meter.log"),
      process_(TAVR_METER_SIM_PATH, configHome, SimulatorArguments(log_, com, options)) {
    ready_ = process_.Started() && process_.WaitForLine("ready ").has_value();
}

std::optional<std::uint16_t> SimulatedMeter::Get(int address) {
    const std::string name = RegisterName(address);
    if (!process_.Send("get " + name)) {
        return std::nullopt;
    }
    const std::string answerStart = "value " + name + " ";
    const std::optional<std::string> answer = process_.WaitForLine(answerStart);
    if (!answer) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(std::stoul(answer->substr(answerStart.size())));
}

bool SimulatedMeter::Set(int address, std::uint16_t value) {
    const std::string name = RegisterName(address);
    return process_.Send("set " + name + " " + std::to_string(value)) &&
           process_.WaitForLine("ok set " + name).has_value();
}

bool SimulatedMeter::SetFault(const std::string& fault) {
    return process_.Send("fault " + fault) && process_.WaitForLine("ok fault " + fault).has_value();
}

std::vector<std::string> SimulatedMeter::Received() const {
    std::vector<std::string> frames;
    std::ifstream log(log_);
    for (std::string line; std::getline(log, line);) {
        if (const std::size_t mark = line.find(kReceivedMark); mark != std::string::npos) {
            frames.push_back(line.substr(mark + kReceivedMark.size()));
        }
    }
    return frames;
}

std::size_t SimulatedMeter::ReceivedWithFunction(std::uint8_t function) const {
    char code[4];
    std::snprintf(code, sizeof code, "%02X", function);
    std::size_t count = 0;
    for (const std::string& frame : Received()) {
        count += frame.size() >= 5 && frame.compare(3, 2, code) == 0 ? 1 : 0;
    }
    return count;
}

}  // namespace tavr
