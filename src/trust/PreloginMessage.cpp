#include "PreloginMessage.h"

#include <cstddef>

namespace brellow::trust {
namespace {

enum Option : std::uint8_t {
    Version = 0x00,
    Encryption = 0x01,
    Instance = 0x02,
    ThreadId = 0x03,
    Terminator = 0xFF,
};

} // namespace

std::vector<std::uint8_t> PreloginMessage::request() {
    // Four option headers of five bytes and the terminator come before the data.
    constexpr std::uint16_t kDataStart = 4 * 5 + 1;
    struct Entry {
        Option option;
        std::vector<std::uint8_t> data;
    };
    const Entry entries[] = {
        {Version, {0x09, 0x00, 0x00, 0x00, 0x00, 0x00}}, // version 9.0.0, sub-build 0
        {Encryption, {kEncryptOn}},
        {Instance, {0x00}}, // the default instance: any instance may answer
        {ThreadId, {0x00, 0x00, 0x00, 0x00}},
    };
    std::vector<std::uint8_t> header;
    std::vector<std::uint8_t> data;
    for (const Entry& entry : entries) {
        const auto offset = static_cast<std::uint16_t>(kDataStart + data.size());
        const auto length = static_cast<std::uint16_t>(entry.data.size());
        header.insert(header.end(), {entry.option, static_cast<std::uint8_t>(offset >> 8),
                                     static_cast<std::uint8_t>(offset & 0xFF),
                                     static_cast<std::uint8_t>(length >> 8),
                                     static_cast<std::uint8_t>(length & 0xFF)});
        data.insert(data.end(), entry.data.begin(), entry.data.end());
    }
    header.push_back(Terminator);
    header.insert(header.end(), data.begin(), data.end());
    return header;
}

std::optional<std::uint8_t> PreloginMessage::encryption(const std::vector<std::uint8_t>& answer) {
    for (std::size_t at = 0; at + 5 <= answer.size(); at += 5) {
        if (answer[at] == Terminator) {
            return std::nullopt;
        }
        const std::size_t offset = (std::size_t{answer[at + 1]} << 8) | answer[at + 2];
        const std::size_t length = (std::size_t{answer[at + 3]} << 8) | answer[at + 4];
        if (offset + length > answer.size()) {
            return std::nullopt;
        }
        if (answer[at] == Encryption && length >= 1) {
            return answer[offset];
        }
    }
    return std::nullopt;
}

} // namespace brellow::trust
