#include "IntegratedLogin.h"

#include "NtlmChallenge.h"
#include "WireLog.h"

#include <random>

namespace brellow::tdsserver {

namespace {

// NTLM names the server's domain this, and its computer by the server name.
constexpr const char* ntlmDomainOffered = "BRELLOW";

IntegratedLogin::Step refused(const std::string& mechanism, const std::string& reason) {
    IntegratedLogin::Step step;
    step.fields = mechanism + " result=refused reason=" + WireLog::word(reason);
    return step;
}

} // namespace

IntegratedLogin::IntegratedLogin(const ServerOptions& options) : options_(options) {}

IntegratedLogin::Step IntegratedLogin::start(const std::vector<std::uint8_t>& token) {
    if (NtlmChallenge::isNegotiate(token)) {
        mechanism_ = "sspi=ntlm";
        std::random_device random;
        std::vector<std::uint8_t> nonce(8);
        for (auto& byte : nonce) {
            byte = static_cast<std::uint8_t>(random());
        }
        verifier_.emplace(
            NtlmVerifier::Account{options_.ntlmDomain, options_.ntlmUser, options_.ntlmPassword},
            nonce, NtlmChallenge::targetInfo(ntlmDomainOffered, options_.serverName));
        Step step;
        step.outcome = Outcome::Continue;
        step.token = NtlmChallenge::challenge(ntlmDomainOffered, options_.serverName, nonce);
        step.fields = mechanism_ + " result=challenge";
        return step;
    }
    mechanism_ = "sspi=" + GssapiAcceptor::mechanismOf(token);
    if (token.empty()) {
        return refused(mechanism_, "no SSPI data");
    }
    if (options_.keytab.empty()) {
        return refused(mechanism_, "no keytab: Kerberos logins are not served");
    }
    acceptor_ = std::make_unique<GssapiAcceptor>(options_.keytab);
    return kerberos(token);
}

IntegratedLogin::Step IntegratedLogin::next(const std::vector<std::uint8_t>& token) {
    if (verifier_) {
        return ntlm(token);
    }
    if (acceptor_) {
        return kerberos(token);
    }
    return refused("sspi=other", "no login in progress");
}

IntegratedLogin::Step IntegratedLogin::kerberos(const std::vector<std::uint8_t>& token) {
    GssapiAcceptor::Step accepted = acceptor_->accept(token);
    Step step;
    step.token = std::move(accepted.token);
    switch (accepted.status) {
    case GssapiAcceptor::Status::Continue:
        step.outcome = Outcome::Continue;
        step.fields = mechanism_ + " result=continue";
        return step;
    case GssapiAcceptor::Status::Complete:
        step.outcome = Outcome::Accepted;
        step.login = accepted.principal;
        step.fields = mechanism_ + " result=accepted login=" + WireLog::word(step.login);
        return step;
    case GssapiAcceptor::Status::Failed:
        break;
    }
    return refused(mechanism_, accepted.reason);
}

IntegratedLogin::Step IntegratedLogin::ntlm(const std::vector<std::uint8_t>& token) {
    const std::string kind =
        std::string("ntlm=") + (NtlmChallenge::isAuthenticate(token) ? "authenticate" : "other");
    const auto message = NtlmAuthenticateMessage::parse(token);
    if (!message) {
        return refused(kind, "not an NTLM AUTHENTICATE message");
    }
    const NtlmVerifier::Result result =
        verifier_->verify(*message, NtlmVerifier::fileTime(std::chrono::system_clock::now()));
    // One answer per challenge.
    verifier_.reset();
    if (!result.accepted) {
        return refused(kind, result.reason);
    }
    Step step;
    step.outcome = Outcome::Accepted;
    step.login = result.login;
    step.fields = kind + " result=accepted login=" + WireLog::word(step.login);
    return step;
}

} // namespace brellow::tdsserver
