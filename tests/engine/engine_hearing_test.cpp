// The hearing aids: the filter chain libmpv is given for each combination,
// and what each aid does to the sound the engine writes to its output.
#include "engine_fixture.h"

#include <QRegularExpression>
#include <cmath>

using namespace fixtures;

namespace {

constexpr int Rate = 44100;

double decibels(double ratio) {
    return 10 * std::log10(ratio);
}

// The labels of the chain's entries, in order ("@name:" at the start of one).
QStringList labels(const std::string& chain) {
    QStringList found;
    const QString text = QString::fromStdString(chain);
    for (const auto& match : QRegularExpression("(?:^|,)@([a-z]+):").globalMatch(text))
        found << match.captured(1);
    return found;
}

std::vector<HearingAids> everyCombination() {
    std::vector<HearingAids> all;
    for (int bits = 0; bits < 8; ++bits)
        for (auto channel :
             {ChannelChoice::Both, ChannelChoice::Left, ChannelChoice::Right, ChannelChoice::Mix})
            all.push_back({(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, channel});
    return all;
}

class EngineHearing : public EngineTest {
  protected:
    // Plays path from start to end into a PCM file with the aids on; the
    // output's channel (or the mean of both), or nothing.
    std::optional<PcmAudio> render(const QString& path, const HearingAids& aids,
                                   const QString& outName, int channel = -1) {
        startEngine(pcmOutput(outName));
        vbmp3_setHearing(aids);
        EXPECT_TRUE(openFile(path));
        vbmp3_play();
        EXPECT_TRUE(waitForEnd());
        vbmp3_free();
        return readWav(file(outName), channel);
    }
};

} // namespace

TEST(HearingChain, AidsAreLabelledEntriesInAFixedOrderBeforeTheEqualizerAndSpeed) {
    const EqualizerLevels bass = {60, 80, 40, 20, 0, 0, 0, 0, 0, 0};
    for (const auto& levels : {std::optional<EqualizerLevels>(), std::optional(bass)}) {
        const std::string today = audioFilterChain(levels);
        EXPECT_TRUE(labels(today).isEmpty()) << today;
        for (const HearingAids& aids : everyCombination()) {
            const std::string chain = audioFilterChain(levels, aids);
            SCOPED_TRACE(chain);
            if (aids == HearingAids{}) {
                // Off means off: the chain of a player without the aids.
                EXPECT_EQ(chain, today);
                continue;
            }
            QStringList expected = {"hearing"};
            if (aids.channel != ChannelChoice::Both)
                expected << "channel";
            if (aids.lowCut)
                expected << "lowcut";
            if (aids.noiseReduction)
                expected << "noise";
            if (aids.levelling)
                expected << "levelling";
            EXPECT_EQ(labels(chain), expected);
            // The equalizer and speed follow, as without the aids.
            EXPECT_TRUE(chain.ends_with("," + today));
        }
    }
}

// Each aid's entry stays the same whatever the others do, so that libmpv
// keeps its filter (and its state) when another one is switched.
TEST(HearingChain, AnAidsEntryDoesNotDependOnTheOthers) {
    const auto entryOf = [](const std::string& chain, const QString& label) {
        for (const QString& part : QString::fromStdString(chain).split(",@"))
            if (part.startsWith(label + ':'))
                return part;
        return QString();
    };
    const HearingAids levellingOnly{true, false, false, ChannelChoice::Both};
    const QString alone = entryOf(audioFilterChain({}, levellingOnly), "levelling");
    ASSERT_FALSE(alone.isEmpty());
    for (const HearingAids& aids : everyCombination()) {
        if (aids.levelling) {
            EXPECT_EQ(entryOf(audioFilterChain({}, aids), "levelling"), alone);
        }
    }
}

TEST_F(EngineHearing, ChannelChoicePutsTheChosenSideInBothEars) {
    ASSERT_TRUE(writeStereoWav(file("sides.wav"), sine(440, 4.5, Rate, 0.3f),
                               sine(880, 4.5, Rate, 0.3f), Rate));
    struct Case {
        ChannelChoice channel;
        bool left440, left880, right440, right880;
    };
    for (const Case& c : {Case{ChannelChoice::Both, true, false, false, true},
                          Case{ChannelChoice::Left, true, false, true, false},
                          Case{ChannelChoice::Right, false, true, false, true},
                          Case{ChannelChoice::Mix, true, true, true, true}}) {
        const HearingAids aids{false, false, false, c.channel};
        const auto left = render(file("sides.wav"), aids, "left.wav", 0);
        const auto right = readWav(file("left.wav"), 1);
        ASSERT_TRUE(left && right);
        const auto heard = [](const PcmAudio& audio, double frequency) {
            // Well above what is left of a side taken out (at least 40 dB down).
            return tonePower(audio, Rate, 2 * Rate, frequency) > 1e-6;
        };
        SCOPED_TRACE(static_cast<int>(c.channel));
        EXPECT_EQ(heard(*left, 440), c.left440);
        EXPECT_EQ(heard(*left, 880), c.left880);
        EXPECT_EQ(heard(*right, 440), c.right440);
        EXPECT_EQ(heard(*right, 880), c.right880);
    }
}

TEST_F(EngineHearing, LowCutRemovesMainsHumAndKeepsAVoicesFundamental) {
    std::vector<float> tones;
    const std::vector<double> frequencies = {50, 60, 100, 120, 125, 150, 200, 1000};
    for (double f : frequencies)
        tones = mix(tones, sine(f, 6.5, Rate, 0.05f));
    ASSERT_TRUE(writeWav(file("tones.wav"), tones, Rate));
    const auto flat = render(file("tones.wav"), {}, "flat.wav");
    const auto cut =
        render(file("tones.wav"), {false, false, true, ChannelChoice::Both}, "cut.wav");
    ASSERT_TRUE(flat && cut);
    for (double f : frequencies) {
        const double gain = decibels(tonePower(*cut, 2 * Rate, 3 * Rate, f) /
                                     tonePower(*flat, 2 * Rate, 3 * Rate, f));
        SCOPED_TRACE(f);
        if (f <= 120)
            EXPECT_LT(gain, -20);
        else if (f < 1000)
            EXPECT_GT(gain, -3);
        else
            EXPECT_NEAR(gain, 0, 1);
    }
}

TEST_F(EngineHearing, LevellingBringsAQuietSpeakerNearALoudOneWithoutClipping) {
    // Turns of 3 s: loud (peaks at -1 dBFS), then 26 dB quieter, twice.
    const auto loud = speechLike(3, Rate, 0.89f, 120, 1);
    const auto quiet = speechLike(3, Rate, 0.89f * 0.05f, 180, 2);
    const auto talk = concat(concat(loud, quiet), concat(loud, quiet));
    ASSERT_TRUE(writeWav(file("talk.wav"), talk, Rate));
    const auto plain = render(file("talk.wav"), {}, "plain.wav");
    const auto level =
        render(file("talk.wav"), {true, false, false, ChannelChoice::Both}, "level.wav");
    ASSERT_TRUE(plain && level);
    EXPECT_NEAR(activeLevelDb(*plain, 6, 9) - activeLevelDb(*plain, 9, 12), 26, 2);
    EXPECT_LT(std::abs(activeLevelDb(*level, 6, 9) - activeLevelDb(*level, 9, 12)), 4);
    float peak = 0;
    for (float s : level->samples)
        peak = std::max(peak, std::abs(s));
    EXPECT_LT(20 * std::log10(peak), -1);
}
