// The portal backend against a fake desktop portal on a private session bus:
// what it asks for, the commands a desktop's shortcut runs, and what the
// player says when the desktop refuses, does not answer, or goes away.
#include "core/app_paths.h"
#include "core/extra_settings.h"
#include "core/hotkeys/desktop_hotkeys.h"
#include "core/hotkeys/extra_keys.h"
#include "core/hotkeys/gnome_shortcuts.h"
#include "core/hotkeys/hotkey_registry.h"
#include "core/hotkeys/keyfile.h"
#include "core/hotkeys/keylist.h"
#include "core/settings.h"
#include "inputs/portal_shortcuts.h"
#include "support/fake_engine.h"
#include "support/fake_portal.h"
#include "support/fake_view.h"
#include "support/gnome_answers.h"
#include "support/message_recorder.h"
#include "support/wait.h"

#include <QDBusConnection>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace modMain;
using Outcome = DesktopShortcuts::Outcome;

namespace {

const QString UnavailableTitle = QStringLiteral("ホットキー設定");

class PortalBackendTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
        ASSERT_TRUE(dir.isValid());
        BeginPortalTest(dir.path());
    }
    void TearDown() override { EndPortalTest(connectionName); }

    // The player's backend on its own connection, installed as the
    // process's; outcomes are recorded.
    inputs::PortalShortcuts& install(const QString& address = {}) {
        auto backend = std::make_unique<inputs::PortalShortcuts>(
            QDBusConnection::connectToBus(address.isEmpty() ? bus.address() : address,
                                          connectionName),
            AppId);
        backend->setAnswerTimeouts(5000, 600);
        inputs::PortalShortcuts& portal = *backend;
        QObject::connect(&portal, &DesktopShortcuts::finished,
                         [this](Outcome outcome) { outcomes.push_back(outcome); });
        setHotkeyBackend(std::move(backend));
        return portal;
    }
    // Start-up: the key file read and the active records bound.
    inputs::PortalShortcuts& start(const QString& address = {}) {
        inputs::PortalShortcuts& portal = install(address);
        EXPECT_TRUE(Hotkeys().Load());
        Hotkeys().RegisterActive();
        return portal;
    }
    bool answered() {
        return WaitUntil([this] { return !outcomes.empty(); });
    }
    QByteArray diskKeyFile() const {
        QFile file(dir.filePath(KeyFileName));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    int unavailableBoxes() const {
        return int(std::count_if(messages.calls.begin(), messages.calls.end(),
                                 [](const MessageCall& c) { return c.title == UnavailableTitle; }));
    }

    const QString connectionName = QStringLiteral("player-portal");
    PrivateBus bus;
    QTemporaryDir dir;
    MessageRecorder messages;
    std::vector<Outcome> outcomes;
};

TEST_F(PortalBackendTest, BindsEachActiveRecordByCommandNameAfterRegisteringTheId) {
    FakePortal fake(bus.address());
    fake.chosenTriggers = {{"play-pause", "Ctrl+Alt+P"}};
    HotKeys = {};
    InstallDefaultHotKeys();
    HotKeys[3] = HotkeyEntry{3, 0, 0, 0, 0, 0, 0, DisabledKeyText, 0}; // FF disabled
    Hozon();
    HotKeys = {};
    inputs::PortalShortcuts& portal = start();
    ASSERT_TRUE(answered());
    EXPECT_EQ(outcomes.front(), Outcome::Bound);
    EXPECT_EQ(fake.registeredIds, QStringList{AppId});
    EXPECT_EQ(fake.calls.mid(0, 3), (QStringList{"Register", "CreateSession", "BindShortcuts"}));

    QStringList sent;
    for (const inputs::PortalShortcut& s : fake.lastBound)
        sent << s.id + " " + s.properties.value("description").toString() + " " +
                    s.properties.value("preferred_trigger").toString();
    EXPECT_EQ(sent, (QStringList{"play-pause 再生/一時停止 CTRL+space", "rewind 巻き戻し CTRL+Left",
                                 "repeat リピート CTRL+Muhenkan", "speed-up 速度アップ CTRL+Up",
                                 "speed-down 速度ダウン CTRL+Down", "to-start 先頭へ CTRL+Page_Up",
                                 "to-end 末尾へ CTRL+Page_Down"}));
    // The desktop's choice is shown; the record keeps the user's.
    EXPECT_EQ(portal.triggers().value("play-pause"), "Ctrl+Alt+P");
    EXPECT_EQ(portal.triggers().value("rewind"), "CTRL+Left");
    EXPECT_EQ(HotKeys[1].KeyText, "[Ctrl]+[Space]");
    EXPECT_EQ(portal.version(), 2u);
    EXPECT_TRUE(portal.canConfigure());
    portal.configure();
    EXPECT_TRUE(WaitUntil([&] { return fake.configureCalls == 1; }));
    EXPECT_EQ(unavailableBoxes(), 0);
}

