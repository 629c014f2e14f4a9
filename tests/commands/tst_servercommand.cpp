#include "ado/ErrorNumbers.h"
#include "commands/ServerCommand.h"
#include "connstring/ConnectionStringParser.h"
#include "support/FakeComponent.h"
#include "support/FakeMessageBoxService.h"
#include "support/FakeMousePointer.h"
#include "text/CaseInsensitive.h"

#include <QtTest>
#include <stdexcept>

using brellow::ado::Connection;
using brellow::ado::Recordset;
using brellow::commands::ConnectionRequest;
using brellow::commands::ServerCommand;
using brellow::connstring::ConnectionStringParser;
using brellow::testsupport::FakeComponent;
using brellow::testsupport::FakeMessageBoxService;
using brellow::testsupport::FakeMousePointer;
namespace text = brellow::text;
namespace errors = brellow::ado::errors;

namespace {

const ServerCommand::Options kVersionCommand{.showBusyPointer = true};
const ServerCommand::Options kPropertiesCommand{.showBusyPointer = false};

// The value the component's own parser reads for a keyword of the composed string.
std::string valueOf(const std::string& connectionString, const std::string& keyword) {
    for (const auto& pair : ConnectionStringParser::parse(connectionString)) {
        if (text::equalsIgnoringCase(pair.keyword, keyword)) {
            return pair.value;
        }
    }
    throw std::runtime_error("no " + keyword + " in " + connectionString);
}

} // namespace

class ServerCommandTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeComponent> component;
    std::unique_ptr<FakeMessageBoxService> boxes;
    std::unique_ptr<FakeMousePointer> pointer;
    ConnectionRequest request;
    bool workStepRan = false;

    void run(ServerCommand::Options options, const ServerCommand::WorkStep& step = {}) {
        ServerCommand command(*component, *boxes, *pointer);
        command.run(
            request, options,
            step ? step : [this](Connection&, std::unique_ptr<Recordset>&) { workStepRan = true; });
    }

    void verifyEverythingReleased() {
        QCOMPARE(component->liveConnections, 0);
        QCOMPARE(component->liveRecordsets, 0);
        QCOMPARE(component->openConnections, 0);
        QCOMPARE(pointer->current(), brellow::uiservices::MousePointer::kArrow);
    }

