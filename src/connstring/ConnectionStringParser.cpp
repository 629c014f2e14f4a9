#include "connstring/ConnectionStringParser.h"

#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "text/CaseInsensitive.h"

#include <algorithm>

namespace brellow::connstring {
namespace {

constexpr const char* kMalformed = "Format of the initialization string is not valid.";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string trim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

[[noreturn]] void malformed() {
    throw ado::DbError(ado::errors::kBadConnectionString, kMalformed);
}

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool atEnd() const { return pos_ >= text_.size(); }

    void skipBlanksAndSeparators() {
        while (!atEnd() && (isBlank(text_[pos_]) || text_[pos_] == ';')) {
            ++pos_;
        }
    }

    // Up to the first single "=", with "==" standing for "=".
    std::string readKeyword() {
        std::string keyword;
        while (true) {
            if (atEnd() || text_[pos_] == ';') {
                malformed(); // a keyword without "=" and value
            }
            const char c = text_[pos_];
            if (c == '=') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '=') {
                    keyword.push_back('=');
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                break;
            }
            keyword.push_back(c);
            ++pos_;
        }
        std::string trimmed = trim(keyword);
        if (trimmed.empty()) {
            malformed();
        }
        return trimmed;
    }

    std::string readValue() {
        while (!atEnd() && isBlank(text_[pos_])) {
            ++pos_;
        }
        if (!atEnd() && (text_[pos_] == '\'' || text_[pos_] == '"')) {
            return readQuotedValue(text_[pos_]);
        }
        const std::size_t begin = pos_;
        while (!atEnd() && text_[pos_] != ';') {
            ++pos_;
        }
        return trim(text_.substr(begin, pos_ - begin));
    }

private:
    std::string readQuotedValue(char quote) {
        ++pos_;
        std::string value;
        while (true) {
            if (atEnd()) {
                malformed(); // unterminated quote
            }
            const char c = text_[pos_++];
            if (c != quote) {
                value.push_back(c);
                continue;
            }
            if (!atEnd() && text_[pos_] == quote) {
                value.push_back(quote);
                ++pos_;
                continue;
            }
            break;
        }
        // Only blanks may follow the closing quote before the separator.
        while (!atEnd() && isBlank(text_[pos_])) {
            ++pos_;
        }
        if (!atEnd() && text_[pos_] != ';') {
            malformed();
        }
        return value;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace

std::vector<ConnectionStringPair> ConnectionStringParser::parse(std::string_view text) {
    std::vector<ConnectionStringPair> pairs;
    Reader reader(text);
    while (true) {
        reader.skipBlanksAndSeparators();
        if (reader.atEnd()) {
            break;
        }
        std::string keyword = reader.readKeyword();
        std::string value = reader.readValue();
        auto existing = std::find_if(pairs.begin(), pairs.end(), [&](const auto& pair) {
            return text::equalsIgnoringCase(pair.keyword, keyword);
        });
        if (existing == pairs.end()) {
            pairs.push_back(ConnectionStringPair{std::move(keyword), std::move(value)});
        } else if (!text::equalsIgnoringCase(keyword, "Provider")) {
            existing->value = std::move(value);
        }
    }
    return pairs;
}

std::string ConnectionStringParser::quoteValue(std::string_view value) {
    const bool needsQuotes =
        !value.empty() &&
        (isBlank(value.front()) || isBlank(value.back()) || value.front() == '\'' ||
         value.front() == '"' || value.front() == '=' || value.find(';') != std::string_view::npos);
    if (!needsQuotes) {
        return std::string(value);
    }
    const char quote = value.find('"') == std::string_view::npos ? '"' : '\'';
    std::string quoted(1, quote);
    for (const char c : value) {
        quoted.push_back(c);
        if (c == quote) {
            quoted.push_back(quote);
        }
    }
    quoted.push_back(quote);
    return quoted;
}

std::string ConnectionStringParser::escapeKeyword(std::string_view keyword) {
    std::string escaped;
    for (const char c : keyword) {
        escaped.push_back(c);
        if (c == '=') {
            escaped.push_back('=');
        }
    }
    return escaped;
}

} // namespace brellow::connstring
