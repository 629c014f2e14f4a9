#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace brellow::tdsserver {

// One line per client message, shared by all connections and flushed line by line so a
// test can read it while the server runs. Without a file it does nothing.
class WireLog {
public:
    WireLog() = default;
    ~WireLog();
    WireLog(const WireLog&) = delete;
    WireLog& operator=(const WireLog&) = delete;

    // Creates (truncates) the file. False when it cannot be opened.
    bool open(const std::string& path);
    // "conn=N NAME len=L[ fields][ text=TEXT]"
    void message(std::uint64_t connection, std::string_view name, std::size_t length,
                 std::string_view fields = {}, std::string_view text = {}, bool hasText = false);

    // Name of a client packet type: PRELOGIN, LOGIN7, SQLBATCH, RPC, ATTENTION, ...
    static std::string typeName(std::uint8_t type);
    // The text on one line: backslash, CR, LF, tab and other control characters escaped
    // (\\ \r \n \t \xHH); everything else, UTF-8 included, unchanged.
    static std::string escape(std::string_view text);
    // A field value as one word: escaped, and spaces written as \x20.
    static std::string word(std::string_view text);

private:
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
};

} // namespace brellow::tdsserver
