#include "trust/TrustPolicy.h"

namespace brellow::trust {

TrustPolicy::Decision TrustPolicy::decide(const Situation& situation) {
    using Outcome = CertificateProbe::Result::Outcome;
    const CertificateProbe::Result& probe = *situation.probe;
    const Pin* pin = situation.pin;
    switch (probe.outcome) {
    case Outcome::Certificate: {
        if (probe.problems.refused()) {
            const auto sentences = probe.problems.sentences();
            return {Verdict::Refused, sentences.empty() ? std::string() : sentences.back()};
        }
        if (pin != nullptr && pin->speaksStrict && !situation.probedStrict) {
            // It spoke TDS 8.0 before: answering TDS 7.x now may be a machine in between.
            return {Verdict::WarnDowngrade, {}};
        }
        if (probe.problems.validates()) {
            return {Verdict::Validated, {}};
        }
        if (pin == nullptr) {
            return {Verdict::AskUnknown, {}};
        }
        return {pin->sha256 == probe.certificate.sha256 ? Verdict::Pinned : Verdict::WarnChanged,
                {}};
    }
    case Outcome::CannotEncrypt:
        if (pin != nullptr) {
            return {Verdict::WarnDowngrade, {}};
        }
        if (!situation.sendsPassword || situation.plaintextAgreed) {
            return {Verdict::Plaintext, {}};
        }
        return {Verdict::AskPlaintext, {}};
    case Outcome::Refused:
        if (!situation.probedStrict) {
            return {Verdict::TryStrict, {}};
        }
        if (pin != nullptr && pin->speaksStrict) {
            // It spoke TDS 8.0 before and now turns it away.
            return {Verdict::WarnDowngrade, {}};
        }
        return {Verdict::Refused, probe.error};
    case Outcome::Failed:
    case Outcome::TimedOut:
        break;
    }
    return {Verdict::Refused, probe.error};
}

} // namespace brellow::trust
