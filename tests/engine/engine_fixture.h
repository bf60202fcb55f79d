// Shared set-up of the engine tests: a temporary folder for generated audio,
// the libmpv engine installed behind the vbmp3_* functions, and bounded
// waits that run the Qt event loop (libmpv's events arrive through it).
#pragma once

#include "core/engine/engine.h"
#include "core/engine/mpv_engine.h"
#include "support/audio_fixtures.h"
#include "support/engine_open.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

class EngineTest : public ::testing::Test {
  protected:
    void TearDown() override {
        if (!hasEngineBackend())
            return;
        vbmp3_free();
        setEngineBackend(nullptr);
    }

    QString file(const QString& name) const { return dir.filePath(name); }

    // Installs a fresh libmpv engine with the given output and initialises it.
    MpvEngine& startEngine(MpvOutput output = {MpvOutput::Kind::Null, {}}) {
        auto engine = std::make_unique<MpvEngine>(std::move(output));
        MpvEngine& ref = *engine;
        setEngineBackend(std::move(engine));
        EXPECT_TRUE(StartEngine()) << "the engine did not start";
        EngineOptions options{1, 1, 0, 0};
        EXPECT_EQ(vbmp3_setVbmp3Option(&options), 1);
        return ref;
    }

    MpvOutput pcmOutput(const QString& name) const {
        return {MpvOutput::Kind::PcmFile, file(name).toStdString()};
    }

    bool openFile(const QString& path) {
        const std::optional<EngineOpened> ended = OpenInEngine(QFile::encodeName(path));
        EXPECT_TRUE(ended.has_value()) << "the open never ended";
        info = ended ? ended->info : EngineFileInfo{};
        return ended && ended->opened;
    }

    // Runs the event loop until done() holds or timeoutMs passes.
    static bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > timeoutMs)
                return false;
            QTest::qWait(10);
        }
        return true;
    }

    struct Snapshot {
        std::int32_t state;
        std::int32_t position;
    };
    static Snapshot snapshot() {
        std::int32_t position = -1;
        const std::int32_t state = vbmp3_getState(&position);
        return {state, position};
    }

    // Waits until the player holds the end of the file.
    bool waitForEnd(int timeoutMs = 20000) {
        return waitUntil(
            [this] {
                const auto s = snapshot();
                return s.state == StatePaused && s.position == info.TotalSeconds;
            },
            timeoutMs);
    }

    QTemporaryDir dir;
    EngineFileInfo info{};
};
