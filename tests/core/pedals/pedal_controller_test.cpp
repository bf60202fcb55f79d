// The pedals' state machine on the command table and the recording engine:
// hold to play, toggle, repeating rewind and fast-forward, chords, a release
// lost to an unplug, and the settings that choose all this.
#include "core/commands/command_fixture.h"
#include "core/extra_settings.h"
#include "core/pedals/pedal_controller.h"
#include "core/pedals/pedal_settings.h"
#include "support/wait.h"

using namespace modMain;
using namespace modMain::pedals;

namespace {

constexpr PedalState L = BitOf(Pedal::Left);
constexpr PedalState M = BitOf(Pedal::Middle);
constexpr PedalState R = BitOf(Pedal::Right);
constexpr PedalState F = BitOf(Pedal::Fourth);

class PedalControllerTest : public CommandFixture {
  protected:
    void SetUp() override {
        CommandFixture::SetUp();
        RevSeconds = 3;
        RewFFSeconds = 4;
        Settings() = PedalSettings{};
    }
    void TearDown() override {
        Pedals().ReleaseAll();
        CommandFixture::TearDown();
    }

    QStringList report(PedalState state) {
        Pedals().SetState(state);
        return engine->take();
    }

    int seeks() const { return static_cast<int>(engine->calls.filter("seek(").size()); }
};

TEST_F(PedalControllerTest, MiddleHeldPlaysAndItsReleasePauses) {
    playing(StatePaused, 100);
    EXPECT_EQ(report(M), QStringList({"seek(97)", "restart"}));
    EXPECT_EQ(report(0), QStringList({"pause"}));
    // A report that repeats the state changes nothing.
    EXPECT_EQ(report(0), QStringList());
    // Toggle mode: each press plays or pauses, the release does nothing.
    Settings().mode = PlayMode::Toggle;
    EXPECT_EQ(report(M), QStringList({"seek(94)", "restart"}));
    EXPECT_EQ(report(0), QStringList());
    EXPECT_EQ(report(M), QStringList({"pause"}));
}

TEST_F(PedalControllerTest, ChordsAndALostReleaseLoseNothing) {
    playing(StatePaused, 100);
    std::vector<PedalState> seen;
    QObject listener;
    QObject::connect(&Pedals(), &PedalController::stateChanged, &listener,
                     [&seen](PedalState state) { seen.push_back(state); });
    // Left and right in one report: both steps.
    EXPECT_EQ(report(L | R), QStringList({"seek(96)", "seek(100)"}));
    // Right let go and middle down in the same report: the release first.
    EXPECT_EQ(report(L | M), QStringList({"seek(97)", "restart"}));
    // The device goes away with both down: the held play ends.
    Pedals().ReleaseAll();
    EXPECT_EQ(engine->take(), QStringList({"pause"}));
    EXPECT_EQ(Pedals().State(), 0);
    EXPECT_EQ(seen, (std::vector<PedalState>{L | R, L | M, 0}));
    // Two play pedals: playback goes on until the last is let go.
    Settings().commands[3] = Command::PlayPause;
    EXPECT_EQ(report(M | F), QStringList({"seek(94)", "restart"}));
    EXPECT_EQ(report(F), QStringList());
    EXPECT_EQ(report(0), QStringList({"pause"}));
}

TEST_F(PedalControllerTest, RewindRepeatsWhileHeldAndStopsOnRelease) {
    playing(StatePaused, 300);
    report(L);
    EXPECT_EQ(engine->position, 296);
    EXPECT_TRUE(WaitUntil([&] { return engine->position <= 288; }, 5000))
        << "no repeat: " << engine->position;
    report(0);
    const int after = engine->position;
    // Longer than a repeat step: nothing more comes.
    EXPECT_FALSE(WaitUntil([&] { return engine->position != after; }, 3 * RepeatIntervalMs));
    // A setting changed while a pedal is down applies from its next press.
    report(R);
    Settings().commands[2] = std::nullopt;
    EXPECT_TRUE(WaitUntil([&] { return engine->position >= after + 8; }, 5000));
    report(0);
    engine->take();
    EXPECT_EQ(report(R), QStringList());
    EXPECT_EQ(seeks(), 0);
}

TEST_F(PedalControllerTest, SettingsRoundTripAndUnknownValuesKeepTheDefaults) {
    ResetExtraSettingsForTesting();
    LoadPedalSettings();
    EXPECT_EQ(Settings().commands[0], Command::Rewind);
    EXPECT_EQ(Settings().commands[1], Command::PlayPause);
    EXPECT_EQ(Settings().commands[2], Command::Forward);
    EXPECT_EQ(Settings().commands[3], std::nullopt);
    EXPECT_EQ(Settings().mode, PlayMode::Hold);

    Settings().commands[0] = std::nullopt;
    Settings().commands[3] = Command::CopyTime;
    Settings().mode = PlayMode::Toggle;
    SavePedalSettings();
    const QByteArray saved = ExtraSettingsBytes();
    EXPECT_TRUE(saved.contains("pedal.left=none\r\n")) << saved.constData();
    EXPECT_TRUE(saved.contains("pedal.fourth=copy-time\r\n"));
    EXPECT_TRUE(saved.contains("pedal.mode=toggle\r\n"));
    Settings() = PedalSettings{};
    LoadExtraSettings();
    LoadPedalSettings();
    EXPECT_EQ(Settings().commands[0], std::nullopt);
    EXPECT_EQ(Settings().commands[3], Command::CopyTime);
    EXPECT_EQ(Settings().mode, PlayMode::Toggle);

    // A command that needs an argument, or none this version knows.
    SetExtraSetting("pedal.left", "seek-to");
    SetExtraSetting("pedal.right", "eject");
    SetExtraSetting("pedal.mode", "sometimes");
    LoadPedalSettings();
    EXPECT_EQ(Settings().commands[0], Command::Rewind);
    EXPECT_EQ(Settings().commands[2], Command::Forward);
    EXPECT_EQ(Settings().mode, PlayMode::Hold);
}

} // namespace
