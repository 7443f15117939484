#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "serial/serial_event_queue.h"
#include "serial/serial_port_device.h"
#include "serial/win32/comm_watcher.h"
#include "serial/win32/unique_handle.h"

namespace tavr {

// The serial port unit on Windows. Port number n is the device \\.\COMn, opened exclusively
// (no sharing) for overlapped I/O and configured from the properties; a watcher thread reads
// every byte and performs the writes, and an event queue is drained on the window thread.
// After the device goes away the unit stays open (IsOpen() is true until Close) but every Send
// fails; Close and a new Open reconnect once the device is back.
class Win32SerialPortUnit final : public SerialPortDevice {
  public:
    // Called with the queue's mutex held, on the watcher thread when entries arrive and none is
    // outstanding, and on the window thread when a delivery leaves entries behind. It must be
    // thread-safe, must not block on the window thread, and arranges for DeliverQueued() to run
    // on the window thread (a posted message). The window thread must not hold a lock the
    // poster takes while it calls DeliverQueued().
    using QueueReadyPoster = std::function<void()>;

    // The step at which the last Open gave up, and the system's error code for it.
    struct OpenFailure {
        enum class Step {
            None,            // the last Open succeeded, or none was tried
            OpenDevice,      // CreateFileW: no such port, in use, or access refused
            SetTimeouts,     // SetCommTimeouts
            SetEventMask,    // SetCommMask
            ReadLineState,   // GetCommState
            WriteLineState,  // SetCommState: a speed or format the driver refuses
            StartWatcher,    // the watcher's signals or thread
        };
        Step step = Step::None;
        DWORD error = ERROR_SUCCESS;
        std::wstring device;  // the device path Open tried
    };

    explicit Win32SerialPortUnit(QueueReadyPoster postQueueReady, SerialQueueBounds bounds = {});
    ~Win32SerialPortUnit() override;  // closes the port
    Win32SerialPortUnit(const Win32SerialPortUnit&) = delete;
    Win32SerialPortUnit& operator=(const Win32SerialPortUnit&) = delete;

    SerialOpenResult Open(const SerialPortProperties& properties) override;
    void Close() override;
    bool IsOpen() const override;
    bool Send(const Value& data) override;
    void DeliverQueued(const EventSink& sink) override;
    // Entries waiting to be taken for delivery.
    std::size_t QueuedEvents();

    const OpenFailure& LastOpenFailure() const { return lastOpenFailure_; }

  private:
    bool Fail(OpenFailure::Step step);
    // The reason the user is told for the last failed Open.
    SerialOpenResult DescribeLastFailure() const;
    bool Configure(const SerialPortProperties& properties);

    SerialEventQueue queue_;
    UniqueHandle port_;
    std::unique_ptr<CommWatcher> watcher_;
    OpenFailure lastOpenFailure_;
};

}  // namespace tavr
