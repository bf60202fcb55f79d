#include "ui/frmHotKey.h"

#include "core/hotkeys/desktop_hotkeys.h"
#include "core/hotkeys/desktop_session.h"
#include "core/hotkeys/desktop_shortcuts.h"
#include "core/hotkeys/extra_keys.h"
#include "core/hotkeys/gnome_shortcuts.h"
#include "core/hotkeys/hotkey_registry.h"
#include "core/hotkeys/input_method.h"
#include "core/hotkeys/keyfile.h"
#include "core/hotkeys/keylist.h"
#include "ui/fonts.h"
#include "ui/forms.h"
#include "ui/frmHotKey_layout.h"
#include "ui/frmMain.h"
#include "ui/message_box.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QWindow>

using namespace modMain;

namespace {

const QString CrLf = QStringLiteral("\r\n");

// After the binding of a record the desktop did not bind.
const QString UnboundMark = QStringLiteral(" <<未登録>>");

void ShowRefusedCombination(QWidget* parent) {
    ShowMessage(QStringLiteral("すでにシステムに登録された組合せです") + CrLf +
                    QStringLiteral("同じ組合せが既にあるか、別のアプリケーションで使用して"
                                   "います"),
                QStringLiteral("確認"), MessageIcon::Warning, MessageButtons::Ok, parent);
}

// The desktop left these records without a key.
void ShowUnboundCombinations(QWidget* parent, const QList<int>& records) {
    ShowMessage(UnboundLines(records) + CrLf + QStringLiteral("ホットキー登録できませんでした") +
                    CrLf + QStringLiteral("すでにシステムに登録された組合せです") + CrLf +
                    QStringLiteral("同じ組合せが既にあるか、別のアプリケーションで使用して"
                                   "います"),
                QStringLiteral("確認"), MessageIcon::Warning, MessageButtons::Ok, parent);
}

// A key the input method also switches with is taken all the same; the
// message says what that costs.
void ShowRegistered(const QString& inputMethod, QWidget* parent) {
    if (inputMethod.isEmpty()) {
        ShowMessage(QStringLiteral("登録されました"), QStringLiteral("確認"), MessageIcon::None,
                    MessageButtons::Ok, parent);
        return;
    }
    ShowMessage(QStringLiteral("登録されました") + CrLf +
                    QStringLiteral("このキーは入力メソッド（%1）の切り替えにも使われます")
                        .arg(inputMethod) +
                    CrLf +
                    QStringLiteral("メモタップの起動中は、このキーで入力メソッドを切り替えられ"
                                   "ません"),
                QStringLiteral("確認"), MessageIcon::Warning, MessageButtons::Ok, parent);
}

} // namespace

frmHotKey::frmHotKey(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName("frmHotKey");
    setWindowTitle(QStringLiteral("キー設定"));
    setWindowIcon(QIcon(QStringLiteral(":/memotap.png")));
    setFixedSize(px(3690), px(HotKeyDialogHeightTwips));
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
    // Shift and Win are a little wider than designed, for the Japanese
    // fonts this desktop falls back to.
    chkShift = checkBox("chkShift", QStringLiteral("Shift"), twipRect(1830, 4590, 690, 375));
    chkWin = checkBox("chkWin", QStringLiteral("Win"), twipRect(2580, 4590, 630, 375));

    cmdApply = new QPushButton(QStringLiteral("適用"), this);
    cmdApply->setObjectName("cmdApply");
    cmdApply->setGeometry(twipRect(1260, 5040, 1170, 375));

    cmdClose = new QPushButton(QStringLiteral("閉じる"), this);
    cmdClose->setObjectName("cmdClose");
    cmdClose->setGeometry(twipRect(2310, 5670, 1170, 375));

    lblInputMethod = new QLabel(this);
    lblInputMethod->setObjectName("lblInputMethod");
    lblInputMethod->setWordWrap(true);
    lblInputMethod->hide();
}

