#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace brellow::tdsserver {

// Bounds-checked reads from a received message: every read of bytes that are not there
// answers nothing instead of reading past the end.
class ByteView {
public:
    explicit ByteView(const std::vector<std::uint8_t>& bytes)
        : data_(bytes.data()), size_(bytes.size()) {}
    ByteView(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t size() const { return size_; }
    const std::uint8_t* data() const { return data_; }
    bool has(std::size_t offset, std::size_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    std::optional<std::uint8_t> u8(std::size_t offset) const;
    std::optional<std::uint16_t> u16le(std::size_t offset) const;
    std::optional<std::uint16_t> u16be(std::size_t offset) const;
    std::optional<std::uint32_t> u32le(std::size_t offset) const;
    std::optional<std::uint32_t> u32be(std::size_t offset) const;
    // Copies of [offset, offset + length), or nothing when out of bounds.
    std::optional<std::vector<std::uint8_t>> slice(std::size_t offset, std::size_t length) const;

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

} // namespace brellow::tdsserver
