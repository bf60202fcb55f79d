// The KDE backend against the real kglobalaccel5 on Xvfb and a private bus:
// the set registered under the application id, a key press running its
// command and its release, keys KDE's settings changed surviving a restart,
// an apply overriding them, old portal components cleared, and keys held by
// other applications reported rather than claimed.
#include "core/app_paths.h"
#include "core/hotkeys/desktop_hotkeys.h"
#include "core/hotkeys/hotkey_registry.h"
#include "core/hotkeys/keyfile.h"
#include "core/hotkeys/keylist.h"
#include "inputs/kglobalaccel_shortcuts.h"
#include "support/fake_engine.h"
#include "support/fake_portal.h"
#include "support/fake_view.h"
#include "support/kde_desktop.h"
#include "support/message_recorder.h"
#include "support/wait.h"
#include "support/xsession.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace modMain;
using Outcome = DesktopShortcuts::Outcome;

namespace {

constexpr int CtrlSpace = 0x04000000 | 0x20;
constexpr int CtrlAltP = 0x04000000 | 0x08000000 | 0x50;
constexpr int CtrlLeft = 0x04000000 | 0x01000012;

class KGlobalAccelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok()) << "Xvfb did not start";
        ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
        ASSERT_TRUE(dir.isValid());
        BeginPortalTest(dir.path());
        ASSERT_TRUE(kde.startDaemon()) << kde.log().toStdString();
    }
    void TearDown() override { EndPortalTest(connectionName); }

    // A start of the player: a backend of its own, the key file read and
    // the active records registered; outcomes are recorded.
    inputs::KGlobalAccelShortcuts& start() {
        setHotkeyBackend(nullptr);
        QDBusConnection::disconnectFromBus(connectionName);
        ResetDesktopHotkeysForTesting();
        outcomes.clear();
        auto backend = std::make_unique<inputs::KGlobalAccelShortcuts>(
            QDBusConnection::connectToBus(bus.address(), connectionName), AppId, AppTitle);
        inputs::KGlobalAccelShortcuts& accel = *backend;
        QObject::connect(&accel, &DesktopShortcuts::finished,
                         [this](Outcome outcome) { outcomes.push_back(outcome); });
        setHotkeyBackend(std::move(backend));
        EXPECT_TRUE(Hotkeys().Load());
        Hotkeys().RegisterActive();
        return accel;
    }
    bool answered() {
        return WaitUntil([this] { return !outcomes.empty(); }, 15000);
    }
    QByteArray keyFile() const {
        QFile file(dir.filePath(KeyFileName));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    const QString connectionName = QStringLiteral("player-kglobalaccel");
    XSession x;
    PrivateBus bus;
    KdeDesktop kde{x.display(), bus.address()};
    QTemporaryDir dir;
    MessageRecorder messages;
    std::vector<Outcome> outcomes;
};

TEST_F(KGlobalAccelTest, APressRunsItsCommandUnderThePlayersNameAndTheReleaseLetsGo) {
    FakeEngine& engine = FakeEngine::install();
    FakeView view;
    engine.state = StatePlaying;
    engine.position = 100;
    engine.totalSeconds = 600;
    FileInfo.TotalSeconds = 600;
    RewFFSeconds = 4;
    inputs::KGlobalAccelShortcuts& accel = start();
    ASSERT_TRUE(answered());
    EXPECT_EQ(outcomes.front(), Outcome::Bound);
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(accel.triggers().value("play-pause"), "Ctrl+Space");
    EXPECT_EQ(accel.triggers().value("repeat"), "Ctrl+Muhenkan");
    EXPECT_EQ(accel.triggers().size(), 8);
    EXPECT_TRUE(kde.components().contains(AppId + "|" + AppTitle + "||"))
        << kde.components().join(' ').toStdString();
    EXPECT_EQ(kde.keys(AppId, "play-pause"), QList<int>{CtrlSpace});

    std::vector<Long> released;
    QObject::connect(&accel, &HotkeyBackend::released, [&](Long id) { released.push_back(id); });
    engine.take();
    QElapsedTimer pressed;
    pressed.start();
    ASSERT_TRUE(x.xdotool({"key", "ctrl+Left"}));
    ASSERT_TRUE(WaitUntil([&] { return !engine.calls.isEmpty(); }));
    RecordProperty("key_to_command_ms_upper_bound", int(pressed.elapsed()));
    EXPECT_EQ(engine.take(), (QStringList{"seek(96)"}));
    ASSERT_TRUE(WaitUntil([&] { return !released.empty(); }));
    EXPECT_EQ(released, std::vector<Long>{HotKeys[2].Id});
}

