#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace brellow::tdsserver {

// Appends the integer and string encodings TDS messages are made of.
class ByteWriter {
public:
    void u8(std::uint8_t value) { bytes_.push_back(value); }
    void u16le(std::uint16_t value);
    void u16be(std::uint16_t value);
    void u32le(std::uint32_t value);
    void u32be(std::uint32_t value);
    void raw(const std::vector<std::uint8_t>& bytes);
    void raw(const std::uint8_t* bytes, std::size_t size);
    // The text as UTF-16LE, no length prefix.
    void utf16(std::string_view utf8);
    // One-byte length in characters, then UTF-16LE; longer text is cut at 255 units.
    void bVarchar(std::string_view utf8);
    // Two-byte length in characters, then UTF-16LE; longer text is cut at 65535 units.
    void usVarchar(std::string_view utf8);
    // One-byte length in bytes, then the bytes.
    void bVarbyte(const std::vector<std::uint8_t>& bytes);

    void patchU16le(std::size_t offset, std::uint16_t value);
    void patchU32le(std::size_t offset, std::uint32_t value);

    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace brellow::tdsserver
