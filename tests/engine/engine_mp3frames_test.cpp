// The MPEG frame walk that gives the engine its lengths: tags, damage and
// data that is no MPEG audio; and the few reads that place a long stream's
// frames without the walk.
#include "core/engine/file_reader.h"
#include "core/engine/mp3_frames.h"
#include "core/engine/mp3_layout.h"
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

// Walked a block at a time, as the background walk reads it, a stream gives
// what the walk over the whole gives, damage included.
TEST_F(Mp3Frames, BlockByBlockWalkMatchesTheWholeWalk) {
    QByteArray damaged = stream;
    damaged.insert(damaged.size() / 3, QByteArray(777, '\x5a'));
    for (const QByteArray& bytes : {stream, damaged}) {
        const auto whole = walk(bytes);
        ASSERT_TRUE(whole);
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
        const auto size = static_cast<std::int64_t>(bytes.size());
        const auto start = findMpegStreamStart(data, bytes.size());
        ASSERT_TRUE(start);
        EXPECT_TRUE(start->infoHeader);
        ASSERT_TRUE(start->headerFrames);
        EXPECT_EQ(*start->headerFrames, walk(stream)->frames) << "lame's count of audio frames";

        MpegFrameWalker walker(start->header, 16);
        std::int64_t pos = start->header.frameBytes;
        while (pos < size) {
            const std::int64_t length = std::min<std::int64_t>(5000, size - pos);
            const std::int64_t next = walker.feed(data + pos, length, pos, pos + length == size);
            if (pos + length == size)
                break;
            ASSERT_GT(next, pos);
            pos = next;
        }
        EXPECT_EQ(walker.frames(), whole->frames);
        EXPECT_EQ(walker.marks(), whole->marks);
    }
}

namespace {

class Mp3Layout : public ::testing::Test {
  protected:
    // Two minutes of noise: several hundred kilobytes in every encoding.
    QString encode(const QStringList& lame) {
        const QString wav = dir.filePath("noise.wav");
        const QString mp3 = dir.filePath("noise.mp3");
        EXPECT_TRUE(writeWav(wav, noise(120, 44100), 44100));
        EXPECT_TRUE(encodeMp3(wav, mp3, lame));
        return mp3;
    }
    static std::optional<MpegStreamInfo> walkFile(const QString& path) {
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly))
            return std::nullopt;
        const QByteArray bytes = in.readAll();
        return walkMpegFrames(reinterpret_cast<const unsigned char*>(bytes.constData()),
                              static_cast<std::size_t>(bytes.size()), 256);
    }
    static std::optional<MpegLayout> probe(const QString& path) {
        const FileReader file = FileReader::open(QFile::encodeName(path).constData());
        EXPECT_TRUE(file.valid());
        return probeMpegLayout(file, 0, file.size());
    }
    QTemporaryDir dir;
};

} // namespace

// CBR streams are placed by arithmetic: every mark the walk finds is within
// a byte of where the layout puts it, and the frame counts agree.
TEST_F(Mp3Layout, CbrFramesLieOnTheirGrid) {
    for (const QStringList& lame : {QStringList{"-b", "64"}, QStringList{"-b", "96", "-t"}}) {
        const QString mp3 = encode(lame);
        const auto walked = walkFile(mp3);
        const auto layout = probe(mp3);
        ASSERT_TRUE(walked && layout);
        ASSERT_TRUE(layout->cbrFrameBytes) << lame.join(' ').toStdString();
        EXPECT_TRUE(layout->framesExact);
        EXPECT_EQ(layout->frames, walked->frames);
        for (std::size_t i = 0; i < walked->marks.size(); ++i)
            ASSERT_NEAR(cbrFrameOffset(*layout, static_cast<std::int64_t>(i) * 256),
                        walked->marks[i], 1)
                << "mark " << i;
    }
}

TEST_F(Mp3Layout, VbrLengthIsCountedOrEstimated) {
    const QString xing = encode({"-V", "2"});
    const auto counted = probe(xing);
    ASSERT_TRUE(counted);
    EXPECT_FALSE(counted->cbrFrameBytes);
    EXPECT_TRUE(counted->framesExact);
    EXPECT_EQ(counted->frames, walkFile(xing)->frames);

    const QString bare = encode({"-V", "2", "-t"});
    const auto estimated = probe(bare);
    ASSERT_TRUE(estimated);
    EXPECT_FALSE(estimated->cbrFrameBytes);
    EXPECT_FALSE(estimated->framesExact);
    EXPECT_NEAR(estimated->frames, walkFile(bare)->frames, walkFile(bare)->frames / 10);
}

TEST_F(Mp3Layout, OtherDataIsNoStream) {
    QByteArray random(3 * 1024 * 1024, '\0');
    std::uint32_t x = 99;
    for (auto& c : random) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    // A chance pair of frame headers at the start, random data after it.
    const QByteArray frames = [this] {
        QFile in(encode({"-b", "64"}));
        return in.open(QIODevice::ReadOnly) ? in.read(2000) : QByteArray();
    }();
    QFile out(dir.filePath("random.bin"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(frames + random);
    out.close();
    EXPECT_FALSE(probe(out.fileName()));
}
