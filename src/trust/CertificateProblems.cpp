#include "trust/CertificateProblems.h"

#include <array>
#include <utility>

namespace brellow::trust {

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
