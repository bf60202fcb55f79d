// The core reaches its services only through what the composition root (or
// a test's main) handed over: one reached while none is handed over stops the
// program and names itself, rather than being made on the spot.
#include "core/core_services.h"
#include "core/engine/engine.h"
#include "core/hotkeys/hotkey_backend.h"
#include "support/fake_hotkey_backend.h"

#include <gtest/gtest.h>

using namespace modMain;

TEST(HandedOverServices, EachOneReachedBeforeItIsHandedOverStopsAndNamesItself) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            SetPlayerEvents(nullptr);
            Events();
        },
        "PlayerEvents reached while none");
    EXPECT_DEATH(
        {
            SetInputMethodEvents(nullptr);
            InputMethodChanges();
        },
        "InputMethodEvents reached while none");
    EXPECT_DEATH(
        {
            SetHotkeyRegistry(nullptr);
            Hotkeys();
        },
        "HotkeyRegistry reached while none");
    EXPECT_DEATH(
        {
            pedals::SetPedalController(nullptr);
            pedals::Pedals();
        },
        "PedalController reached while none");
    EXPECT_DEATH(
        {
            pedals::SetPedalSettings(nullptr);
            pedals::Settings();
        },
        "PedalSettings reached while none");
    EXPECT_DEATH(
        {
            SetSnapshots(nullptr);
            StopSnapshots();
        },
        "Snapshots reached while none");
    // The core's test programs hand over no engine: each test installs its own.
    ASSERT_FALSE(hasEngineBackend());
    EXPECT_DEATH(vbmp3_play(), "engine reached while none");
}

// Without a backend handed over, global hotkeys are refused, never pretended.
TEST(HandedOverServices, WithoutAHotkeyBackendEveryRegistrationIsRefused) {
    EXPECT_FALSE(hotkeyBackend().registerHotKey(1, 2, 65));
    FakeHotkeyBackend& fake = FakeHotkeyBackend::install();
    EXPECT_TRUE(hotkeyBackend().registerHotKey(1, 2, 65));
    EXPECT_EQ(fake.take(), QStringList({"register(1,2,65)=1"}));
    setHotkeyBackend(nullptr);
    EXPECT_FALSE(hotkeyBackend().registerHotKey(1, 2, 65));
}
