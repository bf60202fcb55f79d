#include "core/engine/mpv_load.h"

#include "core/engine/libmpv.h"
#include "core/engine/mp3_chunks.h"

#include <cstring>

namespace {

// A value inside a libmpv option list, taken literally ("%length%value").
std::string quotedOption(const std::string& value) {
    return "%" + std::to_string(value.size()) + "%" + value;
}

// Options for this file only: a global demuxer-lavf-format set back to ""
// would name no format at all for the next file.
std::string loadOptions(bool playlist, std::optional<std::int32_t> startSeconds) {
    std::string options = playlist ? std::string("demuxer-lavf-format=concat,demuxer-lavf-o=") +
                                         quotedOption(MpegChunkLavfOptions)
                                   : "";
    if (startSeconds)
        options += (options.empty() ? "start=" : ",start=") + std::to_string(*startSeconds);
    return options;
}

} // namespace

std::string playlistUrl(const MpegChunkPlan& plan) {
    return "memory://" + mpegChunkPlaylist(plan);
}

std::string loadUrlFor(const FileProbe& probe) {
    return probe.mpeg ? playlistUrl(probe.mpeg->plan) : probe.absolutePath.toStdString();
}

std::int64_t loadedEntry(const mpv_node& result) {
    if (result.format != MPV_FORMAT_NODE_MAP)
        return -1;
    const mpv_node_list* map = result.u.list;
    for (int i = 0; i < map->num; ++i)
        if (std::strcmp(map->keys[i], "playlist_entry_id") == 0 &&
            map->values[i].format == MPV_FORMAT_INT64)
            return map->values[i].u.int64;
    return -1;
}

std::int64_t requestLoad(mpv_handle* handle, const std::string& url, bool playlist,
                         std::optional<std::int32_t> startSeconds) {
    const std::string options = loadOptions(playlist, startSeconds);
    const char* command[] = {"loadfile", url.c_str(), "replace", options.c_str(), nullptr};
    mpv_node result;
    if (libmpv().command_ret(handle, command, &result) < 0)
        return -1;
    const std::int64_t entryId = loadedEntry(result);
    libmpv().free_node_contents(&result);
    return entryId;
}

bool requestLoadAsync(mpv_handle* handle, std::uint64_t userdata, const std::string& url,
                      bool playlist, std::optional<std::int32_t> startSeconds) {
    const std::string options = loadOptions(playlist, startSeconds);
    const char* command[] = {"loadfile", url.c_str(), "replace", options.c_str(), nullptr};
    return libmpv().command_async(handle, userdata, command) >= 0;
}

std::int64_t requestPausedLoad(mpv_handle* handle, const FileProbe& probe) {
    int flag = 1;
    if (libmpv().set_property(handle, "pause", MPV_FORMAT_FLAG, &flag) < 0)
        return -1;
    return requestLoad(handle, loadUrlFor(probe), probe.mpeg.has_value(), std::nullopt);
}
