// The timestamp commands against the real player under a private X server:
// the jump to a selected time through the command line, with an owner that
// never answers, and a timestamp typed into a real text window through the
// clipboard, whose previous content comes back.
#include "core/hotkeys/keylist.h"
#include "core/textfile.h"
#include "support/key_row.h"
#include "support/settings_text.h"
#include "support/wait.h"
#include "support/xsession.h"

#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace {

class TimestampsE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(PrepareRun(x, sound, player));
        tone = player.path("tone.wav");
        ASSERT_TRUE(MakeToneWav(tone, 300));
        player.writeFile("hMEMOTAP.txt", settings({entry(tone, 5)}));
    }

    void start(const QString& extra) {
        player.writeFile("memotap-extra.txt", textfile::encode(extra));
        player.start();
        ASSERT_TRUE(x.waitForWindow("^tone\\.wav - メモタップ$"));
        // The title names the file while it still opens; the copy comes once
        // it has opened.
        ASSERT_EQ(copied(), "01:00:05.0");
    }

    // The position as copy-time writes it (the test's format has tenths).
    QString copied() { return CopyTimeFrom(x, player).value_or(QString()); }

    // The text window that receives the pastes, and what it has printed.
    struct TextWindow {
        QProcess process;
        QByteArray printed;
        bool saw(const QByteArray& line) {
            printed += process.readAllStandardOutput();
            return printed.contains(line);
        }
        ~TextWindow() {
            process.kill();
            process.waitForFinished();
        }
    };

    // Starts the text window, focuses it and waits until it serves its
    // clipboard (its event loop runs).
    void openTextWindow(TextWindow& target) {
        target.process.setProcessEnvironment(x.environment());
        target.process.start(QStringLiteral(MEMOTAP_TEXT_WINDOW), {});
        ASSERT_TRUE(target.process.waitForStarted());
        ASSERT_TRUE(WaitUntil([&] { return target.saw("READY"); }, 10000));
        const auto window = x.waitForWindow("^stamp-target$");
        ASSERT_TRUE(window);
        ASSERT_TRUE(x.xdotool({"windowfocus", "--sync", *window}));
        ASSERT_TRUE(WaitUntil(
            [&] {
                return x.run("xclip", {"-o", "-selection", "clipboard"}) ==
                       QStringLiteral("前の内容");
            },
            10000));
    }

    XSession x;
    SoundServer sound;
    PlayerRun player{x};
    QString tone;
};

const QString TenthsFormat =
    QStringLiteral("timestamp.format={hh}:{mm}:{ss}.{d}\r\ntimestamp.offset=+01:00:00\r\n");

TEST_F(TimestampsE2E, TheClientJumpsToTheSelectedTimeLessTheOffsetThenToTheClipboards) {
    // The jump's log lines tell when each answer came; a copy-time meanwhile
    // would make the selections the player's own.
    player.environment().insert("QT_LOGGING_RULES", "memotap.commands.debug=true");
    player.keepOutput();
    start(TenthsFormat);
    ASSERT_EQ(copied(), "01:00:05.0");
    const auto logged = [&](const char* line, int times) {
        return WaitUntil([&] { return player.output().count(line) >= times; }, 5000);
    };

    ASSERT_TRUE(SelectText(x, "primary", QStringLiteral("発言 ●(01:02:03.4) 以下略")));
    ASSERT_EQ(player.command({"--seek-to-selection"}).exitCode, 0);
    ASSERT_TRUE(logged("jump to the selected time", 1));
    EXPECT_EQ(copied(), "01:02:03.4");

    // The selection holds no time: the clipboard's is taken.
    ASSERT_TRUE(SelectText(x, "clipboard", QStringLiteral("１時間０分２０秒")));
    ASSERT_TRUE(SelectText(x, "primary", QStringLiteral("時刻なし")));
    ASSERT_EQ(player.command({"--seek-to-selection"}).exitCode, 0);
    ASSERT_TRUE(logged("jump to the selected time", 2));
    EXPECT_EQ(copied(), "01:00:20.0");

    // The player's own copy is skipped, and with nothing else the place stays.
    ASSERT_EQ(player.command({"--seek-to-selection"}).exitCode, 0);
    ASSERT_TRUE(logged("no time in the selection", 1));
    EXPECT_EQ(player.output().count("jump to the selected time"), 2);
    EXPECT_EQ(copied(), "01:00:20.0");
}

// Owns PRIMARY on a connection of its own and never answers a request.
class SilentOwner {
  public:
    explicit SilentOwner(const QString& display)
        : connection_(xcb_connect(display.toLatin1().constData(), nullptr)) {
        if (xcb_connection_has_error(connection_))
            return;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        const xcb_window_t window = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_set_selection_owner(connection_, window, XCB_ATOM_PRIMARY, XCB_CURRENT_TIME);
        auto* reply = xcb_get_selection_owner_reply(
            connection_, xcb_get_selection_owner(connection_, XCB_ATOM_PRIMARY), nullptr);
        owns_ = reply && reply->owner == window;
        std::free(reply);
    }
    ~SilentOwner() { xcb_disconnect(connection_); }
    bool owns() const { return owns_; }

