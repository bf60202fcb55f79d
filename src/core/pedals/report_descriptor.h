// Reads a HID report descriptor far enough to find where the buttons of the
// input reports lie: the report id they come with and the bit of each button.
#pragma once

#include <QByteArrayView>
#include <map>
#include <optional>

namespace modMain::pedals {

struct ButtonReport {
    int reportId = 0;    // 0: the device's reports carry no id byte
    int reportBytes = 0; // the input report's size without the id byte
    // Button number (usage 1 up) to its bit in the report, after the id byte.
    std::map<int, int> buttonBits;
};

// The first input report that carries buttons; nothing when the descriptor
// has none or cannot be read.
std::optional<ButtonReport> FindButtons(QByteArrayView descriptor);

} // namespace modMain::pedals
