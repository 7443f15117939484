#include "pty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace tavr {
namespace {

// Generous: these bound waits for things that happen in microseconds, so a loaded machine
// never fails a test, and a broken unit fails it instead of hanging.
constexpr auto kPatience = std::chrono::seconds(10);
constexpr int kQuietMs = 2000;

void Require(bool condition, const char* what) {
    if (!condition) {
        throw std::runtime_error(what);
    }
}

}  // namespace

TemporaryConfigHome::TemporaryConfigHome() {
    std::string folder = (std::filesystem::temp_directory_path() / "serial-test-XXXXXX").string();
    Require(::mkdtemp(folder.data()) != nullptr, "mkdtemp");
    path_ = folder;
    ::setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
}

TemporaryConfigHome::~TemporaryConfigHome() {
    ::unsetenv("XDG_CONFIG_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TemporaryConfigHome::LinkFolder() const {
    return path_ / "TAVR_12864" / "dosdevices";
}

void TemporaryConfigHome::LinkComPort(int portNumber, const std::filesystem::path& target) const {
    const std::filesystem::path link = LinkFolder() / ("com" + std::to_string(portNumber));
    std::filesystem::create_directories(LinkFolder());
    std::filesystem::remove(link);
    std::filesystem::create_symlink(target, link);
}

PtyLine::PtyLine() : master_(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    Require(master_.Valid() && ::grantpt(master_.Get()) == 0 && ::unlockpt(master_.Get()) == 0,
            "posix_openpt");
    char name[128];
    Require(::ptsname_r(master_.Get(), name, sizeof name) == 0, "ptsname_r");
    slavePath_ = name;
    slave_ = UniqueFd(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    Require(slave_.Valid(), "open slave");
}

void PtyLine::WriteFromMeter(const ByteSet& bytes) const {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count =
            ::write(master_.Get(), bytes.data() + written, bytes.size() - written);
        Require(count > 0, "write master");
        written += static_cast<std::size_t>(count);
    }
}

ByteSet PtyLine::ReadAtMeter(std::size_t count) const {
    ByteSet bytes;
    while (bytes.size() < count) {
        pollfd master{master_.Get(), POLLIN, 0};
        if (::poll(&master, 1, kQuietMs) <= 0) {
            break;
        }
        std::uint8_t buffer[256];
        const ssize_t got =
            ::read(master_.Get(), buffer, std::min(sizeof buffer, count - bytes.size()));
        if (got <= 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

termios PtyLine::LineSettings() const {
    termios settings{};
    Require(::tcgetattr(slave_.Get(), &settings) == 0, "tcgetattr");
    return settings;
}

void PtyLine::SetReadableThreshold(unsigned char bytes) const {
    termios settings = LineSettings();
    settings.c_cc[VMIN] = bytes;
    Require(::tcsetattr(slave_.Get(), TCSANOW, &settings) == 0, "tcsetattr");
}

SerialPortUnit::QueueReadyPoster NoticePump::Poster() {
    return [this] {
        {
            const std::lock_guard lock(mutex_);
            ++notices_;
        }
        noticed_.notify_all();
    };
}

bool NoticePump::WaitForQueued(SerialPortUnit& unit, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (unit.QueuedEvents() < count) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::vector<int> NoticePump::Collect(SerialPortUnit& unit, std::size_t count) {
    std::vector<int> events;
    while (events.size() < count) {
        {
            std::unique_lock lock(mutex_);
            if (!noticed_.wait_for(lock, kPatience, [&] { return notices_ > delivered_; })) {
                break;
            }
            delivered_ = notices_;
        }
        largestQueue = std::max(largestQueue, unit.QueuedEvents());
        const std::size_t before = events.size();
        unit.DeliverQueued([&](const SerialEvent& event) {
            events.push_back(Traced(event));
            return true;
        });
        largestDelivery = std::max(largestDelivery, events.size() - before);
    }
    return events;
}

int Traced(const SerialEvent& event) {
    return event.kind == SerialEvent::Kind::DataArrival ? event.argument : -event.argument;
}

std::vector<int> Traced(const ByteSet& received) {
    return std::vector<int>(received.begin(), received.end());
}

ByteSet Bytes(std::size_t count, std::size_t first) {
    ByteSet bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(first + i);
    }
    return bytes;
}

}  // namespace tavr
