// What the player asks of a Wayland desktop: each binding in the portal's and
// GNOME's key syntax, which session counts as Wayland, and GNOME's own
// shortcuts added beside the user's and taken out again (in a keyfile
// settings backend of the test's own, never the user's settings).
#include "core/hotkeys/desktop_session.h"
#include "core/hotkeys/desktop_shortcuts.h"
#include "core/hotkeys/extra_keys.h"
#include "core/hotkeys/gnome_shortcuts.h"
#include "core/hotkeys/keyfile.h"
#include "core/hotkeys/keylist.h"
#include "core/hotkeys/shortcut_triggers.h"
#include "support/gnome_answers.h"
#include "support/log_capture.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

using namespace modMain;

namespace {

TEST(ShortcutTriggers, EveryKeyOfTheListHasANameInBothSyntaxes) {
    EXPECT_EQ(PortalTrigger(ModCtrlBit, 32), "CTRL+space");
    EXPECT_EQ(PortalTrigger(ModAltBit | ModCtrlBit | ModShiftBit | ModWinBit, 116),
              "CTRL+ALT+SHIFT+LOGO+F5");
    EXPECT_EQ(PortalTrigger(0, 'A'), "a");
    EXPECT_EQ(PortalTrigger(ModCtrlBit, 29), "CTRL+Muhenkan");
    EXPECT_EQ(PortalTrigger(ModCtrlBit, 33), "CTRL+Page_Up");
    EXPECT_EQ(PortalTrigger(ModShiftBit, 105), "SHIFT+KP_9");
    EXPECT_EQ(PortalTrigger(ModCtrlBit, 0), "") << "a disabled binding has no trigger";
    EXPECT_EQ(GnomeAccelerator(ModAltBit | ModCtrlBit, 32), "<Control><Alt>space");
    EXPECT_EQ(GnomeAccelerator(ModWinBit | ModShiftBit, 220), "<Shift><Super>backslash");
    // GNOME's keys as its keyboard settings show them, whichever spelling of
    // a modifier GNOME's settings hold.
    EXPECT_EQ(GnomeKeyLabel("<Control>space"), "Ctrl+Space");
    EXPECT_EQ(GnomeKeyLabel("<Primary><Mod1>Page_Up"), "Ctrl+Alt+Page Up");
    EXPECT_EQ(GnomeKeyLabel("<Shift><Super>a"), "Shift+Super+A");
    EXPECT_EQ(GnomeKeyLabel("F5"), "F5");
    EXPECT_EQ(GnomeKeyLabel(""), "") << "no key";
    EXPECT_EQ(GnomeKeyLabel("<Control>"), "") << "a bare modifier is no key";
    EXPECT_EQ(GnomeKeyLabel("<Control"), "");
    QStringList names;
    for (int row = 1; row < KeyListCount; ++row) {
        const QString name = KeysymName(KeyList()[row].Code);
        EXPECT_FALSE(name.isEmpty()) << KeyList()[row].Name.toStdString();
        EXPECT_FALSE(name.contains(u'+')) << name.toStdString();
        names << name;
    }
    // Only the yen key and "ろ" share their symbol, as on a JIS layout.
    names.removeDuplicates();
    EXPECT_EQ(names.size(), KeyListCount - 2);
}

TEST(ShortcutTriggers, ActiveRecordsBecomeShortcutsNamedByTheirCommand) {
    InstallDefaultHotKeys();
    HotKeys[2].Active = 0;
    TimeStampKey() = HotkeyEntry{20, 0, ModCtrlBit, 0, 0, 'T', 70, "[Ctrl]+[T]", 1};
    const QList<WantedShortcut> shortcuts = ActiveShortcuts();
    ASSERT_EQ(shortcuts.size(), 8);
    EXPECT_EQ(shortcuts[0],
              (WantedShortcut{"play-pause", "再生/一時停止", "CTRL+space", ModCtrlBit, 32, false}));
    EXPECT_EQ(shortcuts[1].id, "forward");
    EXPECT_EQ(shortcuts[7],
              (WantedShortcut{"copy-time", "時刻をコピー", "CTRL+t", ModCtrlBit, 'T', false}));
    // The record an apply changed, and only that one.
    const QList<WantedShortcut> applied = ActiveShortcuts(TimeStampRecord);
    EXPECT_TRUE(applied[7].changed);
    EXPECT_EQ(std::count_if(applied.begin(), applied.end(),
                            [](const WantedShortcut& s) { return s.changed; }),
              1);
    EXPECT_EQ(RecordOfShortcut("copy-time"), TimeStampRecord);
    EXPECT_EQ(RecordOfShortcut("to-end"), 8);
    EXPECT_EQ(RecordOfShortcut("open"), std::nullopt);
    TimeStampKey() = {};

    // The insert and the jump are registered under their commands' names too.
    Binding(InsertTimeRecord) = HotkeyEntry{21, 0, ModCtrlBit, 0, 0, 'I', 0, "[Ctrl]+[I]", 1};
    Binding(SeekToSelectionRecord) = HotkeyEntry{22, 0, ModCtrlBit, 0, 0, 'J', 0, "[Ctrl]+[J]", 1};
    const QList<WantedShortcut> all = ActiveShortcuts();
    ASSERT_EQ(all.size(), 9);
    EXPECT_EQ(all[7],
              (WantedShortcut{"insert-time", "時刻を挿入", "CTRL+i", ModCtrlBit, 'I', false}));
    EXPECT_EQ(all[8].id, "seek-to-selection");
    EXPECT_EQ(RecordOfShortcut("seek-to-selection"), SeekToSelectionRecord);
    Binding(InsertTimeRecord) = {};
    Binding(SeekToSelectionRecord) = {};
}

TEST(DesktopSession, WaylandByDisplayOrSessionTypeAndWindowsStayOnXWayland) {
    EXPECT_TRUE(IsWaylandSession("wayland-0", ""));
    EXPECT_TRUE(IsWaylandSession("", "wayland"));
    EXPECT_FALSE(IsWaylandSession("", "x11"));
    EXPECT_TRUE(IsGnomeDesktop("ubuntu:GNOME"));
    EXPECT_FALSE(IsGnomeDesktop("KDE"));
    EXPECT_TRUE(IsKdeDesktop("KDE"));
    EXPECT_TRUE(IsKdeDesktop("ubuntu:kde"));
    EXPECT_FALSE(IsKdeDesktop("GNOME:KDEish"));

    qunsetenv("QT_QPA_PLATFORM");
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    qputenv("DISPLAY", ":5");
    EXPECT_TRUE(KeepWindowsOnXWayland());
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb");
    // The user's own choice stays.
    qputenv("QT_QPA_PLATFORM", "wayland");
    EXPECT_FALSE(KeepWindowsOnXWayland());
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "wayland");
    // No XWayland: Qt would find no X display.
    qunsetenv("QT_QPA_PLATFORM");
    qunsetenv("DISPLAY");
    EXPECT_FALSE(KeepWindowsOnXWayland());
    EXPECT_FALSE(qEnvironmentVariableIsSet("QT_QPA_PLATFORM"));
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("DISPLAY", ":5");
    EXPECT_FALSE(KeepWindowsOnXWayland()) << "an X11 session";
}

class GnomeShortcutsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        qputenv("GSETTINGS_BACKEND", "keyfile");
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        InstallDefaultHotKeys();
        TimeStampKey() = {};
    }
    std::optional<QString> gsettings(const QStringList& arguments) {
        QProcess process;
        process.start("gsettings", arguments);
        if (!process.waitForFinished(10000) || process.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }
    std::optional<QString> shortcut(int record, const QString& key) {
        return gsettings({"get",
                          "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:" +
                              GnomeShortcutPath(record),
                          key});
    }
    QTemporaryDir config;
    const QString schema = "org.gnome.settings-daemon.plugins.media-keys";
    const QString userPath = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/"
                             "custom0/";
};

TEST_F(GnomeShortcutsTest, AddedBesideTheUsersOwnAndRemovedWithoutThem) {
    ASSERT_TRUE(GnomeShortcutsAvailableNow()) << "the GNOME settings schema is not installed";
    ASSERT_TRUE(gsettings({"set", schema, "custom-keybindings", "['" + userPath + "']"}));
    HotKeys[4].Active = 0;

    ASSERT_TRUE(AddGnomeShortcutsNow("'/opt/my player/memotap'"));
    const QStringList ours = GnomeShortcutPathsNow();
    EXPECT_EQ(ours.size(), 7);
    EXPECT_FALSE(ours.contains(GnomeShortcutPath(4)));
    EXPECT_EQ(shortcut(1, "binding"), "'<Control>space'");
    EXPECT_EQ(shortcut(1, "command"), "\"'/opt/my player/memotap' --play-pause\"");
    EXPECT_EQ(shortcut(8, "name"), "'メモタップ: 末尾へ'");
    const std::optional<QString> list = gsettings({"get", schema, "custom-keybindings"});
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->startsWith("['" + userPath + "', ")) << list->toStdString();

    // Adding again renews ours, adds none twice and drops a disabled one's.
    HotKeys[8].Active = 0;
    ASSERT_TRUE(AddGnomeShortcutsNow("memotap"));
    EXPECT_EQ(GnomeShortcutPathsNow().size(), 6);
    EXPECT_EQ(shortcut(8, "command"), "''");
    EXPECT_EQ(shortcut(1, "command"), "'memotap --play-pause'");

    ASSERT_TRUE(RemoveGnomeShortcutsNow());
    EXPECT_TRUE(GnomeShortcutPathsNow().isEmpty());
    EXPECT_EQ(gsettings({"get", schema, "custom-keybindings"}), "['" + userPath + "']");
    EXPECT_EQ(shortcut(1, "command"), "''");
}

