// Asking libmpv to load a file. libmpv's client calls are safe on any
// thread: the open asks from the engine's thread, a preload from the thread
// that probed the file.
#pragma once

#include "core/engine/mp3_plan.h"
#include "core/engine/open_probe.h"

#include <cstdint>
#include <mpv/client.h>
#include <optional>
#include <string>

// What libmpv is given for a probed file: its MPEG playlist, or the file.
std::string loadUrlFor(const FileProbe& probe);
std::string playlistUrl(const MpegChunkPlan& plan);

// Asks libmpv to replace what it plays with url (an MPEG playlist when
// playlist is set), starting at startSeconds. The new playlist entry, or -1
// when libmpv refused.
std::int64_t requestLoad(mpv_handle* handle, const std::string& url, bool playlist,
                         std::optional<std::int32_t> startSeconds);

// requestLoad without waiting for libmpv: the reply to userdata carries the
// new entry (see loadedEntry). False when libmpv refused at once.
bool requestLoadAsync(mpv_handle* handle, std::uint64_t userdata, const std::string& url,
                      bool playlist, std::optional<std::int32_t> startSeconds);
// The playlist entry a loadfile command's result names, or -1.
std::int64_t loadedEntry(const mpv_node& result);

// Pauses libmpv and asks it to load a probed file, as an open does.
std::int64_t requestPausedLoad(mpv_handle* handle, const FileProbe& probe);
