// The file-layout probe, followed by the frame walk over the stretch it
// names, as the engine does before it opens a file.
#include "core/engine/file_reader.h"
#include "core/engine/mp3_frames.h"
#include "core/engine/mp3_probe.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The probe reads a file: the input becomes one, in memory.
FileReader FileOf(const std::uint8_t* data, std::size_t size) {
    static const int fd = memfd_create("probe-input", 0);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(ftruncate(fd, 0) == 0);
    FUZZ_CHECK(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));
    return FileReader::open(("/proc/self/fd/" + std::to_string(fd)).c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FileReader file = FileOf(data, size);
    FUZZ_CHECK(file.valid() && file.size() == static_cast<std::int64_t>(size));
    const AudioFileLayout layout = inspectAudioFile(file);
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
