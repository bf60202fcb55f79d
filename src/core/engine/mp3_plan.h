// How the engine plays the MPEG audio in a file, decided from little of it:
// short streams are walked whole at once; longer ones are probed, and a CBR
// stream gets its whole playlist from arithmetic while any other stream
// starts with a playlist that the background walk completes.
#pragma once

#include "core/engine/file_reader.h"
#include "core/engine/mp3_chunks.h"
#include "core/engine/mp3_frames.h"
#include "core/engine/mp3_probe.h"

#include <optional>
#include <string>

// Streams up to this size are walked whole during the open.
inline constexpr std::int64_t WholeWalkBytes = 1024 * 1024;

struct MpegOpening {
    MpegChunkPlan plan;
    MpegFrameHeader header; // of the audio frames, for the walk
    bool lengthExact = true;
    double seconds = 0; // exact, or the best estimate
    bool needsWalk() const { return !plan.complete; }
};

// Nothing when the file holds no MPEG audio to play through a playlist.
std::optional<MpegOpening> planMpegStream(const FileReader& file, const AudioFileLayout& layout,
                                          const std::string& path);
