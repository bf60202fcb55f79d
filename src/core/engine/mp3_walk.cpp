#include "core/engine/mp3_walk.h"

#include "core/log.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <utility>

namespace {
// Small enough that stopping waits for little, large enough that a network
// share sees few requests.
constexpr std::size_t WalkBlockBytes = 256 * 1024;
// How long stopping waits for the block being read.
constexpr std::chrono::milliseconds StopWait(50);
} // namespace

struct MpegWalk::State {
    State(FileReader file, const MpegFrameHeader& header, std::int64_t markInterval,
          std::function<void()> onProgress, BlockHook blockHook)
        : file(std::move(file)), walker(header, markInterval), onProgress(std::move(onProgress)),
          blockHook(std::move(blockHook)) {}

    void run(std::int64_t audioStart, std::int64_t end);
    void publish(bool atEnd);

    FileReader file;
    MpegFrameWalker walker;
    std::function<void()> onProgress;
    BlockHook blockHook;
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    mutable std::mutex progressMutex;
    Progress published;
    // Held while onProgress runs: once stop is set under it, the receiver
    // hears no more.
    std::mutex newsMutex;
};

MpegWalk::MpegWalk(FileReader file, std::int64_t audioStart, std::int64_t end,
                   const MpegFrameHeader& header, std::int64_t markInterval,
                   std::function<void()> onProgress, BlockHook blockHook)
    : state_(std::make_shared<State>(std::move(file), header, markInterval, std::move(onProgress),
                                     std::move(blockHook))) {
    std::promise<void> finished;
    finished_ = finished.get_future();
    thread_ =
        std::thread([state = state_, audioStart, end, finished = std::move(finished)]() mutable {
            state->run(audioStart, end);
            finished.set_value();
        });
}

MpegWalk::~MpegWalk() {
    {
        const std::lock_guard lock(state_->newsMutex);
        state_->stop = true;
    }
    if (finished_.wait_for(StopWait) == std::future_status::ready) {
        thread_.join();
        return;
    }
    qCWarning(lcEngine) << "the frame walk's read does not return; it ends by itself";
    thread_.detach();
}

MpegWalk::Progress MpegWalk::progress() const {
    std::lock_guard lock(state_->progressMutex);
    return state_->published;
}

bool MpegWalk::done() const {
    return state_->done;
}

void MpegWalk::State::run(std::int64_t audioStart, std::int64_t end) {
    std::int64_t pos = audioStart;
    while (!stop) {
        if (blockHook)
            blockHook(pos);
        if (stop)
            return;
        const std::vector<unsigned char> block = file.read(pos, WalkBlockBytes);
        const bool atEnd =
            pos + static_cast<std::int64_t>(block.size()) >= end || block.size() < WalkBlockBytes;
        const auto usable = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(block.size()), end - pos));
        if (atEnd && pos + static_cast<std::int64_t>(usable) < end)
            qCWarning(lcEngine) << "the file ended early while walking its frames, at"
                                << pos + usable;
        const std::int64_t next = walker.feed(block.data(), usable, pos, atEnd);
        publish(atEnd);
        {
            const std::lock_guard lock(newsMutex);
            if (stop)
                return;
            if (onProgress)
                onProgress();
        }
        if (atEnd)
            return;
        pos = next;
    }
}

void MpegWalk::State::publish(bool atEnd) {
    {
        std::lock_guard lock(progressMutex);
        const auto& marks = walker.marks();
        published.marks.insert(published.marks.end(),
                               marks.begin() + static_cast<std::ptrdiff_t>(published.marks.size()),
                               marks.end());
        published.frames = walker.frames();
        published.done = atEnd;
    }
    done = atEnd;
}
