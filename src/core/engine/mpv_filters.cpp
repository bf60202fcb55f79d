#include "core/engine/mpv_filters.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr double MaxGainDb = 12.0;
constexpr std::int32_t MaxLevel = 128;

// What every aid's entry takes and hands on.
const std::string Format = "aformat=sample_fmts=fltp:channel_layouts=stereo";
// Into that format: a mono file at its own level on both sides (FFmpeg's own
// upmix would lower it by 3 dB), more than two channels mixed down, each side
// taking the centre and its own back and side channels.
const std::string ToStereo = "pan=stereo|FL<FL+FC+BL+SL|FR<FR+FC+BR+SR," + Format;

// Settings chosen by measuring meeting-like speech (see bench_hearing.cpp).
// The filters that can share a block among threads run on one: on blocks of
// a few thousand samples the threads' hand-overs cost more than they save.
// Low cut: a gentle high-pass for rumble and narrow notches on the mains
// frequencies and their first harmonics, so that a low voice keeps its
// fundamental from 125 Hz up.
const std::string LowCut = "highpass=f=60:p=2:threads=1,bandreject=f=50:t=q:w=3:threads=1,"
                           "bandreject=f=60:t=q:w=3:threads=1,bandreject=f=100:t=q:w=10:threads=1,"
                           "bandreject=f=120:t=q:w=15:threads=1";
// Noise: wavelet denoising with its own estimate of a steady noise, which it
// follows at any level; blocks of 4096 samples keep its delay below 0.1 s
// at 44.1 kHz and let it settle within 0.3 s after a seek. A shorter wavelet
// over six levels costs a third of the default's time and reduces as much.
const std::string Denoise = "afwtdn=adaptive=1:samples=4096:wavet=sym4:levels=6:threads=1";
// Levelling: speechnorm raises quiet speech and lowers loud speech half-wave
// by half-wave, with no look-ahead (nothing to refill after a seek), fast
// enough to follow a change of speaker within a second; a gentle compressor
// then evens out the loudness it leaves between voices of different crest
// factor. speechnorm aims the peaks at -6 dBFS, which leaves room for the
// compressor's make-up gain.
const std::string Levelling = "speechnorm=e=30:r=0.05:f=0.01:l=1:p=0.5,"
                              "acompressor=threshold=0.05:ratio=3:attack=10:release=250:makeup=1.8";

std::string pan(ChannelChoice channel) {
    switch (channel) {
    case ChannelChoice::Left:
        return "pan=stereo|c0=c0|c1=c0";
    case ChannelChoice::Right:
        return "pan=stereo|c0=c1|c1=c1";
    case ChannelChoice::Mix:
        return "pan=stereo|c0=0.5*c0+0.5*c1|c1=0.5*c0+0.5*c1";
    case ChannelChoice::Both:
        break;
    }
    return {};
}

std::string entry(const char* label, const std::string& graph) {
    return std::string("@") + label + ":lavfi=[" + graph + "," + Format + "],";
}

std::string hearingEntries(const HearingAids& aids) {
    if (aids == HearingAids{})
        return {};
    std::string chain = "@hearing:lavfi=[" + ToStereo + "],";
    if (aids.channel != ChannelChoice::Both)
        chain += entry("channel", pan(aids.channel));
    if (aids.lowCut)
        chain += entry("lowcut", LowCut);
    if (aids.noiseReduction)
        chain += entry("noise", Denoise);
    if (aids.levelling)
        chain += entry("levelling", Levelling);
    return chain;
}

} // namespace

double equalizerGainDb(std::int32_t level) {
    return std::clamp(level, -MaxLevel, MaxLevel) * MaxGainDb / MaxLevel;
}

std::string audioFilterChain(const std::optional<EqualizerLevels>& levels,
                             const HearingAids& aids) {
    const std::string tempo = "scaletempo2";
    const std::string hearing = hearingEntries(aids);
    if (!levels || std::all_of(levels->begin(), levels->end(), [](auto l) { return l == 0; }))
        return hearing + tempo;
    std::string bands;
    for (int i = 0; i < EqualizerBandCount; ++i) {
        if ((*levels)[i] == 0)
            continue;
        // One octave wide peaking filters; to_chars writes the gain the same
        // way whatever the locale.
        char gain[32];
        const auto written = std::to_chars(gain, gain + sizeof gain, equalizerGainDb((*levels)[i]),
                                           std::chars_format::fixed, 4);
        if (!bands.empty())
            bands += ',';
        bands += "equalizer=f=" + std::to_string(EqualizerFrequencies[i]) +
                 ":t=o:w=1:g=" + std::string(gain, written.ptr);
    }
    return hearing + "lavfi=[" + bands + "]," + tempo;
}
