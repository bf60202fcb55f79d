// The player commands against the recording engine and a recording view: no
// window, no window system. Start-up counts as finished, so commands run at
// once; message boxes go to a recorder.
#pragma once

#include "core/commands.h"
#include "core/modMain.h"
#include "core/settings.h"
#include "support/fake_engine.h"
#include "support/fake_view.h"
#include "support/message_recorder.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

class CommandFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        modMain::SetAppPathForTesting(folder.path());
        engine = &FakeEngine::install();
        modMain::FinishStartup();
    }

    void TearDown() override {
        modMain::ResetCommandsForTesting();
        modMain::SetAppPathForTesting({});
    }

    // An engine with a file of `total` seconds in the given state and place,
    // polled once by the window's timer, and no calls recorded yet.
    void playing(std::int32_t state, std::int32_t position, std::int32_t total = 600) {
        engine->state = state;
        engine->position = position;
        engine->totalSeconds = total;
        modMain::FileInfo.TotalSeconds = total;
        view.seekMaximum = total;
        tick();
        engine->take();
    }

    void tick() { modMain::MainTimerTick(); }

    // The user ticks or clears the repeat box, or types into the speed field:
    // the control changes, then its handler runs.
    void clickRepeat(bool checked) {
        if (view.repeatChecked == checked)
            return;
        view.repeatChecked = checked;
        modMain::RepeatClicked(checked);
    }
    void typeSpeed(modMain::Long percent) {
        if (view.speed == percent)
            return;
        view.speed = percent;
        modMain::SpeedFieldChanged(percent);
    }

    // Runs a command by its table name, as a remote input sends it.
    QStringList run(const QString& name, const QVariant& argument = {}) {
        const auto command = modMain::CommandNamed(name);
        EXPECT_TRUE(command.has_value()) << name.toStdString();
        if (command)
            modMain::Execute(*command, argument);
        return engine->take();
    }

    QTemporaryDir folder;
    MessageRecorder messages;
    FakeEngine* engine = nullptr;
    FakeView view;
};
