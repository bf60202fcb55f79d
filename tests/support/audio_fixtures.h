// Audio files made for the engine tests and benchmarks: PCM signals written
// as WAV, then encoded with lame/ffmpeg or wrapped in RIFF; plus readers for
// the WAV files the engine's PCM output writes.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace fixtures {

// Runs an encoder or converter; false (with its output in *errors) when it
// cannot start, fails or takes more than timeoutMs.
bool runTool(const QString& program, const QStringList& arguments, QString* errors = nullptr,
             int timeoutMs = 120000);

// Mono signals, samples in -1..1.
std::vector<float> sine(double frequency, double seconds, int rate, float amplitude = 0.5f);
std::vector<float> silence(double seconds, int rate);
std::vector<float> noise(double seconds, int rate, float amplitude = 0.3f, unsigned seed = 1);
// Second n (from 0) is a sine of timeCodeFrequency(n), so the time of any
// stretch of the output can be read back from its pitch.
std::vector<float> timeCode(int seconds, int rate);
double timeCodeFrequency(int second);
// Voiced syllables on a fundamental near f0 (harmonics up to 4 kHz) with
// short pauses between words, peaking at amplitude.
std::vector<float> speechLike(double seconds, int rate, float amplitude, double f0 = 140,
                              unsigned seed = 1);
std::vector<float> concat(std::vector<float> first, const std::vector<float>& second);
std::vector<float> mix(std::vector<float> first, const std::vector<float>& second);

// 16-bit PCM WAV: every channel carries the samples.
bool writeWav(const QString& path, const std::vector<float>& samples, int rate, int channels = 1);
// 16-bit PCM stereo WAV of two signals (the shorter one padded with silence).
bool writeStereoWav(const QString& path, const std::vector<float>& left,
                    const std::vector<float>& right, int rate);

// lame with the given options (e.g. {"-b", "64"}, {"-V", "4"}, {"-V", "4", "-t"}).
bool encodeMp3(const QString& wav, const QString& mp3, const QStringList& options);
// MPEG-1 layer II through FFmpeg's encoder.
bool encodeMp2(const QString& wav, const QString& mp2, int kbps = 128);
// MPEG-1 layer I, 48 kHz mono, 192 kbit/s: no common encoder writes it, so
// the frames are built here, a steady tone at 1125 Hz in subband 1.
bool writeMp1Tone(const QString& path, double seconds);
// The MPEG stream of mp3 in a RIFF form "RMP3" with a "data" chunk, followed
// by a small "LIST" chunk as files from Windows recorders carry.
bool wrapRmp3(const QString& mp3, const QString& rmp);
// The MPEG stream of mp3 in a RIFF WAVE file with format tag 0x0055.
bool wrapWaveMpeg(const QString& mp3, const QString& wav);
// True when the first frame of the MPEG stream carries a Xing, Info or VBRI header.
bool hasVbrHeader(const QString& mp3);
// Bytes from a fixed pseudo-random sequence.
QByteArray randomBytes(std::size_t size, unsigned seed);
// The 44 bytes before the samples of a 16-bit PCM WAV whose data chunk
// claims dataBytes, true or not.
QByteArray waveHeader(int rate, int channels, std::uint32_t dataBytes);
// FFmpeg's own idea of the file's length (ffprobe), or nothing.
std::optional<double> ffprobeSeconds(const QString& path);

struct PcmAudio {
    int rate = 0;
    std::vector<float> samples; // mono: channels averaged, or the one asked for
    double seconds() const { return rate ? static_cast<double>(samples.size()) / rate : 0.0; }
};

// Reads 16/32-bit integer or 32-bit float WAV files (plain or extensible):
// the mean of the channels, or channel (from 0) alone.
std::optional<PcmAudio> readWav(const QString& path, int channel = -1);

// The level of speech in dBFS without its pauses: the RMS over the louder half
// of the 50 ms windows in [fromSeconds, toSeconds).
double activeLevelDb(const PcmAudio& audio, double fromSeconds, double toSeconds);
// Mean power of the frequency over samples [first, first + count) (Goertzel).
double tonePower(const PcmAudio& audio, std::size_t first, std::size_t count, double frequency);
// The time code second whose frequency is strongest in [first, first + count).
int strongestTimeCode(const PcmAudio& audio, std::size_t first, std::size_t count, int seconds);

} // namespace fixtures
