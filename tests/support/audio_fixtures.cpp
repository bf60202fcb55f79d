#include "support/audio_fixtures.h"

#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <random>

namespace fixtures {

namespace {

void appendLittleEndian(QByteArray& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xff));
}

std::uint32_t readLittleEndian(const char* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(p[i]);
    return value;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

std::optional<QByteArray> readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

void appendChunk(QByteArray& out, const char* id, const QByteArray& body) {
    out.append(id, 4);
    appendLittleEndian(out, static_cast<std::uint32_t>(body.size()), 4);
    out.append(body);
    if (body.size() & 1)
        out.append('\0');
}

QByteArray riff(const char* form, const QByteArray& chunks) {
    QByteArray out("RIFF");
    appendLittleEndian(out, static_cast<std::uint32_t>(4 + chunks.size()), 4);
    out.append(form, 4);
    out.append(chunks);
    return out;
}

// The MPEG stream of an MP3 file: everything from the first frame sync on
// (lame writes no ID3 tag unless asked).
std::optional<QByteArray> mpegStream(const QString& mp3) {
    auto bytes = readFile(mp3);
    if (!bytes || bytes->size() < 4)
        return std::nullopt;
    for (qsizetype i = 0; i + 1 < bytes->size(); ++i)
        if (static_cast<unsigned char>((*bytes)[i]) == 0xff &&
            (static_cast<unsigned char>((*bytes)[i + 1]) & 0xe0) == 0xe0)
            return bytes->mid(i);
    return std::nullopt;
}

class BitWriter {
  public:
    explicit BitWriter(std::size_t bytes) : data_(bytes, 0) {}
    void put(std::uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i, ++bit_)
            if ((value >> i) & 1)
                data_[bit_ / 8] |= static_cast<unsigned char>(0x80 >> (bit_ % 8));
    }
    const std::vector<unsigned char>& data() const { return data_; }

  private:
    std::vector<unsigned char> data_;
    std::size_t bit_ = 0;
};

} // namespace

bool runTool(const QString& program, const QStringList& arguments, QString* errors, int timeoutMs) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForStarted() && process.waitForFinished(timeoutMs);
    const bool ok =
        finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok && errors)
        *errors =
            program + " " + arguments.join(' ') + ": " + QString::fromLocal8Bit(process.readAll());
    if (!finished)
        process.kill();
    return ok;
}

std::vector<float> sine(double frequency, double seconds, int rate, float amplitude) {
    const auto count = static_cast<std::size_t>(std::llround(seconds * rate));
    std::vector<float> samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = amplitude * static_cast<float>(std::sin(2 * std::numbers::pi * frequency *
                                                             static_cast<double>(i) / rate));
    return samples;
}

std::vector<float> silence(double seconds, int rate) {
    return std::vector<float>(static_cast<std::size_t>(std::llround(seconds * rate)), 0.0f);
}

std::vector<float> noise(double seconds, int rate, float amplitude, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(-amplitude, amplitude);
    std::vector<float> samples(static_cast<std::size_t>(std::llround(seconds * rate)));
    for (auto& s : samples)
        s = uniform(random);
    return samples;
}

double timeCodeFrequency(int second) {
    return 400.0 + 100.0 * second;
}

std::vector<float> timeCode(int seconds, int rate) {
    std::vector<float> samples;
    for (int s = 0; s < seconds; ++s) {
        const auto part = sine(timeCodeFrequency(s), 1.0, rate);
        samples.insert(samples.end(), part.begin(), part.end());
    }
    return samples;
}

