// The real player under a private X server with a window manager, driven
// with the mouse and the keyboard: the window's height in each mode, always
// on top as the window manager keeps it, and screenshots (title bar
// included) of each mode and of the dialogs, kept as build artefacts.
#include "core/textfile.h"
#include "support/xsession.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <optional>

namespace {

const QString Settings = QStringLiteral("0,0,1\r\n"
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

const QString KeyFile = QStringLiteral("1,0,2,0,0,32,15,\"[Ctrl]+[Space]\",1\r\n"
                                       "2,0,2,0,0,37,22,\"[Ctrl]+[←]\",1\r\n"
                                       "3,0,2,0,0,39,24,\"[Ctrl]+[→]\",1\r\n"
                                       "4,0,2,0,0,29,14,\"[Ctrl]+[無変換]\",1\r\n"
                                       "5,0,2,0,0,38,23,\"[Ctrl]+[↑]\",1\r\n"
                                       "6,0,2,0,0,40,25,\"[Ctrl]+[↓]\",1\r\n"
                                       "7,0,2,0,0,33,20,\"[Ctrl]+[PageUp]\",1\r\n"
                                       "8,0,2,0,0,34,21,\"[Ctrl]+[PageDown]\",1\r\n"
                                       "9,1,2,0,0,32,15,\"[Alt]+[Ctrl]+[Space]\",1\r\n");

int Px(int twips) {
    return (twips + 7) / 15;
}

class PlayerOnScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok()) << "Xvfb did not start";
        startWindowManager();
        player.writeFile("hMEMOTAP.txt", textfile::encode(Settings));
        player.writeFile("hMEMKEY.txt", textfile::encode(KeyFile));
        prepare();
        player.start();
        auto id = x.waitForWindow("^メモタップ$");
        ASSERT_TRUE(id) << "the main window did not appear";
        window = *id;
        // Normal mode shows the menu bar above the rows down to the separator.
        const QSize normal = size();
        menuBar = normal.height() - Px(1240);
        ASSERT_GT(menuBar, 10) << "no menu bar in normal mode";
        ASSERT_LT(menuBar, 60);
        EXPECT_EQ(normal.width(), Px(5265));
    }

    void TearDown() override {
        if (!window.isEmpty()) {
            closeFromMenu();
            EXPECT_EQ(player.waitForExit(0), 0);
        }
        for (QProcess* process : {&other, &wm}) {
            process->terminate();
            if (!process->waitForFinished(3000))
                process->kill();
            process->waitForFinished(1000);
        }
    }

    // Anything the player's folder or environment needs before it starts.
    virtual void prepare() {}

    // Openbox, with a home of its own, managing the display's windows.
    void startWindowManager() {
        ASSERT_TRUE(home.isValid());
        QProcessEnvironment env = x.environment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("XDG_CACHE_HOME", home.filePath("cache"));
        wm.setProcessEnvironment(env);
        wm.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        wm.start("openbox", {"--sm-disable"});
        ASSERT_TRUE(wm.waitForStarted(5000)) << "openbox did not start";
        QElapsedTimer timer;
        timer.start();
        while (!x.run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"})
                    .value_or(QString())
                    .contains("window id") &&
               timer.elapsed() < 10000)
            QThread::msleep(50);
        ASSERT_LT(timer.elapsed(), 10000) << "openbox did not take the screen";
    }

    // The window manager's frame around a window, title bar included.
    QString frameOf(const QString& id) const {
        const QString tree = x.run("xwininfo", {"-id", id, "-tree"}).value_or(QString());
        const QRegularExpression parent("Parent window id: (0x[0-9a-f]+)");
        const auto match = parent.match(tree);
        return match.hasMatch() ? match.captured(1) : id;
    }

    QString shot(const QString& id, const QString& name) const {
        return x.screenshot(frameOf(id), name);
    }

    // The client windows from the bottom of the stack to its top.
    QStringList stacking() const {
        const QString list =
            x.run("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"}).value_or(QString());
        QStringList ids;
        const QRegularExpression hex("0x[0-9a-f]+");
        for (const auto& match : hex.globalMatch(list.section('#', 1)))
            ids << QString::number(match.captured(0).toULongLong(nullptr, 16));
        return ids;
    }

    QSize size(const QString& id = {}) const {
        const auto shell = x.xdotool({"getwindowgeometry", "--shell", id.isEmpty() ? window : id});
        QSize s;
        for (const QString& line : shell.value_or(QString()).split('\n')) {
            if (line.startsWith("WIDTH="))
                s.setWidth(line.mid(6).toInt());
            if (line.startsWith("HEIGHT="))
                s.setHeight(line.mid(7).toInt());
        }
        return s;
    }

    // Waits until the window has the height; the last height seen otherwise.
    int waitForHeight(int height) const {
        QElapsedTimer timer;
        timer.start();
        int seen = size().height();
        while (seen != height && timer.elapsed() < 5000) {
            QThread::msleep(50);
            seen = size().height();
        }
        return seen;
    }

    // A click at a point of the client area, given in twips as designed.
    void clickAt(int leftTwips, int topTwips, bool underMenuBar) const {
        const int y = Px(topTwips) + (underMenuBar ? menuBar : 0);
        x.xdotool({"mousemove", "--window", window, QString::number(Px(leftTwips)),
                   QString::number(y), "click", "1"});
        QThread::msleep(200);
    }

    void key(const QString& keys) const {
        x.xdotool({"windowactivate", "--sync", window});
        x.xdotool({"key", keys});
    }

    // ファイル > 終了.
    void closeFromMenu() const {
        key("alt+f");
        QThread::msleep(300);
        key("x");
    }

    std::optional<QString> openFromMenu(const QString& menuKey, const QString& itemKey,
                                        const QString& title) const {
        key(menuKey);
        QThread::msleep(400);
        x.xdotool({"key", itemKey});
        return x.waitForWindow(title, 5000);
    }

    XSession x;
    QTemporaryDir home;
    QProcess wm;
    QProcess other;
    PlayerRun player{x};
    QString window;
    int menuBar = 0;
};

