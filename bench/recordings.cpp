#include "recordings.h"

#include "support/audio_fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>

using namespace fixtures;

namespace {

constexpr int ChunkSeconds = 60;

// Speech-like material: bursts of noise and tone with pauses.
std::vector<float> speechLike(int seconds, int rate) {
    std::vector<float> samples;
    for (int s = 0; s < seconds; ++s) {
        auto part = s % 3 == 2
                        ? silence(1, rate)
                        : mix(noise(1, rate, 0.2f, s + 1), sine(200 + 20 * (s % 7), 1, rate, 0.2f));
        samples.insert(samples.end(), part.begin(), part.end());
    }
    return samples;
}

// Decoded length of a file, by FFmpeg decoding it whole.
std::optional<double> decodedSeconds(const QString& path, const QTemporaryDir& dir) {
    const QString wav = dir.filePath("decoded.wav");
    if (!runTool("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-i", path, wav}))
        return std::nullopt;
    const auto audio = readWav(wav);
    QFile::remove(wav);
    return audio ? std::optional<double>(audio->seconds()) : std::nullopt;
}

// The same MPEG chunk many times over: valid MPEG audio, since each chunk
// starts with an empty bit reservoir.
bool repeatFile(const QString& chunk, const QString& out, int times) {
    QFile in(chunk);
    QFile file(out);
    if (!in.open(QIODevice::ReadOnly) || !file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = in.readAll();
    for (int i = 0; i < times; ++i)
        if (file.write(bytes) != bytes.size())
            return false;
    return true;
}

// Where the recordings are kept between runs.
QString cacheFolder() {
    const QString folder = QStringLiteral(MEMOTAP_BINARY_DIR "/bench-recordings");
    QDir().mkpath(folder);
    return folder;
}

// The finished file appears under its name only once complete.
bool publish(const QString& partial, const QString& out) {
    QFile::remove(out);
    return QFile::rename(partial, out);
}

// 64 kbit/s at 44.1 kHz: 2205 frames fill exactly 460800 bytes, after
// which the encoder's padding starts over; a chunk cut there repeats into
// one stream of constant bit rate whose every frame lies on the CBR grid.
constexpr qint64 CbrCutBytes = 460800;
constexpr double CbrCutSeconds = 2205 * 1152 / 44100.0;

std::optional<double> cutToCbrGrid(const QString& chunk) {
    QFile file(chunk);
    if (file.size() < CbrCutBytes || !file.resize(CbrCutBytes))
        return std::nullopt;
    return CbrCutSeconds;
}

} // namespace

std::optional<Recording> makeMp3(const QTemporaryDir& dir, const char* name,
                                 const QStringList& lame, bool cbrGrid, int seconds) {
    const QString wav = dir.filePath("chunk.wav");
    const QString chunk = dir.filePath(QString(name) + "-chunk.mp3");
    const QString out = cacheFolder() + "/" + name + ".mp3";
    const QString lengthFile = out + ".seconds";
    if (QFile lengthIn(lengthFile); QFile::exists(out) && lengthIn.open(QIODevice::ReadOnly))
        return Recording{name, out, lengthIn.readAll().toDouble()};
    // -t: no Xing/Info frame, whose frame count would only describe one chunk.
    if (!writeWav(wav, speechLike(ChunkSeconds, 44100), 44100) ||
        !encodeMp3(wav, chunk, lame + QStringList{"-t"}))
        return std::nullopt;
    const auto chunkSeconds = cbrGrid ? cutToCbrGrid(chunk) : decodedSeconds(chunk, dir);
    if (!chunkSeconds)
        return std::nullopt;
    const auto times = static_cast<int>(std::ceil(seconds / *chunkSeconds));
    if (!repeatFile(chunk, out + ".part", times) || !publish(out + ".part", out))
        return std::nullopt;
    const double trueSeconds = *chunkSeconds * times;
    QFile lengthOut(lengthFile);
    if (!lengthOut.open(QIODevice::WriteOnly) ||
        lengthOut.write(QByteArray::number(trueSeconds, 'f', 6)) < 0)
        return std::nullopt;
    return Recording{name, out, trueSeconds};
}

// 16 kHz mono 16-bit PCM, written a minute at a time.
std::optional<Recording> makeWav(const QTemporaryDir& dir) {
    constexpr int Rate = 16000;
    const QString out = cacheFolder() + "/wav16k.wav";
    if (QFileInfo(out).size() == 44 + std::int64_t{RecordingSeconds} * Rate * 2)
        return Recording{"wav16k", out, static_cast<double>(RecordingSeconds)};
    const QString chunkPath = dir.filePath("wav-chunk.wav");
    if (!writeWav(chunkPath, speechLike(ChunkSeconds, Rate), Rate))
        return std::nullopt;
    QFile chunkFile(chunkPath);
    if (!chunkFile.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray pcm = chunkFile.readAll().mid(44);
    QFile file(out + ".part");
    if (!file.open(QIODevice::WriteOnly))
        return std::nullopt;
    const std::uint32_t dataBytes =
        static_cast<std::uint32_t>(pcm.size()) * (RecordingSeconds / ChunkSeconds);
    QByteArray header;
    auto put = [&header](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            header.append(static_cast<char>((value >> (8 * i)) & 0xff));
    };
    header.append("RIFF");
    put(36 + dataBytes, 4);
    header.append("WAVEfmt ");
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(Rate, 4);
    put(Rate * 2, 4);
    put(2, 2);
    put(16, 2);
    header.append("data");
    put(dataBytes, 4);
    file.write(header);
    for (int i = 0; i < RecordingSeconds / ChunkSeconds; ++i)
        if (file.write(pcm) != pcm.size())
            return std::nullopt;
    file.close();
    if (!publish(out + ".part", out))
        return std::nullopt;
    return Recording{"wav16k", out, static_cast<double>(RecordingSeconds)};
}
