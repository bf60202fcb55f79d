// Speed and equalizer, measured on what the engine writes to its output.
#include "engine_fixture.h"

#include <cmath>

using namespace fixtures;

namespace {

constexpr int Rate = 44100;

class EngineSound : public EngineTest {
  protected:
    // Plays path from start to end into a PCM file and returns what was written.
    std::optional<PcmAudio> render(const QString& path, const QString& outName,
                                   const std::function<void()>& setUp) {
        startEngine(pcmOutput(outName));
        setUp();
        EXPECT_TRUE(openFile(path));
        vbmp3_play();
        EXPECT_TRUE(waitForEnd());
        vbmp3_free();
        return readWav(file(outName));
    }

    static double decibels(double ratio) { return 10 * std::log10(ratio); }
};

} // namespace

TEST_F(EngineSound, DoubleSpeedHalvesTheOutputAndKeepsThePitch) {
    ASSERT_TRUE(writeWav(file("tone.wav"), sine(440, 8.5, Rate), Rate));
    const auto normal = render(file("tone.wav"), "normal.wav", [] { vbmp3_setPitch(100); });
    const auto fast = render(file("tone.wav"), "fast.wav", [] { vbmp3_setPitch(200); });
    ASSERT_TRUE(normal && fast);
    EXPECT_NEAR(normal->seconds(), 8.5, 0.1);
    EXPECT_NEAR(fast->seconds() / normal->seconds(), 0.5, 0.02);

    // Pitch preserved: 440 Hz, not 880 Hz, in the middle of the fast output.
    const std::size_t middle = fast->samples.size() / 2;
    EXPECT_GT(tonePower(*fast, middle, Rate / 2, 440),
              100 * tonePower(*fast, middle, Rate / 2, 880));
}

TEST_F(EngineSound, SpeedOutsideTheRangeIsClamped) {
    ASSERT_TRUE(writeWav(file("tone.wav"), sine(440, 6.5, Rate), Rate));
    const auto fastest = render(file("tone.wav"), "fastest.wav", [] { vbmp3_setPitch(1000); });
    ASSERT_TRUE(fastest);
    EXPECT_NEAR(fastest->seconds(), 6.5 / 3, 0.1);
}

TEST_F(EngineSound, EqualizerRaisesItsBandAfterReload) {
    ASSERT_TRUE(writeWav(file("two.wav"),
                         mix(sine(60, 5.5, Rate, 0.1f), sine(1000, 5.5, Rate, 0.1f)), Rate));
    const auto flat = render(file("two.wav"), "flat.wav", [] {});
    const auto bass = render(file("two.wav"), "bass.wav", [] {
        std::int32_t bands[EqualizerBandCount] = {128};
        vbmp3_setEqualizer(bands);
        // The engine keeps its own copy of the table.
        bands[0] = -128;
        vbmp3_reload();
    });
    const auto notReloaded = render(file("two.wav"), "pending.wav", [] {
        const std::int32_t bands[EqualizerBandCount] = {128};
        vbmp3_setEqualizer(bands);
    });
    ASSERT_TRUE(flat && bass && notReloaded);

    const std::size_t from = Rate, count = 3 * Rate;
    auto gain = [&](const PcmAudio& audio, double frequency) {
        return decibels(tonePower(audio, from, count, frequency) /
                        tonePower(*flat, from, count, frequency));
    };
    EXPECT_NEAR(gain(*bass, 60), 12.0, 1.5);
    EXPECT_NEAR(gain(*bass, 1000), 0.0, 1.0);
    EXPECT_NEAR(gain(*notReloaded, 60), 0.0, 0.5);
}

TEST_F(EngineSound, EqualizerOffRestoresTheFlatSound) {
    ASSERT_TRUE(writeWav(file("two.wav"),
                         mix(sine(60, 4.5, Rate, 0.25f), sine(3000, 4.5, Rate, 0.25f)), Rate));
    const auto flat = render(file("two.wav"), "flat.wav", [] {});
    const auto off = render(file("two.wav"), "off.wav", [] {
        const std::int32_t bands[EqualizerBandCount] = {-128, 0, 0, 0, 0, 128};
        vbmp3_setEqualizer(bands);
        vbmp3_reload();
        vbmp3_setEqualizer(nullptr);
        vbmp3_reload();
    });
    ASSERT_TRUE(flat && off);
    for (double frequency : {60.0, 3000.0})
        EXPECT_NEAR(decibels(tonePower(*off, Rate, 2 * Rate, frequency) /
                             tonePower(*flat, Rate, 2 * Rate, frequency)),
                    0.0, 0.5)
            << frequency;
}

// Changing the filters while a file plays keeps its position and state.
TEST_F(EngineSound, ReloadKeepsPositionAndState) {
    ASSERT_TRUE(writeWav(file("code.wav"), timeCode(15, Rate), Rate));
    startEngine();
    ASSERT_TRUE(openFile(file("code.wav")));
    vbmp3_play();
    vbmp3_seek(5);
    ASSERT_TRUE(waitUntil([] { return snapshot().position >= 6; }));

    const std::int32_t bands[EqualizerBandCount] = {60, 80, 40, 20};
    vbmp3_setEqualizer(bands);
    vbmp3_reload();
    auto s = snapshot();
    EXPECT_EQ(s.state, StatePlaying);
    EXPECT_GE(s.position, 6);
    EXPECT_LE(s.position, 7);
    EXPECT_TRUE(waitUntil([] { return snapshot().position >= 8; }));

    vbmp3_pause();
    const auto paused = snapshot();
    vbmp3_setEqualizer(nullptr);
    vbmp3_reload();
    QTest::qWait(500);
    s = snapshot();
    EXPECT_EQ(s.state, StatePaused);
    EXPECT_EQ(s.position, paused.position);
}
