#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tavr {

// A fuzz input read front to back as small typed values. Past the end every read gives zeros or
// the empty text, so a target never looks outside the input and every input is a valid script.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    bool Empty() const { return rest_.empty(); }

    std::uint8_t Byte() { return static_cast<std::uint8_t>(Take(1).empty() ? 0 : last_[0]); }

    std::uint16_t Uint16() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }

    std::int32_t Int32() {
        std::uint32_t bits = 0;
        for (unsigned shift = 0; shift < 32; shift += 8) {
            bits |= static_cast<std::uint32_t>(Byte()) << shift;
        }
        return static_cast<std::int32_t>(bits);
    }

    // Any bit pattern, infinities and not-a-number included.
    double Double() {
        std::uint64_t bits = 0;
        for (unsigned shift = 0; shift < 64; shift += 8) {
            bits |= static_cast<std::uint64_t>(Byte()) << shift;
        }
        double value = 0.0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // A length byte (taken modulo `maximum` + 1), then that many bytes, fewer at the end.
    std::string_view Chars(std::size_t maximum) {
        const std::size_t length = Byte() % (maximum + 1);
        return Take(length);
    }

    // Everything not read yet.
    std::string_view Rest() { return Take(rest_.size()); }

  private:
    std::string_view Take(std::size_t count) {
        last_ = rest_.substr(0, std::min(count, rest_.size()));
        rest_.remove_prefix(last_.size());
        return last_;
    }

    std::string_view rest_;
    std::string_view last_;
};

}  // namespace tavr
