// The colour table in use: the colours of its entries, and the colour dialog
// that chooses the status strip's panel and text colours from it.
#pragma once

#include "core/modMain.h"

#include <QColor>

namespace modMain {

// RGB(Red, Green, Blue) of Colours(index); fallback for an index the table
// does not hold.
QColor ColourOf(int index, const QColor& fallback);

// Shows the colour dialog modeless: creates it when it does not exist, else
// only brings it to the front.
void ShowColorForm();

} // namespace modMain