void frmHotKey::connectHandlers() {
    connect(lstCommand, &QListWidget::currentRowChanged, this, &frmHotKey::lstCommand_Click);
    connect(lstKey, &QListWidget::currentRowChanged, this, &frmHotKey::lstKey_Click);
    for (QCheckBox* box : {chkAlt, chkCtrl, chkShift, chkWin})
        connect(box, &QCheckBox::toggled, this, &frmHotKey::chkModifier_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmHotKey::cmdApply_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmHotKey::cmdClose_Click);
    connect(&InputMethodChanges(), &InputMethodEvents::changed, this, [this] {
        showInputMethodMarks();
        showInputMethodNote();
    });
}

void frmHotKey::Form_Load() {
    if (!Hotkeys().Load())
        return;
    if (DesktopShortcuts* desktop = desktopShortcuts()) {
        // The desktop's dialogs, if it shows any, belong to the player's window.
        // The QWindow's id is the window's as it is now; a widget keeps the
        // first one after its window was made anew.
        desktop->setParentWindow([] {
            const QWindow* window = MainForm ? MainForm->windowHandle() : nullptr;
            if (!window || QGuiApplication::platformName() != QLatin1String("xcb"))
                return QString();
            return QStringLiteral("x11:") + QString::number(window->winId(), 16);
        });
        buildDesktopControls();
    }
    for (int line = 0; line < DialogLineCount; ++line)
        lstCommand->addItem(CommandLabel(RecordOfLine(line)) + Binding(RecordOfLine(line)).KeyText);
    for (const KeyListEntry& key : KeyList()) {
        auto* item = new QListWidgetItem(key.Name, lstKey);
        item->setData(Qt::UserRole, key.Code);
    }
    Hotkeys().RegisterActive();
    lstCommand->setCurrentRow(0);
    showInputMethodMarks();
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
    showDesktopKeys();
    showInputMethodNote();
    cmdApply->setEnabled(false);
}

void frmHotKey::lstKey_Click() {
    showInputMethodNote();
    cmdApply->setEnabled(true);
}

void frmHotKey::chkModifier_Click() {
    showInputMethodNote();
    cmdApply->setEnabled(true);
}

void frmHotKey::setCommandLine(int line, const QString& keyText) {
    QListWidgetItem* item = lstCommand->item(line);
    const QString text = item->text();
    item->setText(text.left(text.indexOf(u':') + 1) + keyText);
}

HotkeyEntry frmHotKey::shownBinding(const HotkeyEntry& entry, int row) const {
    HotkeyEntry wanted = entry;
    wanted.ModAlt = chkAlt->isChecked() ? ModAltBit : 0;
    wanted.ModCtrl = chkCtrl->isChecked() ? ModCtrlBit : 0;
    wanted.ModShift = chkShift->isChecked() ? ModShiftBit : 0;
    wanted.ModWin = chkWin->isChecked() ? ModWinBit : 0;
    wanted.VirtualKey = lstKey->item(row)->data(Qt::UserRole).toInt();
    wanted.KeyIndex = row;
    wanted.KeyText = MakeKeyText(chkAlt->isChecked(), chkCtrl->isChecked(), chkShift->isChecked(),
                                 chkWin->isChecked(), lstKey->item(row)->text());
    wanted.Active = 1;
    return wanted;
}

