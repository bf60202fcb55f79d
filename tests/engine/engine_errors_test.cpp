// Each way an open can fail gives its own error number and leaves the
// engine stopped with no file.
#include "engine_fixture.h"

#include <QDir>
#include <sys/stat.h>
#include <unistd.h>

using namespace fixtures;

namespace {

class EngineErrors : public EngineTest {
  protected:
    void expectOpenFails(const QString& path, std::int32_t error) {
        info.TotalSeconds = 123;
        EXPECT_FALSE(openFile(path));
        EXPECT_EQ(vbmp3_getLastErrorNo(), error) << path.toStdString();
        EXPECT_EQ(info.TotalSeconds, 0);
        const auto s = snapshot();
        EXPECT_EQ(s.state, StateStopped);
        EXPECT_EQ(s.position, 0);
    }

    QString writeBytes(const QString& name, const QByteArray& bytes) {
        QFile out(file(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return out.fileName();
    }
};

} // namespace

TEST_F(EngineErrors, MissingFile) {
    startEngine();
    expectOpenFails(file("nothing-here.mp3"), ErrFileNotFound);
    expectOpenFails(file("no-folder/nothing.mp3"), ErrFileNotFound);
    expectOpenFails("", ErrFileNotFound);
}

// Only regular files are read: a folder, a named pipe nobody writes to (it
// would block the open for ever) and a device are refused at once.
TEST_F(EngineErrors, AnythingButARegularFileIsUnreadable) {
    startEngine();
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.mp3"));
    expectOpenFails(file("folder.mp3"), ErrFileUnreadable);
    const QByteArray pipe = QFile::encodeName(file("pipe.wav"));
    ASSERT_EQ(mkfifo(pipe.constData(), 0600), 0);
    expectOpenFails(file("pipe.wav"), ErrFileUnreadable);
    expectOpenFails("/dev/zero", ErrFileUnreadable);
}

TEST_F(EngineErrors, FileWithoutReadPermissionIsUnreadable) {
    startEngine();
    const QString locked = file("locked.wav");
    ASSERT_TRUE(writeWav(locked, sine(440, 1.5, 44100), 44100));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions{}));
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads files without permissions";
    expectOpenFails(locked, ErrFileUnreadable);
}

TEST_F(EngineErrors, NoAudioStream) {
    startEngine();
    ASSERT_TRUE(
        runTool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "color=c=red:s=32x32:d=1",
                           "-frames:v", "1", file("picture.png")}));
    expectOpenFails(file("picture.png"), ErrNoAudioStream);
    expectOpenFails(writeBytes("notes.txt", "Minutes of the meeting\r\nItem 1\r\n"),
                    ErrNoAudioStream);
    // Named like audio, still text.
    expectOpenFails(writeBytes("notes.mp3", "not really an mp3\n"), ErrNoAudioStream);
}

TEST_F(EngineErrors, UndecodableData) {
    startEngine();
    QByteArray random(64 * 1024, '\0');
    std::uint32_t x = 12345;
    for (auto& c : random) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    expectOpenFails(writeBytes("random.mp3", random), ErrUndecodable);
    expectOpenFails(writeBytes("empty.wav", {}), ErrUndecodable);
}

TEST_F(EngineErrors, FailedOpenClosesThePreviousFile) {
    startEngine();
    ASSERT_TRUE(writeWav(file("good.wav"), sine(440, 4.5, 44100), 44100));
    ASSERT_TRUE(openFile(file("good.wav")));
    vbmp3_play();
    expectOpenFails(file("missing.wav"), ErrFileNotFound);
    vbmp3_play();
    EXPECT_EQ(snapshot().state, StateStopped);
    // A later good open clears the error number.
    ASSERT_TRUE(openFile(file("good.wav")));
    EXPECT_EQ(vbmp3_getLastErrorNo(), ErrNone);
}

TEST_F(EngineErrors, NotInitialised) {
    setEngineBackend(std::make_unique<MpvEngine>(MpvOutput{MpvOutput::Kind::Null, {}}));
    ASSERT_TRUE(writeWav(file("good.wav"), sine(440, 2.5, 44100), 44100));
    EngineOptions options{1, 1, 0, 0};
    EXPECT_EQ(vbmp3_setVbmp3Option(&options), 0);
    expectOpenFails(file("good.wav"), ErrNotInitialised);
}

TEST_F(EngineErrors, CallsAfterFreeAreHarmless) {
    startEngine();
    ASSERT_TRUE(writeWav(file("good.wav"), sine(440, 2.5, 44100), 44100));
    ASSERT_TRUE(openFile(file("good.wav")));
    vbmp3_play();
    vbmp3_stop();
    vbmp3_free();
    vbmp3_play();
    vbmp3_seek(1);
    vbmp3_pause();
    vbmp3_restart();
    vbmp3_setPitch(150);
    const std::int32_t bands[EqualizerBandCount] = {};
    vbmp3_setEqualizer(bands);
    vbmp3_reload();
    vbmp3_close();
    vbmp3_stop();
    vbmp3_free();
    EngineOptions options{1, 1, 0, 0};
    EXPECT_EQ(vbmp3_setVbmp3Option(&options), 0);
    expectOpenFails(file("good.wav"), ErrNotInitialised);
    EXPECT_EQ(vbmp3_getState(nullptr), StateStopped);
}
