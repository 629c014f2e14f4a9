#include "ProbeOpening.h"

#include "PreloginMessage.h"

namespace brellow::trust {
namespace {

using Outcome = CertificateProbe::Result::Outcome;

constexpr std::uint8_t kPrelogin = 0x12;

} // namespace

CertificateProbe::Result ProbeOpening::ended(Outcome outcome, std::string error) {
    CertificateProbe::Result result;
    result.outcome = outcome;
    result.error = std::move(error);
    return result;
}

std::optional<CertificateProbe::Result>
ProbeOpening::open(ProbeSocket& socket, const CertificateProbe::Request& request) {
    std::string error;
    if (!socket.connect(request.host, request.port, error)) {
        return ended(socket.timedOut() ? Outcome::TimedOut : Outcome::Failed, error);
    }
    if (request.tlsFirst) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> answer;
    if (!socket.sendMessage(kPrelogin, PreloginMessage::request()) ||
        !socket.receiveMessage(answer)) {
        if (socket.timedOut()) {
            return ended(Outcome::TimedOut, "the server did not answer PRELOGIN in time");
        }
        return ended(socket.closedByPeer() ? Outcome::Refused : Outcome::Failed,
                     "the server did not answer PRELOGIN");
    }
    const auto encryption = PreloginMessage::encryption(answer);
    if (!encryption) {
        return ended(Outcome::Failed, "the server's PRELOGIN answer is malformed");
    }
    if (*encryption == PreloginMessage::kEncryptNotSupported) {
        return ended(Outcome::CannotEncrypt, "the server cannot encrypt");
    }
    return std::nullopt;
}

} // namespace brellow::trust
