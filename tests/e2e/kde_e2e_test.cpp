// The real player in a Wayland session on KDE (XDG_CURRENT_DESKTOP=KDE,
// WAYLAND_DISPLAY set, its window on XWayland, here Xvfb) with KDE's own
// stack on a private bus: kglobalaccel5, the desktop portal and its KDE
// backend. A key press on the X server reaches the player through
// kglobalaccel, after a restart too, and a key changed in KDE is the one
// that works from then on, while the key file stays as it was.
#include "core/app_paths.h"
#include "support/kde_desktop.h"
#include "support/private_bus.h"
#include "support/settings_text.h"
#include "support/wait.h"
#include "support/xsession.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

constexpr int CtrlSpace = 0x04000000 | 0x20;
constexpr int CtrlAltP = 0x04000000 | 0x08000000 | 0x50;
const QString AppId = QStringLiteral(MEMOTAP_APP_ID);

class KdeE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(PrepareRun(x, sound, player));
        ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
        ASSERT_TRUE(kde.startDaemon()) << kde.log().toStdString();
        ASSERT_TRUE(kde.startPortal()) << kde.log().toStdString();
        QProcessEnvironment& env = player.environment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
        env.insert("WAYLAND_DISPLAY", "wayland-memotap-test");
        env.insert("XDG_SESSION_TYPE", "wayland");
        env.insert("XDG_CURRENT_DESKTOP", "KDE");
        env.remove("QT_QPA_PLATFORM");
        const QString tone = player.path("録音.wav");
        ASSERT_TRUE(MakeToneWav(tone, 60));
        player.writeFile("hMEMOTAP.txt", settings({entry(tone, 0)}));
    }
    std::optional<QString> playbackStatus() const { return bus.playbackStatus(); }

    // A started player that took its keys from kglobalaccel and is paused.
    void startPlayer() {
        player.start();
        ASSERT_TRUE(x.waitForWindow("^録音\\.wav - メモタップ$"));
        ASSERT_TRUE(WaitUntil([&] { return kde.active(AppId); }, 30000))
            << kde.components().join(' ').toStdString();
        ASSERT_TRUE(WaitUntil([&] { return playbackStatus() == "Paused"; }, 15000));
    }

    // Presses keys on the X server and waits for the status; the time from
    // the press to the player's answer, or nothing.
    std::optional<double> press(const QString& keys, const QString& status) {
        QElapsedTimer timer;
        timer.start();
        if (!x.xdotool({"key", keys}))
            return std::nullopt;
        if (!WaitUntil([&] { return playbackStatus() == status; }, 10000))
            return std::nullopt;
        return timer.nsecsElapsed() / 1e6;
    }

    XSession x;
    SoundServer sound;
    PrivateBus bus;
    KdeDesktop kde{x.display(), bus.address()};
    PlayerRun player{x};
};

TEST_F(KdeE2E, CtrlSpacePlaysThroughKGlobalAccelAndAKeyChangedInKdeIsKept) {
    const QByteArray keyFile = player.readFile("hMEMKEY.txt");
    startPlayer();
    EXPECT_EQ(kde.keys(AppId, "play-pause"), QList<int>{CtrlSpace});
    const std::optional<double> first = press("ctrl+space", "Playing");
    ASSERT_TRUE(first) << "Ctrl+Space did not play";
    ASSERT_TRUE(press("ctrl+space", "Paused"));
    RecordProperty("key_to_play_ms", int(*first));
    std::fprintf(stderr, "kde e2e: Ctrl+Space to Playing %.1f ms\n", *first);

    // A restart: the keys reach the new player.
    player.terminate(0);
    ASSERT_EQ(player.waitForExit(0), 0);
    ASSERT_TRUE(WaitUntil([&] { return !kde.active(AppId); }));
    startPlayer();
    ASSERT_TRUE(press("ctrl+space", "Playing")) << "Ctrl+Space did not play after a restart";
    ASSERT_TRUE(press("ctrl+space", "Paused"));

    // The user gives play/pause Ctrl+Alt+P in KDE's settings.
    ASSERT_TRUE(kde.changeKeys(AppId, "play-pause", {CtrlAltP}));
    ASSERT_TRUE(press("ctrl+alt+p", "Playing")) << "KDE's new key did not play";
    ASSERT_TRUE(press("ctrl+alt+p", "Paused"));
    ASSERT_TRUE(WaitUntil([&] { return kde.savedKeys().contains("play-pause=Ctrl+Alt+P,"); }));

    // It stays after the next start; the key file is not rewritten from it.
    player.terminate(1);
    ASSERT_EQ(player.waitForExit(1), 0);
    EXPECT_EQ(player.readFile("hMEMKEY.txt"), keyFile);
    startPlayer();
    EXPECT_EQ(kde.keys(AppId, "play-pause"), QList<int>{CtrlAltP});
    ASSERT_TRUE(press("ctrl+alt+p", "Playing")) << "KDE's key did not survive the restart";
    player.terminate(2);
    EXPECT_EQ(player.waitForExit(2), 0);
}

// The portal of Debian 12's KDE stack binds nothing it is asked for in
// BindShortcuts: a player that takes the portal's way says so at start.
TEST_F(KdeE2E, ThePortalsEmptyBindIsReportedAtStart) {
    player.environment().insert("XDG_CURRENT_DESKTOP", "X-Generic");
    player.start();
    ASSERT_TRUE(x.waitForWindow("^録音\\.wav - メモタップ$"));
    const std::optional<QString> box = x.waitForWindow("^ホットキー設定$", 30000);
    ASSERT_TRUE(box) << "no box: the failed bind went unreported";
    x.screenshot(*box, "kde-portal-empty-bind");
    x.xdotool({"windowfocus", "--sync", *box});
    x.xdotool({"key", "--window", *box, "Return"});
    player.terminate(0);
    EXPECT_EQ(player.waitForExit(0), 0);
}

} // namespace