TEST_F(GnomeShortcutsTest, AChangedRecordLeavesTheKeysTheUserGaveTheOthersInGnome) {
    ASSERT_TRUE(AddGnomeShortcutsNow("memotap"));
    const QString shortcutSchema = schema + ".custom-keybinding:";
    // In GNOME's keyboard settings the user gives play-pause another key and
    // takes the shortcut of "to-start" (record 7) out.
    ASSERT_TRUE(
        gsettings({"set", shortcutSchema + GnomeShortcutPath(1), "binding", "'<Control><Alt>p'"}));
    QStringList list = GnomeShortcutPathsNow();
    list.removeAll(GnomeShortcutPath(7));
    ASSERT_TRUE(gsettings({"set", schema, "custom-keybindings", "['" + list.join("', '") + "']"}));
    std::optional<QMap<QString, QString>> keys = GnomeShortcutKeysNow();
    ASSERT_TRUE(keys);
    EXPECT_EQ(keys->value("play-pause"), "Ctrl+Alt+P");
    EXPECT_EQ(keys->value("rewind"), "Ctrl+Left") << keys->keys().join(' ').toStdString();
    EXPECT_FALSE(keys->contains("to-start"));
    EXPECT_EQ(keys->size(), 7);

    // The dialog changes rewind: only its key is written; play-pause keeps
    // GNOME's and to-start stays out, while every command is renewed.
    Binding(2).ModCtrl = 0;
    Binding(2).VirtualKey = 116;
    ASSERT_TRUE(AddGnomeShortcutsNow("/opt/memotap", 2));
    EXPECT_EQ(shortcut(1, "binding"), "'<Control><Alt>p'");
    EXPECT_EQ(shortcut(2, "binding"), "'F5'");
    EXPECT_EQ(shortcut(1, "command"), "'/opt/memotap --play-pause'");
    EXPECT_FALSE(GnomeShortcutPathsNow().contains(GnomeShortcutPath(7)));
    // Changing to-start itself brings its shortcut back.
    ASSERT_TRUE(AddGnomeShortcutsNow("/opt/memotap", 7));
    EXPECT_TRUE(GnomeShortcutPathsNow().contains(GnomeShortcutPath(7)));
    EXPECT_EQ(GnomeShortcutKeysNow()->value("to-start"), "Ctrl+Page Up");

    // A key removed in GNOME is no key; none of ours at all is no answer.
    ASSERT_TRUE(gsettings({"set", shortcutSchema + GnomeShortcutPath(1), "binding", "''"}));
    EXPECT_FALSE(GnomeShortcutKeysNow()->contains("play-pause"));
    ASSERT_TRUE(RemoveGnomeShortcutsNow());
    EXPECT_EQ(GnomeShortcutKeysNow(), std::nullopt);
}

} // namespace

