#pragma once

#include <optional>
#include <string>

namespace tavr {

// Sets the time zone (TZ, e.g. "CST-8") for the length of a test, and puts the one before back.
class LocalZone {
  public:
    explicit LocalZone(const char* zone);
    ~LocalZone();
    LocalZone(const LocalZone&) = delete;
    LocalZone& operator=(const LocalZone&) = delete;

  private:
    std::optional<std::string> saved_;
};

}  // namespace tavr
