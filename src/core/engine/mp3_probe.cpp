#include "core/engine/mp3_probe.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint16_t WaveFormatMpeg = 0x0050;
constexpr std::uint16_t WaveFormatMpegLayer3 = 0x0055;
constexpr std::size_t TextSniffBytes = 4096;

std::uint32_t readLittleEndian32(const unsigned char* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

bool looksLikeText(const unsigned char* data, std::size_t size) {
    if (size == 0)
        return false;
    const std::size_t n = std::min(size, TextSniffBytes);
    return std::all_of(data, data + n, [](unsigned char c) {
        return c >= 0x20 || c == '\t' || c == '\n' || c == '\r' || c == '\f';
    });
}

// Fills the data chunk (and for WAVE the format tag) of a RIFF file.
void readRiffChunks(const unsigned char* data, std::size_t size, AudioFileLayout& layout) {
    std::uint16_t formatTag = 0;
    std::size_t pos = 12;
    while (pos <= size && size - pos >= 8) {
        const unsigned char* chunk = data + pos;
        const std::size_t bodyOffset = pos + 8;
        const std::size_t declared = readLittleEndian32(chunk + 4);
        const std::size_t body = std::min(declared, size - bodyOffset);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && body >= 2) {
            formatTag = static_cast<std::uint16_t>(data[bodyOffset] | (data[bodyOffset + 1] << 8));
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            layout.dataOffset = bodyOffset;
            layout.dataSize = body;
            break;
        }
        if (declared > size - bodyOffset)
            return;
        pos = bodyOffset + declared + (declared & 1);
    }
    if (layout.dataOffset == 0)
        return;
    layout.riffHoldsMpeg = layout.container == AudioContainer::RiffRmp3 ||
                           formatTag == WaveFormatMpeg || formatTag == WaveFormatMpegLayer3;
}

} // namespace

AudioFileLayout inspectAudioFile(const unsigned char* data, std::size_t size) {
    AudioFileLayout layout;
    layout.dataSize = size;
    layout.looksLikeText = looksLikeText(data, size);
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0)
        return layout;
    if (std::memcmp(data + 8, "WAVE", 4) == 0)
        layout.container = AudioContainer::RiffWave;
    else if (std::memcmp(data + 8, "RMP3", 4) == 0)
        layout.container = AudioContainer::RiffRmp3;
    else
        return layout;
    layout.dataSize = 0;
    readRiffChunks(data, size, layout);
    return layout;
}
