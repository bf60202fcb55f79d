// Where the frames of an MPEG audio stream lie, found from a few small reads
// instead of a walk over the whole file: the first frame and its Xing, Info
// or VBRI header, a handful of probes spread over the stream, and its tail.
//
// A constant bit rate stream places frame k within a byte of
// audioStart + k * frameBytes (the encoder pads frames to keep that mean),
// which the probes check; its length and every frame's place then follow
// from arithmetic. Other streams need the frame walk for exact places; their
// length is exact when a header counts the frames, estimated otherwise.
#pragma once

#include "core/engine/file_reader.h"
#include "core/engine/mp3_frames.h"

#include <cstdint>
#include <optional>

struct MpegLayout {
    MpegFrameHeader header;      // of the first frame
    bool vbrHeaderFrame = false; // the first frame is a Xing/Info/VBRI frame
    std::int64_t audioStart = 0; // file offset of audio frame 0
    std::int64_t end = 0;        // file offset where the stream's data ends
    // Constant bit rate: the mean frame length in bytes.
    std::optional<double> cbrFrameBytes;
    // Audio frames: exact (CBR arithmetic or the header's count) or estimated
    // from the frame lengths the probes saw.
    std::int64_t frames = 0;
    bool framesExact = false;
    double frameSeconds() const {
        return header.sampleRate > 0
                   ? static_cast<double>(header.samplesPerFrame) / header.sampleRate
                   : 0.0;
    }
};

// The stream in the file's bytes [dataOffset, dataEnd), or nothing when
// they hold no MPEG audio stream (or only chance frame headers).
std::optional<MpegLayout> probeMpegLayout(const FileReader& file, std::int64_t dataOffset,
                                          std::int64_t dataEnd);

// File offset of audio frame k of a CBR layout, within a byte.
std::int64_t cbrFrameOffset(const MpegLayout& layout, std::int64_t frame);
