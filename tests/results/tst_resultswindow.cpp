#include "results/ResultsWindow.h"
#include "results/TabStopDelegate.h"

#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>
#include <cmath>

using brellow::results::ResultsWindow;
using brellow::results::TabStopDelegate;

class ResultsWindowTest : public QObject {
    Q_OBJECT

private:
    static qreal averageWidth(const QWidget& widget) {
        return TabStopDelegate::averageCharWidth(QFontMetricsF(widget.font()));
    }

    // The first column, left to right, with a dark pixel between x0 and x1 on the rows of
    // the rectangle's inner part; -1 if none.
    static int firstDarkColumn(const QImage& image, const QRect& row, int x0, int x1) {
        for (int x = x0; x < x1 && x < image.width(); ++x) {
            for (int y = row.top() + 2; y <= row.bottom() - 2; ++y) {
                if (qGray(image.pixel(x, y)) < 128) {
                    return x;
                }
            }
        }
        return -1;
    }

private slots:
    void isLaidOutAsDesigned() {
        ResultsWindow resultsWindow;
        QCOMPARE(resultsWindow.objectName(), QStringLiteral("frmResults"));
        QCOMPARE(resultsWindow.windowTitle(), QStringLiteral("Results"));
        QCOMPARE(resultsWindow.size(), QSize(430, 239));
        QCOMPARE(resultsWindow.minimumSize(), resultsWindow.maximumSize());
        const Qt::WindowFlags flags = resultsWindow.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
        QCOMPARE(resultsWindow.font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(resultsWindow.font().pointSizeF(), 8.25);

        QListWidget* list = resultsWindow.findChild<QListWidget*>(QStringLiteral("lstResults"));
        QVERIFY(list != nullptr && list == resultsWindow.list());
        QCOMPARE(list->geometry(), QRect(8, 16, 417, 186));
        QVERIFY(!list->isSortingEnabled());
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(list->count(), 0);

        QPushButton* close = resultsWindow.findChild<QPushButton*>(QStringLiteral("cmdClose"));
        QVERIFY(close != nullptr && close == resultsWindow.closeButton());
        QCOMPARE(close->text(), QStringLiteral("Close"));
        QCOMPARE(close->geometry(), QRect(336, 208, 89, 25));
        QVERIFY(!close->isDefault());
        QVERIFY(!close->autoDefault());

        // Loading sets the two stops.
        QCOMPARE(resultsWindow.tabStops()->tabStops(), (std::vector<int>{0, 130}));
        QCOMPARE(list->itemDelegate(), resultsWindow.tabStops());
    }

    void opensCentredOverItsOwnerWithTheListFocused() {
        QWidget owner;
        owner.setGeometry(200, 150, 640, 480);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        ResultsWindow resultsWindow(&owner);
        resultsWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&resultsWindow));
        const QPoint offset =
            resultsWindow.frameGeometry().center() - owner.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 4,
                 qPrintable(QString::number(offset.x()) + "," + QString::number(offset.y())));
        QTRY_COMPARE(QApplication::focusWidget(), resultsWindow.list());
        QTest::keyClick(resultsWindow.list(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), resultsWindow.closeButton());
    }

    void enterAndEscCloseNothing() {
        ResultsWindow resultsWindow;
        resultsWindow.list()->addItem(QStringLiteral("Name\tValue"));
        resultsWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&resultsWindow));
        for (QWidget* target : {static_cast<QWidget*>(resultsWindow.list()),
                                static_cast<QWidget*>(resultsWindow.closeButton()),
                                static_cast<QWidget*>(&resultsWindow)}) {
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Escape);
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(target, Qt::Key_Enter, Qt::KeypadModifier);
            QVERIFY2(resultsWindow.isVisible(), qPrintable(target->objectName()));
        }
        QCOMPARE(resultsWindow.list()->count(), 1);
    }

    void theCloseButtonAndTheCloseBoxClose_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("click") << "click";
        QTest::newRow("space on the focused button") << "space";
        QTest::newRow("close box") << "box";
    }

    void theCloseButtonAndTheCloseBoxClose() {
        QFETCH(QString, how);
        ResultsWindow resultsWindow;
        resultsWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&resultsWindow));
        if (how == "click") {
            QTest::mouseClick(resultsWindow.closeButton(), Qt::LeftButton);
        } else if (how == "space") {
            resultsWindow.closeButton()->setFocus();
            QTest::keyClick(resultsWindow.closeButton(), Qt::Key_Space);
        } else {
            QVERIFY(resultsWindow.close());
        }
        QTRY_VERIFY(!resultsWindow.isVisible());
    }

    void rowsAreCutAtTheRightEdgeAndNeverScrollSideways() {
        ResultsWindow resultsWindow;
        QListWidget* list = resultsWindow.list();
        list->addItem(QStringLiteral("Long\t") + QString(300, QLatin1Char('x')));
        resultsWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&resultsWindow));
        list->doItemsLayout();
        QVERIFY(list->visualItemRect(list->item(0)).width() > list->viewport()->width());
        QCOMPARE(list->horizontalScrollBar()->maximum(), 0);
        list->horizontalScrollBar()->setValue(50);
        list->scrollToItem(list->item(0));
        QCOMPARE(list->horizontalScrollBar()->value(), 0);
        QVERIFY(!list->horizontalScrollBar()->isVisible());
    }

    void manyRowsGiveAVerticalScrollBar() {
        ResultsWindow resultsWindow;
        QListWidget* list = resultsWindow.list();
        for (int i = 0; i < 60; ++i) {
            list->addItem(QStringLiteral("Row %1\t%2").arg(i).arg(i * i));
        }
        resultsWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&resultsWindow));
        QTRY_VERIFY(list->verticalScrollBar()->isVisible());
        QVERIFY(list->verticalScrollBar()->maximum() > 0);
        // Rows keep the order they were appended in.
        QCOMPARE(list->item(59)->text(), QStringLiteral("Row 59\t3481"));
    }

    void theValueColumnIsDrawnAtTheSecondStop() {
        ResultsWindow resultsWindow;
        QListWidget* list = resultsWindow.list();
        list->addItem(QStringLiteral("x"));
        list->addItem(QStringLiteral("ii\tHHHH"));
        list->addItem(QStringLiteral("HHHH"));
        resultsWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&resultsWindow));
        list->doItemsLayout();
        const QImage image = list->viewport()->grab().toImage();
        const qreal average = averageWidth(*list);
        const QFontMetricsF metrics(list->font());

        const QRect valueRow = list->visualItemRect(list->item(1));
        const int nameEnd = int(std::ceil(1 + metrics.horizontalAdvance(QStringLiteral("ii"))));
        const int valueStart = firstDarkColumn(image, valueRow, nameEnd + 2, image.width());
        const int expected = int(std::round(32.5 * average));
        QVERIFY2(std::abs(valueStart - expected) <= 2,
                 qPrintable(QStringLiteral("value at %1, expected %2 (average width %3)")
                                .arg(valueStart)
                                .arg(expected)
                                .arg(average)));

        // A row without a tab starts at the list's left edge.
        const int plainStart =
            firstDarkColumn(image, list->visualItemRect(list->item(2)), 0, image.width());
        QVERIFY2(plainStart >= 0 && plainStart <= 3, qPrintable(QString::number(plainStart)));
    }
};

QTEST_MAIN(ResultsWindowTest)
#include "tst_resultswindow.moc"
