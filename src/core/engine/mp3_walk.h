// The frame walk of an MPEG stream on a thread of its own, so that a long
// recording opens at once. It reads with pread in blocks and publishes the
// marks it has found after each block; destroying the walk stops it. It
// waits a little for the block being read, and leaves a read that does not
// return (a share that stopped answering) to end by itself.
#pragma once

#include "core/engine/file_reader.h"
#include "core/engine/mp3_frames.h"

#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

class MpegWalk {
  public:
    struct Progress {
        std::vector<std::int64_t> marks; // file offsets of audio frames 0, interval, ...
        std::int64_t frames = 0;         // audio frames walked so far
        bool done = false;               // the walk reached the end of the stream
    };
    // Called on the walk's thread before each block is read, with the
    // block's offset; tests hold the walk there.
    using BlockHook = std::function<void(std::int64_t offset)>;

    // Walks [audioStart, end) of file, whose first audio frame has header.
    // onProgress runs on the walk's thread after each block: it may only
    // hand the news to another thread.
    MpegWalk(FileReader file, std::int64_t audioStart, std::int64_t end,
             const MpegFrameHeader& header, std::int64_t markInterval,
             std::function<void()> onProgress, BlockHook blockHook = {});
    ~MpegWalk();
    MpegWalk(const MpegWalk&) = delete;
    MpegWalk& operator=(const MpegWalk&) = delete;

    Progress progress() const;
    bool done() const;

  private:
    // Shared with the walk's thread, which may outlive the walk.
    struct State;
    std::shared_ptr<State> state_;
    // Ready once the walk's thread has nothing left to do.
    std::future<void> finished_;
    std::thread thread_;
};
