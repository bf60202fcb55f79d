// The answers of GNOME's shortcut functions, waited for while the event loop
// runs, for tests that check what they wrote.
#pragma once

#include "core/hotkeys/gnome_shortcuts.h"
#include "support/wait.h"

#include <memory>
#include <optional>

// Runs start with a callback and waits for the answer it is given; nothing
// when none came in time.
template <typename T, typename Start> std::optional<T> AwaitAnswer(Start start) {
    // Shared, so an answer after the wait gave up lands nowhere harmful.
    auto answer = std::make_shared<std::optional<T>>();
    start([answer](T value) { *answer = std::move(value); });
    WaitUntil([&] { return answer->has_value(); }, 30000);
    return *answer;
}

inline bool GnomeShortcutsAvailableNow() {
    return AwaitAnswer<bool>([](auto done) { modMain::GnomeShortcutsAvailable(done); })
        .value_or(false);
}

inline bool AddGnomeShortcutsNow(const QString& commandLine, int changedRecord = 0) {
    return AwaitAnswer<bool>(
               [&](auto done) { modMain::AddGnomeShortcuts(commandLine, changedRecord, done); })
        .value_or(false);
}

inline bool RemoveGnomeShortcutsNow() {
    return AwaitAnswer<bool>([](auto done) { modMain::RemoveGnomeShortcuts(done); })
        .value_or(false);
}

inline QStringList GnomeShortcutPathsNow() {
    return AwaitAnswer<QStringList>([](auto done) { modMain::GnomeShortcutPaths(done); })
        .value_or(QStringList{QStringLiteral("no answer")});
}

using GnomeKeys = std::optional<QMap<QString, QString>>;
// The keys, or {"no answer": ""} when none came.
inline GnomeKeys GnomeShortcutKeysNow() {
    return AwaitAnswer<GnomeKeys>([](auto done) { modMain::GnomeShortcutKeys(done); })
        .value_or(QMap<QString, QString>{{QStringLiteral("no answer"), QString()}});
}
