#include "core/hotkeys/hotkey_registry.h"

#include "core/commands.h"
#include "core/extra_settings.h"
#include "core/hotkeys/desktop_hotkeys.h"
#include "core/hotkeys/desktop_shortcuts.h"
#include "core/hotkeys/extra_keys.h"
#include "core/hotkeys/hold_key.h"
#include "core/hotkeys/hotkey_backend.h"
#include "core/hotkeys/keyfile.h"
#include "core/hotkeys/keylist.h"
#include "core/installed.h"
#include "core/log.h"
#include "core/messagebox.h"

#include <QObject>

namespace modMain {

namespace {

const QString CrLf = QStringLiteral("\r\n");

void ShowRefused(int record) {
    ShowMessage(CommandLabel(record) + Binding(record).KeyText + QStringLiteral("は") + CrLf +
                    QStringLiteral("ホットキー登録できませんでした") + CrLf +
                    QStringLiteral("すでにシステムに登録された組合せです") + CrLf +
                    QStringLiteral("別のアプリケーションのホットキーを解除してから登録し直して"
                                   "ください"),
                QStringLiteral("ホットキー設定"), MessageIcon::Warning, MessageButtons::Ok);
}

} // namespace

bool HotkeyRegistry::Load() {
    // A press runs its command directly, whichever backend is in place.
    QObject::disconnect(presses_);
    QObject::disconnect(releases_);
    releases_ = QObject::connect(&hotkeyBackend(), &HotkeyBackend::released, &hotkeyBackend(),
                                 [](Long id) { ReleaseHotKey(id); });
    presses_ =
        QObject::connect(&hotkeyBackend(), &HotkeyBackend::pressed, &hotkeyBackend(), [](Long id) {
            if (const std::optional<Command> command = ExtraKeyCommandOfId(id))
                Execute(*command);
            else
                ExecuteHotKey(id);
        });

    const KeyFileStatus status = ReadKeyFile();
    if (status == KeyFileStatus::Missing) {
        ShowMessage(QStringLiteral("キー設定ファイルがありません。初期設定で起動します。"),
                    QStringLiteral("エラー"), MessageIcon::Warning, MessageButtons::Ok);
        InstallDefaultHotKeys();
    }
    // After the key file's records, whose ids the extra keys must not take.
    LoadExtraSettings();
    LoadExtraKeys();
    LoadHoldToPlay();
    return status != KeyFileStatus::Failed;
}

void HotkeyRegistry::RegisterActive() {
    // The desktop takes the whole set at once and answers later.
    if (DesktopShortcuts* desktop = desktopShortcuts()) {
        StartDesktopHotkeys(*desktop);
        return;
    }
    for (int line = 0; line < DialogLineCount; ++line) {
        const int record = RecordOfLine(line);
        const HotkeyEntry& entry = Binding(record);
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
    HotkeyEntry& entry = Binding(record);
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
    return hotkeyBackend().unregisterHotKey(Binding(record).Id);
}

void HotkeyRegistry::Unload() {
    // The desktop's session ends with the backend.
    for (int line = 0; line < DialogLineCount; ++line)
        if (Binding(RecordOfLine(line)).Active != 0)
            hotkeyBackend().unregisterHotKey(Binding(RecordOfLine(line)).Id);
    Hozon();
}

namespace {
HotkeyRegistry* installedRegistry = nullptr;
} // namespace

HotkeyRegistry& Hotkeys() {
    return Installed(installedRegistry, "HotkeyRegistry");
}

void SetHotkeyRegistry(HotkeyRegistry* registry) {
    installedRegistry = registry;
}

} // namespace modMain
