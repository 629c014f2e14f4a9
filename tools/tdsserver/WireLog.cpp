#include "WireLog.h"

namespace brellow::tdsserver {

WireLog::~WireLog() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool WireLog::open(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
}

void WireLog::message(std::uint64_t connection, std::string_view name, std::size_t length,
                      std::string_view fields, std::string_view text, bool hasText) {
    std::string line = "conn=" + std::to_string(connection) + " " + std::string(name) +
                       " len=" + std::to_string(length);
    if (!fields.empty()) {
        line += ' ';
        line += fields;
    }
    if (hasText) {
        line += " text=";
        line += escape(text);
    }
    line += '\n';
    std::lock_guard lock(mutex_);
    if (file_ == nullptr) {
        return;
    }
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
}

std::string WireLog::typeName(std::uint8_t type) {
    switch (type) {
    case 0x01:
        return "SQLBATCH";
    case 0x02:
        return "LOGIN";
    case 0x03:
        return "RPC";
    case 0x06:
        return "ATTENTION";
    case 0x07:
        return "BULKLOAD";
    case 0x0E:
        return "TRANSACTION";
    case 0x10:
        return "LOGIN7";
    case 0x11:
        return "SSPI";
    case 0x12:
        return "PRELOGIN";
    default: {
        static constexpr char digits[] = "0123456789ABCDEF";
        return std::string("TYPE_0x") + digits[type >> 4] + digits[type & 0x0F];
    }
    }
}

std::string WireLog::escape(std::string_view text) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 0x0F];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string WireLog::word(std::string_view text) {
    std::string out;
    for (const char c : escape(text)) {
        if (c == ' ') {
            out += "\\x20";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace brellow::tdsserver
