// The timestamp commands against the real player under a private X server:
// the jump to a selected time through the command line, with an owner that
// never answers, and a timestamp typed into a real text window through the
// clipboard, whose previous content comes back.
#include "core/textfile.h"
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
    }

    // Puts text into a selection through xclip, which keeps serving it.
    bool select(const QString& selection, const QString& text) {
        return x
            .run("sh", {"-c",
                        QStringLiteral("printf '%s' \"$1\" | xclip -selection %1 -i "
                                       ">/dev/null 2>&1")
                            .arg(selection),
                        "sh", text})
            .has_value();
    }

    // The position as copy-time writes it (the test's format has tenths).
    QString copied() {
        const auto done = player.command({"--copy-time"});
        EXPECT_EQ(done.exitCode, 0) << done.err.toStdString();
        return x.run("xclip", {"-o", "-selection", "clipboard"}).value_or(QString());
    }

    XSession x;
    SoundServer sound;
    PlayerRun player{x};
    QString tone;
};

const QString TenthsFormat =
    QStringLiteral("timestamp.format={hh}:{mm}:{ss}.{d}\r\ntimestamp.offset=+01:00:00\r\n");

TEST_F(TimestampsE2E, TheClientJumpsToTheSelectedTimeLessTheOffsetThenToTheClipboards) {
    start(TenthsFormat);
    ASSERT_EQ(copied(), "01:00:05.0");

    ASSERT_TRUE(select("primary", QStringLiteral("発言 ●(01:02:03.4) 以下略")));
    ASSERT_EQ(player.command({"--seek-to-selection"}).exitCode, 0);
    EXPECT_TRUE(WaitUntil([&] { return copied() == "01:02:03.4"; }, 5000))
        << copied().toStdString();

    // The player's own copy is skipped: the selection now holds no time of the
    // user's, and the clipboard is read.
    ASSERT_TRUE(select("clipboard", QStringLiteral("１時間０分２０秒")));
    ASSERT_TRUE(select("primary", QStringLiteral("時刻なし")));
    ASSERT_EQ(player.command({"--seek-to-selection"}).exitCode, 0);
    EXPECT_TRUE(WaitUntil([&] { return copied() == "01:00:20.0"; }, 5000))
        << copied().toStdString();

    // Nothing to read: the place stays.
    ASSERT_TRUE(select("clipboard", QStringLiteral("なし")));
    ASSERT_TRUE(select("primary", QStringLiteral("なし")));
    ASSERT_EQ(player.command({"--seek-to-selection"}).exitCode, 0);
    ASSERT_EQ(player.command({"--pause"}).exitCode, 0); // a round trip after the jump's reads
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

TEST_F(TimestampsE2E, AnOwnerThatNeverAnswersFreezesNothingAndTheClipboardIsReadAfterIt) {
    start(TenthsFormat);
    ASSERT_TRUE(select("clipboard", QStringLiteral("[01:01:40]")));
    SilentOwner silent(x.display());
    ASSERT_TRUE(silent.owns());
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(player.command({"--seek-to-selection"}).exitCode, 0);
    // The player answers meanwhile: a command sent at once is run at once.
    const auto answered = player.command({"--pause"});
    EXPECT_EQ(answered.exitCode, 0);
    EXPECT_TRUE(WaitUntil([&] { return copied() == "01:01:40.0"; }, 5000))
        << copied().toStdString();
    EXPECT_GE(timer.elapsed(), 450) << "the clipboard was read before the owner was given up";
}

TEST_F(TimestampsE2E, TheTimestampIsPastedIntoTheFocusedWindowAndTheClipboardComesBack) {
    start(TenthsFormat);
    QProcess target;
    target.setProcessEnvironment(x.environment());
    target.start(QStringLiteral(MEMOTAP_TEXT_WINDOW), {});
    ASSERT_TRUE(target.waitForStarted());
    QByteArray printed;
    const auto saw = [&](const QByteArray& line) {
        printed += target.readAllStandardOutput();
        return printed.contains(line);
    };
    ASSERT_TRUE(WaitUntil([&] { return saw("READY"); }, 10000));
    const auto window = x.waitForWindow("^stamp-target$");
    ASSERT_TRUE(window);
    ASSERT_TRUE(x.xdotool({"windowfocus", "--sync", *window}));

    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(player.command({"--insert-time"}).exitCode, 0);
    EXPECT_TRUE(WaitUntil([&] { return saw("TEXT:01:00:05.0\n"); }, 5000)) << printed.constData();
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
    EXPECT_TRUE(WaitUntil([&] { return saw("TEXT:01:00:05.001:00:05.0\n"); }, 5000))
        << printed.constData();
    EXPECT_TRUE(WaitUntil(
        [&] {
            return x.run("xclip", {"-o", "-selection", "clipboard"}) == QStringLiteral("前の内容");
        },
        3000));
    target.kill();
    target.waitForFinished();
}

} // namespace
