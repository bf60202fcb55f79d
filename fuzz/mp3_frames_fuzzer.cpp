// The MPEG frame walker: any bytes, and the offsets it answers lie inside them.
#include "core/engine/mp3_frames.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The length picks the mark interval (0: none), so that marks fall often
    // and the seeds stay plain audio files.
    const auto interval = static_cast<std::int64_t>(size % 5);

    const auto info = walkMpegFrames(data, size, interval);
    if (!info)
        return 0;
    const auto total = static_cast<std::int64_t>(size);
    FUZZ_CHECK(info->first.frameBytes >= 4 && info->first.sampleRate > 0);
    FUZZ_CHECK(info->frames >= (info->hasVbrHeader ? 1 : 2));
    FUZZ_CHECK(info->streamBytes <= total);
    FUZZ_CHECK(info->audioBytes <= info->streamBytes);
    FUZZ_CHECK(info->seconds() >= 0.0);
    if (interval <= 0) {
        FUZZ_CHECK(info->marks.empty());
        return 0;
    }
    FUZZ_CHECK(static_cast<std::int64_t>(info->marks.size()) ==
               (info->frames + interval - 1) / interval);
    std::int64_t previous = -1;
    for (const std::int64_t mark : info->marks) {
        // Each mark is a frame header inside the data, after the one before.
        FUZZ_CHECK(mark > previous && mark + 4 <= total);
        FUZZ_CHECK(parseMpegFrameHeader(data + mark).has_value());
        previous = mark;
    }
    return 0;
}
