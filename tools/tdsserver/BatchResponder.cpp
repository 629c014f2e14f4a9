#include "BatchResponder.h"

#include "ByteView.h"
#include "Utf16Codec.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace brellow::tdsserver {

namespace {

constexpr std::uint8_t severityUserError = 16;
constexpr std::uint8_t severitySyntax = 15;

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

bool isReservedAfterItem(const SqlTokenizer::Token& token) {
    static constexpr std::string_view words[] = {"FROM", "WHERE",   "GROUP", "ORDER",  "UNION",
                                                 "INTO", "HAVING",  "SET",   "SELECT", "USE",
                                                 "EXEC", "EXECUTE", "AS"};
    return std::any_of(std::begin(words), std::end(words),
                       [&token](std::string_view w) { return token.isWord(w); });
}

// A dotted object name starting at pos (a.b.c), advancing pos past it.
std::string dottedName(const std::vector<SqlTokenizer::Token>& tokens, std::size_t& pos) {
    std::string name;
    while (pos < tokens.size() && tokens[pos].kind == SqlTokenizer::Token::Kind::Word) {
        name += tokens[pos++].text;
        if (pos < tokens.size() && tokens[pos].isSymbol('.')) {
            name += '.';
            ++pos;
        } else {
            break;
        }
    }
    return name;
}

std::uint16_t lineOf(const std::vector<SqlTokenizer::Token>& tokens, std::size_t pos) {
    if (tokens.empty()) {
        return 1;
    }
    const auto& token = tokens[std::min(pos, tokens.size() - 1)];
    return static_cast<std::uint16_t>(std::clamp(token.line, 1, 0xFFFF));
}

} // namespace

BatchResponder::BatchResponder(const ServerOptions& options) : options_(options) {}

std::string BatchResponder::batchText(const std::vector<std::uint8_t>& payload) {
    const ByteView view(payload);
    std::size_t start = 0;
    // ALL_HEADERS: a total length covering itself and each header's own length. UTF-16
    // text never decodes to such a small, consistent prefix.
    const auto total = view.u32le(0);
    if (total && *total >= 4 && *total <= payload.size()) {
        std::size_t pos = 4;
        bool consistent = true;
        while (pos < *total) {
            const auto headerLength = view.u32le(pos);
            if (!headerLength || *headerLength < 6 || *headerLength > *total - pos) {
                consistent = false;
                break;
            }
            pos += *headerLength;
        }
        if (consistent && pos == *total && *total > 4) {
            start = *total;
        }
    }
    return Utf16Codec::toUtf8(payload.data() + start, payload.size() - start);
}

std::string BatchResponder::rpcName(const std::vector<std::uint8_t>& payload) {
    // Skip ALL_HEADERS the same way as for a batch.
    const ByteView view(payload);
    std::size_t start = 0;
    const auto total = view.u32le(0);
    if (total && *total > 4 && *total < payload.size() && view.u32le(4) &&
        *view.u32le(4) <= *total - 4) {
        start = *total;
    }
    const auto length = view.u16le(start);
    if (!length) {
        return {};
    }
    if (*length == 0xFFFF) {
        const auto id = view.u16le(start + 2);
        return id ? "procid " + std::to_string(*id) : std::string{};
    }
    const std::size_t bytes = std::min<std::size_t>(
        std::size_t{*length} * 2, payload.size() - std::min(payload.size(), start + 2));
    return Utf16Codec::toUtf8(payload.data() + start + 2, bytes);
}

std::vector<std::uint8_t>
BatchResponder::answerRpc(const std::vector<std::uint8_t>& payload) const {
    TokenStreamBuilder out(options_.serverName);
    out.error(2812, 62, severityUserError,
              "Could not find stored procedure '" + rpcName(payload) + "'.");
    out.doneProc(TokenStreamBuilder::DoneError, 0, 0);
    return out.take();
}

