// The file-layout probe, followed by the frame walk over the stretch it
// names, as the engine does before it opens a file.
#include "core/engine/mp3_frames.h"
#include "core/engine/mp3_probe.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const AudioFileLayout layout = inspectAudioFile(data, size);
    FUZZ_CHECK(layout.dataOffset <= size && layout.dataSize <= size - layout.dataOffset);
    if (layout.container == AudioContainer::Other) {
        FUZZ_CHECK(layout.dataOffset == 0 && layout.dataSize == size && !layout.riffHoldsMpeg);
    }
    if (layout.riffHoldsMpeg)
        FUZZ_CHECK(layout.dataOffset >= 20);
    if (layout.riffHoldsMpeg || layout.container == AudioContainer::Other) {
        const auto info = walkMpegFrames(data + layout.dataOffset, layout.dataSize, 256);
        if (info)
            FUZZ_CHECK(info->streamBytes <= static_cast<std::int64_t>(layout.dataSize));
    }
    return 0;
}
