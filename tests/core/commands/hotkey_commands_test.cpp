// Hotkey presses reach their command in one call: the eight records' commands
// on the engine, the dispatch rule over the records, and the registrations.
#include "core/commands/command_fixture.h"
#include "core/hotkeys/hotkey_registry.h"
#include "core/hotkeys/keyfile.h"
#include "support/fake_hotkey_backend.h"

using namespace modMain;

namespace {

class HotkeyCommands : public CommandFixture {
  protected:
    void SetUp() override {
        CommandFixture::SetUp();
        InstallDefaultHotKeys();
        Pitch = 100; // as the window's set-up leaves it
        RevSeconds = 3;
        RepSeconds = 10;
        RewFFSeconds = 4;
    }

    QStringList press(Long id) {
        ExecuteHotKey(id);
        return engine->take();
    }
};

TEST_F(HotkeyCommands, ListenResumesWithTheStepBackAndPausesOnTheSecondPress) {
    playing(StatePaused, 200);
    EXPECT_EQ(press(1), QStringList({"seek(197)", "restart"}));
    EXPECT_EQ(press(1), QStringList({"pause"}));
    playing(StateStopped, 0);
    EXPECT_EQ(press(1), QStringList({"play"}));
}

TEST_F(HotkeyCommands, RewindAndFastForwardByTheStep) {
    playing(StatePlaying, 100);
    EXPECT_EQ(press(2), QStringList({"seek(96)"}));
    EXPECT_EQ(press(3), QStringList({"seek(100)"}));
    playing(StatePlaying, 598);
    EXPECT_EQ(press(3), QStringList({"seek(600)"}));
}

TEST_F(HotkeyCommands, RepeatModeIgnoresRewindAndFastForwardOnly) {
    playing(StatePlaying, 100);
    EXPECT_EQ(press(4), QStringList({"seek(90)", "restart"}));
    ASSERT_EQ(RepeatOn, -1);
    EXPECT_TRUE(view.repeatChecked);
    EXPECT_TRUE(press(2).isEmpty());
    EXPECT_TRUE(press(3).isEmpty());
    EXPECT_EQ(press(7), QStringList({"seek(0)"}));
    EXPECT_EQ(press(8), QStringList({"seek(600)"}));
    EXPECT_EQ(press(5), QStringList({"setPitch(105)"}));
    EXPECT_EQ(press(6), QStringList({"setPitch(100)"}));
    // Listen while playing in repeat mode ends repeat mode and keeps playing.
    EXPECT_EQ(press(1), QStringList());
    EXPECT_EQ(RepeatOn, 0);
    EXPECT_FALSE(view.repeatChecked);
}

TEST_F(HotkeyCommands, RepeatTwiceReturnsTheBoxAndTheFlagToWhereTheyWere) {
    playing(StatePaused, 25);
    press(4);
    EXPECT_TRUE(view.repeatChecked);
    EXPECT_EQ(RepeatOn, -1);
    EXPECT_EQ(RepeatEndSeconds, 25);
    press(4);
    EXPECT_FALSE(view.repeatChecked);
    EXPECT_EQ(RepeatOn, 0);
}

TEST_F(HotkeyCommands, PitchUpStopsAt300AndPitchDownAt50) {
    typeSpeed(295);
    engine->take();
    EXPECT_EQ(press(5), QStringList({"setPitch(300)"}));
    EXPECT_EQ(Pitch, 300);
    EXPECT_EQ(view.speed, 300);
    EXPECT_TRUE(press(5).isEmpty());
    EXPECT_EQ(Pitch, 300);

    typeSpeed(55);
    engine->take();
    EXPECT_EQ(press(6), QStringList({"setPitch(50)"}));
    EXPECT_EQ(Pitch, 50);
    EXPECT_EQ(view.speed, 50);
    EXPECT_TRUE(press(6).isEmpty());
    EXPECT_EQ(Pitch, 50);
}

TEST_F(HotkeyCommands, JumpsToTheStartAndTheEndWhateverTheState) {
    playing(StateStopped, 0, 754);
    EXPECT_EQ(press(7), QStringList({"seek(0)"}));
    EXPECT_EQ(press(8), QStringList({"seek(754)"}));
}

TEST_F(HotkeyCommands, RecordsAreComparedOneToEightInOrderAndNineNever) {
    playing(StatePlaying, 100);
    EXPECT_TRUE(press(9).isEmpty()); // the spare's own id
    EXPECT_TRUE(press(0).isEmpty());
    EXPECT_TRUE(press(42).isEmpty());
    // Two records with one id: the first of them acts.
    HotKeys[7].Id = 2;
    HotKeys[2].Id = 20;
    EXPECT_EQ(press(2), QStringList({"seek(0)"}));
    playing(StatePlaying, 100);
    EXPECT_EQ(press(20), QStringList({"seek(96)"}));
    // Ids are whatever the file says, not the record numbers.
    HotKeys[9].Id = 30;
    HotKeys[8].Id = 31;
    EXPECT_TRUE(press(30).isEmpty());
    EXPECT_EQ(press(31), QStringList({"seek(600)"}));
}

TEST_F(HotkeyCommands, RegisteredCombinationDrivesThePlayerUntilItCloses) {
    FakeHotkeyBackend& backend = FakeHotkeyBackend::install();
    Hozon();
    ASSERT_TRUE(Hotkeys().Load());
    Hotkeys().RegisterActive();
    EXPECT_EQ(backend.held.size(), 8u);
    playing(StatePaused, 200);
    ASSERT_TRUE(backend.press(2, 32));
    EXPECT_EQ(engine->take(), QStringList({"seek(197)", "restart"}));
    ASSERT_TRUE(backend.press(2, 34));
    EXPECT_EQ(engine->take(), QStringList({"seek(600)"}));
    // Once the player closes, a press that still arrives does nothing.
    BeginShutdown();
    EXPECT_TRUE(backend.press(2, 32));
    EXPECT_TRUE(engine->take().isEmpty());
    Hotkeys().Unload();
    EXPECT_TRUE(backend.held.empty());
}

} // namespace
