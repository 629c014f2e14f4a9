#include "about/WebLinkLauncher.h"
#include "support/FakeMessageBoxService.h"
#include "support/FakeShell.h"

#include <QTest>
#include <limits>

using brellow::about::WebLinkLauncher;
using brellow::os::Shell;
using brellow::testsupport::FakeMessageBoxService;
using brellow::testsupport::FakeShell;
using brellow::uiservices::MessageBoxService;

namespace {

constexpr std::uintptr_t kOwner = 0x5a17;

} // namespace

class WebLinkLauncherTest : public QObject {
    Q_OBJECT

private slots:
    void opensTheCaptionsAddress_data();
    void opensTheCaptionsAddress();
    void aResultOf32OrMoreIsSuccess_data();
    void aResultOf32OrMoreIsSuccess();
    void aResultBelow32ShowsTheLastError_data();
    void aResultBelow32ShowsTheLastError();
    void launchAppPassesItsDocumentAndShowModeUnchanged();
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

    FakeShell shell;
    FakeMessageBoxService messages;
    WebLinkLauncher launcher(shell, messages);

    launcher.OpenURL(kOwner, caption);

    QCOMPARE(shell.requests.size(), std::size_t{1});
    const FakeShell::Request& request = shell.requests.front();
    QCOMPARE(QString::fromLocal8Bit(request.file), address);
    QCOMPARE(request.owner, kOwner);
    QCOMPARE(request.verb, std::string("open"));
    QCOMPARE(request.parameters, std::string());
    QCOMPARE(request.directory, std::string());
    QCOMPARE(request.showCommand, Shell::kShowNormal);
    QVERIFY(messages.shown.isEmpty());
}

void WebLinkLauncherTest::aResultOf32OrMoreIsSuccess_data() {
    QTest::addColumn<int>("result");
    QTest::newRow("exactly 32") << 32;
    QTest::newRow("a handle-like value") << 0x7FFF0000;
}

void WebLinkLauncherTest::aResultOf32OrMoreIsSuccess() {
    QFETCH(int, result);
    FakeShell shell;
    shell.result = result;
    shell.lastError = 5;
    FakeMessageBoxService messages;
    WebLinkLauncher launcher(shell, messages);

    launcher.OpenURL(kOwner, "example.org");

    QCOMPARE(shell.requests.size(), std::size_t{1});
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(shell.lastErrorReads, 0);
}

void WebLinkLauncherTest::aResultBelow32ShowsTheLastError_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<uint>("lastError");
    QTest::addColumn<QString>("text");

    QTest::newRow("31, no association")
        << 31 << 1155u << "API Error #1155 was returned from GetLastError()";
    QTest::newRow("2, file not found")
        << 2 << 2u << "API Error #2 was returned from GetLastError()";
    QTest::newRow("0 with no last error set")
        << 0 << 0u << "API Error #0 was returned from GetLastError()";
    QTest::newRow("negative") << -1 << 87u << "API Error #87 was returned from GetLastError()";
    QTest::newRow("most negative") << std::numeric_limits<int>::min() << 4294967295u
                                   << "API Error #4294967295 was returned from GetLastError()";
}

void WebLinkLauncherTest::aResultBelow32ShowsTheLastError() {
    QFETCH(int, result);
    QFETCH(uint, lastError);
    QFETCH(QString, text);

    FakeShell shell;
    shell.result = result;
    shell.lastError = lastError;
    FakeMessageBoxService messages;
    WebLinkLauncher launcher(shell, messages);

    launcher.OpenURL(kOwner, "example.org");

    QCOMPARE(shell.lastErrorReads, 1);
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown.front().text, text);
    QCOMPARE(messages.shown.front().style, MessageBoxService::kExclamation);
    QVERIFY(!messages.shown.front().title.has_value());
}

void WebLinkLauncherTest::launchAppPassesItsDocumentAndShowModeUnchanged() {
    FakeShell shell;
    FakeMessageBoxService messages;
    WebLinkLauncher launcher(shell, messages);

    launcher.LaunchApp(7, "Some Document.TXT", 3);

    QCOMPARE(shell.requests.size(), std::size_t{1});
    QCOMPARE(shell.requests.front().file, std::string("Some Document.TXT"));
    QCOMPARE(shell.requests.front().showCommand, 3);
    QCOMPARE(shell.requests.front().owner, std::uintptr_t{7});
}

QTEST_GUILESS_MAIN(WebLinkLauncherTest)
#include "tst_weblinklauncher.moc"
