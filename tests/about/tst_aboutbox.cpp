#include "BuildIdentity.h"
#include "about/AboutBox.h"
#include "about/ClickableLabel.h"
#include "about/ImageBox.h"
#include "support/FakeAppServices.h"
#include "support/WindowControls.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using brellow::about::AboutBox;
using brellow::about::ClickableLabel;
using brellow::about::ImageBox;
using brellow::testsupport::control;
using brellow::testsupport::FakeAppServices;

namespace {

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// An owner window like the main window, shown and active.
struct ShownBox {
    explicit ShownBox(FakeAppServices& fakes) : box(fakes.desktop, fakes.messageBoxes, &owner) {
        owner.setGeometry(200, 150, 423, 180);
        owner.show();
        box.show();
        QApplication::setActiveWindow(&box);
    }
    QWidget owner;
    AboutBox box;
};

QImage solidIcon(QColor colour) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

} // namespace

class AboutBoxTest : public QObject {
    Q_OBJECT
private slots:
    void loadingFillsTheTextsFromTheIdentity() {
        FakeAppServices fakes;
        AboutBox box(fakes.desktop, fakes.messageBoxes);
        const QString name = fromView(brellow::identity::kProductName);
        QCOMPARE(name, QStringLiteral("Brellow"));

        QCOMPARE(box.windowTitle(), QStringLiteral("About ") + name);
        QCOMPARE(control<QLabel>(box, "lblTitle")->text(), name);
        // Each number in decimal, without the leading zeros of the "1.00.0005" form.
        QCOMPARE(control<QLabel>(box, "lblVersion")->text(), QStringLiteral("Version 1.0.5"));
        QVERIFY(fromView(brellow::identity::kVersionString) != QStringLiteral("1.0.5"));
        QCOMPARE(control<QLabel>(box, "lblDescription")->text(),
                 fromView(brellow::identity::kComments));
        QVERIFY(control<QLabel>(box, "lblDescription")->wordWrap());
        QCOMPARE(control<QLabel>(box, "lblURL")->text(), QStringLiteral("brellow.example.org"));
        QCOMPARE(control<QLabel>(box, "lblDisclaimer")->text(), QString());
        // Loading alone neither starts nor opens anything.
        QVERIFY(fakes.desktop.openings.empty());
        QCOMPARE(fakes.desktop.systemInformationStarts, 0);
        QVERIFY(fakes.messageBoxes.shown.isEmpty());
    }

    void aSecondBoxIsLoadedAfreshNotRemembered() {
        FakeAppServices fakes;
        QStringList seen;
        for (int opening = 0; opening < 2; ++opening) {
            AboutBox box(fakes.desktop, fakes.messageBoxes);
            seen << box.windowTitle() << control<QLabel>(box, "lblTitle")->text()
                 << control<QLabel>(box, "lblVersion")->text()
                 << control<QLabel>(box, "lblDescription")->text();
            QVERIFY(control<ImageBox>(box, "imgIcon")->picture().isNull());
            // Whatever happened to this one must not show in the next.
            control<QLabel>(box, "lblTitle")->setText(QStringLiteral("changed"));
            box.setIcon(QIcon(QPixmap::fromImage(solidIcon(Qt::red))));
        }
        QCOMPARE(seen.mid(0, 4), seen.mid(4, 4));
    }