TEST_F(PortalBackendTest, ActivatedRunsTheCommandAndDeactivatedLetsGo) {
    FakePortal fake(bus.address(), 1);
    FakeEngine& engine = FakeEngine::install();
    FakeView view;
    engine.state = StatePlaying;
    engine.position = 100;
    engine.totalSeconds = 600;
    FileInfo.TotalSeconds = 600;
    RewFFSeconds = 4;
    inputs::PortalShortcuts& portal = start();
    ASSERT_TRUE(answered());
    EXPECT_FALSE(portal.canConfigure()) << "version 1 has no ConfigureShortcuts";
    std::vector<Long> released;
    QObject::connect(&portal, &HotkeyBackend::released, [&](Long id) { released.push_back(id); });
    engine.take();
    fake.activate("to-end");
    ASSERT_TRUE(WaitUntil([&] { return !engine.calls.isEmpty(); }));
    const QStringList viaPortal = engine.take();
    // The same calls as the key file's hotkey for that record.
    ExecuteHotKey(HotKeys[8].Id);
    EXPECT_EQ(viaPortal, engine.take());
    fake.deactivate("to-end");
    ASSERT_TRUE(WaitUntil([&] { return !released.empty(); }));
    EXPECT_EQ(released, std::vector<Long>{HotKeys[8].Id});
    // An id the player does not know is only logged.
    fake.activate("no-such-command");
    fake.activate("rewind");
    ASSERT_TRUE(WaitUntil([&] { return !engine.calls.isEmpty(); }));
    EXPECT_EQ(engine.take(), (QStringList{"seek(596)"}));
}

TEST_F(PortalBackendTest, RefusalShowsTheBoxOnceAndItsCheckBoxIsKept) {
    FakePortal fake(bus.address());
    fake.bindAnswer = FakePortal::Answer::Refuse;
    bool tick = true;
    SetMessageHookForTesting([&](const MessageCall& call) {
        messages.calls.push_back(call);
        if (call.checked)
            *call.checked = tick;
        return MessageResult::Ok;
    });
    const QByteArray keyFile = diskKeyFile();
    inputs::PortalShortcuts& portal = start();
    ASSERT_TRUE(answered());
    EXPECT_EQ(outcomes.front(), Outcome::Refused);
    ASSERT_EQ(messages.calls.size(), 1u);
    const MessageCall& box = messages.calls.front();
    EXPECT_EQ(box.title, UnavailableTitle);
    EXPECT_EQ(box.icon, MessageIcon::Warning);
    EXPECT_TRUE(box.text.contains("memotap --play-pause")) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains("MPRIS"));
    EXPECT_EQ(box.checkBoxText, "次回から表示しない");
    EXPECT_TRUE(portal.triggers().isEmpty()) << "records show as not registered";

    // The next run keeps quiet; the key file is untouched.
    ResetDesktopHotkeysForTesting();
    ResetExtraSettingsForTesting();
    outcomes.clear();
    setHotkeyBackend(nullptr);
    QDBusConnection::disconnectFromBus(connectionName);
    start();
    ASSERT_TRUE(answered());
    EXPECT_EQ(messages.calls.size(), 1u);
    Hotkeys().Unload();
    EXPECT_EQ(diskKeyFile(), keyFile);
}

