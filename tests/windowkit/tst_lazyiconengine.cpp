#include "windowkit/LazyIconEngine.h"
#include "windowkit/ProgramIdentity.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

using brellow::windowkit::LazyIconEngine;
using brellow::windowkit::ProgramIdentity;

namespace {

QImage drawn(const QIcon& icon, const QSize& size, QIcon::Mode mode) {
    QImage image(size + QSize(6, 6), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, QRect(QPoint(3, 3), size), Qt::AlignCenter, mode);
    return image;
}

QImage solid(int size, QColor colour) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

} // namespace

class LazyIconEngineTest : public QObject {
    Q_OBJECT
private slots:
    void theProgramIconLooksAsQtsOwnEngineMakesItOfTheSameFiles_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("mode");
        const QList<QSize> sizes{{8, 8},     {16, 16},   {24, 24},   {32, 32},   {40, 40}, {48, 48},
                                 {100, 100}, {128, 128}, {256, 256}, {300, 300}, {20, 40}};
        const QList<QPair<const char*, QIcon::Mode>> modes{{"normal", QIcon::Normal},
                                                           {"disabled", QIcon::Disabled},
                                                           {"active", QIcon::Active},
                                                           {"selected", QIcon::Selected}};
        for (const QSize& size : sizes) {
            for (const auto& [name, mode] : modes) {
                QTest::addRow("%dx%d %s", size.width(), size.height(), name) << size << int(mode);
            }
        }
    }

    void theProgramIconLooksAsQtsOwnEngineMakesItOfTheSameFiles() {
        QFETCH(QSize, size);
        QFETCH(int, mode);
        const auto look = static_cast<QIcon::Mode>(mode);
        const QIcon lazy = ProgramIdentity::icon();
        QIcon eager;
        for (const int side : {16, 32, 48, 64, 128, 256}) {
            eager.addFile(QStringLiteral(":/icons/brellow-%1.png").arg(side), QSize(side, side));
        }

        QCOMPARE(lazy.availableSizes(look), eager.availableSizes(look));
        QCOMPARE(lazy.actualSize(size, look), eager.actualSize(size, look));
        const QImage picture = lazy.pixmap(size, look).toImage();
        QVERIFY(!picture.isNull());
        QCOMPARE(picture, eager.pixmap(size, look).toImage());
        QCOMPARE(drawn(lazy, size, look), drawn(eager, size, look));
    }

    void eachFileIsReadOnlyWhenAPictureOfItsSizeIsDrawn() {
        QTemporaryDir directory;
        QVERIFY(directory.isValid());
        const QString small = directory.filePath(QStringLiteral("small.png"));
        const QString large = directory.filePath(QStringLiteral("large.png"));
        const QIcon icon(new LazyIconEngine({{QSize(16, 16), small}, {QSize(64, 64), large}}));

        // Making the icon and asking what it holds read nothing: the files are not there yet.
        QCOMPARE(icon.availableSizes(), (QList<QSize>{{16, 16}, {64, 64}}));
        QCOMPARE(icon.actualSize(QSize(32, 32)), QSize(32, 32));
        QCOMPARE(icon.actualSize(QSize(128, 128)), QSize(64, 64));
        QVERIFY(solid(16, Qt::red).save(small));
        QVERIFY(solid(64, Qt::blue).save(large));

        QCOMPARE(icon.pixmap(QSize(16, 16)).toImage().pixelColor(8, 8), QColor(Qt::red));
        // Between the two sizes the larger one is scaled down, as Qt does.
        const QImage between = icon.pixmap(QSize(32, 32)).toImage();
        QCOMPARE(between.size(), QSize(32, 32));
        QCOMPARE(between.pixelColor(16, 16), QColor(Qt::blue));
        QCOMPARE(icon.pixmap(QSize(64, 64)).toImage().pixelColor(32, 32), QColor(Qt::blue));
    }
};

QTEST_MAIN(LazyIconEngineTest)
#include "tst_lazyiconengine.moc"
