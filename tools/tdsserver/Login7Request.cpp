#include "Login7Request.h"

#include "ByteView.h"
#include "text/Utf16Text.h"

namespace brellow::tdsserver {

namespace {

constexpr std::size_t fixedPartSize = 36;
constexpr std::uint8_t integratedSecurityFlag = 0x80;

// Offset/length pairs (length in characters) after the fixed part.
enum FieldOffset : std::size_t {
    HostName = 36,
    UserName = 40,
    Password = 44,
    AppName = 48,
    ServerName = 52,
    LibraryName = 60,
    Language = 64,
    Database = 68,
    Sspi = 78,
};

std::optional<std::vector<std::uint8_t>> fieldBytes(const ByteView& view, std::size_t pairAt,
                                                    bool lengthInBytes) {
    const auto offset = view.u16le(pairAt);
    const auto length = view.u16le(pairAt + 2);
    if (!offset || !length) {
        // Older clients send a shorter header; a missing pair is an empty field.
        return std::vector<std::uint8_t>{};
    }
    const std::size_t bytes = lengthInBytes ? *length : std::size_t{*length} * 2;
    if (bytes == 0) {
        return std::vector<std::uint8_t>{};
    }
    return view.slice(*offset, bytes);
}

} // namespace

std::uint8_t Login7Request::unscramblePasswordByte(std::uint8_t byte) {
    const std::uint8_t x = byte ^ 0xA5;
    return static_cast<std::uint8_t>((x << 4) | (x >> 4));
}

std::uint8_t Login7Request::scramblePasswordByte(std::uint8_t byte) {
    const std::uint8_t swapped = static_cast<std::uint8_t>((byte << 4) | (byte >> 4));
    return swapped ^ 0xA5;
}

std::optional<Login7Request> Login7Request::parse(const std::vector<std::uint8_t>& payload) {
    const ByteView view(payload);
    const auto declaredLength = view.u32le(0);
    if (!declaredLength || payload.size() < fixedPartSize + 4 * 9 ||
        *declaredLength > payload.size()) {
        return std::nullopt;
    }
    Login7Request login;
    login.tdsVersion = *view.u32le(4);
    login.packetSize = *view.u32le(8);
    login.integratedSecurity = (*view.u8(25) & integratedSecurityFlag) != 0;

    struct TextField {
        std::size_t pairAt;
        std::string* target;
    };
    const TextField textFields[] = {
        {HostName, &login.hostName},       {UserName, &login.userName},
        {AppName, &login.appName},         {ServerName, &login.serverName},
        {LibraryName, &login.libraryName}, {Language, &login.language},
        {Database, &login.database},
    };
    for (const auto& field : textFields) {
        const auto bytes = fieldBytes(view, field.pairAt, false);
        if (!bytes) {
            return std::nullopt;
        }
        *field.target = text::Utf16Text::fromLittleEndian(*bytes);
    }

    auto password = fieldBytes(view, Password, false);
    if (!password) {
        return std::nullopt;
    }
    for (auto& byte : *password) {
        byte = unscramblePasswordByte(byte);
    }
    login.password = text::Utf16Text::fromLittleEndian(*password);

    if (login.integratedSecurity) {
        auto sspi = fieldBytes(view, Sspi, true);
        if (!sspi) {
            return std::nullopt;
        }
        login.sspi = std::move(*sspi);
    }
    return login;
}

} // namespace brellow::tdsserver