TEST_F(PortalBackendTest, OnlyTheShortcutsTheDesktopReportsCountAsBound) {
    FakePortal fake(bus.address());
    // An answer of 0 with an empty list (KDE's portal before 6.0.2): nothing
    // works, so the player says so in the box with its check box.
    fake.answersEmpty = true;
    inputs::PortalShortcuts& portal = start();
    portal.setParentWindow([] { return QStringLiteral("x11:4a00007"); });
    ASSERT_TRUE(answered());
    EXPECT_EQ(outcomes.front(), Outcome::Bound);
    EXPECT_TRUE(portal.triggers().isEmpty());
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].title, UnavailableTitle);
    EXPECT_EQ(messages.calls[0].checkBoxText, "次回から表示しない");
    EXPECT_EQ(UnboundRecords(portal).size(), 8);

    // Two left out: one box names them, and the others work.
    ResetDesktopHotkeysForTesting();
    messages.calls.clear();
    outcomes.clear();
    fake.answersEmpty = false;
    fake.unboundIds = {"play-pause", "to-end"};
    StartDesktopHotkeys(portal);
    ASSERT_TRUE(answered());
    EXPECT_EQ(fake.lastParentWindow, "x11:4a00007");
    ASSERT_EQ(messages.calls.size(), 1u);
    const MessageCall& box = messages.calls[0];
    EXPECT_EQ(box.title, UnavailableTitle);
    EXPECT_EQ(box.icon, MessageIcon::Warning);
    EXPECT_TRUE(box.checkBoxText.isEmpty());
    const QStringList lines = box.text.split("\r\n");
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], "Listen    :[Ctrl]+[Space]");
    EXPECT_EQ(lines[1], "SetEnd    :[Ctrl]+[PageDown]は");
    EXPECT_EQ(lines[2], "ホットキー登録できませんでした");
    EXPECT_EQ(UnboundRecords(portal), (QList<int>{1, 8}));
    EXPECT_EQ(portal.triggers().value("rewind"), "CTRL+Left");
}

TEST_F(PortalBackendTest, NoBusNoPortalOrNoGlobalShortcutsShowTheBox) {
    {
        start(QStringLiteral("unix:path=") + dir.filePath(QStringLiteral("no-bus")));
        ASSERT_TRUE(answered());
        EXPECT_EQ(outcomes.front(), Outcome::Unavailable);
        EXPECT_EQ(unavailableBoxes(), 1);
    }
    QDBusConnection::disconnectFromBus(connectionName);
    ResetDesktopHotkeysForTesting();
    messages.calls.clear();
    outcomes.clear();
    {
        start();
        ASSERT_TRUE(answered());
        EXPECT_EQ(outcomes.front(), Outcome::Unavailable);
        EXPECT_EQ(unavailableBoxes(), 1);
    }
    FakePortal sway(bus.address(), 0);
    outcomes.clear();
    desktopShortcuts()->bind(ActiveShortcuts());
    ASSERT_TRUE(answered());
    EXPECT_EQ(outcomes.front(), Outcome::Unavailable);
    EXPECT_FALSE(sway.calls.contains("CreateSession"));
    EXPECT_EQ(unavailableBoxes(), 1) << "one box a run";
}

TEST_F(PortalBackendTest, LateAnswerIsTakenAfterTheTimeOut) {
    FakePortal fake(bus.address());
    fake.bindAnswer = FakePortal::Answer::Late;
    inputs::PortalShortcuts& portal = install();
    ASSERT_TRUE(Hotkeys().Load());
    portal.bind(ActiveShortcuts());
    ASSERT_TRUE(WaitUntil([&] { return !outcomes.empty(); }, 10000));
    EXPECT_EQ(outcomes.front(), Outcome::Unavailable);
    EXPECT_TRUE(portal.triggers().isEmpty());
    ASSERT_TRUE(fake.answerLate());
    ASSERT_TRUE(WaitUntil([&] { return !portal.triggers().isEmpty(); }));
    EXPECT_EQ(portal.triggers().value("play-pause"), "CTRL+space");
    EXPECT_EQ(outcomes.size(), 1u);
}

