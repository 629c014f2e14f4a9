#include "about/WebLinkLauncher.h"
#include "support/FakeDesktop.h"
#include "support/FakeMessageBoxService.h"

#include <QTest>

using brellow::about::WebLinkLauncher;
using brellow::testsupport::FakeDesktop;
using brellow::testsupport::FakeMessageBoxService;
using brellow::uiservices::MessageBoxService;

namespace {

constexpr std::uintptr_t kOwner = 0x5a17;

} // namespace

class WebLinkLauncherTest : public QObject {
    Q_OBJECT

private slots:
    void opensTheCaptionsAddress_data();
    void opensTheCaptionsAddress();
    void aRefusalShowsTheSystemsNumber_data();
    void aRefusalShowsTheSystemsNumber();
};

void WebLinkLauncherTest::opensTheCaptionsAddress_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("address");

    QTest::newRow("bare host name") << "www.Brellow.example.org"
                                    << "http://www.brellow.example.org";
    QTest::newRow("scheme in capitals") << "HTTP://WWW.EXAMPLE.ORG/Index.HTML"
                                        << "http://www.example.org/index.html";
    QTest::newRow("ftp address") << "FTP://Files.Example.org/Pub"
                                 << "ftp://files.example.org/pub";
    QTest::newRow("mixed case path") << "example.org/Docs/ReadMe"
                                     << "http://example.org/docs/readme";
    QTest::newRow("http inside a query") << "example.org/go?to=HTTP://other.org"
                                         << "example.org/go?to=http://other.org";
    QTest::newRow("secure scheme keeps its own") << "HTTPS://secure.example.org/A"
                                                 << "https://secure.example.org/a";
    QTest::newRow("non-ASCII capitals") << "ÄBC.example.org"
                                        << "http://äbc.example.org";
}

void WebLinkLauncherTest::opensTheCaptionsAddress() {
    QFETCH(QString, caption);
    QFETCH(QString, address);

    FakeDesktop desktop;
    FakeMessageBoxService messages;
    WebLinkLauncher launcher(desktop, messages);

    launcher.open(kOwner, caption);

    QCOMPARE(desktop.openings.size(), std::size_t{1});
    QCOMPARE(QString::fromLocal8Bit(desktop.openings.front().address), address);
    QCOMPARE(desktop.openings.front().owner, kOwner);
    QVERIFY(messages.shown.isEmpty());
}

void WebLinkLauncherTest::aRefusalShowsTheSystemsNumber_data() {
    QTest::addColumn<bool>("late");
    QTest::addColumn<uint>("error");
    QTest::addColumn<QString>("text");
    for (const bool late : {false, true}) {
        const char* when = late ? "later" : "at once";
        const auto row = [&](const char* what, uint error) {
            QTest::addRow("%s, %s", what, when)
                << late << error
                << QStringLiteral("API Error #%1 was returned from GetLastError()").arg(error);
        };
        row("no association", 1155);
        row("no opener installed", 127);
        row("no error number set", 0);
        row("the largest number", 4294967295u);
    }
}

void WebLinkLauncherTest::aRefusalShowsTheSystemsNumber() {
    QFETCH(bool, late);
    QFETCH(uint, error);
    QFETCH(QString, text);

    FakeDesktop desktop;
    FakeMessageBoxService messages;
    WebLinkLauncher launcher(desktop, messages);
    if (late) {
        launcher.open(kOwner, "example.org");
        QVERIFY(messages.shown.isEmpty());
        QVERIFY(desktop.lateFailure);
        desktop.lateFailure(error);
    } else {
        desktop.refusal = error;
        launcher.open(kOwner, "example.org");
    }

    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown.front().text, text);
    QCOMPARE(messages.shown.front().style, MessageBoxService::kExclamation);
    QVERIFY(!messages.shown.front().title.has_value());
}

QTEST_GUILESS_MAIN(WebLinkLauncherTest)
#include "tst_weblinklauncher.moc"
