#include "serial/value_bytes.h"

#include <bit>
#include <cstddef>

namespace tavr {
namespace {

ByteSet LittleEndian(std::uint64_t bits, std::size_t width) {
    ByteSet bytes(width);
    for (std::size_t i = 0; i < width; ++i) {
        bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
    return bytes;
}

struct BytesOf {
    std::optional<ByteSet> operator()(std::uint8_t v) const { return LittleEndian(v, 1); }
    std::optional<ByteSet> operator()(std::int16_t v) const {
        return LittleEndian(static_cast<std::uint16_t>(v), 2);
    }
    std::optional<ByteSet> operator()(std::int32_t v) const {
        return LittleEndian(static_cast<std::uint32_t>(v), 4);
    }
    std::optional<ByteSet> operator()(std::int64_t v) const {
        return LittleEndian(static_cast<std::uint64_t>(v), 8);
    }
    std::optional<ByteSet> operator()(float v) const {
        return LittleEndian(std::bit_cast<std::uint32_t>(v), 4);
    }
    std::optional<ByteSet> operator()(double v) const {
        return LittleEndian(std::bit_cast<std::uint64_t>(v), 8);
    }
    std::optional<ByteSet> operator()(Boolean v) const { return (*this)(v.value); }
    std::optional<ByteSet> operator()(DateTime v) const { return (*this)(v.days); }
    std::optional<ByteSet> operator()(const Text& v) const { return ByteSet(v.begin(), v.end()); }
    std::optional<ByteSet> operator()(const ByteSet& v) const { return v; }
    std::optional<ByteSet> operator()(const TextArray&) const { return std::nullopt; }
    std::optional<ByteSet> operator()(const Int32Array&) const { return std::nullopt; }
    std::optional<ByteSet> operator()(std::monostate) const { return std::nullopt; }
};

}  // namespace

std::optional<ByteSet> BytesOfValue(const Value& value) {
    return std::visit(BytesOf{}, value);
}

}  // namespace tavr
