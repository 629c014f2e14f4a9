#include "windowkit/LazyIconEngine.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <utility>

namespace brellow::windowkit {
namespace {

qint64 area(const QSize& size) {
    return static_cast<qint64>(size.width()) * size.height();
}

} // namespace

LazyIconEngine::LazyIconEngine(QList<Picture> pictures) : pictures_(std::move(pictures)) {}

const LazyIconEngine::Picture* LazyIconEngine::pictureFor(const QSize& size) const {
    const Picture* smallestLargeEnough = nullptr;
    const Picture* largest = nullptr;
    for (const Picture& picture : pictures_) {
        if (largest == nullptr || area(picture.size) > area(largest->size)) {
            largest = &picture;
        }
        if (area(picture.size) >= area(size) &&
            (smallestLargeEnough == nullptr ||
             area(picture.size) < area(smallestLargeEnough->size))) {
            smallestLargeEnough = &picture;
        }
    }
    return smallestLargeEnough != nullptr ? smallestLargeEnough : largest;
}

void LazyIconEngine::readPictureFor(const QSize& size) {
    const Picture* picture = pictureFor(size);
    if (picture == nullptr || readFiles_.contains(picture->fileName)) {
        return;
    }
    readFiles_.append(picture->fileName);
    // Through QPixmap's own loading, which keeps what it read in the process's pixmap cache:
    // two icons over the same files (the application's and a window's) read each file once.
    const QPixmap read(picture->fileName);
    if (!read.isNull()) {
        read_.addPixmap(read);
    }
}

QPixmap LazyIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    readPictureFor(size);
    return read_.pixmap(size, 1.0, mode, state);
}

QPixmap LazyIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                                     qreal scale) {
    // The pictures are all at scale 1, so Qt matches them by device pixels alone: size.
    (void)scale;
    return pixmap(size, mode, state);
}

void LazyIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                           QIcon::State state) {
    const QPaintDevice* device = painter->device();
    const qreal ratio =
        device != nullptr ? device->devicePixelRatio() : qGuiApp->devicePixelRatio();
    painter->drawPixmap(rect, scaledPixmap(rect.size() * ratio, mode, state, ratio));
}

QSize LazyIconEngine::actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    (void)mode;
    (void)state;
    const Picture* picture = pictureFor(size);
    if (picture == nullptr) {
        return {};
    }
    QSize actual = picture->size;
    if (actual.width() > size.width() || actual.height() > size.height()) {
        actual.scale(size, Qt::KeepAspectRatio);
    }
    return actual;
}

QList<QSize> LazyIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state) {
    // As Qt's engine: the sizes of the pictures added, which were added for the normal look
    // and the off state only; the other looks are made from them when drawn.
    QList<QSize> sizes;
    if (mode == QIcon::Normal && state == QIcon::Off) {
        for (const Picture& picture : pictures_) {
            sizes.append(picture.size);
        }
    }
    return sizes;
}

bool LazyIconEngine::isNull() {
    return pictures_.isEmpty();
}

QString LazyIconEngine::key() const {
    return QStringLiteral("LazyIconEngine");
}

QIconEngine* LazyIconEngine::clone() const {
    return new LazyIconEngine(*this);
}

} // namespace brellow::windowkit