std::vector<std::uint8_t> BatchResponder::answerBatch(std::string_view sql) const {
    const Tokens tokens = SqlTokenizer::tokenize(sql);
    TokenStreamBuilder out(options_.serverName);
    if (tokens.empty()) {
        out.done(TokenStreamBuilder::DoneFinal, 0, 0);
        return out.take();
    }
    std::size_t pos = 0;
    bool first = true;
    while (pos < tokens.size()) {
        if (tokens[pos].isSymbol(';')) {
            ++pos;
            continue;
        }
        const std::size_t before = pos;
        if (!statement(tokens, pos, first, out)) {
            return out.take();
        }
        first = false;
        if (pos == before) {
            ++pos; // never loop on a statement that consumed nothing
        }
    }
    // Each statement answered DONE_MORE; the last one ends the reply.
    out.markLastDoneFinal();
    return out.take();
}

bool BatchResponder::isStatementStart(const Token& token) {
    return token.isWord("SELECT") || token.isWord("SET") || token.isWord("USE") ||
           token.isWord("EXEC") || token.isWord("EXECUTE");
}

bool BatchResponder::isStatementEnd(const Tokens& tokens, std::size_t pos) {
    return pos >= tokens.size() || tokens[pos].isSymbol(';') || isStatementStart(tokens[pos]);
}

void BatchResponder::skipStatement(const Tokens& tokens, std::size_t& pos) {
    ++pos;
    while (!isStatementEnd(tokens, pos)) {
        ++pos;
    }
}

void BatchResponder::syntaxError(const Tokens& tokens, std::size_t pos, TokenStreamBuilder& out) {
    const std::uint16_t line = lineOf(tokens, pos);
    const std::string near = pos < tokens.size() ? tokens[pos].text : std::string{};
    out.error(170, 1, severitySyntax,
              "Line " + std::to_string(line) + ": Incorrect syntax near '" + near + "'.", line);
    out.done(TokenStreamBuilder::DoneError, 0, 0);
}

bool BatchResponder::statement(const Tokens& tokens, std::size_t& pos, bool firstInBatch,
                               TokenStreamBuilder& out) const {
    const Token& head = tokens[pos];
    if (head.isWord("SELECT")) {
        return select(tokens, pos, out);
    }
    if (head.isWord("SET")) {
        skipStatement(tokens, pos);
        out.done(TokenStreamBuilder::DoneMore, 0, 0);
        return true;
    }
    if (head.isWord("USE")) {
        return use(tokens, pos, out);
    }
    if (head.isWord("EXEC") || head.isWord("EXECUTE") ||
        (firstInBatch && head.kind == Token::Kind::Word && head.text[0] != '@')) {
        std::size_t namePos = head.isWord("EXEC") || head.isWord("EXECUTE") ? pos + 1 : pos;
        const std::string name = dottedName(tokens, namePos);
        if (name.empty()) {
            syntaxError(tokens, namePos, out);
            return false;
        }
        out.error(2812, 62, severityUserError, "Could not find stored procedure '" + name + "'.",
                  lineOf(tokens, pos));
        out.done(TokenStreamBuilder::DoneError, 0, 0);
        return false;
    }
    syntaxError(tokens, pos, out);
    return false;
}

bool BatchResponder::use(const Tokens& tokens, std::size_t& pos, TokenStreamBuilder& out) const {
    std::size_t namePos = pos + 1;
    if (namePos >= tokens.size() || tokens[namePos].kind != Token::Kind::Word) {
        syntaxError(tokens, namePos, out);
        return false;
    }
    const std::string name = tokens[namePos].text;
    pos = namePos + 1;
    if (lower(name) != lower(options_.database)) {
        out.error(911, 1, severityUserError,
                  "Could not locate entry in sysdatabases for database '" + name +
                      "'. No entry found with that name. Make sure that the name is entered "
                      "correctly.",
                  lineOf(tokens, namePos));
        out.done(TokenStreamBuilder::DoneError, 0, 0);
        return false;
    }
    out.envChange(TokenStreamBuilder::Database, options_.database, options_.database);
    out.info(5701, 1, 0, "Changed database context to '" + options_.database + "'.");
    out.done(TokenStreamBuilder::DoneMore, 0, 0);
    return true;
}

