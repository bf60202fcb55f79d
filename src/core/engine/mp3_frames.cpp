#include "core/engine/mp3_frames.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t SyncSearchWindow = 64 * 1024;
// More than the longest frame plus the header after it: a block walked
// without its end must keep this much for the next block.
constexpr std::size_t BlockMargin = 4096;

std::int64_t readBigEndian32(const unsigned char* p) {
    return (std::int64_t{p[0]} << 24) | (std::int64_t{p[1]} << 16) | (std::int64_t{p[2]} << 8) |
           p[3];
}

// kbit/s by [MPEG-1 ? 0 : 1][layer - 1][index]
constexpr int Bitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};

constexpr int SampleRates[3][3] = {
    {44100, 48000, 32000}, // MPEG-1
    {22050, 24000, 16000}, // MPEG-2
    {11025, 12000, 8000},  // MPEG-2.5
};

bool sameStream(const MpegFrameHeader& a, const MpegFrameHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

// A frame at pos whose successor (or the end of the data) confirms it.
std::optional<MpegFrameHeader> confirmedFrameAt(const unsigned char* data, std::size_t size,
                                                std::size_t pos) {
    if (size - pos < 4)
        return std::nullopt;
    auto header = parseMpegFrameHeader(data + pos);
    if (!header || static_cast<std::size_t>(header->frameBytes) > size - pos)
        return std::nullopt;
    const std::size_t next = pos + header->frameBytes;
    if (next == size)
        return header;
    if (size - next < 4)
        return std::nullopt;
    auto following = parseMpegFrameHeader(data + next);
    if (!following || !sameStream(*header, *following))
        return std::nullopt;
    return header;
}

// A Xing/Info or VBRI header in the first frame makes it a frame without
// audio; its frame count, when present, counts the audio frames.
void readVbrHeader(const unsigned char* frame, MpegStreamStart& start) {
    const MpegFrameHeader& header = start.header;
    if (header.layer != 3)
        return;
    const std::size_t frameBytes = header.frameBytes;
    const std::size_t sideInfo =
        header.version == 1 ? (header.channels == 1 ? 17 : 32) : (header.channels == 1 ? 9 : 17);
    const std::size_t xing = 4 + sideInfo;
    const bool isXing = xing + 4 <= frameBytes && std::memcmp(frame + xing, "Xing", 4) == 0;
    start.infoHeader = xing + 4 <= frameBytes && std::memcmp(frame + xing, "Info", 4) == 0;
    if (isXing || start.infoHeader) {
        start.vbrHeaderFrame = true;
        const bool hasFrames = xing + 12 <= frameBytes && (frame[xing + 7] & 1);
        if (hasFrames)
            start.headerFrames = readBigEndian32(frame + xing + 8);
    } else if (36 + 18 <= frameBytes && std::memcmp(frame + 36, "VBRI", 4) == 0) {
        start.vbrHeaderFrame = true;
        start.headerFrames = readBigEndian32(frame + 36 + 14);
    }
}

} // namespace

std::optional<MpegFrameHeader> parseMpegFrameHeader(const unsigned char* p) {
    if (p[0] != 0xff || (p[1] & 0xe0) != 0xe0)
        return std::nullopt;
    const int versionBits = (p[1] >> 3) & 3;
    const int layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3 || (p[3] & 3) == 2)
        return std::nullopt;

    MpegFrameHeader h;
    h.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    h.layer = 4 - layerBits;
    const bool mpeg1 = h.version == 1;
    h.bitrate = Bitrates[mpeg1 ? 0 : 1][h.layer - 1][bitrateIndex];
    h.sampleRate = SampleRates[mpeg1 ? 0 : (h.version == 2 ? 1 : 2)][rateIndex];
    h.channels = (p[3] >> 6) == 3 ? 1 : 2;
    const int padding = (p[2] >> 1) & 1;
    const int bitsPerSecond = h.bitrate * 1000;
    if (h.layer == 1) {
        h.samplesPerFrame = 384;
        h.frameBytes = (12 * bitsPerSecond / h.sampleRate + padding) * 4;
    } else if (h.layer == 2 || mpeg1) {
        h.samplesPerFrame = 1152;
        h.frameBytes = 144 * bitsPerSecond / h.sampleRate + padding;
    } else {
        h.samplesPerFrame = 576;
        h.frameBytes = 72 * bitsPerSecond / h.sampleRate + padding;
    }
    return h;
}

