#include "core/timestamps/timestamp_settings.h"

#include "core/extra_settings.h"
#include "core/log.h"
#include "core/timestamps/timestamp_format.h"

namespace modMain {

namespace {

const QString FormatName = QStringLiteral("timestamp.format");
const QString OffsetName = QStringLiteral("timestamp.offset");
const QString PasteKeyName = QStringLiteral("timestamp.paste-key");

struct PasteKeyText {
    PasteKey key;
    const char* name;
};
constexpr PasteKeyText PasteKeyNames[] = {
    {PasteKey::CtrlV, "ctrl+v"},
    {PasteKey::CtrlShiftV, "ctrl+shift+v"},
    {PasteKey::ShiftInsert, "shift+insert"},
};

} // namespace

TimestampSettings StoredTimestampSettings() {
    TimestampSettings settings{DefaultTimestampFormat, 0};
    const QString format = ExtraSetting(FormatName);
    if (!format.isEmpty()) {
        if (TimestampFormatProblem(format))
            qCWarning(lcSettings).noquote() << "timestamp format unusable, default used:" << format;
        else
            settings.format = format;
    }
    const std::optional<qint64> offset = ParseTimestampOffset(ExtraSetting(OffsetName));
    if (offset)
        settings.offsetMs = *offset;
    else
        qCWarning(lcSettings).noquote()
            << "timestamp offset unusable, none used:" << ExtraSetting(OffsetName);
    const QString pasteKey = ExtraSetting(PasteKeyName);
    bool known = pasteKey.isEmpty();
    for (const PasteKeyText& p : PasteKeyNames) {
        if (pasteKey == QLatin1String(p.name)) {
            settings.pasteKey = p.key;
            known = true;
        }
    }
    if (!known)
        qCWarning(lcSettings).noquote() << "paste key unknown, Ctrl+V used:" << pasteKey;
    return settings;
}

bool StoreTimestampSettings(const TimestampSettings& settings) {
    if (TimestampFormatProblem(settings.format))
        return false;
    SetExtraSetting(FormatName, settings.format);
    SetExtraSetting(OffsetName, TimestampOffsetText(settings.offsetMs));
    for (const PasteKeyText& p : PasteKeyNames)
        if (p.key == settings.pasteKey)
            SetExtraSetting(PasteKeyName, QLatin1String(p.name));
    return SaveExtraSettings();
}

QString TimestampOf(qint64 positionMs) {
    const TimestampSettings settings = StoredTimestampSettings();
    return FormatTimestamp(settings.format, positionMs, settings.offsetMs);
}

} // namespace modMain
