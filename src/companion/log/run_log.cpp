#include "companion/log/run_log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "companion/log/log_path.h"
#include "companion/meter/reading_formats.h"
#include "companion/meter/register_address.h"
#include "companion/platform/log_file.h"

namespace tavr {

namespace {

// A log's header and a row are far shorter; a longer line means the file is no log.
constexpr std::int64_t kLongestLine = 64 * 1024;
// How much of a removed row the notice shows.
constexpr std::size_t kShownRowLength = 120;

std::string SystemReason() {
    return std::strerror(errno);
}

std::string WithoutCarriageReturn(std::string line) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

}  // namespace

RunLog::~RunLog() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::string RunLog::Header(const std::vector<std::uint16_t>& registers,
                           const RegisterCatalogue& catalogue, bool deviceColumn) {
    std::string header = deviceColumn ? "time,device" : "time";
    for (const std::uint16_t address : registers) {
        const Text unit = catalogue.Entry(address).unit;
        header += "," + CsvField(RegisterName(address) + (unit.empty() ? "" : " " + unit));
    }
    return header;
}

bool RunLog::CheckPath(const std::string& path, std::string& error) {
    const LogPathState state = LookAtLogPath(path);
    switch (state.kind) {
        case LogPathState::Kind::Missing:
        case LogPathState::Kind::RegularFile:
            return true;
        case LogPathState::Kind::NotAFile:
            error = "cannot use " + path + " as the log: it is " + state.what +
                    "; give a regular file, or leave out --output for standard output";
            return false;
        case LogPathState::Kind::Unseen:
            error = "cannot use " + path + " as the log: " + state.what;
            return false;
    }
    return false;
}

bool RunLog::Open(const std::string& path, const std::string& header, Console& console,
                  std::string& error, std::string& notice) {
    if (path.empty()) {
        console_ = &console;
        name_ = "standard output";
        if (!WriteLine(header)) {
            error = "cannot write standard output: " + failure_;
            return false;
        }
        return true;
    }
    name_ = path;
    return OpenFile(path, header, error, notice);
}

bool RunLog::OpenFile(const std::string& path, const std::string& header, std::string& error,
                      std::string& notice) {
    fd_ = OpenLogFile(path);
    if (fd_ < 0) {
        error = "cannot open " + path + ": " + SystemReason();
        return false;
    }
    struct stat node {};
    if (::fstat(fd_, &node) != 0 || !S_ISREG(node.st_mode)) {
        error = "cannot use " + path + " as the log: it is " + NodeKind(node);
        return false;
    }
    size_ = node.st_size;
    if (size_ == 0) {
        return WriteLine(header) || (error = "cannot write " + path + ": " + failure_, false);
    }
    const std::string start = ReadLogAt(fd_, 0, std::min(size_, kLongestLine + 2));
    const std::size_t firstBreak = start.find('\n');
    if (firstBreak == std::string::npos && size_ > kLongestLine) {
        error = path + " is not a log written by watch (its first line is longer than " +
                std::to_string(kLongestLine) + " bytes)";
        return false;
    }
    const std::string existing = WithoutCarriageReturn(start.substr(0, firstBreak));
    if (existing != header) {
        error =
            path + " holds a log of other registers (" + existing.substr(0, kShownRowLength) + ")";
        return false;
    }
    if (firstBreak == std::string::npos) {
        // The header itself lacks its line break.
        return WriteLine("") || (error = "cannot write " + path + ": " + failure_, false);
    }
    const std::int64_t tailStart = std::max<std::int64_t>(0, size_ - kLongestLine - 1);
    const std::string tail = ReadLogAt(fd_, tailStart, size_ - tailStart);
    if (!tail.empty() && tail.back() == '\n') {
        return true;
    }
    const std::size_t lastBreak = tail.rfind('\n');
    if (lastBreak == std::string::npos) {
        error = path + " ends in a line longer than " + std::to_string(kLongestLine) +
                " bytes; it is not a log written by watch";
        return false;
    }
    const std::int64_t wholeRows = tailStart + static_cast<std::int64_t>(lastBreak) + 1;
    if (::ftruncate(fd_, wholeRows) != 0) {
        error = "cannot remove the incomplete last row of " + path + ": " + SystemReason();
        return false;
    }
    size_ = wholeRows;
    notice = "removed the incomplete last row of " + path +
             " (cut off while it was written): " + tail.substr(lastBreak + 1, kShownRowLength);
    return true;
}

std::string RunLog::Row(const std::string& timestamp, int deviceId,
                        const RegisterReadings& readings,
                        const std::vector<std::uint16_t>& registers,
                        const RegisterCatalogue& catalogue) {
    std::string row = timestamp;
    if (deviceId > 0) {
        row += "," + std::to_string(deviceId);
    }
    for (const std::uint16_t address : registers) {
        row += "," + NumberText(readings[address], catalogue);
    }
    return row;
}

bool RunLog::WriteRow(const std::string& row) {
    return WriteLine(row);
}

bool RunLog::WriteLine(const std::string& line) {
    const std::string text = line + "\n";
    if (console_ != nullptr) {
        console_->out.write(text.data(), static_cast<std::streamsize>(text.size()));
        console_->out.flush();
        if (!console_->out.good()) {
            failure_ = console_->OutFailure();
            return false;
        }
        return true;
    }
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = ::write(fd_, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            failure_ = count < 0 ? SystemReason() : "nothing was written";
            // Cut the part that was written: a row without its end would read as a whole one.
            [[maybe_unused]] const int cut = ::ftruncate(fd_, size_);
            return false;
        }
        written += static_cast<std::size_t>(count);
    }
    size_ += static_cast<std::int64_t>(text.size());
    return true;
}

std::vector<std::string> SplitLogCells(std::string_view line) {
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            cells.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            cells.emplace_back();
        } else {
            cells.back() += c;
        }
    }
    return cells;
}

}  // namespace tavr