TEST_F(PlayerOnScreen, EachModeShowsItsPartOfTheWindow) {
    ASSERT_FALSE(shot(window, "mode-normal").isEmpty());

    clickAt(165, 150, true); // Min
    ASSERT_EQ(waitForHeight(Px(330)), Px(330)) << "compact mode shows the strip alone";
    EXPECT_EQ(size().width(), Px(5265));
    shot(window, "mode-compact");
    const QImage compact(x.screenshot(window, "mode-compact-client"));
    ASSERT_EQ(compact.size(), QSize(Px(5265), Px(330)));
    EXPECT_EQ(compact.pixelColor(Px(3000), 2), QColor(0, 0, 0)) << "no menu bar above the strip";

    clickAt(165, 150, false); // Min, now at the top of the window
    EXPECT_EQ(waitForHeight(menuBar + Px(1240)), menuBar + Px(1240));

    clickAt(5025, 1075, true); // EQ
    ASSERT_EQ(waitForHeight(menuBar + Px(3165)), menuBar + Px(3165));
    clickAt(210, 1410, true);  // equalizer on
    clickAt(4110, 2480, true); // +Bass
    shot(window, "mode-equalizer");

    clickAt(165, 150, true);
    EXPECT_EQ(waitForHeight(Px(330)), Px(330));
    clickAt(165, 150, false);
    EXPECT_EQ(waitForHeight(menuBar + Px(3165)), menuBar + Px(3165))
        << "leaving compact mode brings the panel back";
}

