#include "support/thread_wakeups.h"

#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace tavr {
namespace {

constexpr std::string_view kSwitchesField = "voluntary_ctxt_switches:";

std::int64_t VoluntarySwitches(const std::filesystem::path& task) {
    std::ifstream status(task / "status");
    for (std::string line; std::getline(status, line);) {
        if (!line.starts_with(kSwitchesField)) {
            continue;
        }
        std::string_view value = std::string_view(line).substr(kSwitchesField.size());
        value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
        std::int64_t count = 0;
        std::from_chars(value.data(), value.data() + value.size(), count);
        return count;
    }
    return 0;
}

std::string ThreadName(const std::filesystem::path& task) {
    if (task.filename() == std::to_string(::getpid())) {
        return "main";
    }
    std::ifstream comm(task / "comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

}  // namespace

ThreadWakeups CountThreadWakeups() {
    ThreadWakeups wakeups;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        wakeups[ThreadName(task.path())] += VoluntarySwitches(task.path());
    }
    return wakeups;
}

ThreadWakeups WakeupsBetween(const ThreadWakeups& before, const ThreadWakeups& after) {
    ThreadWakeups gained;
    for (const auto& [name, count] : after) {
        const auto earlier = before.find(name);
        gained[name] = count - (earlier == before.end() ? 0 : earlier->second);
    }
    return gained;
}

}  // namespace tavr