std::vector<float> concat(std::vector<float> first, const std::vector<float>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::vector<float> speechLike(double seconds, int rate, float amplitude, double f0, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto total = static_cast<std::size_t>(seconds * rate);
    std::vector<float> out(total, 0.0f);
    double phase = 0;
    std::size_t at = 0;
    while (at < total) {
        if (unit(random) < 0.25) // a pause between words
            at += static_cast<std::size_t>((0.05 + 0.25 * unit(random)) * rate);
        const auto length = static_cast<std::size_t>((0.12 + 0.13 * unit(random)) * rate);
        const double pitch = f0 * (0.85 + 0.3 * unit(random));
        for (std::size_t i = 0; i < length && at + i < total; ++i) {
            const double envelope =
                std::pow(std::sin(std::numbers::pi * static_cast<double>(i) / length), 2);
            double sample = 0;
            for (int k = 1; k * pitch < 4000; ++k)
                sample += std::sin(k * phase) / k;
            out[at + i] = static_cast<float>(envelope * sample);
            phase += 2 * std::numbers::pi * pitch / rate;
        }
        at += length;
    }
    float peak = 0;
    for (float s : out)
        peak = std::max(peak, std::abs(s));
    if (peak > 0)
        for (float& s : out)
            s *= amplitude / peak;
    return out;
}

std::vector<float> mix(std::vector<float> first, const std::vector<float>& second) {
    first.resize(std::max(first.size(), second.size()), 0.0f);
    for (std::size_t i = 0; i < second.size(); ++i)
        first[i] += second[i];
    return first;
}

namespace {

void appendSample(QByteArray& pcm, float sample) {
    const auto value =
        static_cast<std::int16_t>(std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767));
    appendLittleEndian(pcm, static_cast<std::uint16_t>(value), 2);
}

bool writePcmWav(const QString& path, const QByteArray& pcm, int rate, int channels) {
    QByteArray format;
    appendLittleEndian(format, 1, 2); // PCM
    appendLittleEndian(format, channels, 2);
    appendLittleEndian(format, rate, 4);
    appendLittleEndian(format, rate * channels * 2, 4);
    appendLittleEndian(format, channels * 2, 2);
    appendLittleEndian(format, 16, 2);
    QByteArray chunks;
    appendChunk(chunks, "fmt ", format);
    appendChunk(chunks, "data", pcm);
    return writeFile(path, riff("WAVE", chunks));
}

} // namespace

bool writeWav(const QString& path, const std::vector<float>& samples, int rate, int channels) {
    QByteArray pcm;
    pcm.reserve(static_cast<qsizetype>(samples.size() * channels * 2));
    for (float s : samples)
        for (int c = 0; c < channels; ++c)
            appendSample(pcm, s);
    return writePcmWav(path, pcm, rate, channels);
}

bool writeStereoWav(const QString& path, const std::vector<float>& left,
                    const std::vector<float>& right, int rate) {
    QByteArray pcm;
    const std::size_t frames = std::max(left.size(), right.size());
    pcm.reserve(static_cast<qsizetype>(frames * 4));
    for (std::size_t i = 0; i < frames; ++i) {
        appendSample(pcm, i < left.size() ? left[i] : 0.0f);
        appendSample(pcm, i < right.size() ? right[i] : 0.0f);
    }
    return writePcmWav(path, pcm, rate, 2);
}

bool encodeMp3(const QString& wav, const QString& mp3, const QStringList& options) {
    return runTool("lame", QStringList{"--quiet"} + options + QStringList{wav, mp3});
}

bool encodeMp2(const QString& wav, const QString& mp2, int kbps) {
    return runTool("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-i", wav, "-c:a", "mp2",
                              "-b:a", QString::number(kbps) + "k", "-f", "mp2", mp2});
}

bool writeMp1Tone(const QString& path, double seconds) {
    constexpr int Rate = 48000;
    constexpr int SamplesPerFrame = 384;
    constexpr int FrameBytes = 12 * 192000 / Rate * 4; // 192 bytes, never padded
    constexpr int Subband = 1;
    constexpr int Allocation = 3;           // 4 bits per sample
    constexpr std::uint32_t Sample = 12;    // 0.5 once the first bit is inverted
    constexpr std::uint32_t ScaleIndex = 6; // 0.5
    const auto frames = static_cast<long>(std::lround(seconds * Rate / SamplesPerFrame));
    QByteArray out;
    for (long f = 0; f < frames; ++f) {
        BitWriter bits(FrameBytes);
        // Sync, MPEG-1, layer I, no CRC; 192 kbit/s, 48 kHz, no padding; mono.
        bits.put(0xfff, 12);
        bits.put(1, 1);
        bits.put(3, 2);
        bits.put(1, 1);
        bits.put(6, 4);
        bits.put(1, 2);
        bits.put(0, 2);
        bits.put(3, 2);
        bits.put(0, 6);
        for (int sb = 0; sb < 32; ++sb)
            bits.put(sb == Subband ? Allocation : 0, 4);
        bits.put(ScaleIndex, 6);
        for (int s = 0; s < 12; ++s)
            bits.put(Sample, Allocation + 1);
        out.append(reinterpret_cast<const char*>(bits.data().data()), FrameBytes);
    }
    return writeFile(path, out);
}