void frmHotKey::cmdApply_Click() {
    const int line = lstCommand->currentRow();
    const int row = lstKey->currentRow();
    if (line < 0 || line >= DialogLineCount || row < 0 || row >= lstKey->count())
        return;
    if (desktopShortcuts()) {
        applyThroughDesktop(line, row);
        return;
    }
    const int record = RecordOfLine(line);
    HotkeyEntry& entry = Binding(record);

    if (row != 0) {
        const HotkeyEntry wanted = shownBinding(entry, row);
        if (Hotkeys().Rebind(record, wanted)) {
            entry = wanted;
            setCommandLine(line, entry.KeyText);
            showInputMethodMarks();
            ShowRegistered(InputMethodSwitchingWith(ModifiersOf(entry), entry.VirtualKey), this);
        } else {
            ShowRefusedCombination(this);
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
        showInputMethodMarks();
    }
    cmdApply->setEnabled(false);
    Hozon();
    SaveExtraKey(record);
}

// The desktop decides the keys: the record keeps what the user chose, the
// whole set is bound again, and the message waits for the desktop's answer.
void frmHotKey::applyThroughDesktop(int line, int row) {
    const int record = RecordOfLine(line);
    HotkeyEntry& entry = Binding(record);
    const bool releasing = row == 0;
    // Nothing is bound for a disabled record, so there is nothing to release.
    const bool changed = !releasing || entry.Active != 0;
    if (!releasing) {
        entry = shownBinding(entry, row);
    } else if (changed) {
        const Long id = entry.Id;
        entry = HotkeyEntry{};
        entry.Id = id;
        entry.KeyText = DisabledKeyText;
        for (QCheckBox* box : {chkAlt, chkCtrl, chkShift, chkWin})
            box->setChecked(false);
    }
    setCommandLine(line, entry.KeyText);
    showInputMethodMarks();
    cmdApply->setEnabled(false);
    Hozon();
    SaveExtraKey(record);
    if (!changed)
        return;
    const QString inputMethod =
        releasing ? QString() : InputMethodSwitchingWith(ModifiersOf(entry), entry.VirtualKey);
    DesktopShortcuts* desktop = desktopShortcuts();
    disconnect(desktopAnswer_);
    desktopAnswer_ = connect(
        desktop, &DesktopShortcuts::finished, this,
        [this, desktop, record, releasing, inputMethod](DesktopShortcuts::Outcome outcome) {
            auto answer = [this, desktop, releasing, inputMethod](bool bound, bool gnome) {
                const QList<int> unbound = bound   ? UnboundRecords(*desktop)
                                           : gnome ? UnboundRecords(desktopKeys())
                                                   : QList<int>();
                if (!bound && !gnome)
                    ShowRefusedCombination(this);
                else if (!unbound.isEmpty())
                    ShowUnboundCombinations(this, unbound);
                else if (releasing)
                    ShowMessage(QStringLiteral("解除しました"), QStringLiteral("確認"),
                                MessageIcon::None, MessageButtons::Ok, this);
                else
                    ShowRegistered(inputMethod, this);
            };
            if (outcome == DesktopShortcuts::Outcome::Bound) {
                answer(true, false);
                return;
            }
            // Without the portal GNOME's own shortcuts may hold the
            // records: what counts is the keys GNOME has afterwards.
            UpdateGnomeShortcuts(record, [self = QPointer(this), answer](bool gnome) {
                if (!self)
                    return;
                if (gnome)
                    self->readGnomeKeys([answer] { answer(false, true); });
                else
                    answer(false, false);
            });
        },
        // Gone before it runs, so the call keeps what it holds.
        Qt::SingleShotConnection);
    desktop->bind(ActiveShortcuts(releasing ? 0 : record));
}

void frmHotKey::cmdClose_Click() {
    hide();
}

void frmHotKey::buildDesktopControls() {
    DesktopShortcuts* desktop = desktopShortcuts();
    setFixedSize(px(3690), px(HotKeyDialogHeightTwips + DesktopRowsTwips));
    lblDesktopKey = new QLabel(this);
    lblDesktopKey->setObjectName("lblDesktopKey");
    lblDesktopKey->setGeometry(twipRect(210, 6150, 3285, 375));

    cmdDesktopKeys = new QPushButton(QStringLiteral("デスクトップで設定..."), this);
    cmdDesktopKeys->setObjectName("cmdDesktopKeys");
    cmdDesktopKeys->setGeometry(twipRect(210, 6600, 1620, 375));
    connect(cmdDesktopKeys, &QPushButton::clicked, this, &frmHotKey::cmdDesktopKeys_Click);

    cmdRemoveGnome = new QPushButton(QStringLiteral("GNOMEの登録を削除"), this);
    cmdRemoveGnome->setObjectName("cmdRemoveGnome");
    cmdRemoveGnome->setGeometry(twipRect(1875, 6600, 1620, 375));
    connect(cmdRemoveGnome, &QPushButton::clicked, this, &frmHotKey::cmdRemoveGnome_Click);
    cmdRemoveGnome->hide();

    connect(desktop, &DesktopShortcuts::triggersChanged, this, &frmHotKey::showDesktopKeys);
    // An answer that binds nothing changes no trigger, yet the lines say so.
    connect(desktop, &DesktopShortcuts::finished, this, &frmHotKey::showDesktopKeys);
    showDesktopKeys();
}

// GNOME's keys are read back from GNOME: the user may change them in GNOME's
// own keyboard settings at any time. The lines show them once GNOME answers,
// and then runs after that.
void frmHotKey::readGnomeKeys(std::function<void()> then) {
    auto show = [this, then](std::optional<QMap<QString, QString>> keys) {
        gnomeKeys_ = std::move(keys);
        if (cmdRemoveGnome)
            cmdRemoveGnome->setVisible(gnomeKeys_.has_value());
        showDesktopKeys();
        if (then)
            then();
    };
    if (!IsGnomeDesktop()) {
        show(std::nullopt);
        return;
    }
    GnomeShortcutKeys([self = QPointer(this), show](std::optional<QMap<QString, QString>> keys) {
        if (self)
            show(std::move(keys));
    });
}

// The desktop's keys by shortcut id; where it gave none, GNOME's shortcuts
// may run the commands.
const QMap<QString, QString>& frmHotKey::desktopKeys() const {
    const DesktopShortcuts* desktop = desktopShortcuts();
    if (gnomeKeys_ && desktop->triggers().isEmpty())
        return *gnomeKeys_;
    return desktop->triggers();
}

// What the desktop made of each command: its trigger, or not registered.
void frmHotKey::showDesktopKeys() {
    DesktopShortcuts* desktop = desktopShortcuts();
    if (!lblDesktopKey || !desktop)
        return;
    const QMap<QString, QString>& keys = desktopKeys();
    auto keysOf = [&keys](int record) {
        const std::optional<QString> id = ShortcutIdOf(record);
        const QString trigger = id ? keys.value(*id) : QString();
        return QStringLiteral("デスクトップのキー: ") +
               (trigger.isEmpty() ? QStringLiteral("未登録") : trigger);
    };
    for (int line = 0; line < lstCommand->count(); ++line) {
        const int record = RecordOfLine(line);
        lstCommand->item(line)->setToolTip(keysOf(record));
        // An active record the desktop did not bind says so in its line.
        const std::optional<QString> id = ShortcutIdOf(record);
        const bool unbound = Binding(record).Active != 0 && id && keys.value(*id).isEmpty();
        setCommandLine(line, Binding(record).KeyText + (unbound ? UnboundMark : QString()));
    }
    const int line = lstCommand->currentRow();
    lblDesktopKey->setText(line >= 0 && line < DialogLineCount ? keysOf(RecordOfLine(line))
                                                               : QString());
    cmdDesktopKeys->setVisible(desktop->canConfigure());
}

void frmHotKey::cmdDesktopKeys_Click() {
    if (DesktopShortcuts* desktop = desktopShortcuts())
        desktop->configure();
}

void frmHotKey::cmdRemoveGnome_Click() {
    RemoveGnomeShortcuts([self = QPointer(this)](bool removed) {
        if (!self)
            return;
        self->readGnomeKeys([self, removed] {
            if (removed)
                ShowMessage(QStringLiteral("解除しました"), QStringLiteral("確認"),
                            MessageIcon::None, MessageButtons::Ok, self.data());
        });
    });
}

void frmHotKey::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // GNOME's shortcuts may have come since the dialog was made.
    if (lblDesktopKey)
        readGnomeKeys();
    showDesktopKeys();
}

void frmHotKey::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Back from GNOME's keyboard settings, where the keys may have changed.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && lblDesktopKey)
        readGnomeKeys();
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
