// Fonts of the design, with the Japanese fonts this desktop has standing in
// for the ones it lacks, so the captions never render as boxes.
#pragma once

#include <QFont>
#include <QString>

// The window's default font.
QFont DefaultUiFont();
// A named design font at a point size ("ＭＳ Ｐゴシック", "ＭＳ ゴシック").
QFont DesignFont(const QString& family, double pointSize);
