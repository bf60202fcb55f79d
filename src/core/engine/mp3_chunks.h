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

#include "core/engine/mp3_frames.h"

#include <cstdint>
#include <string>

// Frames between the marks the frame walk notes for the playlist.
inline constexpr std::int64_t MpegMarkInterval = 256;

// libmpv's demuxer-lavf-o for the playlist: nested files are read through
// FFmpeg's "subfile" and "file" protocols.
inline constexpr const char* MpegChunkLavfOptions = "safe=0,protocol_whitelist=[file,subfile]";

// The playlist for the stream that walkMpegFrames(..., MpegMarkInterval)
// found at dataOffset in path; the stream ends at dataEnd.
std::string mpegChunkPlaylist(const std::string& path, std::int64_t dataOffset,
                              std::int64_t dataEnd, const MpegStreamInfo& stream);
