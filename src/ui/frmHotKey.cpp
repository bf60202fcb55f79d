#include "ui/frmHotKey.h"

#include "core/hotkeys/hotkey_registry.h"
#include "core/hotkeys/keyfile.h"
#include "core/hotkeys/keylist.h"
#include "core/hotkeys/timestamp_key.h"
#include "ui/fonts.h"
#include "ui/forms.h"
#include "ui/frmMain.h"
#include "ui/message_box.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QIcon>
#include <QListWidget>
#include <QPushButton>

using namespace modMain;

namespace {

const QString CrLf = QStringLiteral("\r\n");

} // namespace

frmHotKey::frmHotKey(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName("frmHotKey");
    setWindowTitle(QStringLiteral("キー設定"));
    setWindowIcon(QIcon(QStringLiteral(":/memotap.png")));
    setFixedSize(px(3690), px(6180));
    buildControls();
    connectHandlers();
}

frmHotKey::~frmHotKey() {
    // Deleted with the main window without an unload: nobody may use it then.
    if (HotKeyForm == this)
        HotKeyForm = nullptr;
}

void frmHotKey::buildControls() {
    // The rectangle comes first so that it lies beneath the controls it frames.
    ShapeRectangle = new QFrame(this);
    ShapeRectangle->setObjectName("ShapeRectangle");
    ShapeRectangle->setFrameShape(QFrame::Box);
    ShapeRectangle->setGeometry(twipRect(210, 2205, 3270, 3375));

    lstCommand = new QListWidget(this);
    lstCommand->setObjectName("lstCommand");
    lstCommand->setFont(DesignFont(QStringLiteral("ＭＳ ゴシック"), 9));
    lstCommand->setGeometry(twipRect(210, 105, 3285, 1860));

    lstKey = new QListWidget(this);
    lstKey->setObjectName("lstKey");
    lstKey->setGeometry(twipRect(420, 2415, 2880, 2040));

    auto checkBox = [this](const char* name, const QString& caption, QRect rect) {
        auto* box = new QCheckBox(caption, this);
        box->setObjectName(name);
        box->setGeometry(rect);
        return box;
    };
    chkAlt = checkBox("chkAlt", QStringLiteral("Alt"), twipRect(525, 4590, 525, 375));
    chkCtrl = checkBox("chkCtrl", QStringLiteral("Ctrl"), twipRect(1140, 4590, 600, 375));
    chkShift = checkBox("chkShift", QStringLiteral("Shift"), twipRect(1830, 4590, 660, 375));
    chkWin = checkBox("chkWin", QStringLiteral("Win"), twipRect(2550, 4590, 600, 375));

    cmdApply = new QPushButton(QStringLiteral("適用"), this);
    cmdApply->setObjectName("cmdApply");
    cmdApply->setGeometry(twipRect(1260, 5040, 1170, 375));

    cmdClose = new QPushButton(QStringLiteral("閉じる"), this);
    cmdClose->setObjectName("cmdClose");
    cmdClose->setGeometry(twipRect(2310, 5670, 1170, 375));
}

void frmHotKey::connectHandlers() {
    connect(lstCommand, &QListWidget::currentRowChanged, this, &frmHotKey::lstCommand_Click);
    connect(lstKey, &QListWidget::currentRowChanged, this, &frmHotKey::lstKey_Click);
    for (QCheckBox* box : {chkAlt, chkCtrl, chkShift, chkWin})
        connect(box, &QCheckBox::toggled, this, &frmHotKey::chkModifier_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmHotKey::cmdApply_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmHotKey::cmdClose_Click);
}

void frmHotKey::Form_Load() {
    if (!Hotkeys().Load())
        return;
    for (int line = 0; line < DialogLineCount; ++line)
        lstCommand->addItem(CommandLabel(RecordOfLine(line)) + Binding(RecordOfLine(line)).KeyText);
    for (const KeyListEntry& key : KeyList()) {
        auto* item = new QListWidgetItem(key.Name, lstKey);
        item->setData(Qt::UserRole, key.Code);
    }
    Hotkeys().RegisterActive();
    lstCommand->setCurrentRow(0);
}

void frmHotKey::Form_Unload() {
    Hotkeys().Unload();
}

