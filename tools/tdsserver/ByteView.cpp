#include "ByteView.h"

namespace brellow::tdsserver {

std::optional<std::uint8_t> ByteView::u8(std::size_t offset) const {
    if (!has(offset, 1)) {
        return std::nullopt;
    }
    return data_[offset];
}

std::optional<std::uint16_t> ByteView::u16le(std::size_t offset) const {
    if (!has(offset, 2)) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
}

std::optional<std::uint16_t> ByteView::u16be(std::size_t offset) const {
    if (!has(offset, 2)) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>((data_[offset] << 8) | data_[offset + 1]);
}

std::optional<std::uint32_t> ByteView::u32le(std::size_t offset) const {
    if (!has(offset, 4)) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        value |= static_cast<std::uint32_t>(data_[offset + k]) << (8 * k);
    }
    return value;
}

std::optional<std::uint32_t> ByteView::u32be(std::size_t offset) const {
    if (!has(offset, 4)) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        value = (value << 8) | data_[offset + k];
    }
    return value;
}

std::optional<std::vector<std::uint8_t>> ByteView::slice(std::size_t offset,
                                                         std::size_t length) const {
    if (!has(offset, length)) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(data_ + offset, data_ + offset + length);
}

} // namespace brellow::tdsserver