// Work asked at once, as a dialog may ask it: each piece reads the list and
// writes it back, so one crossing another would lose a change, and an answer
// read before a change ends would show the old keys.
TEST_F(GnomeShortcutsTest, WorkAskedAtOnceRunsOneAfterAnotherAndAnswersInThatOrder) {
    ASSERT_TRUE(gsettings({"set", schema, "custom-keybindings", "['" + userPath + "']"}));
    QStringList answers;
    std::optional<QMap<QString, QString>> keysAfterAdding = QMap<QString, QString>{};
    std::optional<QMap<QString, QString>> keysAfterRemoving = QMap<QString, QString>{};
    QStringList pathsAfterRemoving{"none yet"};
    AddGnomeShortcuts("memotap", 0, [&](bool ok) { answers << QString("added %1").arg(ok); });
    GnomeShortcutKeys([&](std::optional<QMap<QString, QString>> keys) {
        answers << "keys";
        keysAfterAdding = keys;
    });
    RemoveGnomeShortcuts([&](bool ok) { answers << QString("removed %1").arg(ok); });
    GnomeShortcutPaths([&](const QStringList& paths) {
        answers << "paths";
        pathsAfterRemoving = paths;
    });
    GnomeShortcutKeys([&](std::optional<QMap<QString, QString>> keys) {
        answers << "keys";
        keysAfterRemoving = keys;
    });
    EXPECT_TRUE(answers.isEmpty()) << "an answer came before the call returned";
    ASSERT_TRUE(WaitUntil([&] { return answers.size() == 5; }, 30000))
        << answers.join(", ").toStdString();

    EXPECT_EQ(answers.join(", ").toStdString(), "added 1, keys, removed 1, paths, keys");
    ASSERT_TRUE(keysAfterAdding);
    EXPECT_EQ(keysAfterAdding->size(), 8);
    EXPECT_EQ(keysAfterAdding->value("play-pause"), "Ctrl+Space");
    EXPECT_TRUE(pathsAfterRemoving.isEmpty()) << pathsAfterRemoving.join(' ').toStdString();
    EXPECT_EQ(keysAfterRemoving, std::nullopt);
    EXPECT_EQ(gsettings({"get", schema, "custom-keybindings"}), "['" + userPath + "']");
    EXPECT_EQ(shortcut(1, "command"), "''");

    // A change of the dialog asked after a removal finds none of ours: GNOME
    // is left as the user left it.
    EXPECT_FALSE(AddGnomeShortcutsNow("memotap", 2));
    EXPECT_EQ(gsettings({"get", schema, "custom-keybindings"}), "['" + userPath + "']");
}

// A gsettings that fails, cannot be run or dies answers each caller once,
// with a line in the log, and writes nothing the caller did not ask.
TEST_F(GnomeShortcutsTest, AFailingGsettingsAnswersOnceWithALogLine) {
    ASSERT_TRUE(gsettings({"set", schema, "custom-keybindings", "['" + userPath + "']"}));
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const QByteArray path = qgetenv("PATH");
    auto fakeGsettings = [&](const QByteArray& script) {
        QFile file(bin.filePath("gsettings"));
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               file.write("#!/bin/sh\n" + script) > 0 &&
               file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    qputenv("PATH", bin.path().toLocal8Bit());
    LogCapture log("memotap.hotkeys");

    // None to run.
    int answers = 0;
    GnomeShortcutsAvailable([&](bool available) {
        ++answers;
        EXPECT_FALSE(available);
    });
    EXPECT_EQ(answers, 0) << "answered inside the call";
    EXPECT_EQ(GnomeShortcutPathsNow(), QStringList());
    EXPECT_EQ(answers, 1);
    EXPECT_FALSE(log.warnings.isEmpty());

    // One that says no, and one that dies.
    const std::pair<QByteArray, QString> cases[] = {
        {"echo 'No such schema' >&2; exit 1\n", "No such schema"}, {"kill -9 $$\n", "crash"}};
    for (const auto& [script, logged] : cases) {
        ASSERT_TRUE(fakeGsettings(script));
        log.warnings.clear();
        EXPECT_FALSE(GnomeShortcutsAvailableNow()) << script.data();
        EXPECT_FALSE(AddGnomeShortcutsNow("memotap")) << script.data();
        EXPECT_FALSE(RemoveGnomeShortcutsNow()) << script.data();
        EXPECT_EQ(GnomeShortcutKeysNow(), std::nullopt) << script.data();
        ASSERT_FALSE(log.warnings.isEmpty()) << script.data();
        EXPECT_TRUE(log.warnings.first().startsWith("gsettings list-keys"))
            << log.warnings.first().toStdString();
        EXPECT_TRUE(log.warnings.first().contains(logged)) << log.warnings.first().toStdString();
    }

    // The list cannot be written: the shortcuts written before it are not
    // called added, and the user's list stays.
    ASSERT_TRUE(fakeGsettings("case \"$1 $3\" in \"set custom-keybindings\") exit 1;; esac\n"
                              "exec /usr/bin/gsettings \"$@\"\n"));
    log.warnings.clear();
    EXPECT_FALSE(AddGnomeShortcutsNow("memotap"));
    EXPECT_EQ(log.warnings.size(), 1) << log.warnings.join('\n').toStdString();
    qputenv("PATH", path);
    EXPECT_EQ(gsettings({"get", schema, "custom-keybindings"}), "['" + userPath + "']");
}
