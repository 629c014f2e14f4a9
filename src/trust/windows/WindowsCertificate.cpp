#include "WindowsCertificate.h"

#include <bcrypt.h>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace brellow::trust {
namespace {

std::string utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
    return result;
}

std::wstring wide(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                        size);
    return result;
}

// Most specific part first, as RFC 4514 writes a distinguished name.
std::string nameText(CERT_NAME_BLOB* name) {
    constexpr DWORD kFormat = CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG;
    const DWORD size = CertNameToStrW(X509_ASN_ENCODING, name, kFormat, nullptr, 0);
    if (size <= 1) {
        return {};
    }
    std::wstring text(size, L'\0');
    CertNameToStrW(X509_ASN_ENCODING, name, kFormat, text.data(), size);
    text.resize(size - 1);
    return utf8(text);
}

std::time_t timeOf(const FILETIME& time) {
    // 100-nanosecond ticks since 1601, to seconds since 1970.
    const ULONGLONG ticks = (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    return static_cast<std::time_t>((static_cast<long long>(ticks) - 116444736000000000LL) /
                                    10000000LL);
}

std::string sha256Of(const BYTE* data, DWORD size) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
        return {};
    }
    unsigned char digest[32] = {};
    BCRYPT_HASH_HANDLE hash = nullptr;
    const bool done = BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0 &&
                      BCryptHashData(hash, const_cast<PUCHAR>(data), size, 0) == 0 &&
                      BCryptFinishHash(hash, digest, sizeof digest, 0) == 0;
    if (hash != nullptr) {
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return done ? CertificateFacts::hexPairs(digest, sizeof digest) : std::string();
}

std::string pemOf(const BYTE* data, DWORD size) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string base64;
    for (DWORD i = 0; i < size; i += 3) {
        const unsigned long group =
            (static_cast<unsigned long>(data[i]) << 16) |
            (i + 1 < size ? static_cast<unsigned long>(data[i + 1]) << 8 : 0UL) |
            (i + 2 < size ? static_cast<unsigned long>(data[i + 2]) : 0UL);
        base64 += kAlphabet[(group >> 18) & 0x3F];
        base64 += kAlphabet[(group >> 12) & 0x3F];
        base64 += i + 1 < size ? kAlphabet[(group >> 6) & 0x3F] : '=';
        base64 += i + 2 < size ? kAlphabet[group & 0x3F] : '=';
    }
    std::string pem = "-----BEGIN CERTIFICATE-----\n";
    for (std::size_t at = 0; at < base64.size(); at += 64) {
        pem += base64.substr(at, 64) + "\n";
    }
    return pem + "-----END CERTIFICATE-----\n";
}

struct AlgorithmName {
    const char* oid;
    const char* name;
};

// The names GnuTLS gives them, so that both systems tell a certificate alike.
constexpr AlgorithmName kKeyAlgorithms[] = {
    {"1.2.840.113549.1.1.1", "RSA"},  {"1.2.840.113549.1.1.10", "RSA-PSS"},
    {"1.2.840.10045.2.1", "ECDSA"},   {"1.3.101.112", "EdDSA (Ed25519)"},
    {"1.3.101.113", "EdDSA (Ed448)"}, {"1.2.840.10040.4.1", "DSA"},
};
constexpr AlgorithmName kSignatureAlgorithms[] = {
    {"1.2.840.113549.1.1.2", "RSA-MD2"},     {"1.2.840.113549.1.1.4", "RSA-MD5"},
    {"1.2.840.113549.1.1.5", "RSA-SHA1"},    {"1.2.840.113549.1.1.14", "RSA-SHA224"},
    {"1.2.840.113549.1.1.11", "RSA-SHA256"}, {"1.2.840.113549.1.1.12", "RSA-SHA384"},
    {"1.2.840.113549.1.1.13", "RSA-SHA512"}, {"1.2.840.113549.1.1.10", "RSA-PSS"},
    {"1.2.840.10045.4.1", "ECDSA-SHA1"},     {"1.2.840.10045.4.3.2", "ECDSA-SHA256"},
    {"1.2.840.10045.4.3.3", "ECDSA-SHA384"}, {"1.2.840.10045.4.3.4", "ECDSA-SHA512"},
    {"1.3.101.112", "EdDSA-Ed25519"},        {"1.3.101.113", "EdDSA-Ed448"},
};

template <std::size_t N> std::string named(const AlgorithmName (&table)[N], const char* oid) {
    if (oid == nullptr) {
        return {};
    }
    for (const AlgorithmName& entry : table) {
        if (std::string_view(entry.oid) == oid) {
            return entry.name;
        }
    }
    return oid;
}

// The first certificate of a PEM file, as CryptoAPI holds one; null when there is none.
PCCERT_CONTEXT readAuthority(const std::string& file) {
    std::ifstream in(wide(file).c_str(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    DWORD size = 0;
    if (text.empty() ||
        !CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()),
                              CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
        return nullptr;
    }
    std::vector<BYTE> der(size);
    CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64HEADER,
                         der.data(), &size, nullptr, nullptr);
    return CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), size);
}

bool sameCertificate(PCCERT_CONTEXT one, PCCERT_CONTEXT other) {
    return one != nullptr && other != nullptr && one->cbCertEncoded == other->cbCertEncoded &&
           std::equal(one->pbCertEncoded, one->pbCertEncoded + one->cbCertEncoded,
                      other->pbCertEncoded);
}

