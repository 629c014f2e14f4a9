#include "PreloginExchange.h"

#include "ByteView.h"
#include "ByteWriter.h"

namespace brellow::tdsserver {

namespace {

enum Option : std::uint8_t {
    Version = 0x00,
    Encryption = 0x01,
    InstOpt = 0x02,
    Terminator = 0xFF,
};

constexpr int maxOptions = 64;

} // namespace

std::optional<PreloginExchange::ClientOffer>
PreloginExchange::parseClient(const std::vector<std::uint8_t>& payload) {
    const ByteView view(payload);
    ClientOffer offer;
    std::size_t pos = 0;
    for (int count = 0; count < maxOptions; ++count) {
        const auto token = view.u8(pos);
        if (!token) {
            return std::nullopt;
        }
        if (*token == Terminator) {
            return offer;
        }
        const auto offset = view.u16be(pos + 1);
        const auto length = view.u16be(pos + 3);
        if (!offset || !length || !view.has(*offset, *length)) {
            return std::nullopt;
        }
        if (*token == Encryption && *length >= 1) {
            offer.encryption = view.u8(*offset);
        } else if (*token == Version && *length >= 4) {
            offer.version = view.u32be(*offset);
        }
        pos += 5;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> PreloginExchange::serverAnswer() {
    constexpr std::uint16_t optionCount = 3;
    constexpr std::uint16_t tableSize = optionCount * 5 + 1;
    ByteWriter out;
    out.u8(Version);
    out.u16be(tableSize);
    out.u16be(6);
    out.u8(Encryption);
    out.u16be(tableSize + 6);
    out.u16be(1);
    out.u8(InstOpt);
    out.u16be(tableSize + 7);
    out.u16be(1);
    out.u8(Terminator);
    // 8.0.2039, sub-build 0
    out.u8(8);
    out.u8(0);
    out.u16be(2039);
    out.u16be(0);
    out.u8(encryptNotSupported);
    out.u8(0); // INSTOPT: the default instance, as asked
    return out.take();
}

} // namespace brellow::tdsserver