TEST_F(PortalBackendTest, VanishingShowsTheBoxAndItsReturnBindsAgain) {
    auto fake = std::make_unique<FakePortal>(bus.address());
    inputs::PortalShortcuts& portal = start();
    ASSERT_TRUE(answered());
    ASSERT_EQ(outcomes.front(), Outcome::Bound);
    bool lost = false;
    QObject::connect(&portal, &DesktopShortcuts::lost, [&] { lost = true; });

    fake->vanish();
    ASSERT_TRUE(WaitUntil([&] { return lost; }));
    EXPECT_TRUE(portal.triggers().isEmpty());
    EXPECT_EQ(unavailableBoxes(), 1);

    fake->calls.clear();
    outcomes.clear();
    ASSERT_TRUE(fake->appear());
    ASSERT_TRUE(answered());
    EXPECT_EQ(outcomes.front(), Outcome::Bound);
    EXPECT_EQ(fake->calls.mid(0, 3), (QStringList{"Register", "CreateSession", "BindShortcuts"}));
    EXPECT_EQ(portal.triggers().value("play-pause"), "CTRL+space");

    // Gone in the middle of a bind: that bind fails, nothing crashes.
    fake->bindAnswer = FakePortal::Answer::Never;
    outcomes.clear();
    portal.bind(ActiveShortcuts());
    ASSERT_TRUE(WaitUntil([&] { return fake->calls.count("BindShortcuts") == 2; }));
    fake.reset();
    ASSERT_TRUE(answered());
    EXPECT_EQ(outcomes.front(), Outcome::Unavailable);
    EXPECT_EQ(unavailableBoxes(), 1);
}

TEST_F(PortalBackendTest, GnomeWithoutThePortalIsOfferedItsOwnShortcutsOnce) {
    QTemporaryDir config;
    qputenv("GSETTINGS_BACKEND", "keyfile");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    messages.answer(MessageResult::No);
    start();
    ASSERT_TRUE(answered());
    // GNOME's settings answer after the portal's.
    ASSERT_TRUE(WaitUntil([&] { return messages.calls.size() == 2; }));
    EXPECT_EQ(messages.calls[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(messages.calls[0].text.contains("GNOME"));
    EXPECT_EQ(messages.calls[1].checkBoxText, "次回から表示しない") << "refused: nothing works";
    EXPECT_TRUE(GnomeShortcutPathsNow().isEmpty());

    // Asked once only: the next run shows the box alone.
    ResetDesktopHotkeysForTesting();
    ResetExtraSettingsForTesting();
    messages.calls.clear();
    outcomes.clear();
    setHotkeyBackend(nullptr);
    QDBusConnection::disconnectFromBus(connectionName);
    start();
    ASSERT_TRUE(answered());
    ASSERT_TRUE(WaitUntil([&] { return !messages.calls.empty(); }));
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].title, UnavailableTitle);
    EXPECT_EQ(messages.calls[0].buttons, MessageButtons::Ok);

    // A user who said yes gets GNOME's shortcuts and no box.
    SetExtraSetting("hotkeys.gnome-offered", "");
    SaveExtraSettings();
    ResetDesktopHotkeysForTesting();
    ResetExtraSettingsForTesting();
    messages.calls.clear();
    messages.answer(MessageResult::Yes);
    outcomes.clear();
    setHotkeyBackend(nullptr);
    QDBusConnection::disconnectFromBus(connectionName);
    start();
    ASSERT_TRUE(answered());
    ASSERT_TRUE(WaitUntil([&] { return !messages.calls.empty(); }));
    // Asked after the offer's shortcuts were added, so answered after them.
    EXPECT_EQ(GnomeShortcutPathsNow().size(), 8);
    EXPECT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].buttons, MessageButtons::YesNo);

    qunsetenv("XDG_CURRENT_DESKTOP");
}

} // namespace
