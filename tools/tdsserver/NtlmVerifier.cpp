#include "NtlmVerifier.h"

#include "ByteView.h"
#include "text/Utf16Text.h"

#include <algorithm>
#include <map>
#include <nettle/hmac.h>
#include <nettle/md4.h>
#include <nettle/memops.h>
#include <optional>

namespace brellow::tdsserver {

namespace {

constexpr std::size_t proofSize = 16;
// RespType, HiRespType, reserved, time stamp, client nonce, reserved: then the AV pairs.
constexpr std::size_t blobHeaderSize = 28;
constexpr std::uint16_t avEndOfList = 0;
// 100-nanosecond ticks between 1601-01-01 (FILETIME's epoch) and 1970-01-01.
constexpr std::int64_t fileTimeAtUnixEpoch = 116444736000000000;

std::string upperAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    });
    return text;
}

bool equalsIgnoringAsciiCase(const std::string& a, const std::string& b) {
    return upperAscii(a) == upperAscii(b);
}

std::vector<std::uint8_t> utf16(const std::string& text) {
    return text::Utf16Text::toLittleEndian(text::Utf16Text::fromUtf8(text));
}

using Digest = std::vector<std::uint8_t>;

Digest hmacMd5(const Digest& key, const std::vector<std::uint8_t>& message) {
    hmac_md5_ctx context;
    hmac_md5_set_key(&context, key.size(), key.data());
    hmac_md5_update(&context, message.size(), message.data());
    Digest digest(MD5_DIGEST_SIZE);
    hmac_md5_digest(&context, digest.size(), digest.data());
    return digest;
}

// NTOWFv2: HMAC-MD5 keyed with the NT hash (MD4 of the UTF-16 password) over the
// upper-cased user name followed by the domain as the client typed it.
Digest ntOwfV2(const std::string& password, const std::string& user, const std::string& domain) {
    const std::vector<std::uint8_t> secret = utf16(password);
    md4_ctx md4;
    md4_init(&md4);
    md4_update(&md4, secret.size(), secret.data());
    Digest ntHash(MD4_DIGEST_SIZE);
    md4_digest(&md4, ntHash.size(), ntHash.data());
    std::vector<std::uint8_t> identity = utf16(upperAscii(user));
    const std::vector<std::uint8_t> dom = utf16(domain);
    identity.insert(identity.end(), dom.begin(), dom.end());
    return hmacMd5(ntHash, identity);
}

// AV pairs up to MsvAvEOL; nothing when they run past the end.
std::optional<std::map<std::uint16_t, std::vector<std::uint8_t>>> avPairs(const std::uint8_t* data,
                                                                          std::size_t size) {
    const ByteView view(data, size);
    std::map<std::uint16_t, std::vector<std::uint8_t>> pairs;
    std::size_t at = 0;
    while (true) {
        const auto id = view.u16le(at);
        const auto length = view.u16le(at + 2);
        if (!id || !length) {
            return std::nullopt;
        }
        if (*id == avEndOfList) {
            return pairs;
        }
        auto value = view.slice(at + 4, *length);
        if (!value) {
            return std::nullopt;
        }
        pairs.emplace(*id, std::move(*value));
        at += 4 + *length;
    }
}

} // namespace

std::int64_t NtlmVerifier::fileTime(std::chrono::system_clock::time_point when) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count() /
               100 +
           fileTimeAtUnixEpoch;
}

NtlmVerifier::NtlmVerifier(Account account, std::vector<std::uint8_t> serverChallenge,
                           std::vector<std::uint8_t> targetInfo)
    : account_(std::move(account)), serverChallenge_(std::move(serverChallenge)),
      targetInfo_(std::move(targetInfo)) {}

NtlmVerifier::Result NtlmVerifier::verify(const NtlmAuthenticateMessage& message,
                                          std::int64_t now) const {
    Result result;
    const std::vector<std::uint8_t>& nt = message.ntResponse;
    if (nt.size() < proofSize + blobHeaderSize + 4) {
        result.reason =
            nt.size() == 24 ? "an NTLMv1 answer; only NTLMv2 is accepted" : "no NTLMv2 answer";
        return result;
    }
    if (account_.user.empty() || !equalsIgnoringAsciiCase(message.user, account_.user) ||
        !equalsIgnoringAsciiCase(message.domain, account_.domain)) {
        result.reason = "unknown account " + message.domain + "\\" + message.user;
        return result;
    }

    const std::uint8_t* blob = nt.data() + proofSize;
    const std::size_t blobSize = nt.size() - proofSize;
    const ByteView view(blob, blobSize);
    if (view.u8(0) != 1 || view.u8(1) != 1) {
        result.reason = "an NTLMv2 answer of an unknown version";
        return result;
    }
    const auto theirs = avPairs(blob + blobHeaderSize, blobSize - blobHeaderSize);
    const auto ours = avPairs(targetInfo_.data(), targetInfo_.size());
    if (!theirs || !ours) {
        result.reason = "malformed target information in the answer";
        return result;
    }
    for (const auto& [id, value] : *ours) {
        const auto found = theirs->find(id);
        if (found == theirs->end() || found->second != value) {
            result.reason = "the answer names another server's target information";
            return result;
        }
    }

    const std::uint64_t low = *view.u32le(8);
    const std::uint64_t high = *view.u32le(12);
    const auto stamp = static_cast<std::int64_t>((high << 32) | low);
    const std::int64_t limit =
        std::chrono::duration_cast<std::chrono::seconds>(maxClockDifference).count() * 10000000;
    if (stamp < now - limit || stamp > now + limit) {
        result.reason = "the answer's time stamp is more than 36 hours from the server's clock";
        return result;
    }

    const Digest key = ntOwfV2(account_.password, message.user, message.domain);
    std::vector<std::uint8_t> signedPart = serverChallenge_;
    signedPart.insert(signedPart.end(), blob, blob + blobSize);
    const Digest proof = hmacMd5(key, signedPart);
    if (!memeql_sec(proof.data(), nt.data(), proofSize)) {
        result.reason = "wrong password for " + message.domain + "\\" + message.user;
        return result;
    }
    result.accepted = true;
    result.login = account_.domain + "\\" + account_.user;
    return result;
}

} // namespace brellow::tdsserver
