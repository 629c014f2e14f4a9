#pragma once

#include <QIcon>
#include <QLabel>

namespace brellow::about {

// An image control that is never stretched: it takes the size of the picture it is given.
class ImageBox : public QLabel {
    Q_OBJECT
public:
    // The standard size of an icon picture.
    static constexpr int kIconSize = 32;

    explicit ImageBox(QWidget* parent = nullptr);

    void setPicture(const QIcon& picture);
    QIcon picture() const { return picture_; }

private:
    QIcon picture_;
};

} // namespace brellow::about
