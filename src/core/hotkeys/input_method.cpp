#include "core/hotkeys/input_method.h"

#include "core/commands.h"
#include "core/extra_settings.h"
#include "core/hotkeys/extra_keys.h"
#include "core/hotkeys/keylist.h"
#include "core/installed.h"
#include "core/log.h"
#include "core/messagebox.h"

#include <QStringList>
#include <QTimer>

namespace modMain {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString HiddenSetting = QStringLiteral("hotkeys.input-method-hidden");

std::optional<InputMethod> running;
InputMethodEvents* installedEvents = nullptr;

bool shown = false;

// After the boxes already up or waiting (a start-up box, the desktop's answer).
void ShowBox() {
    if (shown || PlayerClosing())
        return;
    const QList<int> records = RecordsOnSwitchKeys();
    if (records.isEmpty() || !running)
        return;
    shown = true;
    QStringList lines;
    for (int record : records)
        lines << CommandLabel(record) + Binding(record).KeyText;
    const QString name = running->name;
    ShowMessageWithCheckBox(
        lines.join(CrLf) + QStringLiteral("は") + CrLf +
            QStringLiteral("入力メソッド（%1）の切り替えキーと同じです").arg(name) + CrLf +
            QStringLiteral("メモタップの起動中は、このキーで入力メソッドを切り替えられません") +
            CrLf +
            QStringLiteral("キー設定の画面でメモタップのキーを変えるか、%1の設定で切り替えキーを"
                           "変えてください")
                .arg(name),
        QStringLiteral("ホットキー設定"), MessageIcon::Warning,
        QStringLiteral("次回から表示しない"), [](bool hide) {
            if (!hide)
                return;
            SetExtraSetting(HiddenSetting, QStringLiteral("1"));
            SaveExtraSettings();
        });
}

void OfferBox() {
    if (shown || ExtraSetting(HiddenSetting) == QLatin1String("1"))
        return;
    // From the event loop: not inside the caller, which may be answering the bus.
    QTimer::singleShot(0, &InputMethodChanges(), ShowBox);
}

} // namespace

InputMethodEvents& InputMethodChanges() {
    return Installed(installedEvents, "InputMethodEvents");
}

void SetInputMethodEvents(InputMethodEvents* events) {
    installedEvents = events;
}

void SetRunningInputMethod(const std::optional<InputMethod>& method) {
    running = method;
    if (method)
        qCDebug(lcHotkeys).noquote()
            << "input method" << method->name << "with" << method->switchKeys.size()
            << "switch keys; taken:" << RecordsOnSwitchKeys().size();
    else
        qCDebug(lcHotkeys) << "no input method runs";
    emit InputMethodChanges().changed();
    OfferBox();
}

const std::optional<InputMethod>& RunningInputMethod() {
    return running;
}

QString InputMethodSwitchingWith(Long modifiers, Long virtualKey) {
    const std::optional<SwitchKey> key = SwitchKeyOf(modifiers, virtualKey);
    if (!running || !key || !running->switchKeys.contains(*key))
        return {};
    return running->name;
}

QList<int> RecordsOnSwitchKeys() {
    QList<int> records;
    for (int line = 0; line < DialogLineCount; ++line) {
        const HotkeyEntry& entry = Binding(RecordOfLine(line));
        if (entry.Active != 0 &&
            !InputMethodSwitchingWith(ModifiersOf(entry), entry.VirtualKey).isEmpty())
            records << RecordOfLine(line);
    }
    return records;
}

void ResetInputMethodForTesting() {
    running.reset();
    shown = false;
}

} // namespace modMain
