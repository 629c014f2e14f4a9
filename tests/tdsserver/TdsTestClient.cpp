#include "TdsTestClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brellow::testsupport {

namespace {

void put16le(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32le(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

// UTF-16LE bytes to UTF-8 for the BMP (all these tests need).
std::string fromUtf16(const std::uint8_t* p, std::size_t bytes) {
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        const unsigned cp = p[i] | (p[i + 1] << 8);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// Sequential reads that turn every overrun into a failed decode.
class Cursor {
public:
    explicit Cursor(const std::vector<std::uint8_t>& b) : b_(b) {}
    bool ok() const { return ok_; }
    bool atEnd() const { return pos_ >= b_.size(); }
    std::size_t pos() const { return pos_; }
    void seek(std::size_t p) {
        if (p > b_.size()) {
            ok_ = false;
        } else {
            pos_ = p;
        }
    }
    std::uint8_t u8() { return need(1) ? b_[pos_++] : 0; }
    std::uint16_t u16() {
        if (!need(2)) {
            return 0;
        }
        const auto v = static_cast<std::uint16_t>(b_[pos_] | (b_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::uint32_t u32() {
        if (!need(4)) {
            return 0;
        }
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) {
            v = (v << 8) | b_[pos_ + static_cast<std::size_t>(i)];
        }
        pos_ += 4;
        return v;
    }
    std::vector<std::uint8_t> bytes(std::size_t n) {
        if (!need(n)) {
            return {};
        }
        std::vector<std::uint8_t> v(b_.begin() + static_cast<std::ptrdiff_t>(pos_),
                                    b_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
        pos_ += n;
        return v;
    }
    std::string chars(std::size_t count) {
        const auto v = bytes(count * 2);
        return fromUtf16(v.data(), v.size());
    }

private:
    bool need(std::size_t n) {
        if (!ok_ || n > b_.size() - pos_) {
            ok_ = false;
            return false;
        }
        return true;
    }
    const std::vector<std::uint8_t>& b_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

TdsTestClient::ServerMessage readMessage(Cursor& c) {
    TdsTestClient::ServerMessage m;
    const std::size_t end = c.u16() + c.pos();
    m.number = c.u32();
    m.state = c.u8();
    m.severity = c.u8();
    m.text = c.chars(c.u16());
    c.chars(c.u8()); // server
    c.chars(c.u8()); // procedure
    m.line = c.u16();
    if (c.pos() != end) {
        c.seek(static_cast<std::size_t>(-1)); // length disagrees with content
    }
    return m;
}

} // namespace

TdsTestClient::~TdsTestClient() {
    close();
}

void TdsTestClient::close() {
    if (socket_ >= 0) {
        ::close(socket_);
        socket_ = -1;
    }
}

bool TdsTestClient::connectTo(std::uint16_t port, int timeoutMs) {
    close();
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
        return false;
    }
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    ::setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close();
        return false;
    }
    return true;
}

bool TdsTestClient::sendRaw(const std::vector<std::uint8_t>& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(socket_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool TdsTestClient::send(std::uint8_t type, const std::vector<std::uint8_t>& payload,
                         std::size_t packetSize) {
    const std::size_t chunk = packetSize - 8;
    std::size_t offset = 0;
    std::uint8_t id = 1;
    do {
        const std::size_t n = std::min(chunk, payload.size() - offset);
        const bool last = offset + n == payload.size();
        const std::size_t length = n + 8;
        std::vector<std::uint8_t> packet{type,
                                         static_cast<std::uint8_t>(last ? 1 : 0),
                                         static_cast<std::uint8_t>(length >> 8),
                                         static_cast<std::uint8_t>(length),
                                         0,
                                         0,
                                         id++,
                                         0};
        packet.insert(packet.end(), payload.begin() + static_cast<std::ptrdiff_t>(offset),
                      payload.begin() + static_cast<std::ptrdiff_t>(offset + n));
        if (!sendRaw(packet)) {
            return false;
        }
        offset += n;
    } while (offset < payload.size());
    return true;
}

bool TdsTestClient::readExactly(std::uint8_t* buffer, std::size_t size, int timeoutMs,
                                bool& timedOut) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t done = 0;
    while (done < size) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            timedOut = true;
            return false;
        }
        pollfd p{socket_, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready == 0) {
            timedOut = true;
            return false;
        }
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        const ssize_t n = ::recv(socket_, buffer + done, size - done, 0);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

TdsTestClient::Outcome TdsTestClient::receive(Reply& reply, int timeoutMs) {
    std::vector<std::uint8_t> payload;
    while (true) {
        std::uint8_t header[8];
        bool timedOut = false;
        if (!readExactly(header, 8, timeoutMs, timedOut)) {
            return timedOut ? Outcome::TimedOut : Outcome::Closed;
        }
        const std::size_t length = static_cast<std::size_t>((header[2] << 8) | header[3]);
        if (header[0] != 0x04 || length < 8) {
            return Outcome::Closed;
        }
        std::vector<std::uint8_t> body(length - 8);
        if (!readExactly(body.data(), body.size(), timeoutMs, timedOut)) {
            return timedOut ? Outcome::TimedOut : Outcome::Closed;
        }
        payload.insert(payload.end(), body.begin(), body.end());
        if ((header[1] & 0x01) != 0) {
            break;
        }
    }
    reply = decode(payload);
    reply.raw = std::move(payload);
    return Outcome::Reply;
}

std::vector<std::uint8_t> TdsTestClient::utf16(const std::string& text) {
    std::vector<std::uint8_t> out;
    // Decodes UTF-8 (BMP only) into UTF-16LE.
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        unsigned cp = c;
        if (c >= 0xE0 && i + 2 < text.size()) {
            cp = ((c & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
            i += 3;
        } else if (c >= 0xC0 && i + 1 < text.size()) {
            cp = ((c & 0x1F) << 6) | (text[i + 1] & 0x3F);
            i += 2;
        } else {
            ++i;
        }
        put16le(out, static_cast<std::uint16_t>(cp));
    }
    return out;
}

std::vector<std::uint8_t> TdsTestClient::preloginMessage(std::uint8_t encryption) {
    // VERSION (6 bytes) and ENCRYPTION (1 byte) options, then the terminator.
    return {0x00, 0x00, 11, 0x00, 6, 0x01, 0x00, 17, 0x00, 1, 0xFF, 9, 0, 0, 0, 0, 0, encryption};
}

std::vector<std::uint8_t> TdsTestClient::login7Message(const std::string& user,
                                                       const std::string& password,
                                                       const std::string& database,
                                                       const std::vector<std::uint8_t>& sspi) {
    std::vector<std::uint8_t> m;
    put32le(m, 0);          // length, patched below
    put32le(m, 0x71000001); // TDS 7.1
    put32le(m, 4096);
    put32le(m, 7);
    put32le(m, 1234);
    put32le(m, 0);
    m.push_back(0xE0);                       // option flags 1
    m.push_back(sspi.empty() ? 0x03 : 0x83); // option flags 2: ODBC, and integrated security
    m.push_back(0);
    m.push_back(0);
    put32le(m, 0);
    put32le(m, 0x0409);
    std::vector<std::vector<std::uint8_t>> fields;
    std::vector<std::uint8_t> scrambled = utf16(password);
    for (auto& b : scrambled) {
        b = static_cast<std::uint8_t>(((b << 4) | (b >> 4)) & 0xFF) ^ 0xA5;
    }
    fields.push_back(utf16("testhost"));
    fields.push_back(utf16(user));
    fields.push_back(scrambled);
    fields.push_back(utf16("tst_tdsserver"));
    fields.push_back(utf16("127.0.0.1"));
    fields.push_back({}); // unused
    fields.push_back(utf16("testlib"));
    fields.push_back({}); // language
    fields.push_back(utf16(database));
    const std::size_t headerSize = 36 + 9 * 4 + 6 + 4 + 4; // through attach-db file
    std::size_t offset = headerSize;
    std::vector<std::uint8_t> data;
    for (const auto& f : fields) {
        put16le(m, static_cast<std::uint16_t>(offset));
        put16le(m, static_cast<std::uint16_t>(f.size() / 2));
        data.insert(data.end(), f.begin(), f.end());
        offset += f.size();
    }
    for (int i = 0; i < 6; ++i) {
        m.push_back(static_cast<std::uint8_t>(0x10 + i)); // client ID
    }
    put16le(m, static_cast<std::uint16_t>(offset));
    put16le(m, static_cast<std::uint16_t>(sspi.size()));
    data.insert(data.end(), sspi.begin(), sspi.end());
    offset += sspi.size();
    put16le(m, static_cast<std::uint16_t>(offset)); // attach-db file
    put16le(m, 0);
    m.insert(m.end(), data.begin(), data.end());
    const auto total = static_cast<std::uint32_t>(m.size());
    for (int i = 0; i < 4; ++i) {
        m[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(total >> (8 * i));
    }
    return m;
}

TdsTestClient::Outcome TdsTestClient::login(const std::string& user, const std::string& password,
                                            Reply& reply, const std::string& database) {
    if (!send(prelogin, preloginMessage())) {
        return Outcome::Closed;
    }
    const Outcome pre = receive(reply);
    if (pre != Outcome::Reply) {
        return pre;
    }
    if (!send(login7, login7Message(user, password, database))) {
        return Outcome::Closed;
    }
    return receive(reply);
}

TdsTestClient::Outcome TdsTestClient::query(const std::string& sql, Reply& reply,
                                            std::size_t packetSize) {
    if (!send(sqlBatch, utf16(sql), packetSize)) {
        return Outcome::Closed;
    }
    return receive(reply);
}

TdsTestClient::Reply TdsTestClient::decode(const std::vector<std::uint8_t>& tokens) {
    Reply r;
    Cursor c(tokens);
    while (c.ok() && !c.atEnd()) {
        const std::uint8_t token = c.u8();
        switch (token) {
        case 0xAA:
            r.errors.push_back(readMessage(c));
            break;
        case 0xAB:
            r.infos.push_back(readMessage(c));
            break;
        case 0xE3: {
            const std::size_t end = c.u16() + c.pos();
            EnvChange e;
            e.type = c.u8();
            if (e.type == 7) {
                e.newBytes = c.bytes(c.u8());
                c.bytes(c.u8());
            } else {
                e.newValue = c.chars(c.u8());
                e.oldValue = c.chars(c.u8());
            }
            if (c.pos() != end) {
                return r;
            }
            r.envChanges.push_back(std::move(e));
            break;
        }
        case 0xAD: {
            const std::size_t end = c.u16() + c.pos();
            LoginAck a;
            c.u8();
            const auto v = c.bytes(4);
            if (v.size() == 4) {
                a.tdsVersion = (std::uint32_t{v[0]} << 24) | (v[1] << 16) | (v[2] << 8) | v[3];
            }
            a.programName = c.chars(c.u8());
            a.major = c.u8();
            a.minor = c.u8();
            const auto b = c.bytes(2);
            if (b.size() == 2) {
                a.build = static_cast<std::uint16_t>((b[0] << 8) | b[1]);
            }
            if (c.pos() != end) {
                return r;
            }
            r.loginAck = a;
            break;
        }
        case 0xED:
            r.sspi = c.bytes(c.u16());
            break;
        case 0xFD:
        case 0xFE:
        case 0xFF: {
            Done d;
            d.token = token;
            d.status = c.u16();
            d.command = c.u16();
            d.rowCount = c.u32();
            r.dones.push_back(d);
            break;
        }
        case 0x81: {
            r.columns.clear();
            const std::uint16_t count = c.u16();
            for (std::uint16_t i = 0; i < count && c.ok(); ++i) {
                Column col;
                c.u16(); // user type (two bytes in 7.1)
                c.u16(); // flags
                col.type = c.u8();
                if (col.type == 0x62) {
                    c.u32();
                } else if (col.type == 0xE7) {
                    c.u16();
                    c.bytes(5);
                } else if (col.type == 0x26) {
                    c.u8();
                } else {
                    return r;
                }
                col.name = c.chars(c.u8());
                r.columns.push_back(col);
            }
            break;
        }
        case 0xD1: {
            std::vector<std::optional<std::string>> row;
            r.variantBaseTypes.clear();
            for (const auto& col : r.columns) {
                if (col.type == 0x62) {
                    const std::uint32_t length = c.u32();
                    if (length == 0) {
                        row.emplace_back();
                        r.variantBaseTypes.push_back(0);
                        continue;
                    }
                    const std::uint8_t base = c.u8();
                    const std::uint8_t props = c.u8();
                    r.variantBaseTypes.push_back(base);
                    if (length < 2u + props) {
                        return r;
                    }
                    const std::size_t dataLength = length - 2 - props;
                    if (base == 0xE7) {
                        if (props != 7) {
                            return r;
                        }
                        c.bytes(5);
                        c.u16();
                        const auto text = c.bytes(dataLength);
                        row.emplace_back(fromUtf16(text.data(), text.size()));
                    } else if (base == 0x38 && props == 0 && dataLength == 4) {
                        row.emplace_back(std::to_string(static_cast<std::int32_t>(c.u32())));
                    } else {
                        return r;
                    }
                } else if (col.type == 0xE7) {
                    const std::uint16_t length = c.u16();
                    if (length == 0xFFFF) {
                        row.emplace_back();
                    } else {
                        const auto text = c.bytes(length);
                        row.emplace_back(fromUtf16(text.data(), text.size()));
                    }
                } else {
                    const std::uint8_t length = c.u8();
                    if (length == 0) {
                        row.emplace_back();
                    } else if (length == 4) {
                        row.emplace_back(std::to_string(static_cast<std::int32_t>(c.u32())));
                    } else {
                        return r;
                    }
                }
            }
            r.rows.push_back(std::move(row));
            break;
        }
        default:
            return r; // unknown token: not decoded
        }
    }
    r.decoded = c.ok();
    return r;
}

} // namespace brellow::testsupport
