// Preloading the file the program reopens at start-up: the open takes over
// what the preload began, and a preload nobody takes over never disturbs the
// file that is open.
#include "engine_fixture.h"
#include "support/stalling_read.h"

#include "core/engine/file_reader.h"

#include <QFileInfo>
#include <atomic>
#include <cstring>
#include <memory>

using namespace fixtures;

namespace {

constexpr int Rate = 22050;

class EnginePreload : public EngineTest {
  protected:
    void TearDown() override {
        FileReader::setReadHookForTesting({});
        EngineTest::TearDown();
    }

    // Counts the reads of the engine's own reader (libmpv reads by itself).
    std::shared_ptr<std::atomic<int>> countReads() {
        auto reads = std::make_shared<std::atomic<int>>(0);
        FileReader::setReadHookForTesting([reads] { ++*reads; });
        return reads;
    }

    static QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

    // True while some descriptor of this process is open on path: the
    // preload's probe holds the file until its thread ends, libmpv while it
    // plays it.
    static bool heldOpen(const QString& path) {
        const QString target = QFileInfo(path).canonicalFilePath();
        const QDir fds(QStringLiteral("/proc/self/fd"));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System))
            if (fd.symLinkTarget() == target)
                return true;
        return false;
    }
};

TEST_F(EnginePreload, TheOpenTakesOverWhereThePreloadIs) {
    const QString wav = file("meeting.wav");
    const QString mp3 = file("meeting.mp3");
    ASSERT_TRUE(writeWav(wav, sine(440, 7.5, Rate), Rate));
    ASSERT_TRUE(encodeMp3(wav, mp3, {"-b", "64", "--cbr"}));

    for (const QString& path : {wav, mp3}) {
        SCOPED_TRACE(path.toStdString());
        // What a plain open reads and reports.
        startEngine();
        auto reads = countReads();
        ASSERT_TRUE(openFile(path));
        const int plainReads = *reads;
        const EngineFileInfo plain = info;
        vbmp3_free();

        // Taken over while libmpv still loads (as at start-up), and after.
        for (const bool loadedFirst : {false, true}) {
            SCOPED_TRACE(loadedFirst ? "loaded first" : "at once");
            MpvEngine& engine = startEngine();
            reads = countReads();
            vbmp3_preload(encoded(path).constData());
            if (loadedFirst) {
                ASSERT_TRUE(waitUntil([&engine] { return engine.preloadReady(); }));
            }
            ASSERT_TRUE(openFile(path)) << "error " << vbmp3_getLastErrorNo();
            // Probed once: the open took the preload's probe and load over.
            EXPECT_EQ(*reads, plainReads);
            EXPECT_EQ(info.TotalSeconds, plain.TotalSeconds);
            EXPECT_EQ(info.Value1, plain.Value1);
            EXPECT_STREQ(info.Text2, plain.Text2);
            vbmp3_play();
            vbmp3_seek(5);
            vbmp3_pause();
            ASSERT_TRUE(waitUntil([] { return snapshot().position == 5; }));
            EXPECT_EQ(snapshot().state, StatePaused);
            vbmp3_free();
        }
    }
}

TEST_F(EnginePreload, AFileOpenedInsteadIsNeverReplacedByIt) {
    const QString last = file("last.wav");
    const QString other = file("other.wav");
    ASSERT_TRUE(writeWav(last, sine(440, 3.5, Rate), Rate));
    ASSERT_TRUE(writeWav(other, sine(440, 6.5, Rate), Rate));
    startEngine();
    // The preload's probe stalls, as on a share, until the other file is open.
    auto stall = stallNextEngineRead();
    vbmp3_preload(encoded(last).constData());
    ASSERT_TRUE(waitUntil([&stall] { return stall->holding(); }));
    ASSERT_TRUE(openFile(other));
    EXPECT_EQ(info.TotalSeconds, 6);
    stall->release();
    // The dropped probe reads on and ends without handing its file to
    // libmpv, which would have replaced the open one.
    ASSERT_TRUE(waitUntil([&last] { return !heldOpen(last); }));
    vbmp3_play();
    vbmp3_seek(4);
    vbmp3_pause();
    ASSERT_TRUE(waitUntil([] { return snapshot().position == 4; }));
    EXPECT_EQ(snapshot().state, StatePaused);
    EXPECT_EQ(info.TotalSeconds, 6);

    // A preload of a file that is gone fails the open as the file would.
    const QString gone = file("gone.wav");
    vbmp3_close();
    vbmp3_preload(encoded(gone).constData());
    EXPECT_FALSE(openFile(gone));
    EXPECT_EQ(vbmp3_getLastErrorNo(), ErrFileNotFound);
}

TEST_F(EnginePreload, FreeDoesNotWaitForAStalledPreload) {
    const QString last = file("last.wav");
    ASSERT_TRUE(writeWav(last, sine(440, 2.5, Rate), Rate));
    startEngine();
    auto stall = stallNextEngineRead();
    vbmp3_preload(encoded(last).constData());
    ASSERT_TRUE(waitUntil([&stall] { return stall->holding(); }));
    vbmp3_free();
    // Returned while the read still stalls (a wait would last until the
    // stall gives up).
    EXPECT_TRUE(stall->holding());
    stall->release();
    ASSERT_TRUE(waitUntil([&last] { return !heldOpen(last); }));
}

} // namespace
