#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brellow::testsupport {

// A deliberately separate, minimal TDS 7.1 client for testing the test server over a real
// socket: it encodes requests and decodes replies itself rather than sharing the server's
// code, so a mistake on one side is not mirrored on the other.
class TdsTestClient {
public:
    struct ServerMessage {
        std::uint32_t number = 0;
        std::uint8_t state = 0;
        std::uint8_t severity = 0;
        std::string text;
        std::uint16_t line = 0;
    };
    struct EnvChange {
        std::uint8_t type = 0;
        std::string newValue; // text changes; a collation is kept as its byte count
        std::string oldValue;
        std::vector<std::uint8_t> newBytes;
    };
    struct Done {
        std::uint8_t token = 0;
        std::uint16_t status = 0;
        std::uint16_t command = 0;
        std::uint32_t rowCount = 0;
    };
    struct Column {
        std::string name;
        std::uint8_t type = 0;
    };
    struct LoginAck {
        std::uint32_t tdsVersion = 0;
        std::string programName;
        std::uint8_t major = 0, minor = 0;
        std::uint16_t build = 0;
    };
    // A decoded reply message; values are text (numbers as decimal text), NULL as nothing.
    struct Reply {
        bool decoded = false; // every token was understood
        std::vector<std::uint8_t> raw;
        std::vector<ServerMessage> errors;
        std::vector<ServerMessage> infos;
        std::vector<EnvChange> envChanges;
        std::optional<LoginAck> loginAck;
        std::vector<std::uint8_t> sspi;
        std::vector<Column> columns;
        std::vector<std::vector<std::optional<std::string>>> rows;
        std::vector<Done> dones;
        // For a sql_variant value: the base type byte of each value of the last row.
        std::vector<std::uint8_t> variantBaseTypes;
    };
    enum class Outcome { Reply, Closed, TimedOut };

    TdsTestClient() = default;
    ~TdsTestClient();
    TdsTestClient(const TdsTestClient&) = delete;
    TdsTestClient& operator=(const TdsTestClient&) = delete;

    bool connectTo(std::uint16_t port, int timeoutMs = 5000);
    void close();

    // Sends a message split into packets of at most packetSize bytes.
    bool send(std::uint8_t type, const std::vector<std::uint8_t>& payload,
              std::size_t packetSize = 4096);
    bool sendRaw(const std::vector<std::uint8_t>& bytes);
    // Waits at most timeoutMs for one whole reply message.
    Outcome receive(Reply& reply, int timeoutMs = 5000);

    // PRELOGIN, then LOGIN7 with a SQL login; the login reply lands in reply.
    Outcome login(const std::string& user, const std::string& password, Reply& reply,
                  const std::string& database = {});
    Outcome query(const std::string& sql, Reply& reply, std::size_t packetSize = 4096);

    static std::vector<std::uint8_t> preloginMessage(std::uint8_t encryption = 0);
    static std::vector<std::uint8_t> login7Message(const std::string& user,
                                                   const std::string& password,
                                                   const std::string& database = {},
                                                   const std::vector<std::uint8_t>& sspi = {});
    static std::vector<std::uint8_t> utf16(const std::string& ascii);
    static Reply decode(const std::vector<std::uint8_t>& tokens);

    static constexpr std::uint8_t sqlBatch = 0x01;
    static constexpr std::uint8_t attention = 0x06;
    static constexpr std::uint8_t login7 = 0x10;
    static constexpr std::uint8_t sspiMessage = 0x11;
    static constexpr std::uint8_t prelogin = 0x12;

private:
    bool readExactly(std::uint8_t* buffer, std::size_t size, int timeoutMs, bool& timedOut);

    int socket_ = -1;
};

} // namespace brellow::testsupport
