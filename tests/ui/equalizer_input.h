// Mouse input on the equalizer's scroll bars and buttons as a user gives it:
// the arrows, the thumb and the option buttons' indicators.
#pragma once

#include <QAbstractButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

inline QRect ScrollBarPart(QScrollBar* bar, QStyle::SubControl part) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.activeSubControls = QStyle::SC_None;
    option.orientation = bar->orientation();
    if (bar->orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.upsideDown = bar->invertedAppearance();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
}

// One click on the arrow below the trough (one step towards the maximum).
inline void ClickLowerArrow(QScrollBar* bar) {
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      ScrollBarPart(bar, QStyle::SC_ScrollBarAddLine).center());
}

// Presses the thumb, drags it to the top of the trough and, unless told
// otherwise, lets it go there.
inline void DragThumbToTop(QScrollBar* bar, bool release = true) {
    const QPoint from = ScrollBarPart(bar, QStyle::SC_ScrollBarSlider).center();
    const QRect groove = ScrollBarPart(bar, QStyle::SC_ScrollBarGroove);
    const QPoint to(from.x(), groove.top() - 20);
    QTest::mousePress(bar, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(bar, from + (to - from) * step / 4);
    if (release)
        QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
}

// A click on the check or radio indicator at the button's left end.
inline void ClickIndicator(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2));
}
