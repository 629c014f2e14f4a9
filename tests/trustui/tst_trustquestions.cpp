#include "support/FakeModalPresenter.h"
#include "trustui/WindowTrustQuestions.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <QtTest>

using brellow::testsupport::FakeModalPresenter;
using brellow::trust::CertificateProbe;
using brellow::trust::CertificateProblems;
using brellow::trust::Pin;
using brellow::trustui::WindowTrustQuestions;

namespace {

const std::string kShown = "AB:CD:EF";
const std::string kPinned = "01:23:45";

CertificateProbe::Result selfSigned() {
    CertificateProbe::Result shown;
    shown.outcome = CertificateProbe::Result::Outcome::Certificate;
    shown.problems.add(CertificateProblems::UnknownAuthority);
    shown.certificate.subject = "CN=SQL01";
    shown.certificate.issuer = "CN=SQL01";
    shown.certificate.sha256 = kShown;
    shown.certificate.notBefore = 1796790600;
    shown.certificate.notAfter = 1796790600 + 365 * 86400;
    return shown;
}

} // namespace

class TrustQuestionsTest : public QObject {
    Q_OBJECT

private slots:
    void eachQuestionShowsWhatIsAtStakeAndSendsNothingByDefault_data() {
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>(
            "answer"); // "cmdGoOn", "cmdCancel", "remember", "Return", "close"
        QTest::addColumn<bool>("wentOn");
        QTest::addColumn<bool>("remembered");
        QTest::addColumn<QStringList>("shows");

        const QStringList unknown{"sql01:1433", "self-signed", kShown.c_str(), "CN=SQL01",
                                  "2026-12-09"};
        const QStringList changed{"has changed", kShown.c_str(), kPinned.c_str()};
        QTest::newRow("unknown, trusted") << "unknown"
                                          << "cmdGoOn" << true << false << unknown;
        QTest::newRow("unknown, trusted and remembered") << "unknown"
                                                         << "remember" << true << true << unknown;
        QTest::newRow("unknown, cancelled") << "unknown"
                                            << "cmdCancel" << false << false << unknown;
        QTest::newRow("unknown, Enter sends nothing") << "unknown"
                                                      << "Return" << false << false << unknown;
        QTest::newRow("unknown, closed") << "unknown"
                                         << "close" << false << false << unknown;
        QTest::newRow("changed, Enter sends nothing") << "changed"
                                                      << "Return" << false << false << changed;
        QTest::newRow("changed, the new one trusted") << "changed"
                                                      << "cmdGoOn" << true << false << changed;
        QTest::newRow("downgrade, cancelled")
            << "downgrade"
            << "cmdCancel" << false << false << QStringList{"now says it cannot"};
        QTest::newRow("clear text, agreed")
            << "plaintext"
            << "cmdGoOn" << true << false << QStringList{"in clear"};
    }

    void eachQuestionShowsWhatIsAtStakeAndSendsNothingByDefault() {
        QFETCH(QString, question);
        QFETCH(QString, answer);
        QFETCH(bool, wentOn);
        QFETCH(bool, remembered);
        QFETCH(QStringList, shows);

        QWidget owner;
        FakeModalPresenter modal;
        QString everything;
        modal.whileShown = [&](QDialog& dialog) {
            for (const QLabel* label : dialog.findChildren<QLabel*>()) {
                everything += label->text() + QLatin1Char('\n');
            }
            for (const QPlainTextEdit* text : dialog.findChildren<QPlainTextEdit*>()) {
                everything += text->toPlainText() + QLatin1Char('\n');
            }
            auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("cmdCancel"));
            QVERIFY(cancel != nullptr && cancel->isDefault());
            if (auto* remember = dialog.findChild<QCheckBox*>(QStringLiteral("chkRemember"))) {
                QVERIFY(!remember->isChecked());
            }
            if (answer == QLatin1String("remember")) {
                dialog.findChild<QCheckBox*>(QStringLiteral("chkRemember"))->setChecked(true);
                dialog.findChild<QPushButton*>(QStringLiteral("cmdGoOn"))->click();
            } else if (answer == QLatin1String("Return")) {
                QTest::keyClick(&dialog, Qt::Key_Return);
            } else if (answer.startsWith(QLatin1String("cmd"))) {
                dialog.findChild<QPushButton*>(answer)->click();
            }
        };
        WindowTrustQuestions questions(modal, &owner);
        CertificateProbe::Result shown = selfSigned();
        const Pin pinned{"sql01:1433", kPinned, {}, 0, false};
        bool went = false;
        bool kept = false;
        if (question == QLatin1String("unknown")) {
            const auto choice = questions.askUnknown("sql01:1433", shown, {});
            went = choice.trust;
            kept = choice.remember;
        } else if (question == QLatin1String("changed")) {
            const auto choice = questions.warnChanged("sql01:1433", pinned, shown, {});
            went = choice.trust;
            kept = choice.remember;
        } else if (question == QLatin1String("downgrade")) {
            went = questions.warnDowngrade("sql01:1433", pinned);
        } else {
            went = questions.askPlaintext("sql01:1433");
        }
        QCOMPARE(modal.calls, 1);
        QCOMPARE(modal.lastOwner, &owner);
        QCOMPARE(went, wentOn);
        QCOMPARE(kept, remembered);
        for (const QString& part : shows) {
            QVERIFY2(everything.contains(part),
                     qPrintable(part + QLatin1String(" in:\n") + everything));
        }
    }

    void aDamagedPinsFileIsSaidInTheQuestion() {
        QWidget owner;
        FakeModalPresenter modal;
        QString explanation;
        modal.whileShown = [&](QDialog& dialog) {
            explanation = dialog.findChild<QLabel*>(QStringLiteral("lblExplanation"))->text();
        };
        WindowTrustQuestions(modal, &owner)
            .askUnknown("sql01:1433", selfSigned(), "The trusted-servers file is damaged.");
        QVERIFY2(explanation.contains(QLatin1String("damaged")), qPrintable(explanation));
    }
};

QTEST_MAIN(TrustQuestionsTest)
#include "tst_trustquestions.moc"
