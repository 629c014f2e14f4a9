#pragma once

#include <QFont>
#include <QRect>
#include <QString>

namespace brellow::windowkit {

// The windows were drawn in twips, 1/1440 inch: 15 of them make one pixel at 96 dots per
// inch. The layouts keep the drawn figures; Qt scales the pixels on other displays.
inline constexpr int kTwipsPerPixel = 15;

inline QRect twips(int left, int top, int width, int height) {
    return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
            height / kTwipsPerPixel};
}

// A font by the classic family name; start-up has made sure the name resolves to a face
// that is installed.
inline QFont designFont(const char* family, qreal pointSize, bool bold = false,
                        bool underline = false) {
    QFont result{QString::fromLatin1(family)};
    result.setPointSizeF(pointSize);
    result.setBold(bold);
    result.setUnderline(underline);
    return result;
}

} // namespace brellow::windowkit