// The saved place is the window's outer corner, title bar included: a
// restart puts it back exactly, without creeping by the frame, and the
// screen's corner is kept rather than left to the window manager.
TEST_F(PlayerOnScreen, WindowComesBackToItsPlaceAfterARestart) {
    const auto frameCorner = [this] {
        const QString info = x.run("xwininfo", {"-id", frameOf(window)}).value_or(QString());
        const QRegularExpression left("Absolute upper-left X:\\s+(-?\\d+)");
        const QRegularExpression top("Absolute upper-left Y:\\s+(-?\\d+)");
        return QPoint(left.match(info).captured(1).toInt(), top.match(info).captured(1).toInt());
    };
    const auto restartAt = [&](const QString& place, int index) {
        closeFromMenu();
        ASSERT_EQ(player.waitForExit(index - 1), 0);
        if (!place.isEmpty())
            player.writeFile("hMEMOTAP.txt", textfile::encode(QString(Settings).replace(
                                                 0, Settings.indexOf(','), place)));
        window.clear();
        ASSERT_EQ(player.start(), index);
        QThread::msleep(500); // the first window of the earlier run may linger
        const auto id = x.waitForWindow("^メモタップ$");
        ASSERT_TRUE(id);
        window = *id;
    };
    const auto savedPlace = [&] {
        return QString::fromLatin1(player.readFile("hMEMOTAP.txt").split('\r').first());
    };

    EXPECT_EQ(frameCorner(), QPoint(0, 0));
    ASSERT_NO_FATAL_FAILURE(restartAt("3000", 1)); // 3000,0 twips: 200 pixels from the left
    EXPECT_EQ(frameCorner(), QPoint(200, 0));
    ASSERT_NO_FATAL_FAILURE(restartAt({}, 2)); // as the last run saved it
    EXPECT_EQ(savedPlace(), "3000,0,1");
    EXPECT_EQ(frameCorner(), QPoint(200, 0));
    closeFromMenu();
    EXPECT_EQ(player.waitForExit(2), 0);
    EXPECT_EQ(savedPlace(), "3000,0,1");
    window.clear();
}

// The window manager keeps the player above another application's window
// even when that one is activated; unchecking makes it an ordinary window.
// The window keeps its identity and place throughout.
TEST_F(PlayerOnScreen, AlwaysOnTopKeepsThePlayerAboveAnotherApplication) {
    auto state = [this] {
        return x.run("xprop", {"-id", window, "_NET_WM_STATE"}).value_or(QString());
    };
    auto position = [this] {
        return x.xdotool({"getwindowgeometry", window}).value_or(QString()).split('\n').value(1);
    };
    auto waitForState = [&](bool above) {
        QElapsedTimer timer;
        timer.start();
        while (state().contains("_NET_WM_STATE_ABOVE") != above && timer.elapsed() < 5000)
            QThread::msleep(50);
        return state().contains("_NET_WM_STATE_ABOVE") == above;
    };
    auto playerAboveOther = [&](const QString& otherId) {
        const QStringList stack = stacking();
        return stack.indexOf(window) > stack.indexOf(otherId);
    };

    ASSERT_TRUE(waitForState(true)) << state().toStdString();
    const QString before = position();
    other.setProcessEnvironment(x.environment());
    other.start("xmessage",
                {"-geometry", "+200+40", "another application"}); // over part of the player
    auto otherId = x.waitForWindow("^xmessage$", 5000);
    ASSERT_TRUE(otherId) << "xmessage did not appear";
    x.xdotool({"windowactivate", "--sync", *otherId});
    QThread::msleep(300);
    EXPECT_TRUE(playerAboveOther(*otherId)) << stacking().join(' ').toStdString();

    clickAt(140, 740, true); // 常に手前に表示
    EXPECT_TRUE(waitForState(false)) << state().toStdString();
    EXPECT_EQ(x.waitForWindow("^メモタップ$", 3000).value_or(QString()), window)
        << "the same window, not a new one";
    EXPECT_EQ(position(), before);
    x.xdotool({"windowactivate", "--sync", *otherId});
    QThread::msleep(300);
    EXPECT_FALSE(playerAboveOther(*otherId)) << stacking().join(' ').toStdString();

    clickAt(140, 740, true);
    EXPECT_TRUE(waitForState(true)) << state().toStdString();
    EXPECT_EQ(position(), before);
    x.xdotool({"windowactivate", "--sync", *otherId});
    QThread::msleep(300);
    EXPECT_TRUE(playerAboveOther(*otherId)) << stacking().join(' ').toStdString();
}

