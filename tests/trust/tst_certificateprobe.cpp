#include "TestServerProcess.h"
#include "trust/CertificateProbe.h"

#include <QTemporaryDir>
#include <QtTest>

using brellow::testsupport::TestServerProcess;
using brellow::trust::CertificateProbe;
using brellow::trust::CertificateProblems;
using Outcome = CertificateProbe::Result::Outcome;

Q_DECLARE_METATYPE(Outcome)

namespace {

constexpr auto kAuthority = "@authority";
#ifdef _WIN32
constexpr auto kTlsFirstProtocol = "TLS1.2";
#else
constexpr auto kTlsFirstProtocol = "TLS1.3";
#endif

} // namespace

// The probe against the test server: what it finds of each server's certificate, and that it
// never logs in.
class CertificateProbeTest : public QObject {
    Q_OBJECT

private slots:
    void aProbeTellsWhatAValidatingDriverWouldFindAndNeverLogsIn_data() {
        QTest::addColumn<QStringList>("serverArgs"); // kAuthority: --ca-out into the test's folder
        QTest::addColumn<bool>("tlsFirst");
        QTest::addColumn<bool>("trustAuthority");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<quint32>("problems");

        const QStringList signedByAuthority{QStringLiteral("--ca-out"), kAuthority};
        QTest::newRow("a certificate SQL Server made itself")
            << QStringList{"--profile", "2019"} << false << false << 10000 << Outcome::Certificate
            << quint32{CertificateProblems::UnknownAuthority};
        QTest::newRow("a certificate from a trusted authority")
            << (QStringList{"--profile", "2019"} + signedByAuthority) << false << true << 10000
            << Outcome::Certificate << quint32{0};
        QTest::newRow("a trusted authority's certificate for another name")
            << (QStringList{"--profile", "2019", "--cert-name", "sql.example.com"} +
                signedByAuthority)
            << false << true << 10000 << Outcome::Certificate
            << quint32{CertificateProblems::NameMismatch};
        QTest::newRow("a trusted authority's certificate that has expired")
            << (QStringList{"--profile", "2019", "--cert-validity", "expired"} + signedByAuthority)
            << false << true << 10000 << Outcome::Certificate
            << quint32{CertificateProblems::Expired};
        QTest::newRow("a certificate SQL Server made itself, not valid yet")
            << QStringList{"--profile", "2019", "--cert-validity", "future"} << false << false
            << 10000 << Outcome::Certificate
            << quint32{CertificateProblems::UnknownAuthority | CertificateProblems::NotYetValid};
        // Old servers' own certificates: warned of, or (MD5) refused, never left unsaid.
        const QString data = QStringLiteral(BRELLOW_TRUST_TEST_DATA);
        QTest::newRow("an old server's 1024-bit key, signed with SHA-1")
            << QStringList{"--profile", "2019",
                           "--cert",    data + "/rsa1024-sha1-cert.pem",
                           "--key",     data + "/rsa1024-sha1-key.pem"}
            << false << false << 10000 << Outcome::Certificate
            << quint32{CertificateProblems::UnknownAuthority | CertificateProblems::WeakKey |
                       CertificateProblems::Sha1Signature};
        QTest::newRow("a certificate signed with MD5")
            << QStringList{"--profile",          "2019", "--cert", data + "/md5-cert.pem", "--key",
                           data + "/md5-key.pem"}
            << false << false << 10000 << Outcome::Certificate
            << quint32{CertificateProblems::UnknownAuthority | CertificateProblems::Md5Signature};
        QTest::newRow("SQL Server 2000 without a certificate")
            << QStringList{"--profile", "2000"} << false << false << 10000 << Outcome::CannotEncrypt
            << quint32{0};
        QTest::newRow("TDS 8.0 to a strict-only server")
            << (QStringList{"--profile", "2022-strict"} + signedByAuthority) << true << true
            << 10000 << Outcome::Certificate << quint32{0};
        QTest::newRow("TDS 7.x to a strict-only server")
            << (QStringList{"--profile", "2022-strict"}) << false << false << 10000
            << Outcome::Refused << quint32{0};
        QTest::newRow("TDS 8.0 to a server before 2022")
            << QStringList{"--profile", "2019"} << true << false << 10000 << Outcome::Refused
            << quint32{0};
        QTest::newRow("a handshake the server breaks off halfway")
            << QStringList{"--profile", "2019", "--fault", "break-tls"} << false << false << 1500
            << Outcome::TimedOut << quint32{0};
        QTest::newRow("a server that never answers")
            << QStringList{"--profile", "2019", "--fault", "silent-handshake"} << false << false
            << 1500 << Outcome::TimedOut << quint32{0};
    }

