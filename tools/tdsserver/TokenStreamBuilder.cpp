#include "TokenStreamBuilder.h"

#include "ByteView.h"
#include "text/Utf16Text.h"

#include <algorithm>

namespace brellow::tdsserver {

namespace {

enum Token : std::uint8_t {
    ColMetadata = 0x81,
    Error = 0xAA,
    Info = 0xAB,
    LoginAck = 0xAD,
    Row = 0xD1,
    EnvChange = 0xE3,
    Sspi = 0xED,
    Done = 0xFD,
    DoneProc = 0xFE,
};

enum DataType : std::uint8_t {
    Int4 = 0x38,
    IntN = 0x26,
    SqlVariant = 0x62,
    NVarChar = 0xE7,
};

constexpr std::uint32_t variantMaxLength = 8016;
// SERVERPROPERTY answers are nvarchar(128).
constexpr std::uint16_t nvarcharMaxBytes = 256;

// A cut length runs further past what is sent than the DONE answering a cancel (9 bytes) can
// fill, so that answer never completes it. A cut name announces the most characters a name can
// have and brings at most half of them.
constexpr std::uint8_t cutNameAnnounced = 0xFF;
constexpr std::size_t cutNameSent = 0x7F;
constexpr std::size_t cutValueMissing = 1000; // bytes

std::uint16_t clampU16(std::size_t n) {
    return static_cast<std::uint16_t>(std::min<std::size_t>(n, 0xFFFF));
}

} // namespace

const std::vector<std::uint8_t>& TokenStreamBuilder::defaultCollation() {
    static const std::vector<std::uint8_t> collation{0x09, 0x04, 0xD0, 0x00, 0x34};
    return collation;
}

TokenStreamBuilder::TokenStreamBuilder(std::string serverName, std::uint32_t tdsVersion)
    : serverName_(std::move(serverName)), wide_(tdsVersion >= 0x72090002) {}

void TokenStreamBuilder::envChange(EnvChangeType type, std::string_view newValue,
                                   std::string_view oldValue) {
    ByteWriter body;
    body.u8(type);
    body.bVarchar(newValue);
    body.bVarchar(oldValue);
    out_.u8(EnvChange);
    out_.u16le(clampU16(body.size()));
    out_.raw(body.bytes());
}

void TokenStreamBuilder::envChangeCollation(const std::vector<std::uint8_t>& collation) {
    ByteWriter body;
    body.u8(SqlCollation);
    body.bVarbyte(collation);
    body.bVarbyte({});
    out_.u8(EnvChange);
    out_.u16le(clampU16(body.size()));
    out_.raw(body.bytes());
}

void TokenStreamBuilder::message(std::uint8_t token, std::uint32_t number, std::uint8_t state,
                                 std::uint8_t severity, std::string_view text, std::uint16_t line) {
    ByteWriter body;
    body.u32le(number);
    body.u8(state);
    body.u8(severity);
    body.usVarchar(text.substr(0, 4000));
    body.bVarchar(serverName_);
    body.bVarchar(""); // procedure name
    body.u16le(line);  // two bytes before TDS 7.2
    out_.u8(token);
    out_.u16le(clampU16(body.size()));
    out_.raw(body.bytes());
}

void TokenStreamBuilder::info(std::uint32_t number, std::uint8_t state, std::uint8_t severity,
                              std::string_view text) {
    message(Info, number, state, severity, text, 1);
}

void TokenStreamBuilder::error(std::uint32_t number, std::uint8_t state, std::uint8_t severity,
                               std::string_view text, std::uint16_t line) {
    message(Error, number, state, severity, text, line);
}

void TokenStreamBuilder::loginAck(std::uint32_t tdsVersion, std::string_view programName,
                                  std::uint8_t major, std::uint8_t minor, std::uint16_t build) {
    ByteWriter body;
    body.u8(1); // interface: SQL_TSQL
    body.u32be(tdsVersion);
    body.bVarchar(programName);
    body.u8(major);
    body.u8(minor);
    body.u16be(build);
    out_.u8(LoginAck);
    out_.u16le(clampU16(body.size()));
    out_.raw(body.bytes());
}

void TokenStreamBuilder::sspi(const std::vector<std::uint8_t>& data) {
    out_.u8(Sspi);
    out_.u16le(clampU16(data.size()));
    out_.raw(data.data(), std::min<std::size_t>(data.size(), 0xFFFF));
}

void TokenStreamBuilder::doneToken(std::uint8_t token, std::uint16_t status, std::uint16_t command,
                                   std::uint32_t rowCount) {
    out_.u8(token);
    lastDoneStatusAt_ = out_.size();
    hasDone_ = true;
    out_.u16le(status);
    out_.u16le(command);
    out_.u32le(rowCount);
    if (wide_) {
        out_.u32le(0); // the high half of eight bytes
    }
}

void TokenStreamBuilder::done(std::uint16_t status, std::uint16_t command, std::uint32_t rowCount) {
    doneToken(Done, status, command, rowCount);
}

void TokenStreamBuilder::markLastDoneFinal() {
    if (!hasDone_) {
        return;
    }
    const ByteView view(out_.bytes());
    const std::uint16_t status = view.u16le(lastDoneStatusAt_).value_or(0);
    out_.patchU16le(lastDoneStatusAt_, static_cast<std::uint16_t>(status & ~DoneMore));
}

void TokenStreamBuilder::doneProc(std::uint16_t status, std::uint16_t command,
                                  std::uint32_t rowCount) {
    doneToken(DoneProc, status, command, rowCount);
}

void TokenStreamBuilder::columnMetadata(const std::vector<ResultSet::Column>& columns,
                                        bool cutLastName) {
    out_.u8(ColMetadata);
    out_.u16le(clampU16(columns.size()));
    for (const auto& column : columns) {
        if (wide_) {
            out_.u32le(0); // user type
        } else {
            out_.u16le(0);
        }
        out_.u16le(0x0001); // flags: nullable
        switch (column.type) {
        case ResultSet::ColumnType::Variant:
            out_.u8(SqlVariant);
            out_.u32le(variantMaxLength);
            break;
        case ResultSet::ColumnType::NVarChar:
            out_.u8(NVarChar);
            out_.u16le(8000);
            out_.raw(defaultCollation());
            break;
        case ResultSet::ColumnType::Int:
            out_.u8(IntN);
            out_.u8(4);
            break;
        }
        if (cutLastName && &column == &columns.back()) {
            std::u16string units = text::Utf16Text::fromUtf8(column.name);
            units.resize(std::min(units.size(), cutNameSent));
            out_.u8(cutNameAnnounced);
            out_.raw(text::Utf16Text::toLittleEndian(units));
        } else {
            out_.bVarchar(column.name);
        }
    }
}

bool TokenStreamBuilder::row(const std::vector<ResultSet::Column>& columns,
                             const std::vector<ResultSet::Value>& values, bool cutLastText) {
    const auto valueAt = [&values](std::size_t i) {
        return i < values.size() ? values[i] : ResultSet::Value::null();
    };
    std::size_t cutAt = columns.size();
    for (std::size_t i = 0; cutLastText && i < columns.size(); ++i) {
        if (columns[i].type != ResultSet::ColumnType::Int && valueAt(i).text) {
            cutAt = i;
        }
    }
    out_.u8(Row);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const ResultSet::Value value = valueAt(i);
        const std::size_t missing = i == cutAt ? cutValueMissing : 0;
        std::vector<std::uint8_t> text;
        if (value.text) {
            std::u16string units = text::Utf16Text::fromUtf8(*value.text);
            units.resize(std::min<std::size_t>(units.size(), 4000));
            text = text::Utf16Text::toLittleEndian(units);
        }
        switch (columns[i].type) {
        case ResultSet::ColumnType::Variant:
            if (value.isNull()) {
                out_.u32le(0);
            } else if (value.text) {
                const std::uint16_t maxBytes =
                    std::max<std::uint16_t>(nvarcharMaxBytes, clampU16(text.size()));
                out_.u32le(static_cast<std::uint32_t>(2 + 7 + text.size() + missing));
                out_.u8(NVarChar);
                out_.u8(7); // property bytes: collation and maximum length
                out_.raw(defaultCollation());
                out_.u16le(maxBytes);
                out_.raw(text);
            } else {
                out_.u32le(2 + 4);
                out_.u8(Int4);
                out_.u8(0);
                out_.u32le(static_cast<std::uint32_t>(*value.number));
            }
            break;
        case ResultSet::ColumnType::NVarChar:
            if (!value.text) {
                out_.u16le(0xFFFF);
            } else {
                out_.u16le(clampU16(text.size() + missing));
                out_.raw(text);
            }
            break;
        case ResultSet::ColumnType::Int:
            if (!value.number) {
                out_.u8(0);
            } else {
                out_.u8(4);
                out_.u32le(static_cast<std::uint32_t>(*value.number));
            }
            break;
        }
        if (i == cutAt) {
            return true;
        }
    }
    return false;
}

void TokenStreamBuilder::resultSet(const ResultSet& result, std::uint16_t extraDoneStatus,
                                   Cut cut) {
    bool cutHere = cut == Cut::ColumnName && !result.columns.empty();
    columnMetadata(result.columns, cutHere);
    for (std::size_t r = 0; r < result.rows.size() && !cutHere; ++r) {
        const bool last = r + 1 == result.rows.size();
        cutHere = row(result.columns, result.rows[r], cut == Cut::TextValue && last);
    }
    if (cutHere) {
        isCut_ = true;
        return;
    }
    done(static_cast<std::uint16_t>(DoneCount | extraDoneStatus), commandSelect,
         static_cast<std::uint32_t>(result.rows.size()));
}

} // namespace brellow::tdsserver