struct ChainParts {
    HCERTSTORE extra = nullptr;
    HCERTSTORE collection = nullptr;
    PCCERT_CONTEXT authority = nullptr;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    ~ChainParts() {
        if (chain != nullptr) {
            CertFreeCertificateChain(chain);
        }
        if (authority != nullptr) {
            CertFreeCertificateContext(authority);
        }
        if (collection != nullptr) {
            CertCloseStore(collection, 0);
        }
        if (extra != nullptr) {
            CertCloseStore(extra, 0);
        }
    }
};

// The certificate's chain, built once over the certificates the server sent along and the
// extra authority; false when none could be built.
bool buildChain(PCCERT_CONTEXT certificate, const std::string& extraAuthorityFile,
                ChainParts& parts) {
    parts.collection = CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr);
    parts.extra = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    if (parts.collection == nullptr || parts.extra == nullptr) {
        return false;
    }
    if (certificate->hCertStore != nullptr) {
        CertAddStoreToCollection(parts.collection, certificate->hCertStore, 0, 0);
    }
    if (!extraAuthorityFile.empty()) {
        parts.authority = readAuthority(extraAuthorityFile);
        if (parts.authority != nullptr) {
            CertAddCertificateContextToStore(parts.extra, parts.authority, CERT_STORE_ADD_ALWAYS,
                                             nullptr);
        }
    }
    CertAddStoreToCollection(parts.collection, parts.extra, 0, 0);
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    return CertGetCertificateChain(nullptr, certificate, nullptr, parts.collection, &para, 0,
                                   nullptr, &parts.chain) &&
           parts.chain->cChain > 0;
}

// Whether the chain reaches a root the system trusts, or the extra authority.
void addChainProblems(const ChainParts& parts, CertificateProblems& problems) {
    DWORD status = parts.chain->TrustStatus.dwErrorStatus;
    const CERT_SIMPLE_CHAIN* simple = parts.chain->rgpChain[0];
    const PCCERT_CONTEXT root =
        simple->cElement > 0 ? simple->rgpElement[simple->cElement - 1]->pCertContext : nullptr;
    if ((status & CERT_TRUST_IS_UNTRUSTED_ROOT) != 0 && sameCertificate(root, parts.authority)) {
        status &= ~DWORD{CERT_TRUST_IS_UNTRUSTED_ROOT};
    }
    if ((status & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN)) != 0) {
        problems.add(CertificateProblems::UnknownAuthority);
    }
    if ((status & (CERT_TRUST_IS_NOT_SIGNATURE_VALID | CERT_TRUST_IS_REVOKED |
                   CERT_TRUST_INVALID_BASIC_CONSTRAINTS | CERT_TRUST_IS_CYCLIC)) != 0) {
        problems.add(CertificateProblems::Invalid);
    }
}

// What an SSL policy check may pass over (WinINet's names, which its header alone defines).
constexpr DWORD kIgnoreRevocation = 0x00000080;
constexpr DWORD kIgnoreUnknownAuthority = 0x00000100;
constexpr DWORD kIgnoreWrongUsage = 0x00000200;
constexpr DWORD kIgnoreDates = 0x00002000;

// Whether the certificate is made out to host, as an SSL client checks it, whatever else is
// wrong with it.
bool namesHost(PCCERT_CHAIN_CONTEXT chain, const std::string& host) {
    std::wstring name = wide(host);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = kIgnoreUnknownAuthority | kIgnoreDates | kIgnoreRevocation | kIgnoreWrongUsage;
    ssl.pwszServerName = name.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_NOT_TIME_VALID_FLAGS |
                     CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG |
                     CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS verdict{};
    verdict.cbSize = sizeof verdict;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &verdict)) {
        return false;
    }
    return verdict.dwError != static_cast<DWORD>(CERT_E_CN_NO_MATCH);
}

} // namespace

CertificateFacts WindowsCertificate::facts(PCCERT_CONTEXT certificate) {
    CertificateFacts facts;
    CERT_INFO* info = certificate->pCertInfo;
    facts.subject = nameText(&info->Subject);
    facts.issuer = nameText(&info->Issuer);
    facts.notBefore = timeOf(info->NotBefore);
    facts.notAfter = timeOf(info->NotAfter);
    facts.sha256 = sha256Of(certificate->pbCertEncoded, certificate->cbCertEncoded);
    facts.publicKeyAlgorithm = named(kKeyAlgorithms, info->SubjectPublicKeyInfo.Algorithm.pszObjId);
    facts.keyBits = CertGetPublicKeyLength(X509_ASN_ENCODING, &info->SubjectPublicKeyInfo);
    facts.signatureAlgorithm = named(kSignatureAlgorithms, info->SignatureAlgorithm.pszObjId);
    facts.pem = pemOf(certificate->pbCertEncoded, certificate->cbCertEncoded);
    return facts;
}

CertificateProblems WindowsCertificate::problems(PCCERT_CONTEXT certificate,
                                                 const CertificateFacts& shown,
                                                 const std::string& host,
                                                 const std::string& extraAuthorityFile) {
    CertificateProblems problems;
    ChainParts parts;
    if (buildChain(certificate, extraAuthorityFile, parts)) {
        addChainProblems(parts, problems);
        if (!namesHost(parts.chain, host)) {
            problems.add(CertificateProblems::NameMismatch);
        }
    } else {
        problems.add(CertificateProblems::UnknownAuthority);
        problems.add(CertificateProblems::NameMismatch);
    }
    problems.addOwnProblems(shown, std::time(nullptr));
    return problems;
}

} // namespace brellow::trust
