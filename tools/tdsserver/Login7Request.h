#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brellow::tdsserver {

// The fields of a LOGIN7 message this server looks at.
struct Login7Request {
    std::uint32_t tdsVersion = 0;
    std::uint32_t packetSize = 0;
    bool integratedSecurity = false;
    std::string hostName;
    std::string userName;
    std::string password; // already de-obfuscated
    std::string appName;
    std::string serverName;
    std::string libraryName;
    std::string language;
    std::string database;
    std::vector<std::uint8_t> sspi;

    // Parses the message; answers nothing when a length or an offset does not fit.
    static std::optional<Login7Request> parse(const std::vector<std::uint8_t>& payload);
    // Clients scramble each password byte by swapping its nibbles and XOR-ing it with 0xA5.
    static std::uint8_t unscramblePasswordByte(std::uint8_t byte);
    static std::uint8_t scramblePasswordByte(std::uint8_t byte);
};

} // namespace brellow::tdsserver
