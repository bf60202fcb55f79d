// Start-up's engine step and the close handler's order, against the
// recording engine.
#include "core/messagebox.h"
#include "core/modMain.h"
#include "core/settings.h"
#include "core/textfile.h"
#include "support/fake_engine.h"
#include "support/message_recorder.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace modMain;

namespace {

TEST(Startup, EngineOptionsAreSentOnceAfterInit) {
    FakeEngine& engine = FakeEngine::install();
    MessageRecorder boxes;
    InitialiseEngine();
    EXPECT_EQ(engine.take(), QStringList({"init", "setVbmp3Option(1,1,0,0)"}));
    EXPECT_TRUE(boxes.calls.empty());
}

TEST(Startup, RefusedEngineOptionsShowOnePlainBoxAndStartGoesOn) {
    FakeEngine& engine = FakeEngine::install();
    engine.optionResult = 0;
    MessageRecorder boxes;
    InitialiseEngine();
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text, "vbmp3_setVbmp3Option=error");
    EXPECT_EQ(boxes.calls[0].title, "メモタップ");
    EXPECT_EQ(boxes.calls[0].icon, MessageIcon::None);
    EXPECT_EQ(boxes.calls[0].buttons, MessageButtons::Ok);
}

} // namespace
