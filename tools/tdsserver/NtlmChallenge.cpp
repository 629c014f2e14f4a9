#include "NtlmChallenge.h"

#include "ByteView.h"
#include "ByteWriter.h"
#include "text/Utf16Text.h"

#include <cstring>

namespace brellow::tdsserver {

namespace {

constexpr char signature[8] = {'N', 'T', 'L', 'M', 'S', 'S', 'P', '\0'};

bool hasType(const std::vector<std::uint8_t>& token, std::uint32_t type) {
    const ByteView view(token);
    return view.has(0, 12) && std::memcmp(token.data(), signature, sizeof signature) == 0 &&
           view.u32le(8) == type;
}

enum Flags : std::uint32_t {
    NegotiateUnicode = 0x00000001,
    RequestTarget = 0x00000004,
    NegotiateNtlm = 0x00000200,
    AlwaysSign = 0x00008000,
    TargetTypeDomain = 0x00010000,
    ExtendedSessionSecurity = 0x00080000,
    TargetInfo = 0x00800000,
    Negotiate128 = 0x20000000,
    Negotiate56 = 0x80000000,
};

enum AvId : std::uint16_t {
    EndOfList = 0,
    NbComputerName = 1,
    NbDomainName = 2,
};

void avPair(ByteWriter& out, AvId id, const std::vector<std::uint8_t>& value) {
    out.u16le(id);
    out.u16le(static_cast<std::uint16_t>(value.size()));
    out.raw(value);
}

std::vector<std::uint8_t> utf16Bytes(const std::string& text) {
    return text::Utf16Text::toLittleEndian(text::Utf16Text::fromUtf8(text.substr(0, 64)));
}

} // namespace

bool NtlmChallenge::isNegotiate(const std::vector<std::uint8_t>& token) {
    return hasType(token, 1);
}

bool NtlmChallenge::isAuthenticate(const std::vector<std::uint8_t>& token) {
    return hasType(token, 3);
}

std::vector<std::uint8_t> NtlmChallenge::targetInfo(const std::string& domain,
                                                    const std::string& computer) {
    ByteWriter info;
    avPair(info, NbDomainName, utf16Bytes(domain));
    avPair(info, NbComputerName, utf16Bytes(computer));
    avPair(info, EndOfList, {});
    return info.take();
}

std::vector<std::uint8_t> NtlmChallenge::challenge(const std::string& domain,
                                                   const std::string& computer,
                                                   const std::vector<std::uint8_t>& nonce) {
    const std::vector<std::uint8_t> target = utf16Bytes(domain);
    const std::vector<std::uint8_t> info = targetInfo(domain, computer);

    constexpr std::uint32_t headerSize = 48;
    const auto targetOffset = headerSize;
    const auto infoOffset = static_cast<std::uint32_t>(headerSize + target.size());

    ByteWriter out;
    out.raw(reinterpret_cast<const std::uint8_t*>(signature), sizeof signature);
    out.u32le(2);
    out.u16le(static_cast<std::uint16_t>(target.size()));
    out.u16le(static_cast<std::uint16_t>(target.size()));
    out.u32le(targetOffset);
    out.u32le(NegotiateUnicode | RequestTarget | NegotiateNtlm | AlwaysSign | TargetTypeDomain |
              ExtendedSessionSecurity | TargetInfo | Negotiate128 | Negotiate56);
    for (std::size_t k = 0; k < 8; ++k) {
        out.u8(k < nonce.size() ? nonce[k] : 0);
    }
    out.u32le(0); // reserved
    out.u32le(0);
    out.u16le(static_cast<std::uint16_t>(info.size()));
    out.u16le(static_cast<std::uint16_t>(info.size()));
    out.u32le(infoOffset);
    out.raw(target);
    out.raw(info);
    return out.take();
}

} // namespace brellow::tdsserver
