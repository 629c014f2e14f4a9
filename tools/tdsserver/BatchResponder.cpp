#include "BatchResponder.h"

#include "ByteView.h"
#include "text/Utf16Text.h"

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

// Statement keywords the server does not run; a bare word that is none of these starts a
// procedure call, as it does in SQL Server.
bool isKeyword(const SqlTokenizer::Token& token) {
    static constexpr std::string_view words[] = {
        "ALTER",  "CREATE",     "DECLARE", "DELETE",     "DENY",      "DROP",
        "GRANT",  "IF",         "INSERT",  "PRINT",      "RAISERROR", "RETURN",
        "REVOKE", "TRUNCATE",   "UPDATE",  "WHILE",      "WITH",      "GOTO",
        "FETCH",  "OPEN",       "CLOSE",   "DEALLOCATE", "BACKUP",    "RESTORE",
        "DBCC",   "CHECKPOINT", "KILL",    "SHUTDOWN",   "WAITFOR"};
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

TokenStreamBuilder::Cut cutFor(FaultMode fault) {
    switch (fault) {
    case FaultMode::NamePastEnd:
    case FaultMode::NamePastEndFrozen:
        return TokenStreamBuilder::Cut::ColumnName;
    case FaultMode::ValuePastEnd:
    case FaultMode::ValuePastEndFrozen:
        return TokenStreamBuilder::Cut::TextValue;
    default:
        return TokenStreamBuilder::Cut::None;
    }
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
    return text::Utf16Text::fromLittleEndian(payload.data() + start, payload.size() - start);
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
        // Well-known procedures are sent by number.
        static constexpr const char* known[] = {
            "sp_cursor",         "sp_cursoropen",      "sp_cursorprepare", "sp_cursorexecute",
            "sp_cursorprepexec", "sp_cursorunprepare", "sp_cursorfetch",   "sp_cursoroption",
            "sp_cursorclose",    "sp_executesql",      "sp_prepare",       "sp_execute",
            "sp_prepexec",       "sp_prepexecrpc",     "sp_unprepare"};
        if (!id) {
            return {};
        }
        if (*id >= 1 && *id <= std::size(known)) {
            return known[*id - 1];
        }
        return "procid " + std::to_string(*id);
    }
    const std::size_t bytes = std::min<std::size_t>(
        std::size_t{*length} * 2, payload.size() - std::min(payload.size(), start + 2));
    return text::Utf16Text::fromLittleEndian(payload.data() + start + 2, bytes);
}

std::vector<std::uint8_t>
BatchResponder::answerRpc(const std::vector<std::uint8_t>& payload) const {
    TokenStreamBuilder out(options_.serverName, tdsVersion_);
    out.error(2812, 62, severityUserError,
              "Could not find stored procedure '" + rpcName(payload) + "'.");
    out.doneProc(TokenStreamBuilder::DoneError, 0, 0);
    return out.take();
}

