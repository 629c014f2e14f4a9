#include "PreloginExchange.h"

#include "ByteView.h"
#include "ByteWriter.h"

namespace brellow::tdsserver {

namespace {

enum Option : std::uint8_t {
    Version = 0x00,
    Encryption = 0x01,
    InstOpt = 0x02,
    Mars = 0x04,
    Terminator = 0xFF,
};

constexpr int maxOptions = 64;

} // namespace

PreloginExchange::Negotiation PreloginExchange::negotiate(EncryptionSetting server,
                                                          std::optional<std::uint8_t> client) {
    const std::uint8_t offered = client.value_or(encryptOff);
    const bool clientCannot = offered == encryptNotSupported;
    const bool clientWants = offered == encryptOn || offered == encryptRequired;
    switch (server) {
    case EncryptionSetting::Unsupported:
        // A client that insists sees this answer and leaves by itself.
        return {encryptNotSupported, Protection::None};
    case EncryptionSetting::Off:
        if (clientCannot) {
            return {encryptNotSupported, Protection::None};
        }
        return clientWants ? Negotiation{encryptOn, Protection::Full}
                           : Negotiation{encryptOff, Protection::LoginOnly};
    case EncryptionSetting::On:
        return clientCannot ? Negotiation{encryptRequired, Protection::Refused}
                            : Negotiation{encryptOn, Protection::Full};
    case EncryptionSetting::Required:
        if (clientCannot) {
            return {encryptRequired, Protection::Refused};
        }
        return clientWants ? Negotiation{encryptOn, Protection::Full}
                           : Negotiation{encryptRequired, Protection::Full};
    }
    return {};
}

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

std::vector<std::uint8_t> PreloginExchange::serverAnswer(const ServerAnswer& answer) {
    const std::uint16_t optionCount = answer.mars ? 4 : 3;
    const std::uint16_t tableSize = static_cast<std::uint16_t>(optionCount * 5 + 1);
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
    if (answer.mars) {
        out.u8(Mars);
        out.u16be(tableSize + 8);
        out.u16be(1);
    }
    out.u8(Terminator);
    out.u8(answer.major);
    out.u8(answer.minor);
    out.u16be(answer.build);
    out.u16be(0); // sub-build
    out.u8(answer.encryption);
    out.u8(0); // INSTOPT: the default instance, as asked
    if (answer.mars) {
        out.u8(0);
    }
    return out.take();
}

} // namespace brellow::tdsserver
