// Recordings longer than the engine walks during the open: CBR streams are
// placed by arithmetic, other MPEG streams open with an estimate while a
// walk counts their frames on another thread. Lengths and seeks stay exact
// in both, before the walk is done and after.
#include "engine_fixture.h"

#include "core/engine/file_reader.h"
#include "support/stalling_read.h"

#include <atomic>
#include <thread>

using namespace fixtures;

namespace {

constexpr int Rate = 44100;
constexpr int Seconds = 100; // over a megabyte in each encoding below

struct LongCase {
    const char* name;
    QStringList lame;
    bool walks; // the frames are walked in the background
};

const LongCase Cases[] = {
    {"CbrWithInfoHeader", {"-b", "128"}, false},
    {"CbrWithoutHeader", {"-b", "128", "-t"}, false},
    {"VbrWithXingHeader", {"-V", "0"}, true},
    {"VbrWithoutHeader", {"-V", "0", "-t"}, true},
};

void PrintTo(const LongCase& c, std::ostream* out) {
    *out << c.name;
}

class LongFile : public EngineTest {
  protected:
    void TearDown() override {
        release = true;
        EngineTest::TearDown();
    }

    // A time-coded recording with noise under it, so VBR needs many bits.
    QString make(const QStringList& lame) {
        const QString wav = file("code.wav");
        const QString mp3 = file("code.mp3");
        EXPECT_TRUE(writeWav(wav, mix(timeCode(Seconds, Rate), noise(Seconds, Rate, 0.2f)), Rate));
        EXPECT_TRUE(encodeMp3(wav, mp3, lame));
        EXPECT_GT(QFileInfo(mp3).size(), 1024 * 1024);
        return mp3;
    }

    // An engine whose walk stops before each block after the first until
    // release is set.
    MpvEngine& startHeldEngine(MpvOutput output) {
        MpvEngine& engine = startEngine(std::move(output));
        engine.setWalkBlockHook([this, first = std::make_shared<bool>(true)](std::int64_t) {
            if (std::exchange(*first, false))
                return;
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        });
        return engine;
    }

    // The exact length once the walk has told it (or at once when the open
    // had it right).
    std::int32_t exactLength() {
        std::int32_t total = info.TotalSeconds;
        waitUntil([&] { return vbmp3_takeExactLength(&total) == 1 || !engine().walking(); });
        vbmp3_takeExactLength(&total);
        return total;
    }

    MpvEngine& engine() { return static_cast<MpvEngine&>(engineBackend()); }

    // The played output starts at second `from` and runs to the end without
    // a gap or a repeat.
    void expectPlayedFrom(const QString& out, int from) {
        const auto audio = readWav(out);
        ASSERT_TRUE(audio.has_value());
        EXPECT_NEAR(audio->seconds(), Seconds - from, 0.15);
        const std::size_t tenth = Rate / 10;
        for (int second = 0; second < Seconds - from; second += 7) {
            const std::size_t middle = static_cast<std::size_t>(second) * Rate + Rate * 4 / 10;
            EXPECT_EQ(strongestTimeCode(*audio, middle, tenth, Seconds), from + second)
                << "at " << second << " s of the output";
        }
    }

    std::atomic<bool> release{false};
};

class LongFormat : public LongFile, public ::testing::WithParamInterface<LongCase> {};

} // namespace

TEST_P(LongFormat, SeekBeforeTheWalkIsDoneIsExact) {
    const LongCase& c = GetParam();
    const QString mp3 = make(c.lame);
    MpvEngine& engine = startHeldEngine(pcmOutput("out.wav"));
    ASSERT_TRUE(openFile(mp3)) << "error " << vbmp3_getLastErrorNo();
    EXPECT_EQ(engine.walking(), c.walks);
    // Known at once from arithmetic or the header's frame count.
    if (c.name != std::string("VbrWithoutHeader")) {
        EXPECT_EQ(info.TotalSeconds, Seconds);
    }

    // Far beyond what the held walk has reached.
    vbmp3_play();
    vbmp3_seek(61);
    // As below: a loaded machine may let a second pass before the look.
    const auto after = snapshot().position;
    EXPECT_GE(after, 61);
    EXPECT_LE(after, 63);
    ASSERT_TRUE(waitUntil([] { return snapshot().state == StatePaused; }, 60000));
    EXPECT_EQ(engine.walking(), c.walks);
    release = true;
    vbmp3_free();
    expectPlayedFrom(file("out.wav"), 61);
}

