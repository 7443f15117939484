#include "meter_simulator/control_command.h"

#include <algorithm>
#include <vector>

#include "meter_simulator/number_text.h"
#include "meter_simulator/register_bank.h"

namespace tavr::simulator {

namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    constexpr std::string_view kBlanks = " \t\r";
    for (std::size_t start = line.find_first_not_of(kBlanks); start != std::string_view::npos;
         start = line.find_first_not_of(kBlanks, start)) {
        const std::size_t end = std::min(line.find_first_of(kBlanks, start), line.size());
        words.push_back(line.substr(start, end - start));
        start = end;
    }
    return words;
}

ParsedControlCommand Error(std::string message) {
    return {std::nullopt, std::move(message)};
}

ParsedControlCommand Command(ControlCommand command) {
    return {command, {}};
}

std::optional<int> RegisterAddress(std::string_view word) {
    const auto address = ParseWholeNumber(word, 0, kRegisterCount - 1);
    return address ? std::optional<int>(static_cast<int>(*address)) : std::nullopt;
}

}  // namespace

ParsedControlCommand ParseControlCommand(std::string_view line) {
    std::vector<std::string_view> words = Words(line);
    if (words.empty()) {
        return {};
    }
    ControlCommand command;
    if (words[0] == "meter") {
        const auto id = words.size() > 2 ? ParseWholeNumber(words[1], 1, 247) : std::nullopt;
        if (!id || (words[2] != "fault" && words[2] != "set" && words[2] != "get")) {
            return Error("meter takes a device ID 1..247, then fault, set or get");
        }
        command.meter = static_cast<int>(*id);
        words.erase(words.begin(), words.begin() + 2);
    }
    const std::string_view verb = words[0];
    if (verb == "quit" && words.size() == 1) {
        command.kind = ControlCommand::Kind::Quit;
        return Command(command);
    }
    if (verb == "fault" && (words.size() == 2 || words.size() == 3)) {
        const std::string text = words.size() == 2
                                     ? std::string(words[1])
                                     : std::string(words[1]) + ' ' + std::string(words[2]);
        const auto fault = ParseFault(text);
        if (!fault) {
            return Error("not a fault: " + text);
        }
        command.kind = ControlCommand::Kind::SetFault;
        command.fault = *fault;
        return Command(command);
    }
    if (verb == "hangup" && words.size() <= 2) {
        command.kind = ControlCommand::Kind::HangUp;
        if (words.size() == 2) {
            const auto pause = ParseWholeNumber(words[1], 0, 600'000);
            if (!pause) {
                return Error("hangup takes a pause of 0 to 600000 ms");
            }
            command.pause = std::chrono::milliseconds{*pause};
        }
        return Command(command);
    }
    if ((verb == "get" && words.size() == 2) || (verb == "set" && words.size() == 3)) {
        const auto address = RegisterAddress(words[1]);
        if (!address) {
            return Error("not a register address 0x0000..0x0022: " + std::string(words[1]));
        }
        command.kind = verb == "get" ? ControlCommand::Kind::Get : ControlCommand::Kind::Set;
        command.address = *address;
        if (verb == "set") {
            const auto value = ParseWholeNumber(words[2], 0, 0xFFFF);
            if (!value) {
                return Error("not a register value 0..65535: " + std::string(words[2]));
            }
            command.value = static_cast<std::uint16_t>(*value);
        }
        return Command(command);
    }
    return Error("unknown command: " + std::string(line));
}

}  // namespace tavr::simulator
