// MPEG audio handed to libmpv as an ffconcat playlist of frame-aligned
// stretches of the file, each with its exact duration.
//
// FFmpeg's MP3 demuxer seeks a stream without a usable table of contents by
// reading it from the start or from an index it fills only sparsely: in a
// three-hour recording a seek takes up to seconds. The concat demuxer finds
// the stretch from the durations and seeks inside it from the stretch's
// start, which takes milliseconds, lands exactly, and gives timestamps in the
// file's true time. The decoder runs on across stretches, so the sound is
// the same as from the plain file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Frames between the marks the frame walk notes for the playlist.
inline constexpr std::int64_t MpegMarkInterval = 256;

// libmpv's demuxer-lavf-o for the playlist: nested files are read through
// FFmpeg's "subfile" and "file" protocols.
inline constexpr const char* MpegChunkLavfOptions = "safe=0,protocol_whitelist=[file,subfile]";

// What the playlist is made from: the places of every MpegMarkInterval-th
// audio frame as far as they are known.
struct MpegChunkPlan {
    std::string path;
    std::int64_t start = 0; // file offset of audio frame 0
    // File offsets of audio frames 0, MpegMarkInterval, 2 * MpegMarkInterval, ...
    std::vector<std::int64_t> marks;
    std::int64_t frames = 0; // audio frames in the stream, when complete
    std::int64_t end = 0;    // file offset where the stream's data ends
    double frameSeconds = 0;
    // False while the walk is still on: the stream after the last stretch
    // whose end is known is one more stretch, of a length FFmpeg counts.
    bool complete = true;
    // The marks come from CBR arithmetic and may be a byte off: each stretch
    // then begins a little early and ends a little late, and FFmpeg drops the
    // frame cut at its end (a packet at or after the stretch's out point).
    bool approximateMarks = false;
};

std::string mpegChunkPlaylist(const MpegChunkPlan& plan);

// The time up to which the playlist's stretches have exact durations.
double mpegPlaylistExactSeconds(const MpegChunkPlan& plan);
