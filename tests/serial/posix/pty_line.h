#pragma once

#include <termios.h>

#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/types.h"
#include "serial/posix/serial_port_unit.h"
#include "serial/posix/unique_fd.h"

namespace tavr {

// Points XDG_CONFIG_HOME at a fresh temporary folder for as long as it lives.
class TemporaryConfigHome {
  public:
    TemporaryConfigHome();
    ~TemporaryConfigHome();
    TemporaryConfigHome(const TemporaryConfigHome&) = delete;
    TemporaryConfigHome& operator=(const TemporaryConfigHome&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path LinkFolder() const;
    // Makes com<portNumber> link to `target`, replacing an older link.
    void LinkComPort(int portNumber, const std::filesystem::path& target) const;

  private:
    std::filesystem::path path_;
};

// A pseudo-terminal standing in for the meter's line. The test keeps the master (the meter's
// end) and a descriptor of the slave, whose path the unit opens.
class PtyLine {
  public:
    PtyLine();

    const std::filesystem::path& SlavePath() const { return slavePath_; }
    int Slave() const { return slave_.Get(); }
    void CloseMaster() { master_.Reset(); }

    void WriteFromMeter(const ByteSet& bytes) const;
    // Up to `count` bytes that the unit wrote; stops early when none come for a while.
    ByteSet ReadAtMeter(std::size_t count) const;
    termios LineSettings() const;
    // The smallest number of received bytes that makes the slave readable for poll().
    void SetReadableThreshold(unsigned char bytes) const;

  private:
    UniqueFd master_;
    UniqueFd slave_;
    std::filesystem::path slavePath_;
};

// Plays the window thread: counts the unit's notices and delivers its events on the test thread.
class NoticePump {
  public:
    SerialPortUnit::QueueReadyPoster Poster();
    // Waits until the unit holds `count` entries not yet taken; false if they do not come in time.
    static bool WaitForQueued(SerialPortUnit& unit, std::size_t count);
    // Delivers as notices come until `count` events have been raised or none come in time.
    std::vector<int> Collect(SerialPortUnit& unit, std::size_t count);

    std::size_t Notices() {
        const std::lock_guard lock(mutex_);
        return notices_;
    }

    // The most entries one delivery raised, and the most the unit held before one.
    std::size_t largestDelivery = 0;
    std::size_t largestQueue = 0;

  private:
    std::mutex mutex_;
    std::condition_variable noticed_;
    std::size_t notices_ = 0;
    std::size_t delivered_ = 0;
};

// Events written as numbers, so a failing comparison reads well: a DataArrival as its byte,
// CommEvent(code) as -code.
int Traced(const SerialEvent& event);
std::vector<int> Traced(const ByteSet& received);

// `count` bytes counting up from `first`, wrapping after 255.
ByteSet Bytes(std::size_t count, std::size_t first = 0);

}  // namespace tavr
