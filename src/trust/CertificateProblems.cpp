#include "trust/CertificateProblems.h"

#include <array>
#include <string_view>
#include <utility>

namespace brellow::trust {
namespace {

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

} // namespace

void CertificateProblems::addOwnProblems(const CertificateFacts& facts, std::time_t now) {
    if (facts.notAfter < now) {
        add(Expired);
    }
    if (facts.notBefore > now) {
        add(NotYetValid);
    }
    if (facts.publicKeyAlgorithm == "RSA") {
        if (facts.keyBits < 1024) {
            add(KeyTooSmall);
        } else if (facts.keyBits < 2048) {
            add(WeakKey);
        }
    }
    const std::string_view signature = facts.signatureAlgorithm;
    if (endsWith(signature, "-MD5") || endsWith(signature, "-MD2")) {
        add(Md5Signature);
    } else if (endsWith(signature, "-SHA1")) {
        add(Sha1Signature);
    }
}

std::vector<std::string> CertificateProblems::sentences() const {
    static constexpr std::array<std::pair<Problem, const char*>, 9> kSentences{{
        {UnknownAuthority, "It is not issued by an authority this computer trusts (it may be "
                           "self-signed, as SQL Server makes its own)."},
        {NameMismatch, "It is not made out to the server's name."},
        {Expired, "It has expired."},
        {NotYetValid, "It is not valid yet."},
        {WeakKey, "Its key is short (under 2048 bits)."},
        {Sha1Signature, "It is signed with SHA-1, which is no longer thought safe."},
        {KeyTooSmall, "Its key is under 1024 bits: too weak to protect anything."},
        {Md5Signature, "It is signed with MD5, which anyone can forge."},
        {Invalid, "It does not validate."},
    }};
    std::vector<std::string> result;
    for (const auto& [problem, sentence] : kSentences) {
        if (has(problem)) {
            result.emplace_back(sentence);
        }
    }
    return result;
}

} // namespace brellow::trust
