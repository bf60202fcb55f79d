// The real player, started under a private X server from a temporary folder:
// first start, single instance, and saving on every way out.
#include "core/textfile.h"
#include "support/wait.h"
#include "support/xsession.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const QString DefaultSettings = QStringLiteral("0,0,1\r\n"
                                               "\"\",0\r\n\"\",0\r\n\"\",0\r\n\"\",0\r\n\"\",0\r\n"
                                               "100,0,10,4,4\r\n"
                                               "10\r\n"
                                               "0,0,0,\"黒\"\r\n"
                                               "255,255,255,\"白\"\r\n"
                                               "102,102,102,\"グレイ\"\r\n"
                                               "255,0,0,\"赤\"\r\n"
                                               "51,153,0,\"緑\"\r\n"
                                               "0,0,255,\"青\"\r\n"
                                               "153,51,204,\"紫\"\r\n"
                                               "255,204,255,\"ピンク\"\r\n"
                                               "255,153,0,\"オレンジ\"\r\n"
                                               "255,255,0,\"黄\"\r\n"
                                               "0,1\r\n");

QByteArray cp932(const QString& text) {
    return textfile::toCp932(text).value_or(QByteArray());
}

// Presses Return on every box titled "エラー" until the main window stands
// alone; returns how many boxes were dismissed.
int dismissErrorBoxes(const XSession& x, int settleMs = 1500) {
    int dismissed = 0;
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < settleMs) {
        if (auto box = x.waitForWindow("^エラー$", 100)) {
            x.xdotool({"windowfocus", "--sync", *box});
            x.xdotool({"key", "--window", *box, "Return"});
            ++dismissed;
            QThread::msleep(300);
            quiet.restart();
        }
    }
    return dismissed;
}

// Chooses ファイル > 終了 from the keyboard.
void closeThroughMenu(const XSession& x, const QString& window) {
    x.xdotool({"windowfocus", "--sync", window});
    x.xdotool({"key", "--window", window, "alt+f"});
    QThread::msleep(400);
    x.xdotool({"key", "x"});
}

class StartupE2E : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(x.ok()) << "Xvfb did not start"; }
    XSession x;
};

TEST_F(StartupE2E, FirstStartWarnsOnceAndClosingWritesTheDefaultFile) {
    PlayerRun player(x);
    player.start();

    auto box = x.waitForWindow("^エラー$");
    ASSERT_TRUE(box) << "the missing settings file box did not appear";
    x.screenshot(*box, "startup-missing-settings-box");
    // The box comes before the main window exists.
    EXPECT_FALSE(x.waitForWindow("^メモタップ$", 200));
    x.xdotool({"windowfocus", "--sync", *box});
    x.xdotool({"key", "--window", *box, "Return"});
    dismissErrorBoxes(x);

    auto main = x.waitForWindow("^メモタップ$");
    ASSERT_TRUE(main);
    x.screenshot(*main, "startup-main-window");
    EXPECT_FALSE(QFileInfo::exists(player.path("hMEMOTAP.txt"))) << "nothing is written at start";
    // X reads WM_CLASS as Latin-1: the class is the desktop file's ASCII
    // StartupWMClass, which top bars and docks match the windows by.
    const QString wmClass =
        QStringLiteral("WM_CLASS(STRING) = \"memotap-player\", \"" MEMOTAP_WINDOW_CLASS "\"");
    EXPECT_EQ(x.run("xprop", {"-id", *main, "WM_CLASS"}), wmClass);
    EXPECT_EQ(x.run("xprop", {"-id", *main, "_NET_WM_NAME"}),
              "_NET_WM_NAME(UTF8_STRING) = \"メモタップ\"")
        << "the caption stays the product's title";

    closeThroughMenu(x, *main);
    ASSERT_EQ(player.waitForExit(0), 0);
    EXPECT_EQ(player.readFile("hMEMOTAP.txt"), cp932(DefaultSettings));
}

