#include "about/ImageBox.h"

namespace brellow::about {

ImageBox::ImageBox(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void ImageBox::setPicture(const QIcon& picture) {
    picture_ = picture;
    if (picture.isNull()) {
        clear();
        return;
    }
    const QSize size(kIconSize, kIconSize);
    setPixmap(picture.pixmap(size, devicePixelRatioF()));
    resize(size);
}

} // namespace brellow::about
