// A first look at a file's bytes before libmpv opens it: where MPEG audio
// lies inside a RIFF file (RMP3, or WAVE with an MPEG format tag), and whether
// the bytes look like text, which tells "no audio in it" from "damaged".
#pragma once

#include "core/engine/file_reader.h"

#include <cstddef>
#include <cstdint>

enum class AudioContainer {
    Other,    // raw streams and everything FFmpeg recognises by itself
    RiffWave, // RIFF form WAVE
    RiffRmp3, // RIFF form RMP3: MPEG audio in a "data" chunk
};

struct AudioFileLayout {
    AudioContainer container = AudioContainer::Other;
    // Where an MPEG audio stream may lie: the "data" chunk of a RIFF file,
    // the whole file otherwise.
    std::size_t dataOffset = 0;
    std::size_t dataSize = 0;
    // RMP3, or WAVE whose format tag is MPEG (0x0050 layers I/II, 0x0055 layer III).
    bool riffHoldsMpeg = false;
    bool looksLikeText = false;
};

// Reads the start of the file and, in a RIFF file, its chunk headers.
AudioFileLayout inspectAudioFile(const FileReader& file);
