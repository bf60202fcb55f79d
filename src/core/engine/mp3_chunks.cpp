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

std::string mpegChunkPlaylist(const std::string& path, std::int64_t dataOffset,
                              std::int64_t dataEnd, const MpegStreamInfo& stream) {
    const double markSeconds = MpegMarkInterval * stream.frameSeconds();
    const auto marksPerChunk =
        static_cast<std::size_t>(std::max(1.0, std::round(ChunkSeconds / markSeconds)));
    const auto framesPerChunk = static_cast<std::int64_t>(marksPerChunk) * MpegMarkInterval;

    std::string playlist = "ffconcat version 1.0\n";
    for (std::size_t mark = 0; mark < stream.marks.size(); mark += marksPerChunk) {
        const std::int64_t start = dataOffset + stream.marks[mark];
        const std::size_t next = mark + marksPerChunk;
        const std::int64_t end =
            next < stream.marks.size() ? dataOffset + stream.marks[next] : dataEnd;
        const std::int64_t firstFrame = static_cast<std::int64_t>(mark) * MpegMarkInterval;
        const std::int64_t frames = std::min(framesPerChunk, stream.frames - firstFrame);
        playlist += "file " +
                    quoted("subfile,,start," + std::to_string(start) + ",end," +
                           std::to_string(end) + ",,:file:" + path) +
                    "\nduration " + decimal(static_cast<double>(frames) * stream.frameSeconds()) +
                    "\n";
    }
    return playlist;
}
