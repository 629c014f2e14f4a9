// What the Linux part of the binding does before a login: finding the driver's library and
// telling which FreeTDS it is.
#include "linux/FreeTdsVersion.h"
#include "linux/OdbcDriverLocator.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace brellow::odbc;

namespace {

// All of a literal's bytes, the zeros inside it too.
template <std::size_t N> QByteArray bytesOf(const char (&literal)[N]) {
    return QByteArray(literal, N - 1);
}

} // namespace

class OdbcLinuxPartsTest : public QObject {
    Q_OBJECT

private slots:
    void driverLocatorTakesTheFirstExistingFile();

    void theDriversVersionTellsWhetherItSpeaksTds8_data();
    void theDriversVersionTellsWhetherItSpeaksTds8();
};

void OdbcLinuxPartsTest::theDriversVersionTellsWhetherItSpeaksTds8_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("version"); // empty: none found
    QTest::addColumn<bool>("tds8");
    QTest::newRow("Debian 12's") << bytesOf("ELF..freetds v1.3.17\0..") << "1.3.17" << false;
    QTest::newRow("1.5, the first with TDS 8.0")
        << bytesOf("x\0freetds v1.5.5\0") << "1.5.5" << true;
    QTest::newRow("a later major") << QByteArray("freetds v2.0.1") << "2.0.1" << true;
    QTest::newRow("a marker without a whole version, then one")
        << bytesOf("freetds v1.\0 freetds v1.4.2") << "1.4.2" << false;
    QTest::newRow("no marker") << QByteArray("libtdsodbc") << "" << false;
}

void OdbcLinuxPartsTest::theDriversVersionTellsWhetherItSpeaksTds8() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, version);
    QFETCH(bool, tds8);
    const auto found = FreeTdsVersion::find(std::string_view(bytes.constData(), bytes.size()));
    QCOMPARE(found.has_value(), !version.isEmpty());
    if (found) {
        QCOMPARE(QStringLiteral("%1.%2.%3").arg(found->major).arg(found->minor).arg(found->patch),
                 version);
        QCOMPARE(found->speaksTds8(), tds8);
    }
}

void OdbcLinuxPartsTest::driverLocatorTakesTheFirstExistingFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string first = dir.filePath("first.so").toStdString();
    const std::string second = dir.filePath("second.so").toStdString();
    QFile(QString::fromStdString(second)).open(QIODevice::WriteOnly);
    QCOMPARE(OdbcDriverLocator::locate({first, dir.path().toStdString(), second}), second);
    QCOMPARE(OdbcDriverLocator::locate({first}), "");
    const auto defaults = OdbcDriverLocator::defaultCandidates();
    QVERIFY(!defaults.empty());
    for (const auto& candidate : defaults) {
        QVERIFY(candidate.size() > 13 &&
                candidate.compare(candidate.size() - 13, 13, "libtdsodbc.so") == 0);
    }
}

QTEST_GUILESS_MAIN(OdbcLinuxPartsTest)
#include "tst_odbclinuxparts.moc"