std::size_t id3v2TagSize(const unsigned char* data, std::size_t size) {
    if (size < 10 || std::memcmp(data, "ID3", 3) != 0)
        return 0;
    // Sizes are synchsafe: 7 bits per byte.
    for (int i = 6; i < 10; ++i)
        if (data[i] & 0x80)
            return 0;
    std::size_t tagSize = (std::size_t{data[6]} << 21) | (std::size_t{data[7]} << 14) |
                          (std::size_t{data[8]} << 7) | data[9];
    tagSize += 10;
    if (data[5] & 0x10) // footer present
        tagSize += 10;
    return tagSize;
}

std::optional<MpegStreamStart> findMpegStreamStart(const unsigned char* data, std::size_t size) {
    const std::size_t searchEnd = std::min(SyncSearchWindow, size);
    for (std::size_t pos = 0; pos < searchEnd; ++pos) {
        if (auto header = confirmedFrameAt(data, size, pos)) {
            MpegStreamStart start;
            start.offset = pos;
            start.header = *header;
            readVbrHeader(data + pos, start);
            return start;
        }
    }
    return std::nullopt;
}

std::int64_t MpegFrameWalker::feed(const unsigned char* data, std::size_t size, std::int64_t base,
                                   bool atEnd) {
    // Without the end, a frame or a resynchronisation is only tried where
    // the next header is certainly in data.
    const std::size_t keep = atEnd ? 4 : BlockMargin;
    std::size_t pos = 0;
    while (size - pos >= keep) {
        if (resyncing_) {
            // Damage or a trailing tag: go on at the next confirmed frame.
            auto candidate = confirmedFrameAt(data, size, pos);
            if (candidate && sameStream(*candidate, first_))
                resyncing_ = false;
            else
                ++pos;
            continue;
        }
        auto header = parseMpegFrameHeader(data + pos);
        if (header && sameStream(*header, first_) &&
            static_cast<std::size_t>(header->frameBytes) <= size - pos) {
            if (markInterval_ > 0 && frames_ % markInterval_ == 0)
                marks_.push_back(base + static_cast<std::int64_t>(pos));
            ++frames_;
            audioBytes_ += header->frameBytes;
            pos += header->frameBytes;
            continue;
        }
        resyncing_ = true;
        ++pos;
    }
    return base + static_cast<std::int64_t>(pos);
}

std::optional<MpegStreamInfo> walkMpegFrames(const unsigned char* data, std::size_t size,
                                             std::int64_t markInterval) {
    std::size_t tag = id3v2TagSize(data, size);
    if (tag > size)
        tag = 0;
    auto start = findMpegStreamStart(data + tag, size - tag);
    if (!start)
        return std::nullopt;
    std::size_t pos = tag + start->offset;

    MpegStreamInfo info;
    info.first = start->header;
    info.streamBytes = static_cast<std::int64_t>(size - pos);
    info.hasVbrHeader = start->vbrHeaderFrame;
    if (info.hasVbrHeader)
        pos += start->header.frameBytes;
    MpegFrameWalker walker(start->header, markInterval);
    walker.feed(data + pos, size - pos, static_cast<std::int64_t>(pos), true);
    info.frames = walker.frames();
    info.audioBytes = walker.audioBytes();
    info.marks = walker.marks();
    if (info.frames + (info.hasVbrHeader ? 1 : 0) < 2)
        return std::nullopt;
    return info;
}