TEST_F(KGlobalAccelTest, AKeyChangedInKdeIsKeptAcrossStartsUntilTheDialogChangesThatRecord) {
    const QByteArray before = keyFile();
    inputs::KGlobalAccelShortcuts* accel = &start();
    ASSERT_TRUE(answered());
    ASSERT_TRUE(kde.changeKeys(AppId, "play-pause", {CtrlAltP}));
    ASSERT_TRUE(WaitUntil([&] { return accel->triggers().value("play-pause") == "Ctrl+Alt+P"; }));
    EXPECT_EQ(HotKeys[1].KeyText, "[Ctrl]+[Space]") << "the record stays the user's";

    // The next start and a restart of the daemon keep KDE's key.
    ASSERT_TRUE(WaitUntil([&] { return kde.savedKeys().contains("play-pause=Ctrl+Alt+P,"); }))
        << kde.savedKeys().toStdString();
    Hotkeys().Unload();
    EXPECT_EQ(keyFile(), before) << "the key file is never rewritten from KDE's change";
    kde.stopDaemon();
    ASSERT_TRUE(kde.startDaemon());
    accel = &start();
    ASSERT_TRUE(answered());
    EXPECT_EQ(accel->triggers().value("play-pause"), "Ctrl+Alt+P");
    EXPECT_EQ(kde.keys(AppId, "play-pause"), QList<int>{CtrlAltP});

    // Another record applied in the dialog leaves it; this record's apply overrides it.
    outcomes.clear();
    accel->bind(ActiveShortcuts(2));
    ASSERT_TRUE(answered());
    EXPECT_EQ(accel->triggers().value("play-pause"), "Ctrl+Alt+P");
    outcomes.clear();
    accel->bind(ActiveShortcuts(1));
    ASSERT_TRUE(answered());
    EXPECT_EQ(accel->triggers().value("play-pause"), "Ctrl+Space");
    EXPECT_EQ(kde.keys(AppId, "play-pause"), QList<int>{CtrlSpace});

    // An apply whose bind is replaced by a later one before KDE answered
    // still overrides KDE's key.
    ASSERT_TRUE(kde.changeKeys(AppId, "play-pause", {CtrlAltP}));
    ASSERT_TRUE(WaitUntil([&] { return kde.savedKeys().contains("play-pause=Ctrl+Alt+P,"); }));
    accel = &start();
    accel->bind(ActiveShortcuts(1));
    accel->bind(ActiveShortcuts(2));
    ASSERT_TRUE(answered());
    EXPECT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(accel->triggers().value("play-pause"), "Ctrl+Space");

    // A record disabled gives its key back to KDE.
    HotKeys[3].Active = 0;
    outcomes.clear();
    accel->bind(ActiveShortcuts());
    ASSERT_TRUE(answered());
    EXPECT_FALSE(accel->triggers().contains("forward"));
    EXPECT_FALSE(kde.actions(AppId).contains("forward"));
}

TEST_F(KGlobalAccelTest, OldPortalComponentsGiveBackOurKeysAndOtherHoldersAreReported) {
    // KDE's portal named a component after an earlier session's token.
    ASSERT_EQ(kde.takeKeys("memotap_session_3", "play-pause", {CtrlSpace}), QList<int>{CtrlSpace});
    // Another application holds Ctrl+Left.
    ASSERT_EQ(kde.takeKeys("org.example.editor", "go-back", {CtrlLeft}), QList<int>{CtrlLeft});
    inputs::KGlobalAccelShortcuts& accel = start();
    ASSERT_TRUE(answered());
    EXPECT_EQ(accel.triggers().value("play-pause"), "Ctrl+Space");
    EXPECT_TRUE(kde.actions("memotap_session_3").isEmpty());
    EXPECT_EQ(kde.keys("org.example.editor", "go-back"), QList<int>{CtrlLeft})
        << "not ours to take";
    EXPECT_FALSE(accel.triggers().contains("rewind"));
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].title, "ホットキー設定");
    EXPECT_TRUE(messages.calls[0].text.startsWith("REW       :[Ctrl]+[←]は\r\n"))
        << messages.calls[0].text.toStdString();
}

TEST_F(KGlobalAccelTest, WithoutTheDaemonTheBoxSaysTheHotkeysAreNotAvailable) {
    kde.stopDaemon();
    inputs::KGlobalAccelShortcuts& accel = start();
    ASSERT_TRUE(answered());
    EXPECT_EQ(outcomes.front(), Outcome::Unavailable);
    EXPECT_TRUE(accel.triggers().isEmpty());
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].checkBoxText, "次回から表示しない");

    // The daemon coming back registers the set by itself.
    outcomes.clear();
    ASSERT_TRUE(kde.startDaemon());
    ASSERT_TRUE(answered());
    EXPECT_EQ(outcomes.front(), Outcome::Bound);
    EXPECT_EQ(accel.triggers().value("play-pause"), "Ctrl+Space");
}

} // namespace
