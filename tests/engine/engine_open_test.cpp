// Every supported format opens through the libmpv engine and reports its
// true length in whole seconds.
#include "engine_fixture.h"

#include <cstring>

using namespace fixtures;

namespace {

constexpr int Rate = 44100;

struct FormatCase {
    const char* name;
    // Makes the file in dir and returns its path, or "" on failure.
    std::function<QString(const QTemporaryDir&)> make;
    double seconds; // true length of the audio in it
};

QString wavOf(const QTemporaryDir& dir, const std::vector<float>& samples, int rate = Rate) {
    const QString path = dir.filePath("source.wav");
    return writeWav(path, samples, rate) ? path : QString();
}

// Quiet first, loud after: the first frames of a VBR encoding are small, so
// a length estimated from them is far too long.
std::vector<float> quietThenLoud() {
    return concat(silence(20, Rate), noise(10.5, Rate));
}

QString mp3(const QTemporaryDir& dir, const std::vector<float>& samples, const QStringList& lame) {
    const QString wav = wavOf(dir, samples);
    const QString out = dir.filePath("audio.mp3");
    return !wav.isEmpty() && encodeMp3(wav, out, lame) ? out : QString();
}

const FormatCase Cases[] = {
    {"Wav", [](const QTemporaryDir& d) { return wavOf(d, sine(440, 7.5, Rate)); }, 7.5},
    {"Wav16kHz", [](const QTemporaryDir& d) { return wavOf(d, sine(440, 7.5, 16000), 16000); },
     7.5},
    {"Mp3Cbr",
     [](const QTemporaryDir& d) {
         return mp3(d, sine(440, 7.5, Rate), {"-b", "64"});
     },
     7.5},
    {"Mp3VbrXing",
     [](const QTemporaryDir& d) {
         return mp3(d, quietThenLoud(), {"-V", "4"});
     },
     30.5},
    {"Mp3VbrNoHeader",
     [](const QTemporaryDir& d) {
         return mp3(d, quietThenLoud(), {"-V", "4", "-t"});
     },
     30.5},
    {"Mp3Mpeg2",
     [](const QTemporaryDir& d) {
         return mp3(d, sine(440, 7.5, Rate), {"--resample", "22.05", "-b", "32"});
     },
     7.5},
    {"Mp2",
     [](const QTemporaryDir& d) {
         const QString wav = wavOf(d, sine(440, 7.5, Rate));
         const QString out = d.filePath("audio.mp2");
         return !wav.isEmpty() && encodeMp2(wav, out) ? out : QString();
     },
     7.5},
    {"Mp1",
     [](const QTemporaryDir& d) {
         const QString out = d.filePath("audio.mp1");
         return writeMp1Tone(out, 7.5) ? out : QString();
     },
     7.5},
    {"RiffRmp3",
     [](const QTemporaryDir& d) {
         const QString source = mp3(d, sine(440, 7.5, Rate), {"-b", "64"});
         const QString out = d.filePath("audio.rmp");
         return !source.isEmpty() && wrapRmp3(source, out) ? out : QString();
     },
     7.5},
    {"RiffRmp3VbrNoHeader",
     [](const QTemporaryDir& d) {
         const QString source = mp3(d, quietThenLoud(), {"-V", "4", "-t"});
         const QString out = d.filePath("audio.rmp");
         return !source.isEmpty() && wrapRmp3(source, out) ? out : QString();
     },
     30.5},
    {"RiffWaveMpeg",
     [](const QTemporaryDir& d) {
         const QString source = mp3(d, sine(440, 7.5, Rate), {"-b", "64"});
         const QString out = d.filePath("audio.wav");
         return !source.isEmpty() && wrapWaveMpeg(source, out) ? out : QString();
     },
     7.5},
    {"RiffWaveMpegVbr",
     [](const QTemporaryDir& d) {
         const QString source = mp3(d, quietThenLoud(), {"-V", "4", "-t"});
         const QString out = d.filePath("audio.wav");
         return !source.isEmpty() && wrapWaveMpeg(source, out) ? out : QString();
     },
     30.5},
    {"Flac",
     [](const QTemporaryDir& d) {
         const QString wav = wavOf(d, sine(440, 7.5, Rate));
         const QString out = d.filePath("audio.flac");
         return runTool("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-i", wav, out})
                    ? out
                    : QString();
     },
     7.5},
};