ResultSet::Value BatchResponder::serverProperty(std::string_view name) const {
    const std::string key = lower(name);
    if (key == "productversion") {
        return ResultSet::Value::fromText(options_.version);
    }
    if (key == "productlevel") {
        return ResultSet::Value::fromText(options_.level);
    }
    if (key == "edition") {
        if (options_.fault == FaultMode::NullEdition) {
            return ResultSet::Value::null();
        }
        return ResultSet::Value::fromText(options_.edition);
    }
    if (key == "servername" || key == "machinename") {
        return ResultSet::Value::fromText(options_.serverName);
    }
    if (key == "collation") {
        return ResultSet::Value::fromText("SQL_Latin1_General_CP1_CI_AS");
    }
    if (key == "engineedition") {
        const std::string edition = lower(options_.edition);
        const bool enterprise = edition.find("enterprise") != std::string::npos ||
                                edition.find("developer") != std::string::npos ||
                                edition.find("evaluation") != std::string::npos;
        const bool desktop = edition.find("desktop") != std::string::npos;
        return ResultSet::Value::fromNumber(enterprise ? 3 : desktop ? 4 : 2);
    }
    if (key == "isclustered" || key == "isfulltextinstalled" || key == "isintegratedsecurityonly" ||
        key == "issingleuser") {
        return ResultSet::Value::fromNumber(0);
    }
    // SQL Server answers NULL for a property name it does not know (and for InstanceName
    // on a default instance).
    return ResultSet::Value::null();
}

