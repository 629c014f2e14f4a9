// The certificate probe over SChannel, the TLS that Windows' own SQL Server drivers use.
#include "ProbeOpening.h"
#include "ProbeSocket.h"
#include "WindowsCertificate.h"
#include "trust/CertificateProbe.h"

#include <cstdio>
#include <cstring>
#include <vector>

// windows.h first, as the SSPI headers build on its types.
// clang-format off
#define SECURITY_WIN32
#include <windows.h>
#include <schannel.h>
#include <security.h>
// clang-format on

namespace brellow::trust {
namespace {

using Result = CertificateProbe::Result;
using Outcome = Result::Outcome;

constexpr std::uint8_t kPrelogin = 0x12;

// The ALPN offer of TDS 8.0 as SChannel takes it: one ALPN list holding "tds/8.0".
std::vector<unsigned char> tds8Protocols() {
    static const unsigned char kName[] = {'t', 'd', 's', '/', '8', '.', '0'};
    std::vector<unsigned char> list;
    list.push_back(sizeof kName);
    list.insert(list.end(), kName, kName + sizeof kName);
    std::vector<unsigned char> buffer(offsetof(SEC_APPLICATION_PROTOCOLS, ProtocolLists) +
                                      offsetof(SEC_APPLICATION_PROTOCOL_LIST, ProtocolList) +
                                      list.size());
    auto* protocols = reinterpret_cast<SEC_APPLICATION_PROTOCOLS*>(buffer.data());
    protocols->ProtocolListsSize = static_cast<unsigned long>(
        offsetof(SEC_APPLICATION_PROTOCOL_LIST, ProtocolList) + list.size());
    protocols->ProtocolLists[0].ProtoNegoExt = SecApplicationProtocolNegotiationExt_ALPN;
    protocols->ProtocolLists[0].ProtocolListSize = static_cast<unsigned short>(list.size());
    std::memcpy(protocols->ProtocolLists[0].ProtocolList, list.data(), list.size());
    return buffer;
}

std::string protocolName(DWORD protocol) {
    if ((protocol & SP_PROT_TLS1_3_CLIENT) != 0) {
        return "TLS1.3";
    }
    if ((protocol & SP_PROT_TLS1_2_CLIENT) != 0) {
        return "TLS1.2";
    }
    if ((protocol & SP_PROT_TLS1_1_CLIENT) != 0) {
        return "TLS1.1";
    }
    if ((protocol & SP_PROT_TLS1_0_CLIENT) != 0) {
        return "TLS1.0";
    }
    return "SSL";
}

// Frees what a handshake made, however it ends.
struct SchannelParts {
    CredHandle credentials{};
    bool haveCredentials = false;
    CtxtHandle context{};
    bool haveContext = false;
    PCCERT_CONTEXT certificate = nullptr;
    ~SchannelParts() {
        if (certificate != nullptr) {
            CertFreeCertificateContext(certificate);
        }
        if (haveContext) {
            DeleteSecurityContext(&context);
        }
        if (haveCredentials) {
            FreeCredentialsHandle(&credentials);
        }
    }
};

// Where the handshake's bytes go: into PRELOGIN messages (TDS 7.x) or straight onto the
// socket (TDS 8.0).
class HandshakeChannel {
public:
    HandshakeChannel(ProbeSocket& socket, bool insideTds)
        : socket_(socket), insideTds_(insideTds) {}

    bool send(const void* data, unsigned long size) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        if (insideTds_) {
            return socket_.sendMessage(kPrelogin, std::vector<std::uint8_t>(bytes, bytes + size));
        }
        return socket_.sendAll(bytes, size);
    }

    // More of the server's bytes onto `into`; false when it closed or the deadline passed.
    bool receiveMore(std::vector<unsigned char>& into) {
        if (insideTds_) {
            std::vector<std::uint8_t> payload;
            if (!socket_.receiveMessage(payload)) {
                return false;
            }
            into.insert(into.end(), payload.begin(), payload.end());
            return true;
        }
        std::uint8_t buffer[16384];
        const long n = socket_.receiveSome(buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        into.insert(into.end(), buffer, buffer + n);
        return true;
    }

private:
    ProbeSocket& socket_;
    bool insideTds_;
};

Result handshake(ProbeSocket& socket, const CertificateProbe::Request& request) {
    SchannelParts parts;
    SCHANNEL_CRED settings{};
    settings.dwVersion = SCHANNEL_CRED_VERSION;
    // SQL Server offers TLS 1.3 only with TDS 8.0, and servers before their TLS 1.2 updates
    // only TLS 1.0: inside PRELOGIN the probe offers what a driver does. The probe must see any
    // certificate: it validates for itself afterwards.
    settings.grbitEnabledProtocols =
        request.tlsFirst ? SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT
                         : SP_PROT_TLS1_0_CLIENT | SP_PROT_TLS1_1_CLIENT | SP_PROT_TLS1_2_CLIENT;
    settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    wchar_t package[] = UNISP_NAME_W;
    TimeStamp expiry{};
    if (AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &settings,
                                  nullptr, nullptr, &parts.credentials, &expiry) != SEC_E_OK) {
        return ProbeOpening::ended(Outcome::Failed, "TLS could not be set up");
    }
    parts.haveCredentials = true;

