#pragma once

#include "ServerOptions.h"
#include "SqlTokenizer.h"
#include "TokenStreamBuilder.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brellow::tdsserver {

// Answers SQL batches and RPC requests as SQL Server 2000 would, for the statements a
// version check needs: SELECTs of SERVERPROPERTY(...) and a few @@ functions, SET and USE.
// Anything else gets SQL Server 2000's error for it.
class BatchResponder {
public:
    explicit BatchResponder(const ServerOptions& options);

    // The token stream answering one batch of SQL text.
    std::vector<std::uint8_t> answerBatch(std::string_view sql) const;
    // The token stream answering an RPC request message.
    std::vector<std::uint8_t> answerRpc(const std::vector<std::uint8_t>& payload) const;

    // The batch text of a SQLBATCH message: UTF-16LE after the ALL_HEADERS block, which
    // only clients speaking TDS 7.2 or later put in front.
    static std::string batchText(const std::vector<std::uint8_t>& payload);
    // The procedure name of an RPC request, or "procid N" for a well-known procedure number.
    static std::string rpcName(const std::vector<std::uint8_t>& payload);

private:
    using Token = SqlTokenizer::Token;
    using Tokens = std::vector<Token>;

    // Writes the reply to the statement starting at tokens[pos]; advances pos past it.
    // Returns false when the statement failed, which ends the batch.
    bool statement(const Tokens& tokens, std::size_t& pos, bool firstInBatch,
                   TokenStreamBuilder& out) const;
    bool select(const Tokens& tokens, std::size_t& pos, TokenStreamBuilder& out) const;
    bool use(const Tokens& tokens, std::size_t& pos, TokenStreamBuilder& out) const;
    ResultSet::Value serverProperty(std::string_view name) const;
    static bool isStatementStart(const Token& token);
    static bool isStatementEnd(const Tokens& tokens, std::size_t pos);
    static void skipStatement(const Tokens& tokens, std::size_t& pos);
    static void syntaxError(const Tokens& tokens, std::size_t pos, TokenStreamBuilder& out);

    ServerOptions options_;
};

} // namespace brellow::tdsserver