    void escapeClosesTheBoxEvenFromSystemInfo() {
        FakeAppServices fakes;
        ShownBox shown(fakes);
        AboutBox& box = shown.box;
        QVERIFY(QTest::qWaitForWindowActive(&box));
        auto* cmdSysInfo = control<QPushButton>(box, "cmdSysInfo");
        cmdSysInfo->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), cmdSysInfo);
        QSignalSpy finished(&box, &QDialog::finished);
        QSignalSpy sysInfoPressed(cmdSysInfo, &QPushButton::clicked);

        QTest::keyClick(cmdSysInfo, Qt::Key_Escape);

        QVERIFY(!box.isVisible());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(sysInfoPressed.count(), 0);
        QVERIFY(fakes.messageBoxes.shown.isEmpty());
    }

    void okClosesAndEnterPressesTheFocusedButton() {
        FakeAppServices fakes;
        {
            ShownBox shown(fakes);
            QVERIFY(QTest::qWaitForWindowActive(&shown.box));
            auto* cmdOK = control<QPushButton>(shown.box, "cmdOK");
            QVERIFY(cmdOK->isDefault());
            QTRY_COMPARE(QApplication::focusWidget(), cmdOK);
            QTest::keyClick(cmdOK, Qt::Key_Return);
            QVERIFY(!shown.box.isVisible());
        }
        {
            ShownBox shown(fakes);
            QVERIFY(QTest::qWaitForWindowActive(&shown.box));
            auto* cmdSysInfo = control<QPushButton>(shown.box, "cmdSysInfo");
            QSignalSpy sysInfoPressed(cmdSysInfo, &QPushButton::clicked);
            cmdSysInfo->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), cmdSysInfo);
            QTest::keyClick(cmdSysInfo, Qt::Key_Return);
            // Enter on System Info presses that button; the box stays open.
            QCOMPARE(sysInfoPressed.count(), 1);
            QVERIFY(shown.box.isVisible());
            QTest::mouseClick(control<QPushButton>(shown.box, "cmdOK"), Qt::LeftButton);
            QVERIFY(!shown.box.isVisible());
        }
        {
            // The close box unloads it as well.
            ShownBox shown(fakes);
            QVERIFY(shown.box.close());
            QVERIFY(!shown.box.isVisible());
        }
    }

    void onlyTheTwoButtonsTakeTheFocus() {
        FakeAppServices fakes;
        ShownBox shown(fakes);
        QVERIFY(QTest::qWaitForWindowActive(&shown.box));
        QTRY_COMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdOK"));
        QStringList visited;
        for (int step = 0; step < 4; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, (QStringList{"cmdSysInfo", "cmdOK", "cmdSysInfo", "cmdOK"}));
        // Alt+S is System Info's access key.
        QCOMPARE(control<QPushButton>(shown.box, "cmdSysInfo")->text(),
                 QStringLiteral("&System Info..."));
    }

    void theBoxIsFixedAndCentredOverItsOwner() {
        FakeAppServices fakes;
        ShownBox shown(fakes);
        AboutBox& box = shown.box;
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.size(), QSize(382, 237));
        QCOMPARE(box.minimumSize(), box.maximumSize());
        const Qt::WindowFlags flags = box.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(box.isWindow());
        QCOMPARE(box.parentWidget(), &shown.owner);
        const QPoint offset = box.frameGeometry().center() - shown.owner.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2,
                 qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
    }

    void everyControlHasItsPlaceAndFont_data() {
        // Positions in twips, as the box was drawn: 15 to the pixel at 96 dots per inch.
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("family");
        QTest::addColumn<qreal>("points");
        QTest::addColumn<bool>("bold");
        const QString arial = QStringLiteral("Arial");
        const QString msSansSerif = QStringLiteral("MS Sans Serif");
        QTest::newRow("cmdOK") << QRect(4245, 2625, 1260, 345) << msSansSerif << 8.25 << false;
        QTest::newRow("cmdSysInfo") << QRect(4260, 3075, 1245, 345) << msSansSerif << 8.25 << false;
        QTest::newRow("lblDescription") << QRect(1080, 1200, 3885, 930) << arial << 8.25 << false;
        QTest::newRow("lblDisclaimer")
            << QRect(255, 2625, 3870, 825) << msSansSerif << 8.25 << false;
        QTest::newRow("lblTitle") << QRect(1050, 240, 4605, 360) << arial << 11.25 << true;
        QTest::newRow("lblVersion") << QRect(1050, 600, 3885, 225) << arial << 9.75 << false;
        QTest::newRow("lblURL") << QRect(1080, 840, 4605, 345) << arial << 9.75 << false;
    }

    void everyControlHasItsPlaceAndFont() {
        QFETCH(QRect, twips);
        QFETCH(QString, family);
        QFETCH(qreal, points);
        QFETCH(bool, bold);
        FakeAppServices fakes;
        AboutBox box(fakes.desktop, fakes.messageBoxes);
        auto* widget = control<QWidget>(box, QTest::currentDataTag());

        QCOMPARE(widget->parentWidget(), &box);
        QCOMPARE(widget->geometry(),
                 QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
        QCOMPARE(widget->font().family(), family);
        QCOMPARE(widget->font().pointSizeF(), points);
        QCOMPARE(widget->font().bold(), bold);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        }
    }

    void theLinkLooksLikeALinkAndReportsClicks() {
        FakeAppServices fakes;
        AboutBox box(fakes.desktop, fakes.messageBoxes);
        auto* link = control<ClickableLabel>(box, "lblURL");
        QVERIFY(link->font().underline());
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);

        QSignalSpy clicked(link, &ClickableLabel::clicked);
        const QPoint inside(5, 5);
        QTest::mouseClick(link, Qt::LeftButton, {}, inside);
        QCOMPARE(clicked.count(), 1);
        QTest::mouseClick(link, Qt::RightButton, {}, inside);
        QCOMPARE(clicked.count(), 1);
        // Pressed on it but released elsewhere: no click.
        QTest::mousePress(link, Qt::LeftButton, {}, inside);
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-20, link->height() + 20));
        QCOMPARE(clicked.count(), 1);
        // A release without a press on it is no click either.
        QTest::mouseRelease(link, Qt::LeftButton, {}, inside);
        QCOMPARE(clicked.count(), 1);
    }

    void theIconTakesThePicturesSize() {
        FakeAppServices fakes;
        AboutBox box(fakes.desktop, fakes.messageBoxes);
        ImageBox* image = box.iconImage();
        QCOMPARE(image, control<ImageBox>(box, "imgIcon"));
        QCOMPARE(image->geometry(), QRect(24, 16, 16, 16));

        const QImage picture = solidIcon(QColor(0, 0, 128));
        box.setIcon(QIcon(QPixmap::fromImage(picture)));
        QCOMPARE(image->pos(), QPoint(24, 16));
        QCOMPARE(image->size(), QSize(32, 32));
        QCOMPARE(image->pixmap().toImage().convertToFormat(QImage::Format_ARGB32), picture);
    }

    void theEtchedSeparatorIsGreyOverWhite() {
        FakeAppServices fakes;
        AboutBox box(fakes.desktop, fakes.messageBoxes);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QImage shot = box.grab().toImage();
        // The grey line one pixel above the white one, white starting a pixel further right.
        QCOMPARE(shot.pixelColor(100, 163), QColor(128, 128, 128));
        QCOMPARE(shot.pixelColor(100, 164), QColor(Qt::white));
        QCOMPARE(shot.pixelColor(100, 165), QColor(Qt::white));
        QCOMPARE(shot.pixelColor(6, 163), QColor(128, 128, 128));
        QVERIFY(shot.pixelColor(6, 164) != QColor(Qt::white));
        QCOMPARE(box.findChildren<QFrame*>(QStringLiteral("Line1")).size(), 2);
    }
};

QTEST_MAIN(AboutBoxTest)
#include "tst_aboutbox.moc"