    HandshakeChannel channel(socket, !request.tlsFirst);
    std::wstring target(request.host.begin(), request.host.end());
    constexpr unsigned long kWanted = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                      ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                                      ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;
    std::vector<unsigned char> alpn = tds8Protocols();
    std::vector<unsigned char> incoming;
    bool first = true;
    // Bounded by the deadline: every pass waits on the socket, or ends the handshake.
    while (true) {
        SecBuffer in[2]{};
        SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
        if (first) {
            in[0] = {static_cast<unsigned long>(alpn.size()), SECBUFFER_APPLICATION_PROTOCOLS,
                     alpn.data()};
            inDesc.cBuffers = 1;
        } else {
            in[0] = {static_cast<unsigned long>(incoming.size()), SECBUFFER_TOKEN, incoming.data()};
            in[1] = {0, SECBUFFER_EMPTY, nullptr};
        }
        SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
        SecBufferDesc outDesc{SECBUFFER_VERSION, 1, out};
        unsigned long got = 0;
        const SECURITY_STATUS status = InitializeSecurityContextW(
            &parts.credentials, first ? nullptr : &parts.context, target.data(), kWanted, 0, 0,
            (first && !request.tlsFirst) ? nullptr : &inDesc, 0, first ? &parts.context : nullptr,
            &outDesc, &got, nullptr);
        if (first && (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK)) {
            parts.haveContext = true;
        }
        first = false;
        if (out[0].pvBuffer != nullptr) {
            const bool sent =
                out[0].cbBuffer == 0 || channel.send(out[0].pvBuffer, out[0].cbBuffer);
            FreeContextBuffer(out[0].pvBuffer);
            if (!sent) {
                return ProbeOpening::ended(socket.timedOut() ? Outcome::TimedOut : Outcome::Failed,
                                           "the server stopped the TLS handshake");
            }
        }
        if (status == SEC_E_OK) {
            break;
        }
        if (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_INCOMPLETE_MESSAGE) {
            if (status == SEC_I_CONTINUE_NEEDED) {
                // Keep what SChannel did not read: the start of the server's next record.
                if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0 &&
                    in[1].cbBuffer <= incoming.size()) {
                    incoming.erase(incoming.begin(),
                                   incoming.end() - static_cast<long>(in[1].cbBuffer));
                } else {
                    incoming.clear();
                }
            }
            if (status == SEC_I_CONTINUE_NEEDED && !incoming.empty()) {
                continue;
            }
            if (!channel.receiveMore(incoming)) {
                if (socket.timedOut()) {
                    return ProbeOpening::ended(
                        Outcome::TimedOut, "the server did not finish the TLS handshake in time");
                }
                if (request.tlsFirst && socket.closedByPeer()) {
                    return ProbeOpening::ended(Outcome::Refused,
                                               "the server ended the connection: it does "
                                               "not speak TDS 8.0");
                }
                return ProbeOpening::ended(Outcome::Failed, "the server stopped the TLS handshake");
            }
            continue;
        }
        return ProbeOpening::ended(
            Outcome::Failed, "TLS handshake: SChannel error 0x" + [status] {
                char text[16];
                std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(status));
                return std::string(text);
            }());
    }

    if (QueryContextAttributesW(&parts.context, SECPKG_ATTR_REMOTE_CERT_CONTEXT,
                                &parts.certificate) != SEC_E_OK ||
        parts.certificate == nullptr) {
        return ProbeOpening::ended(Outcome::Failed, "the server showed no certificate");
    }
    Result result;
    result.outcome = Outcome::Certificate;
    result.certificate = WindowsCertificate::facts(parts.certificate);
    result.problems = WindowsCertificate::problems(parts.certificate, result.certificate,
                                                   request.host, request.extraAuthorityFile);
    SecPkgContext_ConnectionInfo connection{};
    if (QueryContextAttributesW(&parts.context, SECPKG_ATTR_CONNECTION_INFO, &connection) ==
        SEC_E_OK) {
        result.protocol = protocolName(connection.dwProtocol);
    }
    return result;
}

} // namespace

CertificateProbe::Result CertificateProbe::fetch(const Request& request) {
    ProbeSocket socket(request.deadline);
    if (auto ended = ProbeOpening::open(socket, request)) {
        return *ended;
    }
    return handshake(socket, request);
}

} // namespace brellow::trust
