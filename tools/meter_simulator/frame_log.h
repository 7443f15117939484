#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace tavr::simulator {

// The log of the bytes on the line, one line per frame:
//   <seconds since start> <rx|tx> <hex bytes> [(note)]
// and one line per event of the line ("<seconds> hangup"). Very long frames are shortened.
class FrameLog {
  public:
    FrameLog() = default;
    ~FrameLog();
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    // "-" logs to standard output, an empty destination logs nothing, anything else names a
    // file that is replaced. On failure returns false with a reason.
    bool Open(const std::string& destination, std::string& error);

    void Frame(std::string_view direction, std::span<const std::uint8_t> bytes,
               std::string_view note = {});
    void Event(std::string_view text);

  private:
    void Line(const std::string& text);

    std::FILE* file_ = nullptr;
    bool ownsFile_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace tavr::simulator
