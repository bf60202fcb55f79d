// Every caption of the main window and its dialogs shows its whole text in
// each Japanese font the player falls back to on a desktop without the
// design's fonts, and so does every text the status strip shows while playing.
#include "ui/frmColor.h"
#include "ui/frmHotKey.h"
#include "ui/frmPedal.h"
#include "ui/modes_fixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>

using namespace modMain;

namespace {

// The width a control lays its text out in.
int RoomOf(QWidget* control, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->contentsRect().width();
    auto* button = qobject_cast<QAbstractButton*>(control);
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = text;
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    if (qobject_cast<QPushButton*>(button))
        return button->style()
            ->subElementRect(QStyle::SE_PushButtonContents, &option, button)
            .width();
    // A check box's text starts beside its indicator and may use the rest
    // of the box.
    const QStyle::SubElement contents = qobject_cast<QCheckBox*>(button)
                                            ? QStyle::SE_CheckBoxContents
                                            : QStyle::SE_RadioButtonContents;
    return button->width() - button->style()->subElementRect(contents, &option, button).left();
}

// The controls whose texts are cut off in the given family, each with the
// width its text takes and the width it has.
QStringList Clipped(QWidget* window, const QString& family,
                    const QMap<QWidget*, QStringList>& runTimeTexts) {
    QStringList clipped;
    auto check = [&](QWidget* control, const QString& text) {
        QFont font = control->font();
        font.setFamilies({family});
        const QString shown = QString(text).remove(u'&');
        const int needed = QFontMetrics(font).horizontalAdvance(shown);
        const int room = RoomOf(control, text);
        if (needed > room)
            clipped << QStringLiteral("%1 \"%2\": %3 px in %4 px")
                           .arg(control->objectName(), shown)
                           .arg(needed)
                           .arg(room);
    };
    for (QWidget* control : window->findChildren<QWidget*>()) {
        // Qt's own parts (the menu bar's overflow button) carry no caption.
        if (control->objectName().startsWith("qt_"))
            continue;
        if (auto* label = qobject_cast<QLabel*>(control); label && !label->text().isEmpty())
            check(label, label->text());
        else if (auto* button = qobject_cast<QAbstractButton*>(control))
            check(button, button->text());
        for (const QString& text : runTimeTexts.value(control))
            check(control, text);
    }
    return clipped;
}

class Captions : public StartedWindow {};

TEST_F(Captions, EveryCaptionFitsInEachFallbackFont) {
    start();
    // The equalizer panel shows its controls too.
    form->SetOuterHeight(3825);
    const QMap<QWidget*, QStringList> runTimeTexts = {
        {form->lblState, {"停止", "再生中", "一時停止", "ｵｰﾌﾟﾝ中"}},
        {form->lblRep, {"ﾘﾋﾟｰﾄ中"}},
        {form->lblRepTime, {"00:00:24", "88:88:88"}},
        {form->lblPTime, {"88:88:88"}},
        {form->lblTTime, {"/ 88:88:88"}},
    };
    // The dialogs as they open, laid out, before they read any settings.
    frmColor colours;
    frmHotKey keys;
    frmPedal pedals;
    for (QWidget* dialog : std::initializer_list<QWidget*>{&colours, &keys, &pedals})
        dialog->show();
    for (const QString family : {"IPAPGothic", "Noto Sans CJK JP"}) {
        ASSERT_TRUE(QFontDatabase::hasFamily(family)) << family.toStdString();
        for (QWidget* window :
             std::initializer_list<QWidget*>{form.get(), &colours, &keys, &pedals}) {
            const QStringList clipped = Clipped(window, family, runTimeTexts);
            EXPECT_TRUE(clipped.isEmpty())
                << family.toStdString() << ", " << window->metaObject()->className() << ": "
                << clipped.join("; ").toStdString();
        }
    }
}

} // namespace
