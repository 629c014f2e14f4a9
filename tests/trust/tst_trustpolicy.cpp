#include "trust/TrustPolicy.h"

#include <QtTest>

using brellow::trust::CertificateProbe;
using brellow::trust::CertificateProblems;
using brellow::trust::Pin;
using brellow::trust::TrustPolicy;
using Outcome = CertificateProbe::Result::Outcome;
using Verdict = TrustPolicy::Verdict;

Q_DECLARE_METATYPE(Outcome)
Q_DECLARE_METATYPE(Verdict)

namespace {

const std::string kShown = "AA:BB"; // the certificate the server shows
const std::string kOther = "CC:DD";

enum class PinKind { None, Same, Other, SameStrict };

} // namespace

Q_DECLARE_METATYPE(PinKind)

class TrustPolicyTest : public QObject {
    Q_OBJECT

private slots:
    void whatComesBeforeALoginFollowsWhatTheServerShowsAndWhatWasTrusted_data() {
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<quint32>("problems");
        QTest::addColumn<PinKind>("pin");
        QTest::addColumn<bool>("sendsPassword");
        QTest::addColumn<bool>("plaintextAgreed");
        QTest::addColumn<bool>("probedStrict");
        QTest::addColumn<Verdict>("verdict");

        const auto certificate = Outcome::Certificate;
        const quint32 selfSigned = CertificateProblems::UnknownAuthority;
        const quint32 oldServer = CertificateProblems::UnknownAuthority |
                                  CertificateProblems::WeakKey | CertificateProblems::Sha1Signature;
        QTest::newRow("validates: no question") << certificate << quint32{0} << PinKind::None
                                                << true << false << false << Verdict::Validated;
        QTest::newRow("validates, though another was pinned")
            << certificate << quint32{0} << PinKind::Other << true << false << false
            << Verdict::Validated;
        QTest::newRow("1024-bit SHA-1 validating: warned of, not locked out")
            << certificate
            << quint32{CertificateProblems::WeakKey | CertificateProblems::Sha1Signature}
            << PinKind::None << true << false << false << Verdict::Validated;
        QTest::newRow("self-signed, never seen: ask")
            << certificate << selfSigned << PinKind::None << true << false << false
            << Verdict::AskUnknown;
        QTest::newRow("an old server's own certificate, never seen: ask")
            << certificate << oldServer << PinKind::None << true << false << false
            << Verdict::AskUnknown;
        QTest::newRow("expired, never seen: ask")
            << certificate << (selfSigned | CertificateProblems::Expired) << PinKind::None << true
            << false << false << Verdict::AskUnknown;
        QTest::newRow("self-signed, pinned the same: go on")
            << certificate << selfSigned << PinKind::Same << true << false << false
            << Verdict::Pinned;
        QTest::newRow("self-signed, another pinned: warn")
            << certificate << selfSigned << PinKind::Other << true << false << false
            << Verdict::WarnChanged;
        QTest::newRow("pinned as strict, answering TDS 7.x: downgrade")
            << certificate << selfSigned << PinKind::SameStrict << true << false << false
            << Verdict::WarnDowngrade;
        QTest::newRow("pinned as strict, strict again: go on")
            << certificate << selfSigned << PinKind::SameStrict << true << false << true
            << Verdict::Pinned;
        QTest::newRow("a key under 1024 bits: refused whatever was pinned")
            << certificate << (selfSigned | CertificateProblems::KeyTooSmall) << PinKind::Same
            << true << false << false << Verdict::Refused;
        QTest::newRow("an MD5 signature: refused")
            << certificate << quint32{CertificateProblems::Md5Signature} << PinKind::None << true
            << false << false << Verdict::Refused;
        QTest::newRow("encrypted before, cannot now: downgrade")
            << Outcome::CannotEncrypt << quint32{0} << PinKind::Same << true << false << false
            << Verdict::WarnDowngrade;
        QTest::newRow("never seen, cannot encrypt, a password to send: ask")
            << Outcome::CannotEncrypt << quint32{0} << PinKind::None << true << false << false
            << Verdict::AskPlaintext;
        QTest::newRow("cannot encrypt, agreed this run")
            << Outcome::CannotEncrypt << quint32{0} << PinKind::None << true << true << false
            << Verdict::Plaintext;
        QTest::newRow("cannot encrypt, integrated security sends no password")
            << Outcome::CannotEncrypt << quint32{0} << PinKind::None << false << false << false
            << Verdict::Plaintext;
        QTest::newRow("TDS 7.x turned away: try strict")
            << Outcome::Refused << quint32{0} << PinKind::None << true << false << false
            << Verdict::TryStrict;
        QTest::newRow("strict turned away too: refused")
            << Outcome::Refused << quint32{0} << PinKind::None << true << false << true
            << Verdict::Refused;
        QTest::newRow("spoke strict before, turns it away now: downgrade")
            << Outcome::Refused << quint32{0} << PinKind::SameStrict << true << false << true
            << Verdict::WarnDowngrade;
        QTest::newRow("the handshake timed out: refused")
            << Outcome::TimedOut << quint32{0} << PinKind::Same << true << false << false
            << Verdict::Refused;
    }

    void whatComesBeforeALoginFollowsWhatTheServerShowsAndWhatWasTrusted() {
        QFETCH(Outcome, outcome);
        QFETCH(quint32, problems);
        QFETCH(PinKind, pin);
        QFETCH(bool, sendsPassword);
        QFETCH(bool, plaintextAgreed);
        QFETCH(bool, probedStrict);
        QFETCH(Verdict, verdict);

        CertificateProbe::Result probe;
        probe.outcome = outcome;
        probe.problems = CertificateProblems(problems);
        probe.certificate.sha256 = kShown;
        Pin trusted;
        trusted.sha256 = pin == PinKind::Other ? kOther : kShown;
        trusted.speaksStrict = pin == PinKind::SameStrict;

        TrustPolicy::Situation situation;
        situation.probe = &probe;
        situation.pin = pin == PinKind::None ? nullptr : &trusted;
        situation.sendsPassword = sendsPassword;
        situation.plaintextAgreed = plaintextAgreed;
        situation.probedStrict = probedStrict;
        const auto decision = TrustPolicy::decide(situation);
        QCOMPARE(int(decision.verdict), int(verdict));
        if (verdict == Verdict::Refused && outcome == Outcome::Certificate) {
            QVERIFY(!decision.reason.empty());
        }
    }
};

QTEST_GUILESS_MAIN(TrustPolicyTest)
#include "tst_trustpolicy.moc"
