// The position and the seek to the millisecond against the real engine: the
// milliseconds stay within the second the whole-second answer gives, a seek
// lands where it was sent, and the whole-second functions are unchanged.
#include "engine_fixture.h"

using namespace fixtures;

namespace {

constexpr int Rate = 22050;

class EngineMilliseconds : public EngineTest {
  protected:
    std::int64_t positionMs(std::int32_t* state = nullptr) {
        std::int64_t ms = -1;
        const std::int32_t s = vbmp3_getStateMs(&ms);
        if (state)
            *state = s;
        return ms;
    }
};

TEST_F(EngineMilliseconds, APausedSeekIsReportedToTheMillisecondAndPlaysFromThere) {
    const QString wav = file("code.wav");
    ASSERT_TRUE(writeWav(wav, timeCode(20, Rate), Rate));
    startEngine(pcmOutput("out.wav"));
    ASSERT_TRUE(openFile(wav));
    vbmp3_play();
    vbmp3_seekMs(7650);
    vbmp3_pause();
    std::int32_t state = 0;
    EXPECT_EQ(positionMs(&state), 7650);
    EXPECT_EQ(state, StatePaused);
    EXPECT_EQ(snapshot().position, 7);
    ASSERT_TRUE(
        waitUntil([this] { return !static_cast<MpvEngine&>(engineBackend()).seekPending(); }));
    EXPECT_EQ(positionMs(), 7650) << "libmpv's own place once the seek is done";
    // A whole-second seek drops the milliseconds.
    vbmp3_seek(9);
    EXPECT_EQ(positionMs(), 9000);
    vbmp3_seekMs(4300);
    ASSERT_TRUE(
        waitUntil([this] { return !static_cast<MpvEngine&>(engineBackend()).seekPending(); }));
    vbmp3_restart();
    ASSERT_TRUE(waitForEnd());
    vbmp3_free();
    const auto heard = readWav(file("out.wav"));
    ASSERT_TRUE(heard);
    EXPECT_NEAR(heard->seconds(), 20 - 4.3, 0.05) << "played from 4.3 s";
    // 0.2 s into the output is 4.5 s into the file: second 4's code.
    EXPECT_EQ(strongestTimeCode(*heard, heard->rate / 10, heard->rate / 10, 20), 4);
    EXPECT_EQ(strongestTimeCode(*heard, heard->rate * 8 / 10, heard->rate / 10, 20), 5);
}

TEST_F(EngineMilliseconds, WhilePlayingTheMillisecondsLieInTheReportedSecondAndMoveOn) {
    const QString wav = file("code.wav");
    ASSERT_TRUE(writeWav(wav, timeCode(20, Rate), Rate));
    startEngine();
    ASSERT_TRUE(openFile(wav));
    vbmp3_play();
    std::int64_t last = -1;
    bool moved = false;
    ASSERT_TRUE(waitUntil(
        [&] {
            std::int32_t before = 0;
            std::int32_t after = 0;
            vbmp3_getState(&before);
            const std::int64_t ms = positionMs();
            vbmp3_getState(&after);
            EXPECT_GE(ms, std::int64_t{before} * 1000);
            EXPECT_LT(ms, std::int64_t{after} * 1000 + 1000);
            moved = moved || (last >= 0 && ms > last && ms % 1000 != 0);
            last = ms;
            return ms >= 1500;
        },
        10000));
    EXPECT_TRUE(moved);
    vbmp3_pause();
    const std::int64_t paused = positionMs();
    EXPECT_EQ(positionMs(), paused) << "still while paused";
}

} // namespace