bool wrapRmp3(const QString& mp3, const QString& rmp) {
    auto stream = mpegStream(mp3);
    if (!stream)
        return false;
    QByteArray info("INFOISFT");
    appendLittleEndian(info, 8, 4);
    info.append("memotap\0", 8);
    QByteArray chunks;
    appendChunk(chunks, "data", *stream);
    appendChunk(chunks, "LIST", info);
    return writeFile(rmp, riff("RMP3", chunks));
}

bool wrapWaveMpeg(const QString& mp3, const QString& wav) {
    auto stream = mpegStream(mp3);
    if (!stream)
        return false;
    const auto* h = reinterpret_cast<const unsigned char*>(stream->constData());
    static constexpr int Rates[3][3] = {
        {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    const int version = (h[1] >> 3) & 3;
    const int rate = Rates[version == 3 ? 0 : version == 2 ? 1 : 2][(h[2] >> 2) & 3];
    const int channels = (h[3] >> 6) == 3 ? 1 : 2;
    QByteArray format; // MPEGLAYER3WAVEFORMAT
    appendLittleEndian(format, 0x0055, 2);
    appendLittleEndian(format, channels, 2);
    appendLittleEndian(format, rate, 4);
    appendLittleEndian(format, 8000, 4); // 64 kbit/s, the nominal rate
    appendLittleEndian(format, 1, 2);
    appendLittleEndian(format, 0, 2);
    appendLittleEndian(format, 12, 2);
    appendLittleEndian(format, 1, 2);    // MPEGLAYER3_ID_MPEG
    appendLittleEndian(format, 2, 4);    // no padding flags
    appendLittleEndian(format, 209, 2);  // block size
    appendLittleEndian(format, 1, 2);    // frames per block
    appendLittleEndian(format, 1393, 2); // codec delay
    QByteArray chunks;
    appendChunk(chunks, "fmt ", format);
    appendChunk(chunks, "data", *stream);
    return writeFile(wav, riff("WAVE", chunks));
}

bool hasVbrHeader(const QString& mp3) {
    auto stream = mpegStream(mp3);
    if (!stream)
        return false;
    const QByteArray first = stream->left(200);
    return first.contains("Xing") || first.contains("Info") || first.contains("VBRI");
}

std::optional<double> ffprobeSeconds(const QString& path) {
    QProcess process;
    process.start("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of",
                              "default=noprint_wrappers=1:nokey=1", path});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return std::nullopt;
    bool ok = false;
    const double seconds =
        QString::fromLatin1(process.readAllStandardOutput()).trimmed().toDouble(&ok);
    return ok ? std::optional<double>(seconds) : std::nullopt;
}

std::optional<PcmAudio> readWav(const QString& path, int channel) {
    auto bytes = readFile(path);
    if (!bytes || bytes->size() < 12 || !bytes->startsWith("RIFF") || bytes->mid(8, 4) != "WAVE")
        return std::nullopt;
    int tag = 0, channels = 0, bits = 0, rate = 0;
    qsizetype pos = 12;
    while (pos + 8 <= bytes->size()) {
        const char* chunk = bytes->constData() + pos;
        const qsizetype body = pos + 8;
        auto size = static_cast<qsizetype>(readLittleEndian(chunk + 4, 4));
        size = std::min(size, bytes->size() - body);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
            const char* f = bytes->constData() + body;
            tag = static_cast<int>(readLittleEndian(f, 2));
            channels = static_cast<int>(readLittleEndian(f + 2, 2));
            rate = static_cast<int>(readLittleEndian(f + 4, 4));
            bits = static_cast<int>(readLittleEndian(f + 14, 2));
            if (tag == 0xfffe && size >= 26)
                tag = static_cast<int>(readLittleEndian(f + 24, 2)); // sub-format GUID
        } else if (std::memcmp(chunk, "data", 4) == 0 && channels > 0) {
            const int width = bits / 8;
            const bool isFloat = tag == 3 && bits == 32;
            if ((!(tag == 1 && (bits == 16 || bits == 32)) && !isFloat) || channel >= channels)
                return std::nullopt;
            PcmAudio audio;
            audio.rate = rate;
            const qsizetype frames = size / (width * channels);
            audio.samples.resize(static_cast<std::size_t>(frames));
            const char* p = bytes->constData() + body;
            for (qsizetype i = 0; i < frames; ++i) {
                float sum = 0;
                float picked = 0;
                for (int c = 0; c < channels; ++c, p += width) {
                    const float before = sum;
                    const std::uint32_t raw = readLittleEndian(p, width);
                    if (isFloat) {
                        float value;
                        std::memcpy(&value, &raw, sizeof value);
                        sum += value;
                    } else if (width == 2) {
                        sum += static_cast<std::int16_t>(raw) / 32768.0f;
                    } else {
                        sum += static_cast<float>(static_cast<std::int32_t>(raw) / 2147483648.0);
                    }
                    if (c == channel)
                        picked = sum - before;
                }
                audio.samples[static_cast<std::size_t>(i)] = channel < 0 ? sum / channels : picked;
            }
            return audio;
        }
        pos = body + size + (size & 1);
    }
    return std::nullopt;
}