TEST_P(LongFormat, SeekAfterTheWalkIsExact) {
    const LongCase& c = GetParam();
    const QString mp3 = make(c.lame);
    startEngine(pcmOutput("out.wav"));
    ASSERT_TRUE(openFile(mp3)) << "error " << vbmp3_getLastErrorNo();
    EXPECT_EQ(exactLength(), Seconds);
    EXPECT_EQ(vbmp3_takeExactLength(nullptr), 0) << "told once only";
    vbmp3_play();
    vbmp3_seek(37);
    // The stretches past the open's reload without the window waiting.
    EXPECT_TRUE(engine().seekPending()) << "the seek waited for libmpv";
    // Playback goes on at once; a loaded machine may let a second pass before
    // the look. Where the sound starts is checked exactly below.
    const auto after = snapshot().position;
    EXPECT_GE(after, 37);
    EXPECT_LE(after, 39);
    ASSERT_TRUE(waitUntil([] { return snapshot().position == Seconds; }, 60000));
    vbmp3_free();
    expectPlayedFrom(file("out.wav"), 37);
}

// A second seek while the first reloads the stretches goes where it was sent.
TEST_P(LongFormat, ASeekWhileTheStretchesReloadGoesWhereItWasSent) {
    const QString mp3 = make(GetParam().lame);
    startEngine(pcmOutput("out.wav"));
    ASSERT_TRUE(openFile(mp3)) << "error " << vbmp3_getLastErrorNo();
    EXPECT_EQ(exactLength(), Seconds);
    vbmp3_play();
    vbmp3_seek(37);
    vbmp3_seek(52);
    EXPECT_EQ(snapshot().position, 52);
    ASSERT_TRUE(waitUntil([] { return snapshot().position == Seconds; }, 60000));
    vbmp3_free();
    expectPlayedFrom(file("out.wav"), 52);
}

INSTANTIATE_TEST_SUITE_P(Kinds, LongFormat, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

// While the length is an estimate the end is unknown: a seek there waits for
// the walk, then holds the true end.
TEST_F(LongFile, SeekToTheEndWaitsForTheWalk) {
    const QString mp3 = make({"-V", "0", "-t"});
    MpvEngine& engine = startHeldEngine({MpvOutput::Kind::Null, {}});
    ASSERT_TRUE(openFile(mp3));
    ASSERT_TRUE(engine.walking());
    vbmp3_play();
    vbmp3_seek(info.TotalSeconds);
    auto s = snapshot();
    EXPECT_EQ(s.state, StatePlaying);
    EXPECT_EQ(s.position, info.TotalSeconds);
    release = true;
    ASSERT_TRUE(waitUntil([] {
        const auto s = snapshot();
        return s.state == StatePaused && s.position == Seconds;
    }));
    EXPECT_EQ(exactLength(), Seconds);
}

// A walk whose read does not return (a share that stopped answering) does not
// hold the close: the read is left to end by itself.
TEST_F(LongFile, ClosingDuringAStalledReadOfTheWalkDoesNotWaitForIt) {
    const QString mp3 = make({"-V", "0", "-t"});
    MpvEngine& engine = startHeldEngine({MpvOutput::Kind::Null, {}});
    ASSERT_TRUE(openFile(mp3));
    ASSERT_TRUE(engine.walking());
    auto share = stallNextEngineRead();
    release = true;
    EXPECT_TRUE(waitUntil([&] { return share->holding(); }));
    vbmp3_close();
    EXPECT_TRUE(share->holding()) << "the close waited for the stalled read";
    EXPECT_FALSE(engine.walking());
    FileReader::setReadHookForTesting({});
    share->release();
}

// A walk still running when the file is closed, replaced or the engine freed
// stops; nothing is left behind (the sanitizer build checks for leaks).
TEST_F(LongFile, ClosingDuringTheWalkStopsIt) {
    const QString mp3 = make({"-V", "0", "-t"});
    ASSERT_TRUE(writeWav(file("short.wav"), sine(440, 2.5, Rate), Rate));
    MpvEngine& engine = startEngine();
    engine.setWalkBlockHook(
        [](std::int64_t) { std::this_thread::sleep_for(std::chrono::milliseconds(100)); });
    ASSERT_TRUE(openFile(mp3));
    ASSERT_TRUE(engine.walking());
    vbmp3_close();
    EXPECT_FALSE(engine.walking());

    ASSERT_TRUE(openFile(mp3));
    ASSERT_TRUE(engine.walking());
    ASSERT_TRUE(openFile(file("short.wav"))) << "error " << vbmp3_getLastErrorNo();
    EXPECT_FALSE(engine.walking());
    EXPECT_EQ(vbmp3_takeExactLength(nullptr), 0);

    ASSERT_TRUE(openFile(mp3));
    vbmp3_play();
    vbmp3_seek(50);
    vbmp3_free();
    EXPECT_EQ(snapshot().state, StateStopped);
}
