// The real player with levelling switched on from the command line, playing
// through the real engine to the private sound server: what the sink
// receives has the quiet speaker near the loud one, and the switch is
// remembered in the extra settings file.
#include "core/textfile.h"
#include "support/audio_fixtures.h"
#include "support/settings_text.h"
#include "support/wait.h"
#include "support/xsession.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr int Rate = 22050;  // the recording's rate (SoundServer)
constexpr double Lead = 0.5; // silence before the first turn
constexpr double Turn = 3.0; // each speaker's turn
constexpr int TurnCount = 4; // loud, quiet, loud, quiet

std::vector<float> meeting() {
    std::vector<float> samples = fixtures::silence(Lead, Rate);
    for (int turn = 0; turn < TurnCount; ++turn) {
        // The quiet speaker peaks 26 dB below the loud one.
        const float peak = turn % 2 == 0 ? 0.7f : 0.7f * 0.05f;
        samples = fixtures::concat(samples, fixtures::speechLike(Turn, Rate, peak, 150, 1));
    }
    return samples;
}

// Active level of each turn of a recording whose first turn starts at
// `start` seconds, leaving out 0.4 s at either end of each turn.
std::vector<double> turnLevels(const fixtures::PcmAudio& audio, double start) {
    std::vector<double> levels;
    for (int turn = 0; turn < TurnCount; ++turn)
        levels.push_back(fixtures::activeLevelDb(audio, start + turn * Turn + 0.4,
                                                 start + (turn + 1) * Turn - 0.4));
    return levels;
}

TEST(HearingE2E, LevellingFromTheCommandLineBringsTheQuietSpeakerNearTheLoudOne) {
    XSession x;
    SoundServer sound;
    PlayerRun player{x};
    ASSERT_TRUE(PrepareRun(x, sound, player));
    const QString talk = player.path("meeting.wav");
    const auto samples = meeting();
    ASSERT_TRUE(fixtures::writeWav(talk, samples, Rate));
    fixtures::PcmAudio source{Rate, samples};
    const auto plain = turnLevels(source, Lead);
    ASSERT_NEAR(plain[0] - plain[1], 26, 1.5) << "the recording's speakers";
    player.writeFile("hMEMOTAP.txt", settings({entry(talk, 0)}));

    player.start();
    ASSERT_TRUE(x.waitForWindow("^meeting\\.wav - メモタップ$"));
    ASSERT_EQ(player.command({"--levelling", "on"}).exitCode, 0);
    ASSERT_TRUE(WaitUntil([&] {
        return player.readFile("memotap-extra.txt").contains("hearing.levelling=on\r\n");
    })) << "the switch was not remembered";

    const QString heard = player.path("heard.wav");
    ASSERT_TRUE(sound.startRecording(heard));
    ASSERT_EQ(player.command({"--play"}).exitCode, 0);
    // The whole meeting and a second more, in 16-bit mono.
    const qint64 wanted = 44 + static_cast<qint64>((Lead + TurnCount * Turn + 1) * Rate * 2);
    ASSERT_TRUE(WaitUntil([&] { return QFileInfo(heard).size() >= wanted; }, 30000))
        << "the recording did not grow";
    sound.stopRecording();
    player.command({"--pause"});

    const auto audio = fixtures::readWav(heard);
    ASSERT_TRUE(audio);
    // The first turn begins where the sound does.
    std::size_t onset = 0;
    while (onset < audio->samples.size() && std::abs(audio->samples[onset]) < 0.02f)
        ++onset;
    ASSERT_LT(onset, audio->samples.size()) << "nothing was heard";
    const auto levels = turnLevels(*audio, static_cast<double>(onset) / Rate);
    for (int turn = 1; turn < TurnCount; ++turn)
        EXPECT_LT(std::abs(levels[turn] - levels[turn - 1]), 4)
            << "turn " << turn << ": " << levels[turn] << " dB against " << levels[turn - 1];
    float peak = 0;
    for (float s : audio->samples)
        peak = std::max(peak, std::abs(s));
    EXPECT_LT(20 * std::log10(peak), -1.0) << "a sample above -1 dBFS";
}

} // namespace
