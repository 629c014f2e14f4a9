#include "trust/TrustGate.h"

#include "trust/ServerKey.h"
#include "trust/TrustPolicy.h"

#include <ctime>

namespace brellow::trust {
namespace {

using Kind = TrustGate::Passage::Kind;
using Verdict = TrustPolicy::Verdict;
using Outcome = CertificateProbe::Result::Outcome;

TrustGate::Passage passage(Kind kind, const CertificateProbe::Result& shown, bool strict) {
    TrustGate::Passage result;
    result.kind = kind;
    result.strict = strict;
    result.sha256 = shown.certificate.sha256;
    result.outOfDate = shown.problems.has(CertificateProblems::Expired) ||
                       shown.problems.has(CertificateProblems::NotYetValid);
    return result;
}

TrustGate::Passage refused(std::string error, bool unreachable) {
    TrustGate::Passage result;
    result.kind = Kind::Refused;
    result.error = std::move(error);
    result.unreachable = unreachable;
    return result;
}

bool reached(const CertificateProbe::Result& shown) {
    return shown.outcome == Outcome::Certificate || shown.outcome == Outcome::CannotEncrypt;
}

TrustGate::Passage cancelled() {
    TrustGate::Passage result;
    result.kind = Kind::Cancelled;
    result.asked = true;
    return result;
}

} // namespace

TrustGate::TrustGate(TrustQuestions& questions, std::string pinsFile)
    : questions_(questions), pins_(PinStore::open(std::move(pinsFile))) {}

TrustGate::Passage TrustGate::agreeTo(const std::string& server,
                                      const CertificateProbe::Result& shown, bool strict,
                                      bool remember) {
    Passage result = passage(Kind::Pinned, shown, strict);
    result.pem = shown.certificate.pem;
    result.asked = true;
    std::string error;
    if (!pins_.trust(Pin{server, shown.certificate.sha256, shown.certificate.pem,
                         std::time(nullptr), strict},
                     remember, error)) {
        result.note = error;
    }
    return result;
}

std::string TrustGate::notes(const Login& login) const {
    const std::string& problem = pins_.problem();
    if (problem.empty() || login.driverNote.empty()) {
        return problem + login.driverNote;
    }
    return problem + " " + login.driverNote;
}

TrustGate::Passage TrustGate::check(const Login& login) {
    const std::string server = ServerKey::of(login.host, login.instance, login.port);
    Passage known;
    known.fromMemory = true;
    if (const Pin* pin = pins_.find(server); pin != nullptr && outOfDate_.count(server) == 0) {
        known.kind = Kind::Pinned;
        known.pem = pin->pem;
        known.sha256 = pin->sha256;
        known.strict = pin->speaksStrict;
        return known;
    }
    if (const auto validated = validated_.find(server); validated != validated_.end()) {
        known.kind = Kind::Validated;
        known.strict = validated->second;
        return known;
    }
    if (plaintext_.count(server) > 0) {
        known.kind = Kind::Plaintext;
        return known;
    }
    return recheck(login);
}

TrustGate::Passage TrustGate::recheck(const Login& login) {
    const std::string server = ServerKey::of(login.host, login.instance, login.port);
    validated_.erase(server);
    plaintext_.erase(server);
    outOfDate_.erase(server);
    Passage result = probeAndDecide(login, server);
    // What the next login of the run may take from memory.
    if (result.kind == Kind::Pinned && result.outOfDate) {
        outOfDate_.insert(server);
    } else if (result.kind == Kind::Validated) {
        validated_[server] = result.strict;
    } else if (result.kind == Kind::Plaintext) {
        plaintext_.insert(server);
    }
    return result;
}

TrustGate::Passage TrustGate::probeAndDecide(const Login& login, const std::string& server) {
    const Pin* pin = pins_.find(server);
    CertificateProbe::Request request{login.host, login.port, login.deadline,
                                      pin != nullptr && pin->speaksStrict, extraAuthority_};
    CertificateProbe::Result shown = CertificateProbe::fetch(request);
    TrustPolicy::Situation situation{&shown, pin, login.sendsPassword,
                                     plaintextAgreed_.count(server) > 0, request.tlsFirst};
    TrustPolicy::Decision decision = TrustPolicy::decide(situation);
    if (decision.verdict == Verdict::TryStrict) {
        // Turned away as TDS 7.x: a server that speaks TDS 8.0 only.
        request.tlsFirst = true;
        shown = CertificateProbe::fetch(request);
        situation.probedStrict = true;
        decision = TrustPolicy::decide(situation);
    }
    const bool strict = request.tlsFirst;

    switch (decision.verdict) {
    case Verdict::Validated:
        return passage(Kind::Validated, shown, strict);
    case Verdict::Pinned: {
        Passage result = passage(Kind::Pinned, shown, strict);
        result.pem = pin->pem;
        return result;
    }
    case Verdict::AskUnknown: {
        const auto choice = questions_.askUnknown(server, shown, notes(login));
        return choice.trust ? agreeTo(server, shown, strict, choice.remember) : cancelled();
    }
    case Verdict::WarnChanged: {
        const auto choice = questions_.warnChanged(server, *pin, shown, notes(login));
        return choice.trust ? agreeTo(server, shown, strict, choice.remember) : cancelled();
    }
    case Verdict::WarnDowngrade: {
        if (!questions_.warnDowngrade(server, *pin)) {
            return cancelled();
        }
        if (shown.outcome == Outcome::CannotEncrypt) {
            Passage result = passage(Kind::Plaintext, shown, false);
            result.asked = true;
            return result;
        }
        if (shown.outcome != Outcome::Certificate) {
            // It spoke TDS 8.0 before and turns it away now: hear what it offers instead.
            request.tlsFirst = false;
            shown = CertificateProbe::fetch(request);
        }
        if (shown.outcome == Outcome::CannotEncrypt) {
            Passage result = passage(Kind::Plaintext, shown, false);
            result.asked = true;
            return result;
        }
        if (shown.outcome != Outcome::Certificate || shown.problems.refused()) {
            return refused(shown.error, !reached(shown));
        }
        if (shown.problems.validates()) {
            Passage result = passage(Kind::Validated, shown, false);
            result.asked = true;
            return result;
        }
        if (shown.certificate.sha256 == pin->sha256) {
            Passage result = agreeTo(server, shown, false, false);
            return result;
        }
        const auto choice = questions_.warnChanged(server, *pin, shown, notes(login));
        return choice.trust ? agreeTo(server, shown, false, choice.remember) : cancelled();
    }
    case Verdict::AskPlaintext:
        if (!questions_.askPlaintext(server)) {
            return cancelled();
        }
        plaintextAgreed_.insert(server);
        {
            Passage result = passage(Kind::Plaintext, shown, false);
            result.asked = true;
            return result;
        }
    case Verdict::Plaintext:
        return passage(Kind::Plaintext, shown, false);
    case Verdict::TryStrict:
    case Verdict::Refused:
        break;
    }
    return refused(decision.reason.empty() ? shown.error : decision.reason, !reached(shown));
}

} // namespace brellow::trust
