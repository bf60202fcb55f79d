#include "core/engine/mpv_handle.h"

#include "core/engine/libmpv.h"

#include <QDir>
#include <QFileInfo>
#include <initializer_list>
#include <utility>

namespace {

using Setting = std::pair<const char*, const char*>;

// Options every player needs; creation fails when one is refused.
constexpr Setting RequiredOptions[] = {
    {"config", "no"},
    {"terminal", "no"},
    {"vid", "no"},
    {"vo", "null"},
    {"sid", "no"},
    {"audio-display", "no"},
    {"audio-file-auto", "no"},
    {"sub-auto", "no"},
    {"input-default-bindings", "no"},
    {"input-vo-keyboard", "no"},
    {"idle", "yes"},
    {"keep-open", "yes"},
    {"keep-open-pause", "yes"},
    {"pause", "yes"},
    {"hr-seek", "yes"},
    {"cache", "no"},
    {"resume-playback", "no"},
    {"audio-fallback-to-null", "yes"},
    {"audio-client-name", "memotap"},
    // Pitch-preserving speed from the start, so that changing speed later
    // never swaps filters in the middle of playback.
    {"af", "scaletempo2"},
};

// Options that belong to optional parts of libmpv (Lua scripts, youtube-dl,
// media keys); a build without those parts does not know them. The built-in
// scripts each run a Lua state on a thread of their own, for overlays this
// player never shows.
constexpr Setting OptionalOptions[] = {
    {"osc", "no"},
    {"load-scripts", "no"},
    {"load-stats-overlay", "no"},
    {"load-osd-console", "no"},
    {"load-auto-profiles", "no"},
    {"ytdl", "no"},
    {"input-media-keys", "no"},
    {"cover-art-auto", "no"},
};

bool setAll(mpv_handle* handle, std::initializer_list<Setting> settings) {
    for (const auto& [name, value] : settings)
        if (libmpv().set_option_string(handle, name, value) < 0)
            return false;
    return true;
}

bool runtimeSocketExists(const char* name) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + '/' + QLatin1String(name));
}

} // namespace

std::string systemOutputOrder() {
    std::string order;
    if (qEnvironmentVariableIsSet("PULSE_SERVER") || runtimeSocketExists("pulse/native"))
        order += "pulse,";
    if (qEnvironmentVariableIsSet("PIPEWIRE_REMOTE") || runtimeSocketExists("pipewire-0"))
        order += "pipewire,";
    if (!QDir("/dev/snd").entryList({"pcmC*"}, QDir::System).isEmpty())
        order += "alsa,";
    return order + "null";
}

void MpvHandleDeleter::operator()(mpv_handle* handle) const {
    // After this returns libmpv calls no wakeup callback any more, so the
    // object it points at may go before the handle.
    libmpv().set_wakeup_callback(handle, nullptr, nullptr);
    libmpv().terminate_destroy(handle);
}

MpvHandle createAudioPlayer(const MpvOutput& output) {
    if (!loadLibMpv())
        return nullptr;
    MpvHandle handle(libmpv().create());
    if (!handle)
        return nullptr;
    for (const auto& [name, value] : RequiredOptions)
        if (libmpv().set_option_string(handle.get(), name, value) < 0)
            return nullptr;
    for (const auto& [name, value] : OptionalOptions) {
        const int result = libmpv().set_option_string(handle.get(), name, value);
        if (result < 0 && result != MPV_ERROR_OPTION_NOT_FOUND)
            return nullptr;
    }
    bool outputSet = true;
    switch (output.kind) {
    case MpvOutput::Kind::System:
        // An explicit order: probing JACK, OSS or SDL on a desktop without
        // them only prints noise. The null output plays silently when no
        // sound server or card answers.
        outputSet = setAll(handle.get(), {{"ao", systemOutputOrder().c_str()}});
        break;
    case MpvOutput::Kind::Null:
        outputSet = setAll(handle.get(), {{"ao", "null"}});
        break;
    case MpvOutput::Kind::PcmFile:
        outputSet = setAll(
            handle.get(),
            {{"ao", "pcm"}, {"ao-pcm-file", output.pcmPath.c_str()}, {"ao-pcm-waveheader", "yes"}});
        break;
    }
    if (!outputSet || libmpv().initialize(handle.get()) < 0)
        return nullptr;
    // libmpv's warnings and errors come as events, for the engine's log.
    if (libmpv().request_log_messages(handle.get(), "warn") < 0)
        return nullptr;
    return handle;
}