double activeLevelDb(const PcmAudio& audio, double fromSeconds, double toSeconds) {
    const auto window = static_cast<std::size_t>(audio.rate / 20);
    const auto end =
        std::min(audio.samples.size(), static_cast<std::size_t>(toSeconds * audio.rate));
    std::vector<double> powers;
    for (auto at = static_cast<std::size_t>(std::max(0.0, fromSeconds) * audio.rate);
         window > 0 && at + window <= end; at += window) {
        double sum = 0;
        for (std::size_t i = at; i < at + window; ++i)
            sum += static_cast<double>(audio.samples[i]) * audio.samples[i];
        powers.push_back(sum / static_cast<double>(window));
    }
    if (powers.empty())
        return -200;
    std::sort(powers.rbegin(), powers.rend());
    powers.resize(std::max<std::size_t>(1, powers.size() / 2));
    double sum = 0;
    for (double p : powers)
        sum += p;
    return 10 * std::log10(std::max(sum / static_cast<double>(powers.size()), 1e-20));
}

double tonePower(const PcmAudio& audio, std::size_t first, std::size_t count, double frequency) {
    const std::size_t end = std::min(audio.samples.size(), first + count);
    if (first >= end || audio.rate <= 0)
        return 0.0;
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / audio.rate);
    double s1 = 0, s2 = 0;
    for (std::size_t i = first; i < end; ++i) {
        const double s0 = audio.samples[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    const double n = static_cast<double>(end - first);
    return power / (n * n);
}

int strongestTimeCode(const PcmAudio& audio, std::size_t first, std::size_t count, int seconds) {
    int best = -1;
    double bestPower = 0;
    for (int s = 0; s < seconds; ++s) {
        const double power = tonePower(audio, first, count, timeCodeFrequency(s));
        if (power > bestPower) {
            bestPower = power;
            best = s;
        }
    }
    return best;
}

QByteArray randomBytes(std::size_t size, unsigned seed) {
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    std::uint32_t x = seed;
    for (char& c : bytes) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return bytes;
}

QByteArray waveHeader(int rate, int channels, std::uint32_t dataBytes) {
    QByteArray format;
    appendLittleEndian(format, 1, 2); // PCM
    appendLittleEndian(format, static_cast<std::uint32_t>(channels), 2);
    appendLittleEndian(format, static_cast<std::uint32_t>(rate), 4);
    appendLittleEndian(format, static_cast<std::uint32_t>(rate * channels * 2), 4);
    appendLittleEndian(format, static_cast<std::uint32_t>(channels * 2), 2);
    appendLittleEndian(format, 16, 2);
    QByteArray out("RIFF");
    // The form's size follows the data's claim, as far as 32 bits reach.
    appendLittleEndian(out, dataBytes > 0xffffffffu - 36 ? 0xffffffffu : dataBytes + 36, 4);
    out.append("WAVE", 4);
    appendChunk(out, "fmt ", format);
    out.append("data", 4);
    appendLittleEndian(out, dataBytes, 4);
    return out;
}

} // namespace fixtures
