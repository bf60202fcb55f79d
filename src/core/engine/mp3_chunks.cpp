#include "core/engine/mp3_chunks.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// Long enough that playback rarely crosses into the next file, short enough
// that a seek reads little of its stretch.
constexpr double ChunkSeconds = 30.0;

// In single quotes nothing is special but the quote itself.
std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string decimal(double value) {
    char buffer[64];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 9);
    return std::string(buffer, written.ptr);
}

} // namespace

namespace {

// Bytes a stretch of approximate marks starts early and ends late: more
// than the marks' error, less than any frame.
constexpr std::int64_t ApproximateSlack = 8;

std::size_t marksPerChunk(const MpegChunkPlan& plan) {
    const double markSeconds = MpegMarkInterval * plan.frameSeconds;
    return static_cast<std::size_t>(std::max(1.0, std::round(ChunkSeconds / markSeconds)));
}

// Stretches whose end is known: all of them once complete.
std::size_t knownChunks(const MpegChunkPlan& plan) {
    const std::size_t perChunk = marksPerChunk(plan);
    if (plan.complete)
        return (plan.marks.size() + perChunk - 1) / perChunk;
    return plan.marks.empty() ? 0 : (plan.marks.size() - 1) / perChunk;
}

std::string entry(const MpegChunkPlan& plan, std::int64_t start, std::int64_t end) {
    return "file " +
           quoted("subfile,,start," + std::to_string(start) + ",end," + std::to_string(end) +
                  ",,:file:" + plan.path) +
           "\n";
}

} // namespace

std::string mpegChunkPlaylist(const MpegChunkPlan& plan) {
    const std::size_t perChunk = marksPerChunk(plan);
    const auto framesPerChunk = static_cast<std::int64_t>(perChunk) * MpegMarkInterval;
    const std::size_t chunks = knownChunks(plan);
    const std::int64_t slack = plan.approximateMarks ? ApproximateSlack : 0;

    std::string playlist = "ffconcat version 1.0\n";
    for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
        const std::size_t mark = chunk * perChunk;
        const std::size_t next = mark + perChunk;
        const bool last = next >= plan.marks.size();
        const std::int64_t start = plan.marks[mark] - (mark == 0 ? 0 : slack);
        const std::int64_t end = last ? plan.end : std::min(plan.end, plan.marks[next] + slack);
        const std::int64_t firstFrame = static_cast<std::int64_t>(mark) * MpegMarkInterval;
        const std::int64_t frames =
            last ? plan.frames - firstFrame : std::min(framesPerChunk, plan.frames - firstFrame);
        playlist += entry(plan, start, end);
        playlist += "duration " + decimal(static_cast<double>(frames) * plan.frameSeconds) + "\n";
        if (slack > 0 && !last)
            playlist += "outpoint " +
                        decimal((static_cast<double>(frames) - 0.5) * plan.frameSeconds) + "\n";
    }
    if (!plan.complete) {
        const std::int64_t start = plan.marks.empty() ? plan.start : plan.marks[chunks * perChunk];
        playlist += entry(plan, start, plan.end);
    }
    return playlist;
}

double mpegPlaylistExactSeconds(const MpegChunkPlan& plan) {
    if (plan.complete)
        return static_cast<double>(plan.frames) * plan.frameSeconds;
    const auto framesPerChunk = static_cast<std::int64_t>(marksPerChunk(plan)) * MpegMarkInterval;
    return static_cast<double>(knownChunks(plan) * framesPerChunk) * plan.frameSeconds;
}