std::vector<std::uint8_t> BatchResponder::answerBatch(std::string_view sql, bool* cut) const {
    if (cut != nullptr) {
        *cut = false;
    }
    const Tokens tokens = SqlTokenizer::tokenize(sql);
    TokenStreamBuilder out(options_.serverName, tdsVersion_);
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
        if (const Outcome failure = statement(tokens, pos, first, out)) {
            if (failure->atCompile) {
                out = TokenStreamBuilder(options_.serverName,
                                         tdsVersion_); // nothing of the batch ran
            }
            out.error(failure->number, failure->state, failure->severity, failure->text,
                      failure->line);
            out.done(TokenStreamBuilder::DoneError, 0, 0);
            return out.take();
        }
        if (out.isCut()) {
            // The reply ends inside the result set: nothing after it can be read anyway.
            if (cut != nullptr) {
                *cut = true;
            }
            return out.take();
        }
        first = false;
        if (pos == before) {
            ++pos; // never loop on a statement that consumed nothing
        }
    }
    if (out.empty()) {
        out.done(TokenStreamBuilder::DoneFinal, 0, 0); // only separators and comments
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

BatchResponder::Failure BatchResponder::compileError(std::uint32_t number, std::uint8_t state,
                                                     std::string text, const Tokens& tokens,
                                                     std::size_t pos) {
    Failure failure;
    failure.number = number;
    failure.state = state;
    failure.severity = number == 207 || number == 263 ? severityUserError : severitySyntax;
    failure.text = std::move(text);
    failure.line = lineOf(tokens, pos);
    failure.atCompile = true;
    return failure;
}

BatchResponder::Failure BatchResponder::runError(std::uint32_t number, std::uint8_t state,
                                                 std::string text, const Tokens& tokens,
                                                 std::size_t pos) {
    Failure failure;
    failure.number = number;
    failure.state = state;
    failure.severity = severityUserError;
    failure.text = std::move(text);
    failure.line = lineOf(tokens, pos);
    return failure;
}

BatchResponder::Failure BatchResponder::syntaxError(const Tokens& tokens, std::size_t pos) {
    // At the end of the text SQL Server names the last thing it read.
    const std::size_t at = tokens.empty() ? 0 : std::min(pos, tokens.size() - 1);
    const std::string near = tokens.empty() ? std::string{} : tokens[at].text;
    const std::uint16_t line = lineOf(tokens, at);
    return compileError(170, 1,
                        "Line " + std::to_string(line) + ": Incorrect syntax near '" + near + "'.",
                        tokens, at);
}

BatchResponder::Outcome BatchResponder::statement(const Tokens& tokens, std::size_t& pos,
                                                  bool firstInBatch,
                                                  TokenStreamBuilder& out) const {
    const Token& head = tokens[pos];
    if (head.isWord("SELECT")) {
        return select(tokens, pos, out);
    }
    if (head.isWord("USE")) {
        return use(tokens, pos, out);
    }
    if (head.isWord("SET") || head.isWord("BEGIN") || head.isWord("COMMIT") ||
        head.isWord("ROLLBACK")) {
        // Session settings and transactions: there is nothing to keep or undo here.
        skipStatement(tokens, pos);
        out.done(TokenStreamBuilder::DoneMore, 0, 0);
        return std::nullopt;
    }
    if (isKeyword(head)) {
        return syntaxError(tokens, pos + 1);
    }
    const bool exec = head.isWord("EXEC") || head.isWord("EXECUTE");
    if (exec || (firstInBatch && head.kind == Token::Kind::Word && head.text[0] != '@')) {
        std::size_t namePos = exec ? pos + 1 : pos;
        const std::string name = dottedName(tokens, namePos);
        if (name.empty()) {
            return syntaxError(tokens, namePos);
        }
        return runError(2812, 62, "Could not find stored procedure '" + name + "'.", tokens, pos);
    }
    return syntaxError(tokens, pos);
}

BatchResponder::Outcome BatchResponder::use(const Tokens& tokens, std::size_t& pos,
                                            TokenStreamBuilder& out) const {
    const std::size_t namePos = pos + 1;
    if (namePos >= tokens.size() || tokens[namePos].kind != Token::Kind::Word) {
        return syntaxError(tokens, namePos);
    }
    const std::string name = tokens[namePos].text;
    pos = namePos + 1;
    if (lower(name) != lower(options_.database)) {
        return runError(911, 1,
                        "Could not locate entry in sysdatabases for database '" + name +
                            "'. No entry found with that name. Make sure that the name is "
                            "entered correctly.",
                        tokens, namePos);
    }
    out.envChange(TokenStreamBuilder::Database, options_.database, options_.database);
    out.info(5701, 1, 0, "Changed database context to '" + options_.database + "'.");
    out.done(TokenStreamBuilder::DoneMore, 0, 0);
    return std::nullopt;
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

BatchResponder::Outcome BatchResponder::select(const Tokens& tokens, std::size_t& pos,
                                               TokenStreamBuilder& out) const {
    ResultSet result;
    std::vector<ResultSet::Value> values;
    // A name in the select list is a column only if a table follows; SQL Server looks for
    // the table first.
    Outcome unknownColumn;
    bool star = false;
    ++pos; // SELECT
    while (true) {
        if (pos >= tokens.size()) {
            return syntaxError(tokens, pos);
        }
        const Token& item = tokens[pos];
        ResultSet::Column column;
        ResultSet::Value value;
        const bool call = item.kind == Token::Kind::Word && pos + 1 < tokens.size() &&
                          tokens[pos + 1].isSymbol('(');
        if (call && item.isWord("SERVERPROPERTY")) {
            if (options_.fault == FaultMode::Sql7) {
                return compileError(195, 10, "'SERVERPROPERTY' is not a recognized function name.",
                                    tokens, pos);
            }
            if (pos + 3 >= tokens.size() || tokens[pos + 2].kind != Token::Kind::String ||
                !tokens[pos + 3].isSymbol(')')) {
                return syntaxError(tokens, pos + 2);
            }
            column.type = ResultSet::ColumnType::Variant;
            value = serverProperty(tokens[pos + 2].text);
            pos += 4;
        } else if (call && item.isWord("SUSER_SNAME")) {
            if (pos + 2 >= tokens.size() || !tokens[pos + 2].isSymbol(')')) {
                return syntaxError(tokens, pos + 2);
            }
            column.type = ResultSet::ColumnType::NVarChar;
            value = ResultSet::Value::fromText(loginName_);
            pos += 3;
        } else if (call) {
            return compileError(195, 10, "'" + item.text + "' is not a recognized function name.",
                                tokens, pos);
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
                return compileError(137, 2, "Must declare the variable '" + item.text + "'.",
                                    tokens, pos);
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
            star = true;
            ++pos;
        } else if (item.isWord("SYSTEM_USER")) {
            column.type = ResultSet::ColumnType::NVarChar;
            value = ResultSet::Value::fromText(loginName_);
            ++pos;
        } else if (item.kind == Token::Kind::Word && !isReservedAfterItem(item)) {
            if (!unknownColumn) {
                unknownColumn =
                    compileError(207, 3, "Invalid column name '" + item.text + "'.", tokens, pos);
            }
            std::size_t after = pos;
            dottedName(tokens, after);
            pos = std::max(after, pos + 1);
        } else {
            return syntaxError(tokens, pos);
        }

        // [AS] alias
        if (pos < tokens.size() && tokens[pos].isWord("AS")) {
            ++pos;
            if (pos >= tokens.size() || (tokens[pos].kind != Token::Kind::Word &&
                                         tokens[pos].kind != Token::Kind::String)) {
                return syntaxError(tokens, pos);
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
            return syntaxError(tokens, namePos);
        }
        return runError(208, 1, "Invalid object name '" + name + "'.", tokens, namePos);
    }
    if (!isStatementEnd(tokens, pos)) {
        return syntaxError(tokens, pos);
    }
    if (star) {
        return compileError(263, 1, "Must specify table to select from.", tokens, pos - 1);
    }
    if (unknownColumn) {
        return unknownColumn;
    }
    if (options_.fault != FaultMode::NoRows) {
        result.rows.push_back(std::move(values));
    }
    out.resultSet(result, TokenStreamBuilder::DoneMore, cutFor(options_.fault));
    return std::nullopt;
}

} // namespace brellow::tdsserver
