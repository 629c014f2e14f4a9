#pragma once

#include "ServerOptions.h"
#include "SqlTokenizer.h"
#include "TokenStreamBuilder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brellow::tdsserver {

// Answers SQL batches as SQL Server 2000 would, for the statements a
// version check needs: SELECTs of SERVERPROPERTY(...) and a few @@ functions, SET and USE.
// Anything else gets SQL Server 2000's error for it.
class BatchResponder {
public:
    explicit BatchResponder(const ServerOptions& options);

    // Who the session logged in as: what SUSER_SNAME() and SYSTEM_USER answer.
    void setLoginName(std::string name) { loginName_ = std::move(name); }
    // The TDS version the login acknowledged, which the replies' tokens follow.
    void setTdsVersion(std::uint32_t version) { tdsVersion_ = version; }

    // The token stream answering one batch of SQL text. `cut`, when given, tells whether the
    // fault mode cut the reply short inside a result set.
    std::vector<std::uint8_t> answerBatch(std::string_view sql, bool* cut = nullptr) const;
    // The token stream answering an RPC request message.
    std::vector<std::uint8_t> answerRpc(const std::vector<std::uint8_t>& payload) const;

    // The batch text of a SQLBATCH message: UTF-16LE after the ALL_HEADERS block, which
    // only clients speaking TDS 7.2 or later put in front.
    static std::string batchText(const std::vector<std::uint8_t>& payload);
    // The procedure name of an RPC request; a well-known procedure sent by number is named.
    static std::string rpcName(const std::vector<std::uint8_t>& payload);

private:
    using Token = SqlTokenizer::Token;
    using Tokens = std::vector<Token>;

    // Why a statement failed. Errors SQL Server finds while compiling (syntax, unknown
    // functions and columns) stop the whole batch before anything runs; the others (unknown
    // objects, procedures, databases) end it where they occur.
    struct Failure {
        std::uint32_t number = 0;
        std::uint8_t state = 1;
        std::uint8_t severity = 16;
        std::string text;
        std::uint16_t line = 1;
        bool atCompile = false;
    };
    using Outcome = std::optional<Failure>;

    // Writes the reply to the statement starting at tokens[pos]; advances pos past it.
    Outcome statement(const Tokens& tokens, std::size_t& pos, bool firstInBatch,
                      TokenStreamBuilder& out) const;
    Outcome select(const Tokens& tokens, std::size_t& pos, TokenStreamBuilder& out) const;
    Outcome use(const Tokens& tokens, std::size_t& pos, TokenStreamBuilder& out) const;
    ResultSet::Value serverProperty(std::string_view name) const;
    static bool isStatementStart(const Token& token);
    static bool isStatementEnd(const Tokens& tokens, std::size_t pos);
    static void skipStatement(const Tokens& tokens, std::size_t& pos);
    static Failure syntaxError(const Tokens& tokens, std::size_t pos);
    static Failure compileError(std::uint32_t number, std::uint8_t state, std::string text,
                                const Tokens& tokens, std::size_t pos);
    static Failure runError(std::uint32_t number, std::uint8_t state, std::string text,
                            const Tokens& tokens, std::size_t pos);

    ServerOptions options_;
    std::string loginName_;
    std::uint32_t tdsVersion_ = TokenStreamBuilder::tds71;
};

} // namespace brellow::tdsserver
