#include "core/engine/mp3_plan.h"

#include "core/engine/mp3_layout.h"

namespace {

std::optional<MpegOpening> walkWhole(const FileReader& file, std::int64_t dataOffset,
                                     std::int64_t dataSize, const std::string& path) {
    const std::vector<unsigned char> bytes =
        file.read(dataOffset, static_cast<std::size_t>(dataSize));
    auto stream = walkMpegFrames(bytes.data(), bytes.size(), MpegMarkInterval);
    // A few chance frame headers in another format's data are no stream.
    if (!stream || stream->audioBytes * 2 < stream->streamBytes)
        return std::nullopt;
    MpegOpening opening;
    opening.header = stream->first;
    opening.plan.path = path;
    opening.plan.start = dataOffset + (stream->marks.empty() ? 0 : stream->marks.front());
    for (std::int64_t mark : stream->marks)
        opening.plan.marks.push_back(dataOffset + mark);
    opening.plan.frames = stream->frames;
    opening.plan.end = dataOffset + static_cast<std::int64_t>(bytes.size());
    opening.plan.frameSeconds = stream->frameSeconds();
    opening.seconds = stream->seconds();
    return opening;
}

} // namespace

std::optional<MpegOpening> planMpegStream(const FileReader& file, const AudioFileLayout& layout,
                                          const std::string& path) {
    if (!layout.riffHoldsMpeg && layout.container != AudioContainer::Other)
        return std::nullopt;
    const auto dataOffset = static_cast<std::int64_t>(layout.dataOffset);
    const auto dataSize = static_cast<std::int64_t>(layout.dataSize);
    if (dataSize <= WholeWalkBytes)
        return walkWhole(file, dataOffset, dataSize, path);

    auto layoutFound = probeMpegLayout(file, dataOffset, dataOffset + dataSize);
    if (!layoutFound)
        return std::nullopt;
    const MpegLayout& stream = *layoutFound;
    MpegOpening opening;
    opening.header = stream.header;
    opening.plan.path = path;
    opening.plan.start = stream.audioStart;
    opening.plan.end = stream.end;
    opening.plan.frameSeconds = stream.frameSeconds();
    opening.plan.frames = stream.frames;
    opening.lengthExact = stream.framesExact;
    opening.seconds = static_cast<double>(stream.frames) * stream.frameSeconds();
    if (stream.cbrFrameBytes) {
        for (std::int64_t frame = 0; frame < stream.frames; frame += MpegMarkInterval)
            opening.plan.marks.push_back(cbrFrameOffset(stream, frame));
        opening.plan.approximateMarks = true;
    } else {
        // The walk fills the marks in; frames counts what it has walked.
        opening.plan.complete = false;
        opening.plan.frames = 0;
    }
    return opening;
}