private slots:
    void init() {
        component = std::make_unique<FakeComponent>();
        boxes = std::make_unique<FakeMessageBoxService>();
        pointer = std::make_unique<FakeMousePointer>();
        request = ConnectionRequest{QStringLiteral("srv"), true, {}, {}};
        workStepRan = false;
    }

    void composesTheConnectionStringPieceByPiece_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("login");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("pieces");

        const QString p = QStringLiteral("Provider=SQLOLEDB.1;");
        QTest::newRow("integrated, user boxes filled")
            << "srv" << false << "sa"
            << "pw" << QStringList{p, "Data Source=srv;", "Integrated Security=SSPI;"};
        QTest::newRow("login") << "127.0.0.1,1433" << true << "sa"
                               << "secret"
                               << QStringList{p, "Data Source=127.0.0.1,1433;", "User Id = sa;",
                                              "Password = secret;"};
        QTest::newRow("login, empty user and password")
            << "srv" << true << ""
            << "" << QStringList{p, "Data Source=srv;", "User Id = ;", "Password = ;"};
        QTest::newRow("inner blanks and '=' need no quotes")
            << "my server" << true << "a=b"
            << "x = y"
            << QStringList{p, "Data Source=my server;", "User Id = a=b;", "Password = x = y;"};
        QTest::newRow("semicolon in the password")
            << "srv" << true << "sa"
            << "a;b" << QStringList{p, "Data Source=srv;", "User Id = sa;", "Password = \"a;b\";"};
        QTest::newRow("leading and trailing blanks")
            << " srv" << true << "sa "
            << " secret"
            << QStringList{p, "Data Source=\" srv\";", "User Id = \"sa \";",
                           "Password = \" secret\";"};
        QTest::newRow("a server name that tries to name another provider")
            << "x;Provider=MSDASQL" << false << ""
            << ""
            << QStringList{p, "Data Source=\"x;Provider=MSDASQL\";", "Integrated Security=SSPI;"};
        QTest::newRow("quotes inside need none")
            << "srv" << true << "O'Brien"
            << "it's \"x\""
            << QStringList{p, "Data Source=srv;", "User Id = O'Brien;", "Password = it's \"x\";"};
        QTest::newRow("a quote at the start: the other kind around it")
            << "srv" << true << "'quoted'"
            << "\"pw"
            << QStringList{p, "Data Source=srv;", "User Id = \"'quoted'\";", "Password = '\"pw';"};
        QTest::newRow("non-ASCII text goes as UTF-8")
            << "srv" << true << QString::fromUtf8("m\xc3\xbcller")
            << QString::fromUtf8("p\xc3\xa4ss")
            << QStringList{p, "Data Source=srv;", QString::fromUtf8("User Id = m\xc3\xbcller;"),
                           QString::fromUtf8("Password = p\xc3\xa4ss;")};
    }

    void composesTheConnectionStringPieceByPiece() {
        QFETCH(QString, server);
        QFETCH(bool, login);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QStringList, pieces);
        request = ConnectionRequest{server, !login, user, password};

        run(kVersionCommand);

        // Set once, then each piece appended to what was read back: every write is a prefix.
        std::vector<std::string> expectedWrites;
        std::string text;
        for (const QString& piece : pieces) {
            text += piece.toStdString();
            expectedWrites.push_back(text);
        }
        QCOMPARE(component->connectionStringWrites, expectedWrites);
        QCOMPARE(component->countCalls("ConnectionString?"), int(pieces.size()) - 1);
        QVERIFY(workStepRan);
        QVERIFY(boxes->shown.isEmpty());
    }

    void theProviderReadsBackWhatWasTyped_data() {
        QTest::addColumn<QString>("value");
        for (const char* value :
             {"plain", "", "a;b", " lead", "trail ", "\"", "'", "''\"\"", "a\"b'c;d", ";", " ",
              "=;=", "\t tab", "=lead", "==", "a=b", "x;Provider=MSDASQL"}) {
            QTest::newRow(*value != '\0' ? value : "(empty)") << QString::fromUtf8(value);
        }
    }

    void theProviderReadsBackWhatWasTyped() {
        QFETCH(QString, value);
        request = ConnectionRequest{value, false, value, value};

        run(kVersionCommand);

        QVERIFY(!component->connectionStringWrites.empty());
        const std::string composed = component->connectionStringWrites.back();
        const std::string typed = value.toStdString();
        try {
            QCOMPARE(valueOf(composed, "Provider"), std::string("SQLOLEDB.1"));
            QCOMPARE(valueOf(composed, "Data Source"), typed);
            QCOMPARE(valueOf(composed, "User Id"), typed);
            QCOMPARE(valueOf(composed, "Password"), typed);
        } catch (const std::exception& error) {
            QFAIL(qPrintable(QString::fromStdString(composed) + ": " + error.what()));
        }
    }

    void reportsAFailureWithTheRightBox_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<std::int32_t>("number");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("title");

        const QString deniedText =
            QStringLiteral("The SQL Server is not available or you have been denied access!");
        const QString deniedTitle = QStringLiteral("SQL Server Not Available/Access Denied");
        QTest::newRow("refused login")
            << "open" << errors::kFail << deniedText << 16 << deniedTitle;
        QTest::newRow("E_FAIL inside the work step")
            << "work" << errors::kFail << deniedText << 16 << deniedTitle;
        QTest::newRow("bad connection string at open")
            << "open" << errors::kBadConnectionString << "described" << 0 << QString();
        QTest::newRow("query rejected")
            << "work" << errors::kCommandRejected << "described" << 0 << QString();
        QTest::newRow("timeout") << "work" << errors::kCommandTimeout << "described" << 0
                                 << QString();
        QTest::newRow("error numbered 0 is still a failure")
            << "work" << std::int32_t{0} << "described" << 0 << QString();
        QTest::newRow("a certificate refused: why, in the box")
            << "open" << errors::kAuthenticationFailed << "described" << 0 << QString();
        // The user said no to a question before the login: nothing more to say.
        QTest::newRow("cancelled by the user: no box")
            << "open" << errors::kOperationCancelled << QString() << 0 << QString();
    }

    void reportsAFailureWithTheRightBox() {
        QFETCH(QString, where);
        QFETCH(std::int32_t, number);
        QFETCH(QString, text);
        QFETCH(int, style);
        QFETCH(QString, title);
        const auto error = FakeComponent::error(number, "described");
        if (where == "open") {
            component->failOpen = error;
        }
        run(kVersionCommand,
            [&](Connection&, std::unique_ptr<Recordset>&) { std::rethrow_exception(error); });

        QCOMPARE(boxes->shown.size(), text.isEmpty() ? 0 : 1);
        if (text.isEmpty()) {
            verifyEverythingReleased();
            return;
        }
        QCOMPARE(boxes->shown[0].text, text);
        QCOMPARE(boxes->shown[0].style, style);
        // Other failures carry no title of their own: the box takes the application's.
        QCOMPARE(boxes->shown[0].title.has_value(), !title.isEmpty());
        if (!title.isEmpty()) {
            QCOMPARE(*boxes->shown[0].title, title);
        }
        verifyEverythingReleased();
    }

    void reportsAnyExceptionByItsText() {
        run(kPropertiesCommand, [](Connection&, std::unique_ptr<Recordset>&) {
            throw std::out_of_range("position 7 is out of range");
        });
        QCOMPARE(boxes->shown.size(), 1);
        QCOMPARE(boxes->shown[0].text, QStringLiteral("position 7 is out of range"));
        QCOMPARE(boxes->shown[0].style, 0);
        QVERIFY(!boxes->shown[0].title.has_value());
        verifyEverythingReleased();
    }

    void successShowsNoBoxAndEndsWithTheArrow() {
        run(kVersionCommand);
        QVERIFY(workStepRan);
        QVERIFY(boxes->shown.isEmpty());
        QCOMPARE(pointer->history, (QList<int>{11, 1}));
        QCOMPARE(component->countCalls("Close"), 1);
        verifyEverythingReleased();
    }

    void theHourglassComesBeforeTheConnection() {
        int pointerAtCreate = -1;
        component->onCall = [&](const std::string& call) {
            if (call == "Create ADODB.Connection") {
                pointerAtCreate = pointer->current();
            }
        };
        run(kVersionCommand);
        QCOMPARE(pointerAtCreate, 11);
    }

    void propertiesCommandNeverShowsTheHourglass() {
        component->failOpen = FakeComponent::error(errors::kFail, "refused");
        run(kPropertiesCommand);
        QCOMPARE(pointer->history, (QList<int>{1}));
    }

    void teardownClosesTheConnectionAfterAFailedWorkStep() {
        std::vector<std::string> callsAtFailure;
        run(kVersionCommand, [&](Connection& connection, std::unique_ptr<Recordset>& recordset) {
            recordset = connection.execute("SELECT 1");
            callsAtFailure = component->calls;
            throw brellow::ado::DbError(errors::kCommandRejected, "boom");
        });
        QCOMPARE(boxes->shown.size(), 1);
        // The arrow first, then the recordset is released (still open, not closed first),
        // then the connection is closed because it is open, then released.
        std::vector<std::string> teardown(component->calls.begin() +
                                              static_cast<std::ptrdiff_t>(callsAtFailure.size()),
                                          component->calls.end());
        QCOMPARE(teardown, (std::vector<std::string>{"Release Recordset (open)", "State?", "Close",
                                                     "Release Connection"}));
        verifyEverythingReleased();
    }

    void pointerIsTheArrowBeforeAnythingIsReleased() {
        int pointerAtRelease = -1;
        component->onCall = [&](const std::string& call) {
            if (call.rfind("Release Recordset", 0) == 0 && pointerAtRelease == -1) {
                pointerAtRelease = pointer->current();
            }
        };
        run(kVersionCommand);
        QCOMPARE(pointerAtRelease, 1);
    }

    void aConnectionThatCannotBeCreatedEndsAfterOneMessage() {
        component->failCreateConnection = FakeComponent::error(
            errors::kCannotCreateObject, "ActiveX component can't create object");
        run(kVersionCommand);
        QCOMPARE(boxes->shown.size(), 1);
        QCOMPARE(boxes->shown[0].text, QStringLiteral("ActiveX component can't create object"));
        QCOMPARE(boxes->shown[0].style, 0);
        QCOMPARE(component->calls, (std::vector<std::string>{"Create ADODB.Connection"}));
        QVERIFY(!workStepRan);
        QCOMPARE(component->connectionsCreated, 0);
        verifyEverythingReleased();
    }

    void aRecordsetThatCannotBeCreatedReleasesTheClosedConnection() {
        component->failCreateRecordset = FakeComponent::error(errors::kCannotCreateObject, "no rs");
        run(kVersionCommand);
        QCOMPARE(boxes->shown.size(), 1);
        QCOMPARE(component->countCalls("Open"), 0);
        QCOMPARE(component->countCalls("Close"), 0);
        QCOMPARE(component->calls.back(), std::string("Release Connection"));
        verifyEverythingReleased();
    }

    void aConnectionLeftClosedByOpenSkipsTheWorkSilently() {
        component->stateAfterOpen = 0;
        run(kVersionCommand);
        QVERIFY(!workStepRan);
        QVERIFY(boxes->shown.isEmpty());
        QCOMPARE(component->countCalls("Close"), 0);
        verifyEverythingReleased();
    }

    void aFailingCloseNeitherEscapesNorAddsAMessage() {
        component->failClose = FakeComponent::error(errors::kFail, "close failed");
        run(kVersionCommand);
        QVERIFY(workStepRan);
        QVERIFY(boxes->shown.isEmpty());
        QCOMPARE(component->liveConnections, 0);
        QCOMPARE(component->liveRecordsets, 0);
        QCOMPARE(pointer->current(), 1);
    }

    void eachCommandStartsWithNewObjects() {
        run(kVersionCommand);
        component->failOpen = FakeComponent::error(errors::kFail, "refused");
        run(kVersionCommand);
        component->failOpen = nullptr;
        run(kVersionCommand);
        QCOMPARE(component->connectionsCreated, 3);
        QCOMPARE(component->recordsetsCreated, 3);
        QCOMPARE(component->countCalls("Open"), 3);
        QCOMPARE(boxes->shown.size(), 1);
        verifyEverythingReleased();
    }
};

QTEST_GUILESS_MAIN(ServerCommandTest)
#include "tst_servercommand.moc"
