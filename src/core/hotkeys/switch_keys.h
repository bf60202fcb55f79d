// The keys that switch an input method, read from the input method's own
// settings, and the same key names for the player's bindings, so the two can
// be compared. fcitx writes "Control+space" (fcitx 4 "CTRL_SPACE"), IBus
// "<Control>space"; the modifiers may come in any order.
#pragma once

#include "core/modMain.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace modMain {

// A modifier the player's bindings never have (Hyper, Meta): such a key
// can never be one of them.
constexpr Long OtherModifierBit = 16;

struct SwitchKey {
    Long modifiers = 0; // ModAltBit | ModCtrlBit | ModShiftBit | ModWinBit | OtherModifierBit
    QString key;        // the key's X name in one spelling: "SPACE", "PAGEUP", "F5"
    bool operator==(const SwitchKey&) const = default;
};

// One fcitx key, in fcitx 5's or fcitx 4's spelling; nothing when it names no key.
std::optional<SwitchKey> ParseFcitxKey(const QString& text);
// One GTK accelerator as IBus keeps them; nothing when it names no key.
std::optional<SwitchKey> ParseAccelerator(const QString& text);

// The trigger keys of fcitx 5's configuration file ($XDG_CONFIG_HOME/fcitx5/config),
// fcitx 5's defaults when the file does not set them.
QList<SwitchKey> Fcitx5TriggerKeys(const QByteArray& configFile);
// The trigger keys of fcitx 4's configuration file ($XDG_CONFIG_HOME/fcitx/config).
QList<SwitchKey> Fcitx4TriggerKeys(const QByteArray& configFile);
// IBus's trigger keys from what `gsettings get org.freedesktop.ibus.general.hotkey
// triggers` prints; IBus's default when it printed nothing.
QList<SwitchKey> IbusTriggerKeys(const QString& gsettingsOutput);

// A binding of the player as a switch key would name it; nothing for a
// disabled one.
std::optional<SwitchKey> SwitchKeyOf(Long modifiers, Long virtualKey);

} // namespace modMain
