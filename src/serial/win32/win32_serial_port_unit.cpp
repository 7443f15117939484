#include "serial/win32/win32_serial_port_unit.h"

#include <array>
#include <cctype>
#include <optional>
#include <string>

#include "serial/value_bytes.h"
#include "serial/win32/com_device_path.h"
#include "serial/win32/line_settings.h"

namespace tavr {
namespace {

std::optional<std::uint8_t> EventCharacter(const SerialPortProperties& properties) {
    const Text& text = properties.EventChar();
    if (text.empty() || text.front() == '\0') {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(text.front());
}

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

Win32SerialPortUnit::Win32SerialPortUnit(QueueReadyPoster postQueueReady, SerialQueueBounds bounds)
    : queue_(std::move(postQueueReady), bounds) {}

Win32SerialPortUnit::~Win32SerialPortUnit() {
    Close();
}

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
    port_ = std::move(port);
    if (!Configure(properties)) {
        port_.Reset();
        return DescribeLastFailure();
    }
    ::PurgeComm(port_.Get(), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    watcher_ = CommWatcher::Start(
        port_.Get(), queue_,
        {EventCharacter(properties), properties.Timeout(), properties.BaudRate()});
    if (!watcher_) {
        Fail(OpenFailure::Step::StartWatcher);
        port_.Reset();
        return DescribeLastFailure();
    }
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

bool Win32SerialPortUnit::Configure(const SerialPortProperties& properties) {
    COMMTIMEOUTS timeouts = LineTimeouts(properties);
    if (!::SetCommTimeouts(port_.Get(), &timeouts)) {
        return Fail(OpenFailure::Step::SetTimeouts);
    }
    if (!::SetCommMask(port_.Get(), LineEventMask(properties))) {
        return Fail(OpenFailure::Step::SetEventMask);
    }
    DCB state{};
    state.DCBlength = sizeof state;
    if (!::GetCommState(port_.Get(), &state)) {
        return Fail(OpenFailure::Step::ReadLineState);
    }
    ApplyLineSettings(properties, state);
    if (!::SetCommState(port_.Get(), &state)) {
        return Fail(OpenFailure::Step::WriteLineState);
    }
    return true;
}

bool Win32SerialPortUnit::Fail(OpenFailure::Step step) {
    lastOpenFailure_.step = step;
    lastOpenFailure_.error = ::GetLastError();
    return false;
}

void Win32SerialPortUnit::Close() {
    watcher_.reset();
    port_.Reset();
    queue_.Clear();
}

bool Win32SerialPortUnit::IsOpen() const {
    return watcher_ != nullptr;
}

bool Win32SerialPortUnit::Send(const Value& data) {
    if (!watcher_) {
        return false;
    }
    const std::optional<ByteSet> bytes = BytesOfValue(data);
    if (!bytes) {
        return false;
    }
    // An empty send writes nothing and discards nothing.
    if (bytes->empty()) {
        return true;
    }
    return watcher_->Write(*bytes);
}

void Win32SerialPortUnit::DeliverQueued(const EventSink& sink) {
    // The unit is not touched after the batch is taken: a handler may close or destroy it.
    DeliverBatch(queue_, sink);
}

std::size_t Win32SerialPortUnit::QueuedEvents() {
    return queue_.Size();
}

}  // namespace tavr
