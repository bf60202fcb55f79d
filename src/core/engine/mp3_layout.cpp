#include "core/engine/mp3_layout.h"

#include <cmath>
#include <vector>

namespace {

constexpr int ProbeCount = 8;
constexpr std::size_t ProbeBytes = 8192;
constexpr std::size_t StartSearchBytes = 64 * 1024 + 8192;
// A frame off the CBR grid by more than this means the stream is not CBR.
constexpr double GridTolerance = 1.5;

double meanFrameBytes(const MpegFrameHeader& h) {
    const double bits = h.bitrate * 1000.0;
    if (h.layer == 1)
        return 12 * bits / h.sampleRate * 4;
    if (h.layer == 2 || h.version == 1)
        return 144 * bits / h.sampleRate;
    return 72 * bits / h.sampleRate;
}

bool sameStream(const MpegFrameHeader& a, const MpegFrameHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

// A run of frames of the stream found in one probe window.
struct Probe {
    std::int64_t firstOffset = 0;
    std::int64_t frames = 0;
    std::int64_t bytes = 0;
    bool sameBitrate = true;
};

// The frames that follow each other in the window read at offset, from the
// first header followed by another of the same stream.
std::optional<Probe> probeAt(const FileReader& file, std::int64_t offset, std::int64_t end,
                             const MpegFrameHeader& stream) {
    const auto length = static_cast<std::size_t>(std::min<std::int64_t>(ProbeBytes, end - offset));
    const std::vector<unsigned char> bytes = file.read(offset, length);
    const std::size_t size = bytes.size();
    for (std::size_t pos = 0; pos + 4 <= size; ++pos) {
        auto header = parseMpegFrameHeader(bytes.data() + pos);
        if (!header || !sameStream(*header, stream))
            continue;
        Probe probe;
        probe.firstOffset = offset + static_cast<std::int64_t>(pos);
        std::size_t at = pos;
        while (header && sameStream(*header, stream) &&
               at + static_cast<std::size_t>(header->frameBytes) + 4 <= size) {
            ++probe.frames;
            probe.bytes += header->frameBytes;
            probe.sameBitrate = probe.sameBitrate && header->bitrate == stream.bitrate;
            at += header->frameBytes;
            header = parseMpegFrameHeader(bytes.data() + at);
        }
        if (probe.frames >= 2)
            return probe;
    }
    return std::nullopt;
}

bool onCbrGrid(const MpegLayout& layout, std::int64_t offset) {
    const double k = std::round((offset - layout.audioStart) / *layout.cbrFrameBytes);
    return std::abs(offset - (layout.audioStart + k * *layout.cbrFrameBytes)) <= GridTolerance;
}

// The frames of a CBR stream: up to its last whole frame on the grid.
std::optional<std::int64_t> cbrFrameCount(const FileReader& file, const MpegLayout& layout) {
    const double mean = *layout.cbrFrameBytes;
    const std::int64_t tailStart = std::max(layout.audioStart, layout.end - std::int64_t{8192});
    const std::vector<unsigned char> tail = file.read(tailStart, layout.end - tailStart);
    auto last = static_cast<std::int64_t>((layout.end - layout.audioStart) / mean);
    for (std::int64_t k = last; k >= 0; --k) {
        const std::int64_t expected = cbrFrameOffset(layout, k);
        if (expected < tailStart)
            return std::nullopt;
        for (std::int64_t at = expected - 1; at <= expected + 1; ++at) {
            const std::int64_t inTail = at - tailStart;
            if (inTail < 0 || inTail + 4 > static_cast<std::int64_t>(tail.size()))
                continue;
            auto header = parseMpegFrameHeader(tail.data() + inTail);
            if (header && sameStream(*header, layout.header) &&
                header->bitrate == layout.header.bitrate && at + header->frameBytes <= layout.end)
                return k + 1;
        }
    }
    return std::nullopt;
}

// The first frame after an ID3v2 tag at the start of the data.
std::optional<MpegStreamStart> streamStart(const FileReader& file, std::int64_t& dataOffset,
                                           std::int64_t dataEnd) {
    const std::vector<unsigned char> tagHead = file.read(dataOffset, 10);
    const auto tag = static_cast<std::int64_t>(id3v2TagSize(tagHead.data(), tagHead.size()));
    if (tag < dataEnd - dataOffset)
        dataOffset += tag;
    const auto length =
        static_cast<std::size_t>(std::min<std::int64_t>(StartSearchBytes, dataEnd - dataOffset));
    const std::vector<unsigned char> head = file.read(dataOffset, length);
    return findMpegStreamStart(head.data(), head.size());
}

} // namespace

std::int64_t cbrFrameOffset(const MpegLayout& layout, std::int64_t frame) {
    return layout.audioStart +
           static_cast<std::int64_t>(std::llround(frame * *layout.cbrFrameBytes));
}

std::optional<MpegLayout> probeMpegLayout(const FileReader& file, std::int64_t dataOffset,
                                          std::int64_t dataEnd) {
    auto start = streamStart(file, dataOffset, dataEnd);
    if (!start)
        return std::nullopt;
    MpegLayout layout;
    layout.header = start->header;
    layout.vbrHeaderFrame = start->vbrHeaderFrame;
    layout.audioStart = dataOffset + static_cast<std::int64_t>(start->offset);
    if (layout.vbrHeaderFrame)
        layout.audioStart += start->header.frameBytes;
    layout.end = dataEnd;
    if (layout.end - layout.audioStart < 4)
        return std::nullopt;

    // The audio frames' own bit rate: the Xing/Info frame may have another.
    auto first = probeAt(file, layout.audioStart, layout.end, layout.header);
    if (!first || first->firstOffset != layout.audioStart)
        return std::nullopt;
    const std::vector<unsigned char> firstBytes = file.read(layout.audioStart, 4);
    layout.header = *parseMpegFrameHeader(firstBytes.data());
    const bool maybeCbr = !start->vbrHeaderFrame || start->infoHeader;
    if (maybeCbr)
        layout.cbrFrameBytes = meanFrameBytes(layout.header);

    int found = 0;
    std::int64_t sampledFrames = first->frames, sampledBytes = first->bytes;
    bool cbr = maybeCbr && first->sameBitrate;
    const std::int64_t span = layout.end - layout.audioStart;
    for (int i = 1; i <= ProbeCount; ++i) {
        const std::int64_t at = layout.audioStart + span * i / (ProbeCount + 1);
        auto probe = probeAt(file, at, layout.end, layout.header);
        if (!probe) {
            cbr = false;
            continue;
        }
        ++found;
        sampledFrames += probe->frames;
        sampledBytes += probe->bytes;
        cbr = cbr && probe->sameBitrate && onCbrGrid(layout, probe->firstOffset);
    }
    // Chance headers in another format's data do not line up in most probes.
    if (found < ProbeCount - 1)
        return std::nullopt;

    std::optional<std::int64_t> cbrFrames = cbr ? cbrFrameCount(file, layout) : std::nullopt;
    if (cbrFrames) {
        layout.frames = *cbrFrames;
        layout.framesExact = true;
        return layout;
    }
    layout.cbrFrameBytes.reset();
    if (start->headerFrames && *start->headerFrames > 0) {
        layout.frames = *start->headerFrames;
        layout.framesExact = true;
    } else {
        layout.frames = static_cast<std::int64_t>(static_cast<double>(span) * sampledFrames /
                                                  std::max<std::int64_t>(sampledBytes, 1));
    }
    return layout;
}
