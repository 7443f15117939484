#pragma once

#include <filesystem>
#include <string>

namespace tavr::simulator {

// $XDG_CONFIG_HOME/TAVR_12864/dosdevices/com<n>, with $XDG_CONFIG_HOME falling back to
// ~/.config: the symbolic link that makes a device COM port n.
std::filesystem::path ComLinkPath(int com);

// The COM port link of one pseudo-terminal. It replaces a link left behind (by a simulator that
// was killed, say) but never a file that is not a link, and it removes the link on destruction
// only while the link still points at its own device.
class ComLink {
  public:
    ComLink() = default;
    ~ComLink() { Remove(); }
    ComLink(const ComLink&) = delete;
    ComLink& operator=(const ComLink&) = delete;

    // Points `link` at `device`, creating the folders as needed. On failure returns false with
    // a reason.
    bool Create(const std::filesystem::path& link, const std::string& device, std::string& error);

    void Remove();

  private:
    std::filesystem::path link_;
    std::string device_;
};

}  // namespace tavr::simulator
