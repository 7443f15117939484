#pragma once

#include <windows.h>

#include <string>

#include "serial/serial_port_core.h"

namespace tavr {

// The serial port unit on Windows. Port number n is the device \\.\COMn, opened exclusively
// (no sharing) for overlapped I/O and configured from the properties; a watcher thread
// (CommWatcher) reads every byte and performs the writes. The window's unit hands each byte
// over as the port's waits bring it; the companion's batches a reply's bytes.
class Win32SerialPortUnit final : public SerialPortCore {
  public:
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

    // How the watcher hands over a reply that comes a byte at a time: as the port's bytes come,
    // or in batches (the first bytes at once, the rest when the line falls quiet, a full reply's
    // worth has come or the flood limit has passed).
    enum class ReplyDelivery { AsTheBytesCome, Batched };

    explicit Win32SerialPortUnit(QueueReadyPoster postQueueReady, SerialQueueBounds bounds = {},
                                 ReplyDelivery delivery = ReplyDelivery::AsTheBytesCome);

    SerialOpenResult Open(const SerialPortProperties& properties) override;

    const OpenFailure& LastOpenFailure() const { return lastOpenFailure_; }

  private:
    bool Fail(OpenFailure::Step step);
    // The reason the user is told for the last failed Open.
    SerialOpenResult DescribeLastFailure() const;
    bool Configure(HANDLE port, const SerialPortProperties& properties);

    const ReplyDelivery delivery_;
    OpenFailure lastOpenFailure_;
};

}  // namespace tavr
