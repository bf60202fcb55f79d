// Window layouts are designed in twips; these turn them into pixels.
#pragma once

#include "core/modMain.h"

#include <QRect>

namespace modMain {

inline int px(int twips) {
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

inline QRect twipRect(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

} // namespace modMain