void frmHotKey::lstCommand_Click() {
    const int line = lstCommand->currentRow();
    if (line < 0 || line >= DialogLineCount)
        return;
    const HotkeyEntry& entry = Binding(RecordOfLine(line));
    // A row the list does not have (a damaged key file) selects no key.
    const bool known = entry.KeyIndex >= 0 && entry.KeyIndex < lstKey->count();
    lstKey->setCurrentRow(known ? entry.KeyIndex : -1);
    chkAlt->setChecked(entry.ModAlt == ModAltBit);
    chkCtrl->setChecked(entry.ModCtrl == ModCtrlBit);
    chkShift->setChecked(entry.ModShift == ModShiftBit);
    chkWin->setChecked(entry.ModWin == ModWinBit);
    cmdApply->setEnabled(false);
}

void frmHotKey::lstKey_Click() {
    cmdApply->setEnabled(true);
}

void frmHotKey::chkModifier_Click() {
    cmdApply->setEnabled(true);
}

void frmHotKey::setCommandLine(int line, const QString& keyText) {
    QListWidgetItem* item = lstCommand->item(line);
    const QString text = item->text();
    item->setText(text.left(text.indexOf(u':') + 1) + keyText);
}

void frmHotKey::cmdApply_Click() {
    const int line = lstCommand->currentRow();
    const int row = lstKey->currentRow();
    if (line < 0 || line >= DialogLineCount || row < 0 || row >= lstKey->count())
        return;
    const int record = RecordOfLine(line);
    HotkeyEntry& entry = Binding(record);

    if (row != 0) {
        HotkeyEntry wanted = entry;
        wanted.ModAlt = chkAlt->isChecked() ? ModAltBit : 0;
        wanted.ModCtrl = chkCtrl->isChecked() ? ModCtrlBit : 0;
        wanted.ModShift = chkShift->isChecked() ? ModShiftBit : 0;
        wanted.ModWin = chkWin->isChecked() ? ModWinBit : 0;
        wanted.VirtualKey = lstKey->item(row)->data(Qt::UserRole).toInt();
        wanted.KeyIndex = row;
        wanted.KeyText =
            MakeKeyText(chkAlt->isChecked(), chkCtrl->isChecked(), chkShift->isChecked(),
                        chkWin->isChecked(), lstKey->item(row)->text());
        wanted.Active = 1;
        if (Hotkeys().Rebind(record, wanted)) {
            entry = wanted;
            setCommandLine(line, entry.KeyText);
            ShowMessage(QStringLiteral("登録されました"), QStringLiteral("確認"), MessageIcon::None,
                        MessageButtons::Ok, this);
        } else {
            ShowMessage(QStringLiteral("すでにシステムに登録された組合せです") + CrLf +
                            QStringLiteral("同じ組合せが既にあるか、別のアプリケーションで使用して"
                                           "います"),
                        QStringLiteral("確認"), MessageIcon::Warning, MessageButtons::Ok, this);
        }
    } else if (Hotkeys().Release(record)) {
        ShowMessage(QStringLiteral("解除しました"), QStringLiteral("確認"), MessageIcon::None,
                    MessageButtons::Ok, this);
        const Long id = entry.Id;
        entry = HotkeyEntry{};
        entry.Id = id;
        entry.KeyText = DisabledKeyText;
        for (QCheckBox* box : {chkAlt, chkCtrl, chkShift, chkWin})
            box->setChecked(false);
        setCommandLine(line, DisabledKeyText);
    }
    cmdApply->setEnabled(false);
    Hozon();
    if (record == TimeStampRecord)
        SaveTimeStampKey();
}

void frmHotKey::cmdClose_Click() {
    hide();
}

void frmHotKey::closeEvent(QCloseEvent* event) {
    // Unloading would withdraw every hotkey: while the program runs the close
    // box only hides the dialog, as its close button does. The unload at exit
    // deletes the dialog without closing it.
    event->ignore();
    hide();
}

namespace modMain {

void LoadHotKeyForm() {
    if (HotKeyForm)
        return;
    // Owned by the main window so that it stays above it, also when the main
    // window is always on top.
    HotKeyForm = new frmHotKey(MainForm);
    HotKeyForm->Form_Load();
    HotKeyForm->hide();
}

void UnloadHotKeyForm() {
    frmHotKey* form = HotKeyForm;
    if (!form)
        return;
    HotKeyForm = nullptr;
    form->Form_Unload();
    delete form;
}

} // namespace modMain
