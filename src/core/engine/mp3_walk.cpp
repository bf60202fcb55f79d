#include "core/engine/mp3_walk.h"

#include "core/log.h"

#include <utility>

namespace {
// Small enough that stopping waits for little, large enough that a network
// share sees few requests.
constexpr std::size_t WalkBlockBytes = 256 * 1024;
} // namespace

MpegWalk::MpegWalk(FileReader file, std::int64_t audioStart, std::int64_t end,
                   const MpegFrameHeader& header, std::int64_t markInterval,
                   std::function<void()> onProgress, BlockHook blockHook)
    : file_(std::move(file)), walker_(header, markInterval), onProgress_(std::move(onProgress)),
      blockHook_(std::move(blockHook)) {
    thread_ = std::thread([this, audioStart, end] { run(audioStart, end); });
}

MpegWalk::~MpegWalk() {
    stop_ = true;
    thread_.join();
}

MpegWalk::Progress MpegWalk::progress() const {
    std::lock_guard lock(mutex_);
    return published_;
}

void MpegWalk::run(std::int64_t audioStart, std::int64_t end) {
    std::int64_t pos = audioStart;
    while (!stop_) {
        if (blockHook_)
            blockHook_(pos);
        if (stop_)
            return;
        const std::vector<unsigned char> block = file_.read(pos, WalkBlockBytes);
        const bool atEnd =
            pos + static_cast<std::int64_t>(block.size()) >= end || block.size() < WalkBlockBytes;
        const auto usable = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(block.size()), end - pos));
        if (atEnd && pos + static_cast<std::int64_t>(usable) < end)
            qCWarning(lcEngine) << "the file ended early while walking its frames, at"
                                << pos + usable;
        const std::int64_t next = walker_.feed(block.data(), usable, pos, atEnd);
        {
            std::lock_guard lock(mutex_);
            const auto& marks = walker_.marks();
            published_.marks.insert(
                published_.marks.end(),
                marks.begin() + static_cast<std::ptrdiff_t>(published_.marks.size()), marks.end());
            published_.frames = walker_.frames();
            published_.done = atEnd;
        }
        done_ = atEnd;
        if (onProgress_)
            onProgress_();
        if (atEnd)
            return;
        pos = next;
    }
}
