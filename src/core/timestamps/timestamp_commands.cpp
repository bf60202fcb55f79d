#include "core/timestamps/timestamp_commands.h"

#include "core/commands.h"
#include "core/log.h"
#include "core/modMain.h"
#include "core/player_view.h"
#include "core/timestamps/desktop_text.h"
#include "core/timestamps/timestamp_settings.h"
#include "core/timestamps/written_time.h"

#include <algorithm>

namespace modMain {

namespace {

QString TimestampNow() {
    std::int64_t ms = 0;
    vbmp3_getStateMs(&ms);
    return TimestampOf(ms);
}

// The answer comes back later: by then the player may have closed, be
// opening another file or be in repeat mode.
void SeekToWritten(qint64 writtenMs) {
    if (PlayerClosing() || FileOpening() || RepeatOn != 0) {
        qCDebug(lcCommands) << "jump to the selected time dropped";
        return;
    }
    std::int64_t position = 0;
    if (vbmp3_getStateMs(&position) == StateStopped)
        return;
    const qint64 end = std::max<qint64>(FileInfo.TotalSeconds, 0) * 1000;
    const qint64 target =
        std::clamp<qint64>(writtenMs - StoredTimestampSettings().offsetMs, 0, end);
    qCDebug(lcCommands) << "jump to the selected time" << writtenMs << "ms, at" << target << "ms";
    vbmp3_seekMs(target);
}

} // namespace

void CopyTime() {
    View().CopyText(TimestampNow());
}

void InsertTime() {
    desktopText().insert(TimestampNow());
}

void SeekToSelection() {
    desktopText().read(DesktopText::Source::Primary, [](const QString& primary) {
        if (const std::optional<qint64> ms = FindWrittenTime(primary))
            return SeekToWritten(*ms);
        desktopText().read(DesktopText::Source::Clipboard, [](const QString& clipboard) {
            if (const std::optional<qint64> ms = FindWrittenTime(clipboard))
                return SeekToWritten(*ms);
            qCWarning(lcCommands) << "no time in the selection or the clipboard; not moved";
        });
    });
}

} // namespace modMain
