// The timestamp commands on the recording engine: which time is written and
// in what form, where the jump to a selected time lands, and when it does
// not move at all.
#include "core/commands/command_fixture.h"
#include "core/extra_settings.h"
#include "core/timestamps/timestamp_format.h"
#include "core/timestamps/timestamp_settings.h"
#include "support/fake_desktop_text.h"
#include "support/log_capture.h"

using namespace modMain;

namespace {

using Source = DesktopText::Source;

class TimestampCommands : public CommandFixture {
  protected:
    void SetUp() override {
        CommandFixture::SetUp();
        ResetExtraSettingsForTesting();
        RevSeconds = 3;
        RepSeconds = 10;
    }
    void TearDown() override {
        ResetExtraSettingsForTesting();
        CommandFixture::TearDown();
    }

    FakeDesktopText desktop;
};

TEST_F(TimestampCommands, PausedTheStampIsThePausePointNotWhereTheResumeStepsBackTo) {
    ASSERT_TRUE(StoreTimestampSettings({QStringLiteral("{hh}:{mm}:{ss}.{d}"), 0}));
    playing(StatePlaying, 200);
    engine->positionMs = 470;
    run("pause");
    run("copy-time");
    run("insert-time");
    EXPECT_EQ(view.copied, QStringList({"00:03:20.4"}));
    EXPECT_EQ(desktop.inserted, QStringList({"00:03:20.4"}));
    // The resume then steps back; the stamp was taken before it.
    EXPECT_EQ(run("play-pause"), QStringList({"seek(197)", "restart"}));
}

TEST_F(TimestampCommands, PlayingTheStampIsThePositionAtThePress) {
    playing(StatePlaying, 3723);
    run("insert-time");
    EXPECT_EQ(desktop.inserted, QStringList({"[01:02:03]"}));
}

TEST_F(TimestampCommands, FormatAndOffsetComeFromTheExtraFileAndSurviveAReload) {
    ASSERT_TRUE(StoreTimestampSettings(
        {QStringLiteral("●({hh}:{mm}:{ss})"), 13 * 3600000LL, PasteKey::ShiftInsert}));
    ResetExtraSettingsForTesting();
    LoadExtraSettings();
    EXPECT_EQ(StoredTimestampSettings(),
              (TimestampSettings{QStringLiteral("●({hh}:{mm}:{ss})"), 13 * 3600000LL,
                                 PasteKey::ShiftInsert}));
    playing(StatePaused, 3723);
    run("copy-time");
    EXPECT_EQ(view.copied, QStringList({"●(14:02:03)"}));
    EXPECT_FALSE(StoreTimestampSettings({QStringLiteral("no place"), 0}));
    EXPECT_EQ(StoredTimestampSettings().format, "●({hh}:{mm}:{ss})")
        << "a refused format is kept out";
}

TEST_F(TimestampCommands, DamagedSettingsFallBackToTheDefault) {
    LogCapture log("memotap.settings");
    SetExtraSetting("timestamp.format", "no placeholder");
    SetExtraSetting("timestamp.offset", "soon");
    SetExtraSetting("timestamp.paste-key", "ctrl+q");
    EXPECT_EQ(StoredTimestampSettings(), (TimestampSettings{DefaultTimestampFormat, 0}));
    EXPECT_EQ(log.warnings.size(), 3);
    playing(StatePaused, 5);
    run("copy-time");
    EXPECT_EQ(view.copied, QStringList({"[00:00:05]"}));
}

TEST_F(TimestampCommands, JumpsToTheSelectedTimeLessTheOffsetToTheMillisecond) {
    ASSERT_TRUE(StoreTimestampSettings({DefaultTimestampFormat, 13 * 3600000LL}));
    playing(StatePlaying, 10, 7200);
    EXPECT_TRUE(run("seek-to-selection").isEmpty()) << "nothing before the selection answers";
    ASSERT_TRUE(desktop.answer(Source::Primary, QStringLiteral("● 13:30:05.25 聞き取れず")));
    EXPECT_EQ(engine->take(), QStringList({"seekMs(1805250)"}));
    std::int64_t ms = 0;
    vbmp3_getStateMs(&ms);
    EXPECT_EQ(ms, 1805250);
}

TEST_F(TimestampCommands, TheClipboardIsReadOnlyWhenTheSelectionHoldsNoTime) {
    playing(StatePaused, 10, 7200);
    run("seek-to-selection");
    ASSERT_TRUE(desktop.answer(Source::Primary, QStringLiteral("ただの文")));
    ASSERT_TRUE(desktop.answer(Source::Clipboard, QStringLiteral("2分3秒")));
    EXPECT_EQ(engine->take(), QStringList({"seekMs(123000)"}));
    EXPECT_TRUE(desktop.reads.empty());
}

TEST_F(TimestampCommands, ATextWithoutATimeLeavesTheEngineAloneAndOneLogLine) {
    LogCapture log("memotap.commands");
    playing(StatePlaying, 10, 7200);
    run("seek-to-selection");
    ASSERT_TRUE(desktop.answer(Source::Primary, {}));
    ASSERT_TRUE(desktop.answer(Source::Clipboard, QStringLiteral("12 34")));
    EXPECT_TRUE(engine->take().isEmpty());
    EXPECT_EQ(log.warnings.size(), 1);
    EXPECT_TRUE(log.warnings.value(0).contains("no time"));
}

TEST_F(TimestampCommands, TheJumpIsClampedToTheFileAndTheStart) {
    ASSERT_TRUE(StoreTimestampSettings({DefaultTimestampFormat, 13 * 3600000LL}));
    playing(StatePlaying, 10, 600);
    run("seek-to-selection");
    desktop.answer(Source::Primary, QStringLiteral("[14:00:00]"));
    EXPECT_EQ(engine->take(), QStringList({"seekMs(600000)"})) << "past the end";
    run("seek-to-selection");
    desktop.answer(Source::Primary, QStringLiteral("[12:59:00]"));
    EXPECT_EQ(engine->take(), QStringList({"seekMs(0)"})) << "before the offset";
}

TEST_F(TimestampCommands, TheJumpIsIgnoredInRepeatModeWithoutAFileAndOnceClosing) {
    playing(StatePlaying, 100, 600);
    clickRepeat(true);
    engine->take();
    run("seek-to-selection");
    desktop.answer(Source::Primary, QStringLiteral("00:00:30"));
    EXPECT_TRUE(engine->take().isEmpty()) << "repeat mode";
    clickRepeat(false);

    run("seek-to-selection");
    BeginShutdown();
    desktop.answer(Source::Primary, QStringLiteral("00:00:30"));
    EXPECT_TRUE(engine->take().isEmpty()) << "closed before the answer";

    ResetCommandsForTesting();
    FinishStartup();
    playing(StateStopped, 0, 0);
    run("seek-to-selection");
    desktop.answer(Source::Primary, QStringLiteral("00:00:30"));
    EXPECT_TRUE(engine->take().isEmpty()) << "no file";
}

} // namespace
