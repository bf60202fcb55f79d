#include "core/pedals/pedal_settings.h"

#include "core/extra_settings.h"
#include "core/installed.h"
#include "core/log.h"

namespace modMain::pedals {

namespace {

const QString NoCommand = QStringLiteral("none");
const QString ModeName = QStringLiteral("pedal.mode");
const char* const PedalNames[PedalCount] = {"left", "middle", "right", "fourth"};

QString SettingOf(int pedal) {
    return QStringLiteral("pedal.") + QLatin1String(PedalNames[pedal]);
}

} // namespace

namespace {
PedalSettings* installedSettings = nullptr;
} // namespace

PedalSettings& Settings() {
    return Installed(installedSettings, "PedalSettings");
}

void SetPedalSettings(PedalSettings* settings) {
    installedSettings = settings;
}

void LoadPedalSettings() {
    PedalSettings loaded;
    for (int pedal = 0; pedal < PedalCount; ++pedal) {
        const QString value = ExtraSetting(SettingOf(pedal));
        if (value.isEmpty())
            continue;
        if (value == NoCommand) {
            loaded.commands[pedal] = std::nullopt;
        } else if (const auto command = CommandNamed(value); command && PedalMayRun(*command)) {
            loaded.commands[pedal] = *command;
        } else {
            qCWarning(lcPedals).noquote() << SettingOf(pedal) << "unknown, default kept:" << value;
        }
    }
    const QString mode = ExtraSetting(ModeName);
    if (mode == QLatin1String("toggle"))
        loaded.mode = PlayMode::Toggle;
    else if (!mode.isEmpty() && mode != QLatin1String("hold"))
        qCWarning(lcPedals).noquote() << ModeName << "unknown, default kept:" << mode;
    Settings() = loaded;
}

void SavePedalSettings() {
    const PedalSettings& settings = Settings();
    for (int pedal = 0; pedal < PedalCount; ++pedal) {
        const auto command = settings.commands[pedal];
        SetExtraSetting(SettingOf(pedal), command ? InfoOf(*command).name : NoCommand);
    }
    SetExtraSetting(ModeName, settings.mode == PlayMode::Toggle ? QStringLiteral("toggle")
                                                                : QStringLiteral("hold"));
    SaveExtraSettings();
}

bool PedalMayRun(Command command) {
    // A switch switches over and the channel goes to the next.
    const CommandArgument argument = InfoOf(command).argument;
    return argument == CommandArgument::None || argument == CommandArgument::Switch ||
           argument == CommandArgument::Channel;
}

} // namespace modMain::pedals
