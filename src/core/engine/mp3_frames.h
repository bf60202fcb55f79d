// Length of MPEG audio (layers I, II and III) by walking its frame headers.
// FFmpeg only estimates the length of a VBR stream without a Xing or VBRI
// header from the first frame's bitrate; counting the frames gives the true
// number of samples and costs one pass over the headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct MpegFrameHeader {
    int version = 0;         // 1: MPEG-1, 2: MPEG-2, 25: MPEG-2.5
    int layer = 0;           // 1, 2 or 3
    int sampleRate = 0;      // Hz
    int bitrate = 0;         // kbit/s
    int channels = 0;        // 1 or 2
    int samplesPerFrame = 0; // per channel
    int frameBytes = 0;      // header included
};

// Decodes the four header bytes at p, or nothing when they are no valid
// header (free-format bitrate included: its frame length is not in the header).
std::optional<MpegFrameHeader> parseMpegFrameHeader(const unsigned char* p);

struct MpegStreamInfo {
    MpegFrameHeader first;        // the first audio frame
    std::int64_t frames = 0;      // audio frames; an Xing/Info/VBRI frame is not counted
    std::int64_t audioBytes = 0;  // bytes in those frames
    std::int64_t streamBytes = 0; // from the first frame to the end of the data
    // Offset of audio frame 0, markInterval, 2 * markInterval, ...
    std::vector<std::int64_t> marks;
    bool hasVbrHeader = false;
    double frameSeconds() const {
        return first.sampleRate > 0 ? static_cast<double>(first.samplesPerFrame) / first.sampleRate
                                    : 0.0;
    }
    double seconds() const { return static_cast<double>(frames) * frameSeconds(); }
};

// Bytes of the ID3v2 tag at the start of data (header and footer included),
// 0 when there is none; the tag may be longer than data.
std::size_t id3v2TagSize(const unsigned char* data, std::size_t size);

// What the first frame of a stream says about the whole: a Xing, Info or VBRI
// header makes it a frame without audio, and may count the audio frames.
struct MpegStreamStart {
    std::size_t offset = 0; // of the first frame in the data searched
    MpegFrameHeader header;
    bool vbrHeaderFrame = false;
    bool infoHeader = false;                  // lame's "Info": a CBR encoding
    std::optional<std::int64_t> headerFrames; // audio frames, as the header counts them
};

// Looks for the first frame within the first 64 KiB of data (two consecutive
// matching headers). data must not begin with an ID3v2 tag.
std::optional<MpegStreamStart> findMpegStreamStart(const unsigned char* data, std::size_t size);

// Counts frames block by block, so a long file is walked without holding it
// whole: feed each block from where the previous feed stopped.
class MpegFrameWalker {
  public:
    MpegFrameWalker(const MpegFrameHeader& first, std::int64_t markInterval)
        : first_(first), markInterval_(markInterval) {}
    // Walks the frames that begin in data, the stream's bytes from offset base
    // on; atEnd when data reaches the end of the stream. Answers the offset
    // the next block must start at.
    std::int64_t feed(const unsigned char* data, std::size_t size, std::int64_t base, bool atEnd);

    std::int64_t frames() const { return frames_; }
    std::int64_t audioBytes() const { return audioBytes_; }
    // Offsets of audio frame 0, markInterval, 2 * markInterval, ...
    const std::vector<std::int64_t>& marks() const { return marks_; }

  private:
    MpegFrameHeader first_;
    std::int64_t markInterval_;
    std::int64_t frames_ = 0;
    std::int64_t audioBytes_ = 0;
    std::vector<std::int64_t> marks_;
    bool resyncing_ = false;
};

// Walks the MPEG audio stream in data[0, size): skips an ID3v2 tag, looks for
// the first frame within the first 64 KiB (two consecutive matching headers),
// then follows frame lengths, resynchronising over damaged stretches. Notes
// the offset of every markInterval-th audio frame. Answers nothing when no
// stream of at least two frames is found.
std::optional<MpegStreamInfo> walkMpegFrames(const unsigned char* data, std::size_t size,
                                             std::int64_t markInterval);
