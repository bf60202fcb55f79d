// The foot pedals the player knows, and how their reports turn into the state
// of every pedal. Each report carries the whole state, so a press or release
// is never lost when several pedals move at once.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace modMain::pedals {

enum class Pedal { Left, Middle, Right, Fourth };
constexpr int PedalCount = 4;

// Bit i set: pedal i is down.
using PedalState = std::uint8_t;
constexpr PedalState BitOf(Pedal pedal) {
    return static_cast<PedalState>(1u << static_cast<int>(pedal));
}

struct PedalModel {
    std::uint16_t vendor;
    std::uint16_t product;
    QString name;
    int pedals;
    int reportBytes; // the input report without an id byte
    // The pedal of bit i of the report's first byte (and of button i + 1 in
    // its descriptor); none past the model's pedals.
    std::array<std::optional<Pedal>, 8> pedalOfBit;
};

// Where each pedal's bit lies in an input report.
struct ReportLayout {
    int reportId = 0;                                   // 0: the reports carry no id byte
    int reportBytes = 1;                                // without the id byte
    std::array<std::optional<int>, PedalCount> bitOf{}; // after the id byte
};

std::span<const PedalModel> Models();
const PedalModel* FindModel(std::uint16_t vendor, std::uint16_t product);
// The model a report layout falls back on when none is named.
const PedalModel& DefaultModel();

// The layout the model's table gives.
ReportLayout TableLayout(const PedalModel& model);
// The layout the device's report descriptor gives where it names the
// buttons the table counts on; the table's otherwise.
ReportLayout LayoutFor(const PedalModel& model, QByteArrayView descriptor);

// The state one report gives; nothing for a report of another id or one too
// short to hold the pedals' bits.
std::optional<PedalState> Decode(const ReportLayout& layout, QByteArrayView report);

// MEMOTAP_PEDAL_DEVICE: "PATH[,VID:PID]" with the ids in hexadecimal.
struct DeviceOverride {
    QString path;
    const PedalModel* model = nullptr;
};
std::optional<DeviceOverride> ParseDeviceOverride(const QString& value);

} // namespace modMain::pedals
