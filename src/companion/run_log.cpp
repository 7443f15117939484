#include "companion/run_log.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "companion/reading_formats.h"
#include "companion/register_address.h"

namespace tavr {

namespace {

// The first line of an existing file, without its line break; empty for a missing or empty
// file.
std::string FirstLine(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string line;
    std::getline(file, line);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

// Whether the file ends without a line break: a row cut off by a kill.
bool EndsMidLine(std::FILE* file) {
    if (std::fseek(file, -1, SEEK_END) != 0) {
        return false;
    }
    const int last = std::fgetc(file);
    std::fseek(file, 0, SEEK_END);
    return last != '\n' && last != EOF;
}

}  // namespace

std::string RunLog::Header(const std::vector<std::uint16_t>& registers,
                           const RegisterCatalogue& catalogue) {
    std::string header = "time";
    for (const std::uint16_t address : registers) {
        const Text unit = catalogue.Entry(address).unit;
        header += "," + CsvField(RegisterName(address) + (unit.empty() ? "" : " " + unit));
    }
    return header;
}

bool RunLog::Open(const std::string& path, const std::string& header, std::ostream& standardOutput,
                  std::string& error) {
    if (path.empty()) {
        stream_ = &standardOutput;
        return WriteLine(header);
    }
    const std::string existing = FirstLine(path);
    if (!existing.empty() && existing != header) {
        error = path + " holds a log of other registers (" + existing + ")";
        return false;
    }
    file_.reset(std::fopen(path.c_str(), "a+"));
    if (file_ == nullptr) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::fseek(file_.get(), 0, SEEK_END);
    // A new or empty file gets the header; so does a pipe, which has no size to tell.
    if (std::ftell(file_.get()) <= 0) {
        return WriteLine(header) || (error = "cannot write " + path, false);
    }
    // Start on a line of its own after a row that a kill cut off.
    if (EndsMidLine(file_.get()) && std::fputc('\n', file_.get()) == EOF) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool RunLog::WriteRow(const std::string& timestamp, const RegisterReadings& readings,
                      const std::vector<std::uint16_t>& registers,
                      const RegisterCatalogue& catalogue) {
    std::string row = timestamp;
    for (const std::uint16_t address : registers) {
        row += "," + NumberText(readings[address], catalogue);
    }
    return WriteLine(row);
}

bool RunLog::WriteLine(const std::string& line) {
    const std::string text = line + "\n";
    if (stream_ != nullptr) {
        stream_->write(text.data(), static_cast<std::streamsize>(text.size()));
        stream_->flush();
        return stream_->good();
    }
    return std::fwrite(text.data(), 1, text.size(), file_.get()) == text.size() &&
           std::fflush(file_.get()) == 0;
}

}  // namespace tavr
