#include "core/hotkeys/hotkey_registry.h"

#include "core/commands.h"
#include "core/hotkeys/hotkey_backend.h"
#include "core/hotkeys/keyfile.h"
#include "core/hotkeys/keylist.h"
#include "core/log.h"
#include "core/messagebox.h"

#include <QObject>

namespace modMain {

namespace {

const QString CrLf = QStringLiteral("\r\n");

void ShowRefused(int record) {
    ShowMessage(CommandLabel(record) + HotKeys[record].KeyText + QStringLiteral("は") + CrLf +
                    QStringLiteral("ホットキー登録できませんでした") + CrLf +
                    QStringLiteral("すでにシステムに登録された組合せです") + CrLf +
                    QStringLiteral("別のアプリケーションのホットキーを解除してから登録し直して"
                                   "ください"),
                QStringLiteral("ホットキー設定"), MessageIcon::Warning, MessageButtons::Ok);
}

} // namespace

bool HotkeyRegistry::Load() {
    // A press runs its command directly, whichever backend is in place.
    static QMetaObject::Connection presses;
    QObject::disconnect(presses);
    presses = QObject::connect(&hotkeyBackend(), &HotkeyBackend::pressed, &hotkeyBackend(),
                               [](Long id) { ExecuteHotKey(id); });

    switch (ReadKeyFile()) {
    case KeyFileStatus::Missing:
        ShowMessage(QStringLiteral("キー設定ファイルがありません。初期設定で起動します。"),
                    QStringLiteral("エラー"), MessageIcon::Warning, MessageButtons::Ok);
        InstallDefaultHotKeys();
        return true;
    case KeyFileStatus::Failed:
        return false;
    case KeyFileStatus::Ok:
        return true;
    }
    return false;
}

void HotkeyRegistry::RegisterActive() {
    for (int record = 1; record <= CommandCount; ++record) {
        const HotkeyEntry& entry = HotKeys[record];
        if (entry.Active == 0)
            continue;
        // The record keeps its binding, so the next start tries again.
        if (!hotkeyBackend().registerHotKey(entry.Id, ModifiersOf(entry), entry.VirtualKey)) {
            qCWarning(lcHotkeys).noquote() << "refused at start:" << entry.KeyText;
            ShowRefused(record);
        }
    }
}

bool HotkeyRegistry::Rebind(int record, const HotkeyEntry& wanted) {
    HotkeyEntry& entry = HotKeys[record];
    HotkeyBackend& backend = hotkeyBackend();
    const Long modifiers = ModifiersOf(wanted);
    const bool same = entry.Active != 0 && ModifiersOf(entry) == modifiers &&
                      entry.VirtualKey == wanted.VirtualKey;
    // The record's own combination: registering it again fails while this
    // program holds it, as for any other combination it holds.
    if (same)
        return backend.registerHotKey(entry.Id, modifiers, wanted.VirtualKey);
    const bool withdrawn = entry.Active != 0 && backend.unregisterHotKey(entry.Id);
    if (backend.registerHotKey(entry.Id, modifiers, wanted.VirtualKey))
        return true;
    qCWarning(lcHotkeys).noquote() << "refused:" << wanted.KeyText;
    if (withdrawn)
        backend.registerHotKey(entry.Id, ModifiersOf(entry), entry.VirtualKey);
    return false;
}

bool HotkeyRegistry::Release(int record) {
    return hotkeyBackend().unregisterHotKey(HotKeys[record].Id);
}

void HotkeyRegistry::Unload() {
    for (int record = 1; record <= CommandCount; ++record)
        if (HotKeys[record].Active != 0)
            hotkeyBackend().unregisterHotKey(HotKeys[record].Id);
    Hozon();
}

HotkeyRegistry& Hotkeys() {
    static HotkeyRegistry registry;
    return registry;
}

} // namespace modMain