    void aProbeTellsWhatAValidatingDriverWouldFindAndNeverLogsIn() {
        QFETCH(QStringList, serverArgs);
        QFETCH(bool, tlsFirst);
        QFETCH(bool, trustAuthority);
        QFETCH(int, timeoutMs);
        QFETCH(Outcome, outcome);
        QFETCH(quint32, problems);

#ifdef _WIN32
        // The Linux test server writes the authority where Wine shows it as drive Z:.
        QTemporaryDir folder(QStringLiteral("Z:/tmp/brellow-probe-XXXXXX"));
        const QString authority = folder.filePath(QStringLiteral("authority.pem"));
        serverArgs.replaceInStrings(QString::fromLatin1(kAuthority), authority.mid(2));
#else
        QTemporaryDir folder;
        const QString authority = folder.filePath(QStringLiteral("authority.pem"));
        serverArgs.replaceInStrings(QString::fromLatin1(kAuthority), authority);
#endif
        TestServerProcess server({QStringLiteral("sa"), QStringLiteral("Probe#1"), QString(),
                                  QString(), QString(), QString(), 60, serverArgs});
        QVERIFY2(server.start(), qPrintable(server.errorString()));

        CertificateProbe::Request request;
        request.host = "localhost";
        request.port = server.port();
        request.tlsFirst = tlsFirst;
        request.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        if (trustAuthority) {
            request.extraAuthorityFile = authority.toStdString();
        }
        const auto started = std::chrono::steady_clock::now();
        const CertificateProbe::Result result = CertificateProbe::fetch(request);
        const auto took = std::chrono::steady_clock::now() - started;

        QVERIFY2(result.outcome == outcome, result.error.c_str());
        QCOMPARE(result.problems.bits(), problems);
        // Bounded by its deadline, with a second to spare for the machine.
        QVERIFY(took < std::chrono::milliseconds(timeoutMs + 1000));
        if (outcome == Outcome::Certificate) {
            const auto& facts = result.certificate;
            QCOMPARE(facts.sha256.size(), std::size_t{32 * 3 - 1});
            QVERIFY2(facts.pem.rfind("-----BEGIN CERTIFICATE-----", 0) == 0, facts.pem.c_str());
            QVERIFY(facts.notBefore < facts.notAfter);
            QCOMPARE(facts.notAfter < std::time(nullptr),
                     bool(problems & CertificateProblems::Expired));
            QVERIFY2(facts.subject.find("CN=") != std::string::npos, facts.subject.c_str());
            QCOMPARE(facts.publicKeyAlgorithm, std::string("RSA"));
            QCOMPARE(facts.keyBits, (problems & CertificateProblems::WeakKey) ? 1024u : 2048u);
            // TDS 8.0 takes TLS 1.2 or later; GnuTLS offers 1.3, Wine's SChannel 1.2.
            const std::string expected = !tlsFirst ? "TLS1.2" : kTlsFirstProtocol;
            QCOMPARE(result.protocol, expected);
            QCOMPARE(facts.issuer == facts.subject, !trustAuthority);
        }
        if (tlsFirst && outcome == Outcome::Certificate) {
            // The server notes the handshake once it has ended on its side, a moment after the
            // probe's.
            const auto handshakes = [&server] {
                return server.wireLogLines().filter(QStringLiteral(" TLS "));
            };
            QTRY_COMPARE_WITH_TIMEOUT(handshakes().size(), 1, 5000);
            QVERIFY2(handshakes()[0].contains("alpn=tds/8.0"), qPrintable(handshakes()[0]));
        }
        server.stop();
        QVERIFY2(server.loginLines().isEmpty(), qPrintable(server.loginLines().join('\n')));
    }
};

QTEST_GUILESS_MAIN(CertificateProbeTest)
#include "tst_certificateprobe.moc"