bool BatchResponder::select(const Tokens& tokens, std::size_t& pos, TokenStreamBuilder& out) const {
    ResultSet result;
    std::vector<ResultSet::Value> values;
    ++pos; // SELECT
    while (true) {
        if (pos >= tokens.size()) {
            syntaxError(tokens, pos, out);
            return false;
        }
        const Token& item = tokens[pos];
        ResultSet::Column column;
        ResultSet::Value value;
        const bool call = pos + 1 < tokens.size() && tokens[pos + 1].isSymbol('(') &&
                          item.kind == Token::Kind::Word;
        if (call && item.isWord("SERVERPROPERTY")) {
            if (options_.fault == FaultMode::Sql7) {
                out.error(195, 10, severitySyntax,
                          "'SERVERPROPERTY' is not a recognized function name.",
                          lineOf(tokens, pos));
                out.done(TokenStreamBuilder::DoneError, 0, 0);
                return false;
            }
            if (pos + 3 >= tokens.size() || tokens[pos + 2].kind != Token::Kind::String ||
                !tokens[pos + 3].isSymbol(')')) {
                syntaxError(tokens, std::min(pos + 2, tokens.size() - 1), out);
                return false;
            }
            column.type = ResultSet::ColumnType::Variant;
            value = serverProperty(tokens[pos + 2].text);
            pos += 4;
        } else if (call) {
            out.error(195, 10, severitySyntax,
                      "'" + item.text + "' is not a recognized function name.",
                      lineOf(tokens, pos));
            out.done(TokenStreamBuilder::DoneError, 0, 0);
            return false;
        } else if (item.kind == Token::Kind::Word && item.text.rfind("@@", 0) == 0) {
            const std::string name = upper(item.text);
            if (name == "@@VERSION") {
                column.type = ResultSet::ColumnType::NVarChar;
                value = ResultSet::Value::fromText(
                    "Microsoft SQL Server  2000 - " + options_.version + " (Intel X86) \n\t" +
                    "Copyright (c) 1988-2003 Microsoft Corporation\n\t" + options_.edition +
                    " on Windows NT 5.2 (Build 3790: Service Pack 2)\n");
            } else if (name == "@@SERVERNAME") {
                column.type = ResultSet::ColumnType::NVarChar;
                value = ResultSet::Value::fromText(options_.serverName);
            } else if (name == "@@LANGUAGE") {
                column.type = ResultSet::ColumnType::NVarChar;
                value = ResultSet::Value::fromText(options_.language);
            } else if (name == "@@SPID") {
                column.type = ResultSet::ColumnType::Int;
                value = ResultSet::Value::fromNumber(51);
            } else if (name == "@@TRANCOUNT") {
                column.type = ResultSet::ColumnType::Int;
                value = ResultSet::Value::fromNumber(0);
            } else {
                out.error(137, 2, severitySyntax, "Must declare the variable '" + item.text + "'.",
                          lineOf(tokens, pos));
                out.done(TokenStreamBuilder::DoneError, 0, 0);
                return false;
            }
            ++pos;
        } else if (item.kind == Token::Kind::Number) {
            std::int32_t number = 0;
            const char* end = item.text.data() + item.text.size();
            const auto [ptr, ec] = std::from_chars(item.text.data(), end, number);
            if (ec != std::errc() || ptr != end) {
                column.type = ResultSet::ColumnType::NVarChar;
                value = ResultSet::Value::fromText(item.text);
            } else {
                column.type = ResultSet::ColumnType::Int;
                value = ResultSet::Value::fromNumber(number);
            }
            ++pos;
        } else if (item.kind == Token::Kind::String) {
            column.type = ResultSet::ColumnType::NVarChar;
            value = ResultSet::Value::fromText(item.text);
            ++pos;
        } else if (item.isSymbol('*')) {
            // Only a table has columns to star: either the FROM below fails, or there is none.
            if (pos + 1 >= tokens.size() || !tokens[pos + 1].isWord("FROM")) {
                out.error(263, 1, severityUserError, "Must specify table to select from.",
                          lineOf(tokens, pos));
                out.done(TokenStreamBuilder::DoneError, 0, 0);
                return false;
            }
            ++pos;
            break;
        } else if (item.kind == Token::Kind::Word && !isReservedAfterItem(item)) {
            out.error(207, 3, severityUserError, "Invalid column name '" + item.text + "'.",
                      lineOf(tokens, pos));
            out.done(TokenStreamBuilder::DoneError, 0, 0);
            return false;
        } else {
            syntaxError(tokens, pos, out);
            return false;
        }

        // [AS] alias
        if (pos < tokens.size() && tokens[pos].isWord("AS")) {
            ++pos;
            if (pos >= tokens.size() || (tokens[pos].kind != Token::Kind::Word &&
                                         tokens[pos].kind != Token::Kind::String)) {
                syntaxError(tokens, pos, out);
                return false;
            }
            column.name = tokens[pos++].text;
        } else if (pos < tokens.size() &&
                   ((tokens[pos].kind == Token::Kind::Word && !isReservedAfterItem(tokens[pos])) ||
                    tokens[pos].kind == Token::Kind::String)) {
            column.name = tokens[pos++].text;
        }
        result.columns.push_back(std::move(column));
        values.push_back(std::move(value));

        if (pos < tokens.size() && tokens[pos].isSymbol(',')) {
            ++pos;
            continue;
        }
        break;
    }

    if (pos < tokens.size() && tokens[pos].isWord("FROM")) {
        ++pos;
        const std::size_t namePos = pos;
        const std::string name = dottedName(tokens, pos);
        if (name.empty()) {
            syntaxError(tokens, namePos, out);
            return false;
        }
        out.error(208, 1, severityUserError, "Invalid object name '" + name + "'.",
                  lineOf(tokens, namePos));
        out.done(TokenStreamBuilder::DoneError, 0, 0);
        return false;
    }
    if (!isStatementEnd(tokens, pos)) {
        syntaxError(tokens, pos, out);
        return false;
    }
    if (options_.fault != FaultMode::NoRows) {
        result.rows.push_back(std::move(values));
    }
    out.resultSet(result, TokenStreamBuilder::DoneMore);
    return true;
}

} // namespace brellow::tdsserver
