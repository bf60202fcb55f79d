#include "core/hearing.h"

#include "core/extra_settings.h"
#include "core/log.h"

#include <array>

namespace modMain {

namespace {

const QString LevellingSetting = QStringLiteral("hearing.levelling");
const QString NoiseSetting = QStringLiteral("hearing.noise-reduction");
const QString LowCutSetting = QStringLiteral("hearing.low-cut");
const QString ChannelSetting = QStringLiteral("hearing.channel");

constexpr std::array<const char*, 4> ChannelNames = {"both", "left", "right", "mix"};

HearingAids current;

bool switchedOn(const QString& setting) {
    const QString value = ExtraSetting(setting);
    if (value == QLatin1String("on"))
        return true;
    if (!value.isEmpty() && value != QLatin1String("off"))
        qCWarning(lcSettings).noquote() << setting << "is neither on nor off:" << value;
    return false;
}

QString onOff(bool on) {
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

} // namespace

const HearingAids& Hearing() {
    return current;
}

void LoadHearing() {
    current.levelling = switchedOn(LevellingSetting);
    current.noiseReduction = switchedOn(NoiseSetting);
    current.lowCut = switchedOn(LowCutSetting);
    const QString channel = ExtraSetting(ChannelSetting);
    current.channel = ChannelNamed(channel).value_or(ChannelChoice::Both);
    if (!channel.isEmpty() && !ChannelNamed(channel))
        qCWarning(lcSettings).noquote() << ChannelSetting << "unknown:" << channel;
    vbmp3_setHearing(current);
}

void SetHearing(const HearingAids& aids) {
    vbmp3_setHearing(aids);
    if (aids == current)
        return;
    current = aids;
    SetExtraSetting(LevellingSetting, onOff(aids.levelling));
    SetExtraSetting(NoiseSetting, onOff(aids.noiseReduction));
    SetExtraSetting(LowCutSetting, onOff(aids.lowCut));
    SetExtraSetting(ChannelSetting, ChannelName(aids.channel));
    SaveExtraSettings();
}

QString ChannelName(ChannelChoice channel) {
    return QString::fromLatin1(ChannelNames[static_cast<std::size_t>(channel)]);
}

std::optional<ChannelChoice> ChannelNamed(const QString& name) {
    for (std::size_t i = 0; i < ChannelNames.size(); ++i)
        if (name == QLatin1String(ChannelNames[i]))
            return static_cast<ChannelChoice>(i);
    return std::nullopt;
}

ChannelChoice NextChannel(ChannelChoice channel) {
    return static_cast<ChannelChoice>((static_cast<std::size_t>(channel) + 1) %
                                      ChannelNames.size());
}

} // namespace modMain
