// The libmpv player handle behind the engine: created audio-only, owned by a
// unique_ptr whose deleter detaches the wakeup callback before destroying it.
#pragma once

#include <memory>
#include <mpv/client.h>
#include <string>

// Where the engine's sound goes.
struct MpvOutput {
    enum class Kind {
        System,  // the desktop's sound server or ALSA (systemOutputOrder());
                 // with no usable device playback still runs, silently
        Null,    // no sound, played in real time
        PcmFile, // every sample played is written to pcmPath (a WAV file), as
                 // fast as it is decoded; the file is complete once the
                 // engine is freed
    };
    Kind kind = Kind::System;
    std::string pcmPath;
};

// libmpv's audio outputs for the system output, tried in order: PulseAudio
// (PipeWire desktops serve it too), PipeWire, ALSA, then no sound. A sound
// server is only tried when its socket is there and ALSA only when there is
// a sound card: probing them otherwise prints noise to stderr.
std::string systemOutputOrder();

struct MpvHandleDeleter {
    void operator()(mpv_handle* handle) const;
};
using MpvHandle = std::unique_ptr<mpv_handle, MpvHandleDeleter>;

// A ready player: no video, no terminal, no configuration files, no input
// handling, idle with no file, holding the last sample at the end of a file,
// sending its warnings as MPV_EVENT_LOG_MESSAGE. Nothing on failure.
MpvHandle createAudioPlayer(const MpvOutput& output);
