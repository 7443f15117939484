#include "meter_simulator/fault.h"

#include <array>

#include "meter_simulator/number_text.h"

namespace tavr::simulator {

namespace {

struct FaultForm {
    FaultKind kind;
    std::string_view name;
    bool takesArgument;
    std::int64_t defaultArgument;
    std::int64_t low;
    std::int64_t high;
};

constexpr std::int64_t kLongestPauseMs = 600'000;

constexpr auto kFaultForms = std::to_array<FaultForm>({
    {FaultKind::None, "none", false, 0, 0, 0},
    {FaultKind::Silent, "silent", false, 0, 0, 0},
    {FaultKind::Short, "short", true, 0, 1, 0xFFFF},
    {FaultKind::BadCrc, "bad-crc", false, 0, 0, 0},
    {FaultKind::Delay, "delay", true, 1000, 0, kLongestPauseMs},
    {FaultKind::Garbage, "garbage", true, 75, 1, 10'000'000},
    {FaultKind::HangUp, "hangup", true, 200, 0, kLongestPauseMs},
});

const FaultForm* FormNamed(std::string_view name) {
    for (const FaultForm& form : kFaultForms) {
        if (form.name == name) {
            return &form;
        }
    }
    return nullptr;
}

const FaultForm& FormOf(FaultKind kind) {
    for (const FaultForm& form : kFaultForms) {
        if (form.kind == kind) {
            return form;
        }
    }
    return kFaultForms.front();
}

}  // namespace

std::optional<Fault> ParseFault(std::string_view text) {
    const std::size_t split = text.find_first_of(" =");
    const FaultForm* form = FormNamed(text.substr(0, split));
    if (form == nullptr) {
        return std::nullopt;
    }
    if (split == std::string_view::npos) {
        return Fault{form->kind, form->defaultArgument};
    }
    const auto argument = ParseWholeNumber(text.substr(split + 1), form->low, form->high);
    if (!form->takesArgument || !argument) {
        return std::nullopt;
    }
    return Fault{form->kind, *argument};
}

std::string DescribeFault(const Fault& fault) {
    const FaultForm& form = FormOf(fault.kind);
    std::string text(form.name);
    const bool allButLast = fault.kind == FaultKind::Short && fault.argument == 0;
    if (form.takesArgument && !allButLast) {
        text += ' ' + std::to_string(fault.argument);
    }
    return text;
}

}  // namespace tavr::simulator