  private:
    xcb_connection_t* connection_;
    bool owns_ = false;
};

TEST_F(TimestampsE2E, AnOwnerThatNeverAnswersIsGivenUpAfterHalfASecondThenTheClipboardIsRead) {
    // The jump's log line tells when the answer came; a copy-time meanwhile
    // would make the clipboard the player's own.
    player.environment().insert("QT_LOGGING_RULES", "memotap.commands.debug=true");
    player.keepOutput();
    start(TenthsFormat);
    ASSERT_TRUE(SelectText(x, "clipboard", QStringLiteral("[01:01:40]")));
    SilentOwner silent(x.display());
    ASSERT_TRUE(silent.owns());
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(player.command({"--seek-to-selection"}).exitCode, 0);
    // The window goes on meanwhile: another command is run and answered.
    EXPECT_EQ(player.command({"--pause"}).exitCode, 0);
    ASSERT_TRUE(
        WaitUntil([&] { return player.output().contains("jump to the selected time"); }, 5000))
        << player.output().toStdString();
    const qint64 answered = timer.elapsed();
    EXPECT_GE(answered, 450) << "the clipboard was read before the owner was given up";
    EXPECT_LT(answered, 3000) << "the owner was waited for far longer than half a second";
    EXPECT_EQ(copied(), "01:01:40.0");
}

TEST_F(TimestampsE2E, TheTimestampIsPastedIntoTheFocusedWindowAndTheClipboardComesBack) {
    start(TenthsFormat);
    TextWindow target;
    ASSERT_NO_FATAL_FAILURE(openTextWindow(target));

    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(player.command({"--insert-time"}).exitCode, 0);
    EXPECT_TRUE(WaitUntil([&] { return target.saw("TEXT:01:00:05.0\n"); }, 5000))
        << target.printed.constData();
    std::printf("insert through the client: %lld ms\n", static_cast<long long>(timer.elapsed()));

    // Every format of what the window had copied is served again.
    EXPECT_TRUE(WaitUntil(
        [&] {
            return x.run("xclip", {"-o", "-selection", "clipboard"}) == QStringLiteral("前の内容");
        },
        3000));
    EXPECT_EQ(x.run("xclip", {"-o", "-selection", "clipboard", "-t", "text/html"}),
              QStringLiteral("<b>前の内容</b>"));

    // A second insert goes after the first, and the clipboard is still the window's.
    ASSERT_EQ(player.command({"--insert-time"}).exitCode, 0);
    EXPECT_TRUE(WaitUntil([&] { return target.saw("TEXT:01:00:05.001:00:05.0\n"); }, 5000))
        << target.printed.constData();
    EXPECT_TRUE(WaitUntil(
        [&] {
            return x.run("xclip", {"-o", "-selection", "clipboard"}) == QStringLiteral("前の内容");
        },
        3000));
}

TEST_F(TimestampsE2E, TheHotkeyTypesOnceItIsLetGoWithinTheTimeATypistNotices) {
    const int row = keyRow("I");
    ASSERT_GE(row, 0);
    start(TenthsFormat +
          QStringLiteral("hotkey.insert-time=0,2,4,0,73,%1,\"[Ctrl]+[Shift]+[I]\",1\r\n").arg(row));
    TextWindow target;
    ASSERT_NO_FATAL_FAILURE(openTextWindow(target));

    ASSERT_TRUE(x.xdotool({"keydown", "ctrl+shift+i"}));
    // Held: nothing is typed while the keys are down (Ctrl+V would meet
    // Shift and be no paste).
    EXPECT_FALSE(WaitUntil([&] { return target.saw("TEXT:"); }, 300)) << target.printed.constData();
    ASSERT_TRUE(x.xdotool({"keyup", "i"}));
    ASSERT_TRUE(x.xdotool({"keyup", "shift"}));
    ASSERT_TRUE(x.xdotool({"keyup", "ctrl"}));
    QElapsedTimer released;
    released.start();
    EXPECT_TRUE(WaitUntil([&] { return target.saw("TEXT:01:00:05.0\n"); }, 5000))
        << target.printed.constData();
    std::printf("text in the window %lld ms after the keys were let go\n",
                static_cast<long long>(released.elapsed()));
    EXPECT_TRUE(WaitUntil([&] {
        return x.run("xclip", {"-o", "-selection", "clipboard", "-t", "text/html"}) ==
               QStringLiteral("<b>前の内容</b>");
    }));
    // However long the keys were held, once.
    EXPECT_FALSE(target.saw("01:00:05.001:00:05.0")) << target.printed.constData();
}

} // namespace
