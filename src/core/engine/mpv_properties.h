// Small reads of libmpv's state, and its log lines.
#pragma once

#include <cstdint>
#include <mpv/client.h>
#include <optional>
#include <string>

// Opening, or reloading a file's stretches, waits this long at most for
// libmpv to load it.
inline constexpr int OpenTimeoutMs = 15000;

// A string property, or "" when it is unavailable.
std::string stringProperty(mpv_handle* handle, const char* name);
std::optional<std::int64_t> intProperty(mpv_handle* handle, const char* name);
std::optional<double> doubleProperty(mpv_handle* handle, const char* name);

// A line in the engine's log for a message of libmpv's worth one.
void logMessage(const mpv_event_log_message& message);
