#include "ui/fonts.h"

#include <QStringList>

namespace {

QStringList withFallbacks(const QString& family) {
    // Fixed-pitch design fonts keep a fixed-pitch stand-in so columns line up.
    const bool fixedPitch = family == QStringLiteral("ＭＳ ゴシック");
    QStringList families{family};
    if (fixedPitch)
        families << "IPAGothic"
                 << "Noto Sans Mono CJK JP"
                 << "monospace";
    else
        families << "IPAPGothic"
                 << "Noto Sans CJK JP"
                 << "IPAGothic"
                 << "sans-serif";
    return families;
}

} // namespace

QFont DefaultUiFont() {
    QFont font;
    font.setFamilies(withFallbacks(QStringLiteral("MS UI Gothic")));
    font.setPointSizeF(8);
    return font;
}

QFont DesignFont(const QString& family, double pointSize) {
    QFont font;
    font.setFamilies(withFallbacks(family));
    font.setPointSizeF(pointSize);
    font.setStyleHint(family == QStringLiteral("ＭＳ ゴシック") ? QFont::TypeWriter
                                                                : QFont::SansSerif);
    return font;
}
