#include "serial/win32/win32_serial_port_unit.h"

#include <array>
#include <cctype>
#include <string>

#include "serial/win32/com_device_path.h"
#include "serial/win32/comm_watcher.h"
#include "serial/win32/line_settings.h"
#include "serial/win32/unique_handle.h"

namespace tavr {
namespace {

// The system's own words for `error`, with its number, e.g. "The parameter is incorrect, system
// error 87"; only the number when the system has no words for it.
std::string SystemMessage(DWORD error) {
    std::array<char, 512> buffer{};
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                         0, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
    std::string words(buffer.data(), length);
    while (!words.empty() &&
           (std::isspace(static_cast<unsigned char>(words.back())) != 0 || words.back() == '.')) {
        words.pop_back();
    }
    const std::string number = "system error " + std::to_string(error);
    return words.empty() ? number : words + ", " + number;
}

}  // namespace

Win32SerialPortUnit::Win32SerialPortUnit(QueueReadyPoster postQueueReady, SerialQueueBounds bounds,
                                         ReplyDelivery delivery)
    : SerialPortCore(std::move(postQueueReady), bounds), delivery_(delivery) {}

SerialOpenResult Win32SerialPortUnit::Open(const SerialPortProperties& properties) {
    Close();
    lastOpenFailure_ = {};
    if (properties.PortNumber() < 1) {
        return {SerialOpenError::BadPortNumber, {}, {}};
    }
    lastOpenFailure_.device = ComDevicePath(properties.PortNumber());
    // No sharing: a port another program holds cannot be opened, and none can open it while
    // this unit holds it.
    UniqueHandle port(::CreateFileW(lastOpenFailure_.device.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!port.Valid()) {
        Fail(OpenFailure::Step::OpenDevice);
        return DescribeLastFailure();
    }
    if (!Configure(port.Get(), properties)) {
        return DescribeLastFailure();
    }
    ::PurgeComm(port.Get(), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    WatcherOptions options = WatcherOptions::Of(properties);
    options.batchReplies = delivery_ == ReplyDelivery::Batched;
    std::unique_ptr<CommWatcher> watcher = CommWatcher::Start(std::move(port), Queue(), options);
    if (!watcher) {
        Fail(OpenFailure::Step::StartWatcher);
        return DescribeLastFailure();
    }
    Watch(std::move(watcher));
    return {};
}

SerialOpenResult Win32SerialPortUnit::DescribeLastFailure() const {
    using Step = OpenFailure::Step;
    const OpenFailure& failure = lastOpenFailure_;
    // The device path is plain ASCII ("\\.\COMn").
    SerialOpenResult result{SerialOpenError::SystemError,
                            std::string(failure.device.begin(), failure.device.end()),
                            SystemMessage(failure.error)};
    if (failure.step == Step::OpenDevice) {
        switch (failure.error) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
                result.error = SerialOpenError::NoDevice;
                result.detail.clear();
                break;
            // Windows refuses a second open of a port with access denied.
            case ERROR_ACCESS_DENIED:
            case ERROR_SHARING_VIOLATION:
                result.error = SerialOpenError::InUse;
                result.detail.clear();
                break;
            default:
                break;
        }
    } else if (failure.step == Step::WriteLineState) {
        result.error = SerialOpenError::LineSettingsRefused;
    }
    return result;
}

bool Win32SerialPortUnit::Configure(HANDLE port, const SerialPortProperties& properties) {
    COMMTIMEOUTS timeouts = LineTimeouts(properties);
    if (!::SetCommTimeouts(port, &timeouts)) {
        return Fail(OpenFailure::Step::SetTimeouts);
    }
    if (!::SetCommMask(port, LineEventMask(properties))) {
        return Fail(OpenFailure::Step::SetEventMask);
    }
    DCB state{};
    state.DCBlength = sizeof state;
    if (!::GetCommState(port, &state)) {
        return Fail(OpenFailure::Step::ReadLineState);
    }
    ApplyLineSettings(properties, state);
    if (!::SetCommState(port, &state)) {
        return Fail(OpenFailure::Step::WriteLineState);
    }
    return true;
}

bool Win32SerialPortUnit::Fail(OpenFailure::Step step) {
    lastOpenFailure_.step = step;
    lastOpenFailure_.error = ::GetLastError();
    return false;
}

}  // namespace tavr
