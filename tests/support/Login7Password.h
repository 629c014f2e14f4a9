#pragma once

#include <QByteArray>
#include <QString>

namespace brellow::testsupport {

// A password as LOGIN7 carries it: UTF-16LE, each byte's nibbles swapped, then XOR 0xA5. Found
// in the bytes a server received, it crossed in clear.
inline QByteArray login7Password(const QString& password) {
    QByteArray out(reinterpret_cast<const char*>(password.utf16()), password.size() * 2);
    for (char& c : out) {
        const auto b = static_cast<unsigned char>(c);
        c = static_cast<char>((((b << 4) | (b >> 4)) & 0xFF) ^ 0xA5);
    }
    return out;
}

} // namespace brellow::testsupport
