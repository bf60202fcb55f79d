#include "core/hotkeys/hold_key.h"

#include "core/commands.h"
#include "core/extra_settings.h"
#include "core/hotkeys/keylist.h"
#include "core/log.h"

namespace modMain {

namespace {

const QString SettingName = QStringLiteral("hotkey.hold-to-play");
int holdRecord = 0;

} // namespace

int HoldToPlayRecord() {
    return holdRecord;
}

void SetHoldToPlayRecord(int record) {
    holdRecord = CommandOfRecord(record) ? record : 0;
}

void LoadHoldToPlay() {
    holdRecord = 0;
    const QString value = ExtraSetting(SettingName);
    if (value.isEmpty() || value == QLatin1String("none"))
        return;
    for (int record = 1; record <= CommandCount; ++record)
        if (InfoOf(*CommandOfRecord(record)).name == value)
            holdRecord = record;
    if (holdRecord == 0)
        qCWarning(lcSettings).noquote() << SettingName << "unknown, none used:" << value;
}

void SaveHoldToPlay() {
    const auto command = CommandOfRecord(holdRecord);
    SetExtraSetting(SettingName, command ? InfoOf(*command).name : QStringLiteral("none"));
    SaveExtraSettings();
}

} // namespace modMain
