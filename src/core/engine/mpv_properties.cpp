#include "core/engine/mpv_properties.h"

#include "core/engine/libmpv.h"
#include "core/log.h"

#include <cstring>

std::string stringProperty(mpv_handle* handle, const char* name) {
    char* value = libmpv().get_property_string(handle, name);
    if (!value)
        return {};
    std::string result(value);
    libmpv().free(value);
    return result;
}

std::optional<std::int64_t> intProperty(mpv_handle* handle, const char* name) {
    std::int64_t value = 0;
    if (libmpv().get_property(handle, name, MPV_FORMAT_INT64, &value) < 0)
        return std::nullopt;
    return value;
}

std::optional<double> doubleProperty(mpv_handle* handle, const char* name) {
    double value = 0;
    if (libmpv().get_property(handle, name, MPV_FORMAT_DOUBLE, &value) < 0)
        return std::nullopt;
    return value;
}

void logMessage(const mpv_event_log_message& message) {
    // FFmpeg warns about every stretch of a playlist ("estimating duration
    // from bitrate"); only its errors are worth a line.
    if (std::strncmp(message.prefix, "ffmpeg", 6) == 0 && message.log_level > MPV_LOG_LEVEL_ERROR)
        return;
    qCWarning(lcEngine).noquote() << QStringLiteral("libmpv [%1] %2")
                                         .arg(QString::fromUtf8(message.prefix),
                                              QString::fromUtf8(message.text).trimmed());
}
