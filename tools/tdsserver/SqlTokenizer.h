#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brellow::tdsserver {

// Splits T-SQL text into words, literals and symbols, enough to recognise the few
// statements the test server answers. Never fails: anything unknown becomes a symbol.
class SqlTokenizer {
public:
    struct Token {
        enum class Kind { Word, String, Number, Symbol };
        Kind kind = Kind::Symbol;
        std::string text; // a string literal's content, a bracketed name without brackets
        int line = 1;

        bool isSymbol(char c) const {
            return kind == Kind::Symbol && text.size() == 1 && text[0] == c;
        }
        // Case-insensitive comparison of a word with an upper-case keyword.
        bool isWord(std::string_view upperKeyword) const;
    };

    // At most maxTokens tokens are returned; the rest of a huge batch is ignored.
    static std::vector<Token> tokenize(std::string_view sql, std::size_t maxTokens = 100000);
};

} // namespace brellow::tdsserver
