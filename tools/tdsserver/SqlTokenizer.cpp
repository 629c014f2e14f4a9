#include "SqlTokenizer.h"

#include <cctype>

namespace brellow::tdsserver {

namespace {

bool isWordStart(unsigned char c) {
    return std::isalpha(c) || c == '_' || c == '@' || c == '#' || c >= 0x80;
}

bool isWordPart(unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '@' || c == '#' || c == '$' || c >= 0x80;
}

} // namespace

bool SqlTokenizer::Token::isWord(std::string_view upperKeyword) const {
    if (kind != Kind::Word || text.size() != upperKeyword.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != upperKeyword[i]) {
            return false;
        }
    }
    return true;
}

std::vector<SqlTokenizer::Token> SqlTokenizer::tokenize(std::string_view sql,
                                                        std::size_t maxTokens) {
    std::vector<Token> tokens;
    int line = 1;
    std::size_t i = 0;
    const std::size_t n = sql.size();
    auto countLines = [&line](std::string_view part) {
        for (const char c : part) {
            if (c == '\n') {
                ++line;
            }
        }
    };
    while (i < n && tokens.size() < maxTokens) {
        const auto c = static_cast<unsigned char>(sql[i]);
        if (c == '\n') {
            ++line;
            ++i;
            continue;
        }
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            while (i < n && sql[i] != '\n') {
                ++i;
            }
            continue;
        }
        if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            const std::size_t end = sql.find("*/", i + 2);
            const std::size_t stop = end == std::string_view::npos ? n : end + 2;
            countLines(sql.substr(i, stop - i));
            i = stop;
            continue;
        }
        Token token;
        token.line = line;
        if (c == '\'' || ((c == 'N' || c == 'n') && i + 1 < n && sql[i + 1] == '\'')) {
            // 'text' with '' for a quote; N'text' is the same to us.
            i += c == '\'' ? 1 : 2;
            token.kind = Token::Kind::String;
            while (i < n) {
                if (sql[i] == '\'') {
                    if (i + 1 < n && sql[i + 1] == '\'') {
                        token.text.push_back('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (sql[i] == '\n') {
                    ++line;
                }
                token.text.push_back(sql[i++]);
            }
        } else if (c == '[' || c == '"') {
            const char close = c == '[' ? ']' : '"';
            ++i;
            token.kind = Token::Kind::Word;
            while (i < n && sql[i] != close) {
                token.text.push_back(sql[i++]);
            }
            if (i < n) {
                ++i;
            }
            countLines(token.text);
        } else if (std::isdigit(c)) {
            token.kind = Token::Kind::Number;
            while (i < n && (std::isdigit(static_cast<unsigned char>(sql[i])) || sql[i] == '.')) {
                token.text.push_back(sql[i++]);
            }
        } else if (isWordStart(c)) {
            token.kind = Token::Kind::Word;
            while (i < n && isWordPart(static_cast<unsigned char>(sql[i]))) {
                token.text.push_back(sql[i++]);
            }
        } else {
            token.kind = Token::Kind::Symbol;
            token.text.push_back(sql[i++]);
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

} // namespace brellow::tdsserver
