// A player window over the recording engine, for tests of the playback
// commands and the window's handlers. The 100 ms timer is stopped so that each
// test runs its ticks itself; message boxes go to a recorder.
#pragma once

#include "core/modMain.h"
#include "core/settings.h"
#include "support/fake_engine.h"
#include "support/message_recorder.h"
#include "ui/frmMain.h"

#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

class PlayerFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        modMain::SetAppPathForTesting(folder.path());
        engine = &FakeEngine::install();
        form = std::make_unique<frmMain>();
        modMain::MainForm = form.get();
        form->tmrMain->stop();
    }

    void TearDown() override {
        form.reset();
        modMain::SetAppPathForTesting({});
    }

    // An engine with a file of `total` seconds in the given state and place,
    // the bar as the timer leaves it, and no calls recorded yet.
    void playing(std::int32_t state, std::int32_t position, std::int32_t total = 600) {
        engine->state = state;
        engine->position = position;
        engine->totalSeconds = total;
        modMain::FileInfo.TotalSeconds = total;
        form->hsbSeek->setMaximum(total);
        tick();
        engine->take();
    }

    void tick() { form->tmrMain_Timer(); }

    QTemporaryDir folder;
    MessageRecorder messages;
    FakeEngine* engine = nullptr;
    std::unique_ptr<frmMain> form;
};
