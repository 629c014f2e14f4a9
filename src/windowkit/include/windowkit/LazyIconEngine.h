#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QList>
#include <QSize>
#include <QString>

namespace brellow::windowkit {

// An icon made of one picture file per size, each read only when a picture of about its size
// is first asked for. Qt's own engine reads every file when it is added, so merely creating
// the program's icon decoded all its PNGs up to 256 pixels, which no window shows at once.
// Which file answers a request, and how it is then scaled, greyed for the disabled look or
// cached, is left to an icon of Qt's own holding the pictures read so far: the same choice
// Qt makes over all of them, the smallest at least as large as asked, else the largest.
class LazyIconEngine : public QIconEngine {
public:
    struct Picture {
        QSize size;
        QString fileName;
    };

    explicit LazyIconEngine(QList<Picture> pictures);

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    bool isNull() override;
    QString key() const override;
    QIconEngine* clone() const override;

private:
    // The picture Qt would choose for size among all of them; nullptr when there are none.
    const Picture* pictureFor(const QSize& size) const;
    // Reads the picture for size into read_ unless it is there already.
    void readPictureFor(const QSize& size);

    QList<Picture> pictures_;
    QList<QString> readFiles_;
    QIcon read_;
};

} // namespace brellow::windowkit
