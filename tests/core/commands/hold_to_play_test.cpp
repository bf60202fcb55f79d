// Hold to play on a hotkey: its press plays, its release pauses, a press the
// key's auto-repeat adds never restarts playback, and the choice is kept in
// the extra settings file.
#include "core/commands/command_fixture.h"
#include "core/extra_settings.h"
#include "core/hotkeys/hold_key.h"
#include "core/hotkeys/hotkey_backend.h"
#include "core/hotkeys/hotkey_registry.h"
#include "core/hotkeys/keyfile.h"
#include "support/fake_hotkey_backend.h"

#include <QFile>

using namespace modMain;

namespace {

class HoldToPlay : public CommandFixture {
  protected:
    void SetUp() override {
        CommandFixture::SetUp();
        InstallDefaultHotKeys();
        RevSeconds = 3;
        RewFFSeconds = 4;
    }
    void TearDown() override {
        SetHoldToPlayRecord(0);
        CommandFixture::TearDown();
    }
};

TEST_F(HoldToPlay, PressPlaysReleasePausesAndRepeatsDoNotRestart) {
    SetHoldToPlayRecord(1);
    playing(StatePaused, 50);
    ExecuteHotKey(HotKeys[1].Id);
    EXPECT_EQ(engine->take(), QStringList({"seek(47)", "restart"}));
    // A second press while playing (a backend's repeat) leaves playback be.
    ExecuteHotKey(HotKeys[1].Id);
    EXPECT_EQ(engine->take(), QStringList());
    ReleaseHotKey(HotKeys[1].Id);
    EXPECT_EQ(engine->take(), QStringList({"pause"}));
    // Other keys keep their own command, and their releases do nothing.
    ExecuteHotKey(HotKeys[2].Id);
    EXPECT_EQ(engine->take(), QStringList({"seek(43)"}));
    ReleaseHotKey(HotKeys[2].Id);
    EXPECT_EQ(engine->take(), QStringList());
    // Without hold to play the key toggles and its release does nothing.
    SetHoldToPlayRecord(0);
    ExecuteHotKey(HotKeys[1].Id);
    ReleaseHotKey(HotKeys[1].Id);
    EXPECT_EQ(engine->take(), QStringList({"seek(40)", "restart"}));
}

TEST_F(HoldToPlay, TheBackendsReleaseReachesTheCommandAndTheChoiceIsStored) {
    FakeHotkeyBackend* backend = &FakeHotkeyBackend::install();
    QFile keyFile(folder.filePath("hMEMKEY.txt"));
    ASSERT_TRUE(keyFile.open(QIODevice::WriteOnly));
    keyFile.write(KeyFileBytes());
    keyFile.close();
    SetExtraSetting("hotkey.hold-to-play", "forward");
    SaveExtraSettings();
    ASSERT_TRUE(Hotkeys().Load());
    EXPECT_EQ(HoldToPlayRecord(), 3);
    playing(StatePaused, 20);
    emit backend->pressed(HotKeys[3].Id);
    emit backend->released(HotKeys[3].Id);
    EXPECT_EQ(engine->take(), QStringList({"seek(17)", "restart", "pause"}));

    SetHoldToPlayRecord(1);
    SaveHoldToPlay();
    EXPECT_TRUE(ExtraSettingsBytes().contains("hotkey.hold-to-play=play-pause\r\n"));
    SetHoldToPlayRecord(0);
    SaveHoldToPlay();
    EXPECT_TRUE(ExtraSettingsBytes().contains("hotkey.hold-to-play=none\r\n"));
    SetExtraSetting("hotkey.hold-to-play", "open");
    LoadHoldToPlay();
    EXPECT_EQ(HoldToPlayRecord(), 0) << "not a hotkey record's command";
    setHotkeyBackend(nullptr);
}

} // namespace
