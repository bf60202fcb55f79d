#include "core/engine/mp3_probe.h"

#include <algorithm>
#include <cstring>
#include <vector>

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

// Fills the data chunk (and for WAVE the format tag) of a RIFF file, reading
// only the chunk headers: a long LIST chunk before the data is skipped.
void readRiffChunks(const FileReader& file, AudioFileLayout& layout) {
    const auto size = static_cast<std::size_t>(file.size());
    std::uint16_t formatTag = 0;
    std::size_t pos = 12;
    while (pos <= size && size - pos >= 8) {
        const std::vector<unsigned char> chunk = file.read(static_cast<std::int64_t>(pos), 10);
        if (chunk.size() < 8)
            return;
        const std::size_t bodyOffset = pos + 8;
        const std::size_t declared = readLittleEndian32(chunk.data() + 4);
        const std::size_t body = std::min(declared, size - bodyOffset);
        if (std::memcmp(chunk.data(), "fmt ", 4) == 0 && chunk.size() >= 10) {
            formatTag = static_cast<std::uint16_t>(chunk[8] | (chunk[9] << 8));
        } else if (std::memcmp(chunk.data(), "data", 4) == 0) {
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

AudioFileLayout inspectAudioFile(const FileReader& file) {
    AudioFileLayout layout;
    const auto size = static_cast<std::size_t>(file.size());
    layout.dataSize = size;
    const std::vector<unsigned char> head = file.read(0, TextSniffBytes);
    layout.looksLikeText = looksLikeText(head.data(), head.size());
    if (head.size() < 12 || std::memcmp(head.data(), "RIFF", 4) != 0)
        return layout;
    if (std::memcmp(head.data() + 8, "WAVE", 4) == 0)
        layout.container = AudioContainer::RiffWave;
    else if (std::memcmp(head.data() + 8, "RMP3", 4) == 0)
        layout.container = AudioContainer::RiffRmp3;
    else
        return layout;
    layout.dataSize = 0;
    readRiffChunks(file, layout);
    return layout;
}
