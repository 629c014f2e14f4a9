#include "NtlmAuthenticateMessage.h"

#include "ByteView.h"
#include "NtlmChallenge.h"
#include "text/Utf16Text.h"

namespace brellow::tdsserver {

namespace {

constexpr std::size_t headerSize = 64;
constexpr std::uint32_t negotiateUnicode = 0x00000001;

// A (length, maximum length, offset) triple pointing into the message.
std::optional<std::vector<std::uint8_t>> field(const ByteView& view, std::size_t at) {
    const auto length = view.u16le(at);
    const auto offset = view.u32le(at + 4);
    if (!length || !offset) {
        return std::nullopt;
    }
    return view.slice(*offset, *length);
}

} // namespace

std::optional<NtlmAuthenticateMessage>
NtlmAuthenticateMessage::parse(const std::vector<std::uint8_t>& token) {
    const ByteView view(token);
    if (!NtlmChallenge::isAuthenticate(token) || !view.has(0, headerSize)) {
        return std::nullopt;
    }
    NtlmAuthenticateMessage message;
    message.flags = *view.u32le(60);
    auto lm = field(view, 12);
    auto nt = field(view, 20);
    const auto domain = field(view, 28);
    const auto user = field(view, 36);
    const auto workstation = field(view, 44);
    if (!lm || !nt || !domain || !user || !workstation) {
        return std::nullopt;
    }
    message.lmResponse = std::move(*lm);
    message.ntResponse = std::move(*nt);
    const auto text = [&message](const std::vector<std::uint8_t>& bytes) {
        if (message.flags & negotiateUnicode) {
            return text::Utf16Text::fromLittleEndian(bytes);
        }
        // OEM text: only its ASCII part has one meaning.
        std::string out;
        for (const std::uint8_t byte : bytes) {
            out += byte < 0x80 ? static_cast<char>(byte) : '?';
        }
        return out;
    };
    message.domain = text(*domain);
    message.user = text(*user);
    message.workstation = text(*workstation);
    return message;
}

} // namespace brellow::tdsserver