TEST_F(PlayerOnScreen, DialogsAndVersionBox) {
    auto colours = openFromMenu("alt+s", "c", "^カラー設定$");
    ASSERT_TRUE(colours) << "the colour dialog did not open";
    EXPECT_EQ(size(*colours), QSize(Px(4515), Px(2325)));
    shot(*colours, "dialog-colour");
    // Cancel.
    x.xdotool({"mousemove", "--window", *colours, QString::number(Px(2385 + 500)),
               QString::number(Px(1905 + 180)), "click", "1"});
    QElapsedTimer timer;
    timer.start();
    while (x.waitForWindow("^カラー設定$", 100) && timer.elapsed() < 5000)
        QThread::msleep(100);
    EXPECT_FALSE(x.waitForWindow("^カラー設定$", 100)) << "Cancel closes the dialog";

    auto hotkeys = openFromMenu("alt+s", "h", "^キー設定$");
    ASSERT_TRUE(hotkeys) << "the hotkey dialog did not open";
    shot(*hotkeys, "dialog-hotkey");

    auto version = openFromMenu("alt+h", "a", "^バージョン情報$");
    ASSERT_TRUE(version) << "the version box did not open";
    shot(*version, "box-version");
    x.xdotool({"windowactivate", "--sync", *version});
    x.xdotool({"key", "Return"});
}

// A volume mixer of the desktop's that records how it was started.
class PlayerWithMixer : public PlayerOnScreen {
  protected:
    void prepare() override {
        ASSERT_TRUE(bin.isValid());
        QFile mixer(bin.filePath("pavucontrol"));
        ASSERT_TRUE(mixer.open(QIODevice::WriteOnly));
        mixer.write("#!/bin/sh\necho \"$DESKTOP_STARTUP_ID\" > \"" +
                    bin.filePath("started").toLocal8Bit() + "\"\n");
        mixer.close();
        mixer.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        player.environment().insert("PATH", bin.path() + ":/usr/bin:/bin");
        player.environment().remove("XDG_CURRENT_DESKTOP");
    }

    QTemporaryDir bin;
};

TEST_F(PlayerWithMixer, VolStartsTheMixerWithALaunchTimeThatKeepsTheFocus) {
    clickAt(5025, 775, true); // Vol
    const QString started = bin.filePath("started");
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(started) && timer.elapsed() < 5000)
        QThread::msleep(50);
    QFile file(started);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the mixer was not started";
    // A launch id whose time lies before the click: window managers that
    // prevent focus stealing leave the focus with the player.
    const QString id = QString::fromUtf8(file.readAll()).trimmed();
    const QRegularExpression launch("^memotap-\\d+-mixer_TIME(\\d+)$");
    const auto match = launch.match(id);
    ASSERT_TRUE(match.hasMatch()) << id.toStdString();
    EXPECT_GT(match.captured(1).toULongLong(), 0u);
    EXPECT_FALSE(x.waitForWindow("^メモタップ$", 100).value_or(QString()).isEmpty());
}

// A desktop without any volume mixer: nothing to find on the program path.
class PlayerWithoutMixer : public PlayerOnScreen {
  protected:
    void prepare() override {
        ASSERT_TRUE(bin.isValid());
        player.environment().insert("PATH", bin.path());
    }

    QTemporaryDir bin;
};

TEST_F(PlayerWithoutMixer, VolSaysSoAndThePlayerRunsOn) {
    clickAt(5025, 775, true); // Vol
    QStringList boxes;
    QElapsedTimer timer;
    timer.start();
    while (boxes.size() < 2 && timer.elapsed() < 5000) {
        boxes = x.xdotool({"search", "--onlyvisible", "--name", "^メモタップ$"})
                    .value_or(QString())
                    .split('\n', Qt::SkipEmptyParts);
        QThread::msleep(100);
    }
    ASSERT_EQ(boxes.size(), 2) << "a message box beside the main window";
    const QString message = boxes.first() == window ? boxes.last() : boxes.first();
    shot(message, "box-no-mixer");
    x.xdotool({"windowactivate", "--sync", message});
    x.xdotool({"key", "Return"});
    timer.restart();
    while (x.xdotool({"search", "--onlyvisible", "--name", "^メモタップ$"})
                   .value_or(QString())
                   .split('\n', Qt::SkipEmptyParts)
                   .size() > 1 &&
           timer.elapsed() < 5000)
        QThread::msleep(100);
    // The player goes on: its equalizer button still works.
    clickAt(5025, 1075, true);
    EXPECT_EQ(waitForHeight(menuBar + Px(3165)), menuBar + Px(3165));
}

} // namespace