void PrintTo(const FormatCase& format, std::ostream* out) {
    *out << format.name;
}

class EngineFormat : public EngineTest, public ::testing::WithParamInterface<FormatCase> {};

} // namespace

TEST_P(EngineFormat, OpensStoppedWithTrueLength) {
    const FormatCase& format = GetParam();
    const QString path = format.make(dir);
    ASSERT_FALSE(path.isEmpty()) << "could not make the " << format.name << " file";
    startEngine();

    ASSERT_TRUE(openFile(path)) << "error " << vbmp3_getLastErrorNo();
    EXPECT_EQ(vbmp3_getLastErrorNo(), ErrNone);
    EXPECT_EQ(info.TotalSeconds, static_cast<int>(format.seconds));
    EXPECT_GT(info.Value1, 0) << "sample rate";
    EXPECT_NE(std::strlen(info.Text2), 0u) << "codec";
    const auto s = snapshot();
    EXPECT_EQ(s.state, StateStopped);
    EXPECT_EQ(s.position, 0);

    // The end is reachable and reported as the length.
    vbmp3_play();
    vbmp3_seek(info.TotalSeconds);
    EXPECT_EQ(snapshot().position, info.TotalSeconds);
    EXPECT_TRUE(waitForEnd());
}

INSTANTIATE_TEST_SUITE_P(Formats, EngineFormat, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

// The VBR case only tests something if FFmpeg really misjudges the file.
TEST_F(EngineTest, VbrWithoutHeaderFoolsFfmpegButNotTheEngine) {
    const QString wav = file("source.wav");
    const QString mp3 = file("audio.mp3");
    ASSERT_TRUE(writeWav(wav, quietThenLoud(), Rate));
    ASSERT_TRUE(encodeMp3(wav, mp3, {"-V", "4", "-t"}));
    ASSERT_FALSE(hasVbrHeader(mp3));
    const auto estimate = ffprobeSeconds(mp3);
    ASSERT_TRUE(estimate.has_value());
    EXPECT_GT(std::abs(*estimate - 30.5), 5.0) << "FFmpeg got it right; the fixture needs work";

    startEngine();
    ASSERT_TRUE(openFile(mp3));
    EXPECT_EQ(info.TotalSeconds, 30);
}

TEST_F(EngineTest, OpeningAnotherFileReplacesTheFirst) {
    const QString a = file("a.wav");
    const QString b = file("b.wav");
    ASSERT_TRUE(writeWav(a, sine(440, 5.5, Rate), Rate));
    ASSERT_TRUE(writeWav(b, sine(440, 9.5, Rate), Rate));
    startEngine();
    ASSERT_TRUE(openFile(a));
    vbmp3_play();
    vbmp3_seek(3);
    vbmp3_close();
    EXPECT_EQ(snapshot().state, StateStopped);
    ASSERT_TRUE(openFile(b));
    EXPECT_EQ(info.TotalSeconds, 9);
    const auto s = snapshot();
    EXPECT_EQ(s.state, StateStopped);
    EXPECT_EQ(s.position, 0);
    // Open without close in between.
    ASSERT_TRUE(openFile(a));
    EXPECT_EQ(info.TotalSeconds, 5);
    // An MP3 plays through a playlist; the file after it is no playlist.
    const QString mp3 = file("c.mp3");
    ASSERT_TRUE(encodeMp3(b, mp3, {"-b", "64"}));
    ASSERT_TRUE(openFile(mp3));
    ASSERT_TRUE(openFile(b)) << "error " << vbmp3_getLastErrorNo();
    EXPECT_EQ(info.TotalSeconds, 9);
}

// The open returns at once and tells its end from the event loop; an open
// given up by another open or by a close never tells anything.
TEST_F(EngineTest, AnOpenEndsFromTheEventLoopAndOneGivenUpIsNeverHeardOf) {
    const QString a = file("a.wav");
    const QString b = file("b.wav");
    ASSERT_TRUE(writeWav(a, sine(440, 5.5, Rate), Rate));
    ASSERT_TRUE(writeWav(b, sine(440, 9.5, Rate), Rate));
    startEngine();
    QStringList ends;
    auto noting = [&ends](const char* name) {
        return [&ends, name](const EngineOpened& result) {
            ends << QString("%1 %2 %3").arg(name).arg(result.opened).arg(result.error);
        };
    };

    vbmp3_open("", noting("empty"));
    vbmp3_open(QFile::encodeName(a).constData(), noting("a"));
    vbmp3_open(QFile::encodeName(b).constData(), noting("b"));
    EXPECT_TRUE(ends.isEmpty()) << "an open ended inside the call that started it";
    ASSERT_TRUE(waitUntil([&] { return !ends.isEmpty(); }));
    EXPECT_EQ(ends, QStringList({"b 1 0"}));
    EXPECT_EQ(snapshot().state, StateStopped);

    vbmp3_open(QFile::encodeName(a).constData(), noting("closed"));
    vbmp3_close();
    vbmp3_open("", noting("missing"));
    ASSERT_TRUE(waitUntil([&] { return ends.size() > 1; }));
    ASSERT_TRUE(openFile(a));
    EXPECT_EQ(ends, QStringList({"b 1 0", QString("missing 0 %1").arg(ErrFileNotFound)}));
    EXPECT_EQ(info.TotalSeconds, 5);
}

// libmpv starts on a thread of its own: an open asked for meanwhile waits
// for it, and a free during the start neither waits for an
// answer that never comes nor hears of the start afterwards.
TEST_F(EngineTest, WhatIsAskedWhileTheEngineStartsWaitsForIt) {
    const QString a = file("a.wav");
    ASSERT_TRUE(writeWav(a, sine(440, 5.5, Rate), Rate));
    setEngineBackend(std::make_unique<MpvEngine>(MpvOutput{MpvOutput::Kind::Null, {}}));
    QStringList heard;
    vbmp3_init([&heard] { heard << "started"; });
    vbmp3_open(QFile::encodeName(a).constData(), [&heard](const EngineOpened& result) {
        heard << QString("opened %1 %2").arg(result.opened).arg(result.info.TotalSeconds);
    });
    EXPECT_TRUE(heard.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return heard.size() == 2; }));
    EXPECT_EQ(heard, QStringList({"started", "opened 1 5"}));
    vbmp3_play();
    EXPECT_TRUE(waitUntil([] { return snapshot().position >= 1; }));
    EXPECT_EQ(vbmp3_getState(nullptr), StatePlaying);

    setEngineBackend(std::make_unique<MpvEngine>(MpvOutput{MpvOutput::Kind::Null, {}}));
    bool lateStart = false;
    vbmp3_init([&lateStart] { lateStart = true; });
    vbmp3_free();
    EXPECT_FALSE(openFile(a));
    EXPECT_EQ(vbmp3_getLastErrorNo(), ErrNotInitialised);
    EXPECT_FALSE(lateStart) << "a freed engine told of its start";
}

// File names reach FFmpeg inside a playlist for MPEG audio: quotes, percent
// signs, commas, colons and Japanese text must survive.
TEST_F(EngineTest, OpensFilesWithAwkwardNames) {
    const QString wav = file("source.wav");
    ASSERT_TRUE(writeWav(wav, sine(440, 3.5, Rate), Rate));
    ASSERT_TRUE(QDir(dir.path()).mkdir("会議, 録音: 100%"));
    const QString mp3 = file("会議, 録音: 100%/議事 'A' %41 #1 ?.mp3");
    ASSERT_TRUE(encodeMp3(wav, mp3, {"-b", "64"}));
    startEngine();
    ASSERT_TRUE(openFile(mp3)) << "error " << vbmp3_getLastErrorNo();
    EXPECT_EQ(info.TotalSeconds, 3);
    vbmp3_play();
    EXPECT_TRUE(waitUntil([] { return snapshot().position >= 1; }));
}
