#pragma once

#include "ByteWriter.h"
#include "ResultSet.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brellow::tdsserver {

// Builds the token stream of one server reply in the TDS 7.1 encoding (the one SQL Server
// 2000 speaks): two-byte line numbers in messages, four-byte DONE row counts, two-byte
// column user types.
class TokenStreamBuilder {
public:
    enum EnvChangeType : std::uint8_t {
        Database = 1,
        Language = 2,
        PacketSize = 4,
        SqlCollation = 7,
    };
    enum DoneStatus : std::uint16_t {
        DoneFinal = 0x0000,
        DoneMore = 0x0001,
        DoneError = 0x0002,
        DoneCount = 0x0010,
        DoneAttention = 0x0020,
    };
    static constexpr std::uint16_t commandSelect = 0xC1;
    static constexpr std::uint32_t tds70 = 0x07000000;
    static constexpr std::uint32_t tds71 = 0x71000001;
    // What SQL Server 2012 and later answer a TDS 7.4 client, and every TDS 8.0 one.
    static constexpr std::uint32_t tds74 = 0x74000004;

    // SQL_Latin1_General_CP1_CI_AS: LCID 0x0409 with case, accent-kana-width flags, sort 52.
    static const std::vector<std::uint8_t>& defaultCollation();

    // tdsVersion: the one the login acknowledged, which decides some tokens' widths.
    explicit TokenStreamBuilder(std::string serverName, std::uint32_t tdsVersion = tds71);

    void envChange(EnvChangeType type, std::string_view newValue, std::string_view oldValue);
    void envChangeCollation(const std::vector<std::uint8_t>& collation);
    void info(std::uint32_t number, std::uint8_t state, std::uint8_t severity,
              std::string_view text);
    void error(std::uint32_t number, std::uint8_t state, std::uint8_t severity,
               std::string_view text, std::uint16_t line = 1);
    // Program version bytes: major, minor, build (two bytes, big-endian).
    void loginAck(std::uint32_t tdsVersion, std::string_view programName, std::uint8_t major,
                  std::uint8_t minor, std::uint16_t build);
    void sspi(const std::vector<std::uint8_t>& data);
    void done(std::uint16_t status, std::uint16_t command, std::uint32_t rowCount);
    // The DONE of a remote procedure call.
    void doneProc(std::uint16_t status, std::uint16_t command, std::uint32_t rowCount);
    // Where a result set can be cut short, so that a length in it runs past the end of the
    // reply: in the last column's name, or in the last row's last text value.
    enum class Cut { None, ColumnName, TextValue };
    // COLMETADATA, one ROW per row, then DONE with the row count. Cut short, it ends in the
    // middle of the token the cut names, and isCut() says so (a result set without a text
    // value in its last row is sent whole).
    void resultSet(const ResultSet& result, std::uint16_t extraDoneStatus = 0, Cut cut = Cut::None);
    // Whether a result set was cut short: nothing may follow it.
    bool isCut() const { return isCut_; }

    // Clears DONE_MORE on the last DONE written, making it the end of the reply.
    void markLastDoneFinal();

    bool empty() const { return out_.size() == 0; }
    std::vector<std::uint8_t> take() { return out_.take(); }

private:
    void message(std::uint8_t token, std::uint32_t number, std::uint8_t state,
                 std::uint8_t severity, std::string_view text, std::uint16_t line);
    void columnMetadata(const std::vector<ResultSet::Column>& columns, bool cutLastName);
    // True when it cut the row short at its last text value.
    bool row(const std::vector<ResultSet::Column>& columns,
             const std::vector<ResultSet::Value>& values, bool cutLastText);

    void doneToken(std::uint8_t token, std::uint16_t status, std::uint16_t command,
                   std::uint32_t rowCount);

    std::string serverName_;
    // TDS 7.2 and later: DONE counts rows in eight bytes, COLMETADATA's user type in four.
    bool wide_ = false;
    std::size_t lastDoneStatusAt_ = 0;
    bool hasDone_ = false;
    bool isCut_ = false;
    ByteWriter out_;
};

} // namespace brellow::tdsserver
