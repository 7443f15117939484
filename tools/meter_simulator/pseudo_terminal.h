#pragma once

#include <string>

namespace tavr::simulator {

// A pseudo-terminal pair standing for the serial line. The program opens the slave device; the
// simulator talks through the master. The simulator keeps a slave descriptor of its own open,
// so the master does not see a hang-up when the program closes its end, and so the line
// settings that the program sets can be read. The slave keeps the settings the kernel gives a
// new terminal, as a port that nobody has configured yet.
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

    bool IsOpen() const { return master_ >= 0; }
    int Master() const { return master_; }  // non-blocking
    int Slave() const { return slave_; }
    const std::string& SlavePath() const { return slavePath_; }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace tavr::simulator
