#include "meter_simulator/frame_log.h"

#include <cerrno>
#include <cstring>

namespace tavr::simulator {

namespace {

constexpr std::size_t kLoggedBytes = 300;

// Bytes as upper-case hexadecimal pairs separated by blanks; beyond `limit` bytes the rest is
// only counted.
std::string HexBytes(std::span<const std::uint8_t> bytes, std::size_t limit) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    if (bytes.size() > limit) {
        text += " ... (" + std::to_string(bytes.size()) + " bytes)";
    }
    return text;
}

}  // namespace

FrameLog::~FrameLog() {
    if (ownsFile_) {
        std::fclose(file_);
    }
}

bool FrameLog::Open(const std::string& destination, std::string& error) {
    if (destination.empty()) {
        return true;
    }
    if (destination == "-") {
        file_ = stdout;
        return true;
    }
    file_ = std::fopen(destination.c_str(), "w");
    if (file_ == nullptr) {
        error = "cannot write the log " + destination + ": " + std::strerror(errno);
        return false;
    }
    ownsFile_ = true;
    return true;
}

void FrameLog::Frame(std::string_view direction, std::span<const std::uint8_t> bytes,
                     std::string_view note) {
    if (file_ == nullptr) {
        return;
    }
    std::string text(direction);
    text += ' ' + HexBytes(bytes, kLoggedBytes);
    if (!note.empty()) {
        text += " (" + std::string(note) + ")";
    }
    Line(text);
}

void FrameLog::Event(std::string_view text) {
    if (file_ != nullptr) {
        Line(std::string(text));
    }
}

void FrameLog::Line(const std::string& text) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start_);
    std::fprintf(file_, "%lld.%03lld %s\n", static_cast<long long>(elapsed.count() / 1000),
                 static_cast<long long>(elapsed.count() % 1000), text.c_str());
    std::fflush(file_);
}

}  // namespace tavr::simulator
