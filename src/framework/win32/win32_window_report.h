#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "framework/win32/win32_window_peer.h"

namespace tavr {

// A test aid: what the native windows show, written as JSON to a file so that an end-to-end
// test reads positions, texts, ticks, selections and table cells instead of pixels. It only
// reads the windows; the program behaves the same with or without it. The report is replaced
// atomically, and only when it has changed.
class Win32WindowReport {
  public:
    // The file named by the environment variable kVariable, if it is set.
    static constexpr wchar_t kVariable[] = L"TAVR_WINDOW_REPORT";
    static std::optional<Win32WindowReport> FromEnvironment();

    explicit Win32WindowReport(std::filesystem::path file) : file_(std::move(file)) {}

    void Write(const Win32WindowPeer& window);

  private:
    std::filesystem::path file_;
    std::string written_;
};

// The report's text for `window`.
std::string DescribeWindow(const Win32WindowPeer& window);

}  // namespace tavr
