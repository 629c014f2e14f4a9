// The trust gate's questions as the main window puts them, through the real database component
// against the test server: the answer decides what is sent, a cancel ends the command with no
// box, and a server trusted once is not asked about again in the run.
#include "odbc/OdbcSystem.h"
#include "support/MainWindowWithComponent.h"
#include "support/TestServerProcess.h"
#include "trust/TrustGate.h"
#include "trustui/WindowTrustQuestions.h"

#include <QTemporaryDir>
#include <QtTest>

using brellow::testsupport::TestServerProcess;
using namespace brellow;

class TrustQuestionsWindowIntegrationTest : public QObject {
    Q_OBJECT

private slots:
    void theAnswerDecidesWhatTheServerReceives_data() {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("press"); // in the question: cmdGoOn or cmdCancel
        QTest::addColumn<bool>("answered");
        QTest::newRow("a certificate SQL Server made itself, trusted") << "2019"
                                                                       << "cmdGoOn" << true;
        QTest::newRow("a certificate SQL Server made itself, cancelled") << "2019"
                                                                         << "cmdCancel" << false;
        QTest::newRow("a server that cannot encrypt, agreed") << "2000"
                                                              << "cmdGoOn" << true;
        QTest::newRow("a server that cannot encrypt, cancelled") << "2000"
                                                                 << "cmdCancel" << false;
    }

    void theAnswerDecidesWhatTheServerReceives() {
        QFETCH(QString, profile);
        QFETCH(QString, press);
        QFETCH(bool, answered);
        TestServerProcess server({QStringLiteral("sa"),
                                  QStringLiteral("Qu3stion#"),
                                  {},
                                  {},
                                  {},
                                  {},
                                  60,
                                  {QStringLiteral("--profile"), profile}});
        QVERIFY2(server.start(), qPrintable(server.errorString()));

        testsupport::MainWindowWithComponent window;
        window.open();
        QTemporaryDir folder;
        trustui::WindowTrustQuestions questions(window.modal, window.mainWindow.get());
        window.components.passLoginsThrough(odbc::OdbcSystem::makeTrustGate(
            questions, folder.filePath(QStringLiteral("trusted-servers.txt")).toStdString()));
        QString asked;
        window.modal.whileShown = [&](QDialog& dialog) {
            asked = dialog.windowTitle();
            dialog.findChild<QPushButton*>(press)->click();
        };

        const QString address = QStringLiteral("localhost,%1").arg(server.port());
        window.getVersionInfo(address, QStringLiteral("sa"), QStringLiteral("Qu3stion#"));
        QCOMPARE(asked, QStringLiteral("Server Certificate"));
        QCOMPARE(window.modal.calls, 1);
        if (answered) {
            const bool v2019 = profile == QLatin1String("2019");
            window.verifyAnswers(v2019 ? QStringLiteral("Developer Edition (64-bit)")
                                       : QStringLiteral("Developer Edition"),
                                 v2019 ? QStringLiteral("15.0.2000.5")
                                       : QStringLiteral("8.00.2039"),
                                 v2019 ? QStringLiteral("RTM") : QStringLiteral("SP4"));
            // Trusted once: the second click asks nothing.
            QTest::mouseClick(window.control<QPushButton>("cmdGetVersion"), Qt::LeftButton);
            QCOMPARE(window.modal.calls, 1);
            QVERIFY(window.boxes.shown.isEmpty());
            QCOMPARE(server.loginLines().size(), 2);
        } else {
            // Cancelled: like an open that left the connection closed, with no box at all.
            QVERIFY(window.boxes.shown.isEmpty());
            window.verifyLabelsEmpty();
            QVERIFY(server.loginLines().isEmpty());
        }
        window.close();
    }
};

QTEST_MAIN(TrustQuestionsWindowIntegrationTest)
#include "tst_trustquestions_window_integration.moc"
