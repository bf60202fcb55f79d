// Play, pause, restart, seek and stop: the state and position are reported
// at once, hold while paused, and the output really starts at a seek target.
#include "engine_fixture.h"

using namespace fixtures;

namespace {

constexpr int Rate = 44100;

class EngineTransport : public EngineTest {
  protected:
    // A time-coded WAV of the given length, opened in a Null-output engine.
    void openTimeCode(int seconds) {
        ASSERT_TRUE(writeWav(file("code.wav"), timeCode(seconds, Rate), Rate));
        startEngine();
        ASSERT_TRUE(openFile(file("code.wav")));
        ASSERT_EQ(info.TotalSeconds, seconds);
    }

    static void expectState(std::int32_t state, std::int32_t position) {
        const auto s = snapshot();
        EXPECT_EQ(s.state, state);
        EXPECT_EQ(s.position, position);
    }
};

} // namespace

TEST_F(EngineTransport, PlayAdvancesAndPauseHoldsThePosition) {
    openTimeCode(12);
    vbmp3_play();
    expectState(StatePlaying, 0);
    ASSERT_TRUE(waitUntil([] { return snapshot().position >= 1; }));

    vbmp3_pause();
    const auto paused = snapshot();
    EXPECT_EQ(paused.state, StatePaused);
    QTest::qWait(1500);
    expectState(StatePaused, paused.position);

    vbmp3_restart();
    EXPECT_EQ(snapshot().state, StatePlaying);
    EXPECT_TRUE(waitUntil([&] { return snapshot().position > paused.position; }));
}

TEST_F(EngineTransport, SeekIsReportedAtOnceAndKeepsTheState) {
    openTimeCode(12);
    vbmp3_play();
    vbmp3_seek(7);
    expectState(StatePlaying, 7);
    ASSERT_TRUE(waitUntil([] { return snapshot().position >= 8; }));

    vbmp3_pause();
    vbmp3_seek(3);
    expectState(StatePaused, 3);
    QTest::qWait(800);
    expectState(StatePaused, 3);

    // Resume after a step back, as the play/pause command does.
    vbmp3_seek(1);
    vbmp3_restart();
    expectState(StatePlaying, 1);
    EXPECT_TRUE(waitUntil([] { return snapshot().position >= 2; }));

    // Seeks in quick succession: the last one wins, at once and after.
    vbmp3_seek(4);
    vbmp3_seek(9);
    vbmp3_seek(5);
    expectState(StatePlaying, 5);
    QTest::qWait(300);
    const auto s = snapshot();
    EXPECT_EQ(s.state, StatePlaying);
    EXPECT_GE(s.position, 5);
    EXPECT_LE(s.position, 6);
}

TEST_F(EngineTransport, SeekPastTheEndHoldsTheEnd) {
    openTimeCode(6);
    vbmp3_play();
    vbmp3_seek(1000);
    expectState(StatePlaying, 6);
    ASSERT_TRUE(waitForEnd());
    QTest::qWait(300);
    expectState(StatePaused, 6);

    // Restart at the end stays there; a step back plays again.
    vbmp3_restart();
    ASSERT_TRUE(waitForEnd());
    vbmp3_seek(2);
    expectState(StatePaused, 2);
    vbmp3_restart();
    expectState(StatePlaying, 2);
    EXPECT_TRUE(waitUntil([] { return snapshot().position >= 3; }));
    vbmp3_seek(-5);
    expectState(StatePlaying, 0);
}

TEST_F(EngineTransport, PlayingToTheEndPausesThere) {
    openTimeCode(3);
    vbmp3_play();
    ASSERT_TRUE(waitForEnd());
    expectState(StatePaused, 3);
}

TEST_F(EngineTransport, StopEndsPlaybackAndIgnoresSeeks) {
    openTimeCode(12);
    // Before the first play the engine is stopped: pause and seek do nothing.
    vbmp3_pause();
    vbmp3_seek(5);
    expectState(StateStopped, 0);

    vbmp3_play();
    vbmp3_seek(4);
    vbmp3_stop();
    expectState(StateStopped, 0);
    vbmp3_seek(6);
    vbmp3_pause();
    expectState(StateStopped, 0);
    QTest::qWait(300);
    expectState(StateStopped, 0);

    // Play after stop starts from the beginning.
    vbmp3_play();
    expectState(StatePlaying, 0);
    ASSERT_TRUE(waitUntil([] { return snapshot().position >= 1; }));

    vbmp3_close();
    expectState(StateStopped, 0);
    vbmp3_play();
    expectState(StateStopped, 0);
}

// The output file shows where playback really started.
TEST_F(EngineTransport, OutputStartsAtTheSeekTarget) {
    for (const char* format : {"wav", "mp3"}) {
        SCOPED_TRACE(format);
        const QString wav = file("code.wav");
        const QString out = file(QString("out-%1.wav").arg(format));
        ASSERT_TRUE(writeWav(wav, timeCode(12, Rate), Rate));
        QString path = wav;
        if (QString(format) == "mp3") {
            path = file("code.mp3");
            ASSERT_TRUE(encodeMp3(wav, path, {"-V", "2", "-t"}));
        }
        startEngine(pcmOutput(QFileInfo(out).fileName()));
        ASSERT_TRUE(openFile(path));
        // Opening a file plays, seeks to the resume point and pauses at once:
        // nothing of that may reach the output.
        vbmp3_play();
        vbmp3_seek(2);
        vbmp3_pause();
        QTest::qWait(200);
        vbmp3_play();
        vbmp3_seek(7);
        expectState(StatePlaying, 7);
        ASSERT_TRUE(waitForEnd());
        vbmp3_free();

        const auto audio = readWav(out);
        ASSERT_TRUE(audio.has_value());
        const std::size_t tenth = Rate / 10;
        EXPECT_EQ(strongestTimeCode(*audio, tenth / 2, tenth, 12), 7);
        EXPECT_NEAR(audio->seconds(), 5.0, 0.15);
        EXPECT_EQ(strongestTimeCode(*audio, audio->samples.size() - tenth * 2, tenth, 12), 11);
    }
}

// MPEG audio plays as stretches of the file; a seek into a later stretch
// lands exactly, and playback runs on across stretch boundaries without a gap
// or a repeat.
TEST_F(EngineTransport, LongMp3PlaysSeamlesslyFromASeek) {
    constexpr int Seconds = 95;
    const QString wav = file("code.wav");
    const QString mp3 = file("code.mp3");
    ASSERT_TRUE(writeWav(wav, timeCode(Seconds, Rate), Rate));
    ASSERT_TRUE(encodeMp3(wav, mp3, {"-V", "4", "-t"}));
    startEngine(pcmOutput("out.wav"));
    ASSERT_TRUE(openFile(mp3));
    EXPECT_EQ(info.TotalSeconds, Seconds);
    vbmp3_play();
    vbmp3_seek(25);
    ASSERT_TRUE(waitForEnd());
    vbmp3_free();

    const auto audio = readWav(file("out.wav"));
    ASSERT_TRUE(audio.has_value());
    EXPECT_NEAR(audio->seconds(), Seconds - 25, 0.1);
    const std::size_t tenth = Rate / 10;
    for (int second = 0; second < Seconds - 25; second += 3) {
        const std::size_t middle = static_cast<std::size_t>(second) * Rate + Rate * 4 / 10;
        EXPECT_EQ(strongestTimeCode(*audio, middle, tenth, Seconds), 25 + second)
            << "at " << second << " s of the output";
    }
}
