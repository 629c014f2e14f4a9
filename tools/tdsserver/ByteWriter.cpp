#include "ByteWriter.h"

#include "text/Utf16Text.h"

#include <algorithm>

namespace brellow::tdsserver {

void ByteWriter::u16le(std::uint16_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
}

void ByteWriter::u16be(std::uint16_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void ByteWriter::u32le(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes_.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

void ByteWriter::u32be(std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes_.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

void ByteWriter::raw(const std::vector<std::uint8_t>& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void ByteWriter::raw(const std::uint8_t* bytes, std::size_t size) {
    bytes_.insert(bytes_.end(), bytes, bytes + size);
}

void ByteWriter::utf16(std::string_view utf8) {
    raw(text::Utf16Text::toLittleEndian(text::Utf16Text::fromUtf8(utf8)));
}

void ByteWriter::bVarchar(std::string_view utf8) {
    std::u16string units = text::Utf16Text::fromUtf8(utf8);
    units.resize(std::min<std::size_t>(units.size(), 0xFF));
    u8(static_cast<std::uint8_t>(units.size()));
    raw(text::Utf16Text::toLittleEndian(units));
}

void ByteWriter::usVarchar(std::string_view utf8) {
    std::u16string units = text::Utf16Text::fromUtf8(utf8);
    units.resize(std::min<std::size_t>(units.size(), 0xFFFF));
    u16le(static_cast<std::uint16_t>(units.size()));
    raw(text::Utf16Text::toLittleEndian(units));
}

void ByteWriter::bVarbyte(const std::vector<std::uint8_t>& bytes) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), 0xFF);
    u8(static_cast<std::uint8_t>(n));
    raw(bytes.data(), n);
}

void ByteWriter::patchU16le(std::size_t offset, std::uint16_t value) {
    bytes_.at(offset) = static_cast<std::uint8_t>(value & 0xFF);
    bytes_.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

void ByteWriter::patchU32le(std::size_t offset, std::uint32_t value) {
    for (std::size_t k = 0; k < 4; ++k) {
        bytes_.at(offset + k) = static_cast<std::uint8_t>((value >> (8 * k)) & 0xFF);
    }
}

} // namespace brellow::tdsserver