TEST_F(StartupE2E, SecondStartActivatesTheFirstAndTouchesNoFile) {
    PlayerRun player(x);
    player.writeFile("hMEMOTAP.txt", cp932(DefaultSettings));
    player.start();
    dismissErrorBoxes(x);
    auto main = x.waitForWindow("^メモタップ$");
    ASSERT_TRUE(main);

    const QStringList files = {"hMEMOTAP.txt", "hMEMKEY.txt"};
    QList<QByteArray> before;
    QList<QDateTime> modified;
    for (const QString& f : files) {
        before << player.readFile(f);
        modified << QFileInfo(player.path(f)).lastModified();
    }

    QElapsedTimer timer;
    timer.start();
    const int second = player.start();
    ASSERT_EQ(player.waitForExit(second, 10000), 0);
    EXPECT_LT(timer.elapsed(), 5000) << "the second start should end at once";
    EXPECT_EQ(player.process(0).state(), QProcess::Running);
    for (int i = 0; i < files.size(); ++i) {
        EXPECT_EQ(player.readFile(files[i]), before[i]) << files[i].toStdString();
        EXPECT_EQ(QFileInfo(player.path(files[i])).lastModified(), modified[i]);
    }
    // Only one main window exists.
    auto all = x.xdotool({"search", "--onlyvisible", "--name", "^メモタップ$"});
    ASSERT_TRUE(all);
    EXPECT_EQ(all->split('\n').size(), 1);

    closeThroughMenu(x, *main);
    EXPECT_EQ(player.waitForExit(0), 0);
}

TEST_F(StartupE2E, TerminationSignalsRunTheNormalClose) {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        PlayerRun player(x);
        // A stored speed of 150 is forced back to 100 by every start, so a
        // rewritten file shows the close handler ran.
        QString seeded = DefaultSettings;
        seeded.replace("100,0,10,4,4", "150,3,10,4,4");
        player.writeFile("hMEMOTAP.txt", cp932(seeded));
        player.start();
        dismissErrorBoxes(x);
        ASSERT_TRUE(x.waitForWindow("^メモタップ$"));

        ::kill(static_cast<pid_t>(player.process(0).processId()), sig);
        ASSERT_EQ(player.waitForExit(0), 0) << "signal " << sig;
        QString expected = DefaultSettings;
        expected.replace("100,0,10,4,4", "100,3,10,4,4");
        EXPECT_EQ(player.readFile("hMEMOTAP.txt"), cp932(expected)) << "signal " << sig;
    }
}

TEST_F(StartupE2E, StaleSocketOfACrashedRunDoesNotBlockTheNextStart) {
    PlayerRun player(x);
    player.writeFile("hMEMOTAP.txt", cp932(DefaultSettings));
    player.start();
    dismissErrorBoxes(x);
    ASSERT_TRUE(x.waitForWindow("^メモタップ$"));
    // A crash leaves the listening socket behind.
    ::kill(static_cast<pid_t>(player.process(0).processId()), SIGKILL);
    player.waitForExit(0);

    const int next = player.start();
    dismissErrorBoxes(x);
    auto main = x.waitForWindow("^メモタップ$");
    ASSERT_TRUE(main) << "the next start must come up, not obey a dead socket";
    EXPECT_EQ(player.process(next).state(), QProcess::Running);
    closeThroughMenu(x, *main);
    EXPECT_EQ(player.waitForExit(next), 0);
}

// The sound library is loaded at run time: a broken one gives the engine's
// box and a log line, and the window, its box and the close still work.
TEST_F(StartupE2E, ABrokenSoundLibraryGivesTheEngineBoxAndTheWindowStays) {
    SoundServer sound;
    PlayerRun player(x);
    ASSERT_TRUE(PrepareRun(x, sound, player));
    player.writeFile("hMEMOTAP.txt", cp932(DefaultSettings));
    // Found first on the library path, an empty file is no library.
    QTemporaryDir libraries;
    ASSERT_TRUE(libraries.isValid());
    QFile broken(libraries.filePath("libmpv.so.2"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.close();
    player.environment().insert("LD_LIBRARY_PATH", libraries.path());
    player.keepOutput();
    player.start();

    // The box has the program's name as its title, as the window has.
    const auto windows = [&] {
        const auto found = x.xdotool({"search", "--onlyvisible", "--name", "^メモタップ$"});
        return found && !found->isEmpty() ? found->split('\n') : QStringList();
    };
    ASSERT_TRUE(WaitUntil([&] { return windows().size() == 2; }, 15000))
        << player.output().toStdString();
    EXPECT_TRUE(player.output().contains("cannot load libmpv")) << player.output().toStdString();
    EXPECT_EQ(player.process(0).state(), QProcess::Running);

    player.terminate(0);
    EXPECT_EQ(player.waitForExit(0), 0);
}

} // namespace
