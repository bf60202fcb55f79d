// The MPEG frame walk that gives the engine its lengths: tags, damage and
// data that is no MPEG audio.
#include "core/engine/mp3_frames.h"
#include "support/audio_fixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class Mp3Frames : public ::testing::Test {
  protected:
    void SetUp() override {
        const QString wav = dir.filePath("tone.wav");
        const QString mp3 = dir.filePath("tone.mp3");
        ASSERT_TRUE(writeWav(wav, sine(440, 5.5, 44100), 44100));
        ASSERT_TRUE(encodeMp3(wav, mp3, {"-b", "64"}));
        QFile in(mp3);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        stream = in.readAll();
    }

    static std::optional<MpegStreamInfo> walk(const QByteArray& bytes) {
        return walkMpegFrames(reinterpret_cast<const unsigned char*>(bytes.constData()),
                              static_cast<std::size_t>(bytes.size()), 16);
    }

    QTemporaryDir dir;
    QByteArray stream;
};

} // namespace

TEST_F(Mp3Frames, CountsTheAudioFramesOfAStream) {
    const auto info = walk(stream);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->first.layer, 3);
    EXPECT_EQ(info->first.sampleRate, 44100);
    EXPECT_TRUE(info->hasVbrHeader); // lame's Info frame, not counted as audio
    // Whole frames, the encoder's delay and padding included.
    EXPECT_NEAR(info->seconds(), 5.5, 0.08);
    const auto bytes = reinterpret_cast<const unsigned char*>(stream.constData());
    const auto infoFrame = parseMpegFrameHeader(bytes);
    ASSERT_TRUE(infoFrame);
    EXPECT_EQ(info->audioBytes, info->streamBytes - infoFrame->frameBytes);
    // A mark at every 16th audio frame, each on a frame header.
    ASSERT_EQ(info->marks.size(), static_cast<std::size_t>((info->frames + 15) / 16));
    EXPECT_EQ(info->marks[0], infoFrame->frameBytes);
    for (std::size_t i = 1; i < info->marks.size(); ++i) {
        EXPECT_TRUE(parseMpegFrameHeader(bytes + info->marks[i]));
        EXPECT_NEAR(info->marks[i] - info->marks[i - 1], 16 * 209, 16);
    }
}

TEST_F(Mp3Frames, SkipsTagsAtBothEnds) {
    const auto plain = walk(stream);
    ASSERT_TRUE(plain);
    // ID3v2 of 3000 bytes (synchsafe size), ID3v1 at the end.
    QByteArray tagged("ID3\x03\x00\x00\x00\x00\x17\x2e", 10); // 0x17 << 7 | 0x2e = 2990
    tagged.append(QByteArray(2990, '\xff'));
    tagged.append(stream);
    tagged.append("TAG");
    tagged.append(QByteArray(125, 'x'));
    const auto info = walk(tagged);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->frames, plain->frames);
    EXPECT_EQ(info->marks.front(), plain->marks.front() + 3000);
}

TEST_F(Mp3Frames, ResynchronisesAfterDamage) {
    const auto plain = walk(stream);
    ASSERT_TRUE(plain);
    QByteArray damaged = stream;
    QByteArray junk(1000, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<char>((i * 7919) & 0xff);
    damaged.insert(damaged.size() / 2, junk);
    const auto info = walk(damaged);
    ASSERT_TRUE(info);
    // At most the frame cut by the junk is lost.
    EXPECT_GE(info->frames, plain->frames - 1);
    EXPECT_LE(info->frames, plain->frames);
}

TEST_F(Mp3Frames, FindsNothingInOtherData) {
    EXPECT_FALSE(walk(QByteArray("just some text, no audio at all\n")));
    EXPECT_FALSE(walk(QByteArray(100000, '\0')));
    EXPECT_FALSE(walk(QByteArray()));
    // A single frame header followed by garbage is no stream.
    EXPECT_FALSE(walk(stream.left(4) + QByteArray(5000, '\x11')));
}
