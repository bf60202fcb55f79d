// The hotkey dialog while an input method runs: the marks before the lines
// whose key also switches it, and the note for the key the boxes show.
#include "core/hotkeys/input_method.h"
#include "core/hotkeys/keylist.h"
#include "core/hotkeys/extra_keys.h"
#include "ui/frmHotKey.h"
#include "ui/frmHotKey_layout.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>

using namespace modMain;

int frmHotKey::heightTwips(bool withNote) const {
    return HotKeyDialogHeightTwips + (cmdDesktopKeys ? DesktopRowsTwips : 0) +
           (withNote ? NoteRowsTwips : 0);
}

// A mark before each line whose binding also switches the input method; the
// other lines get an empty one so that the bindings stay in one column.
void frmHotKey::showInputMethodMarks() {
    const QList<int> taken = RecordsOnSwitchKeys();
    const int side = QFontMetrics(lstCommand->font()).height() - 2;
    QPixmap blank(side, side);
    blank.fill(Qt::transparent);
    const QIcon mark = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    lstCommand->setIconSize(QSize(side, side));
    for (int line = 0; line < lstCommand->count(); ++line) {
        const bool marked = taken.contains(RecordOfLine(line));
        lstCommand->item(line)->setIcon(taken.isEmpty() ? QIcon() : marked ? mark : QIcon(blank));
    }
}

// The note for the combination the boxes and the key list show now, applied
// or not. The dialog keeps room for it while an input method runs.
void frmHotKey::showInputMethodNote() {
    const int row = lstKey->currentRow();
    QString inputMethod;
    if (row > 0 && row < lstKey->count()) {
        const Long modifiers =
            (chkAlt->isChecked() ? ModAltBit : 0) | (chkCtrl->isChecked() ? ModCtrlBit : 0) |
            (chkShift->isChecked() ? ModShiftBit : 0) | (chkWin->isChecked() ? ModWinBit : 0);
        inputMethod =
            InputMethodSwitchingWith(modifiers, lstKey->item(row)->data(Qt::UserRole).toInt());
    }
    lblInputMethod->setText(
        inputMethod.isEmpty()
            ? QString()
            : QStringLiteral("※このキーは入力メソッド（%1）の切り替えにも使われます")
                  .arg(inputMethod));
    const bool room = RunningInputMethod().has_value();
    lblInputMethod->setGeometry(twipRect(210, heightTwips(false) - 30, 3285, NoteRowsTwips - 60));
    lblInputMethod->setVisible(room);
    setFixedSize(px(3690), px(heightTwips(room)));
}
