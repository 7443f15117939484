#pragma once

#include <string>

namespace tavr::simulator {

// A pseudo-terminal pair standing for the serial line. The program opens the slave device; the
// simulator talks through the master. The simulator keeps a slave descriptor of its own open,
// so the master does not see a hang-up when the program closes its end, and so the line
// settings that the program sets can be read. The slave keeps the settings the kernel gives a
// new terminal, as a port that nobody has configured yet.
//
// A real port forgets exclusive use (TIOCEXCL) at its last close. Because the simulator's own
// descriptor keeps this one from ever being closed last, it forgets exclusive use whenever a
// program closes a descriptor of the slave instead, so the program can open the port again.
class PseudoTerminal {
  public:
    PseudoTerminal() = default;
    ~PseudoTerminal() { Close(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Creates a new pair, closing any previous one. On failure returns false with a reason.
    bool Open(std::string& error);

    // Closes both ends: the program's open slave descriptor sees the line hang up.
    void Close();

    // Readable when a program has closed a descriptor of the slave device.
    int CloseWatch() const { return closeWatch_; }

    // Takes the close notices and ends exclusive use of the slave.
    void ForgetExclusiveUse();

    bool IsOpen() const { return master_ >= 0; }
    int Master() const { return master_; }  // non-blocking
    int Slave() const { return slave_; }
    const std::string& SlavePath() const { return slavePath_; }

  private:
    int master_ = -1;
    int slave_ = -1;
    int closeWatch_ = -1;
    std::string slavePath_;
};

}  // namespace tavr::simulator
