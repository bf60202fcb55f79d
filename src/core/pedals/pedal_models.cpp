#include "core/pedals/pedal_models.h"

#include "core/pedals/report_descriptor.h"

#include <QStringList>

namespace modMain::pedals {

namespace {

constexpr auto L = Pedal::Left;
constexpr auto M = Pedal::Middle;
constexpr auto R = Pedal::Right;

const PedalModel ModelTable[] = {
    {0x05f3, 0x00ff, QStringLiteral("Infinity IN-USB-2"), 3, 2, {L, M, R}},
    {0x0911, 0x1844, QStringLiteral("Philips ACC2310/ACC2320"), 3, 1, {L, M, R}},
    {0x0911, 0x091a, QStringLiteral("Philips ACC2330"), 4, 1, {L, M, R, Pedal::Fourth}},
    // Left 1, right 2, middle 4.
    {0x07b4, 0x0218, QStringLiteral("Olympus RS-28"), 3, 1, {L, R, M}},
};

std::optional<std::uint16_t> HexId(const QString& text) {
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    if (!ok || text.size() > 4 || value > 0xFFFF)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

} // namespace

std::span<const PedalModel> Models() {
    return ModelTable;
}

const PedalModel* FindModel(std::uint16_t vendor, std::uint16_t product) {
    for (const PedalModel& model : ModelTable)
        if (model.vendor == vendor && model.product == product)
            return &model;
    return nullptr;
}

const PedalModel& DefaultModel() {
    return ModelTable[0];
}

ReportLayout TableLayout(const PedalModel& model) {
    ReportLayout layout;
    layout.reportBytes = model.reportBytes;
    for (int bit = 0; bit < 8; ++bit)
        if (const auto pedal = model.pedalOfBit[bit])
            layout.bitOf[static_cast<int>(*pedal)] = bit;
    return layout;
}

ReportLayout LayoutFor(const PedalModel& model, QByteArrayView descriptor) {
    const auto buttons = FindButtons(descriptor);
    if (!buttons)
        return TableLayout(model);
    ReportLayout layout;
    layout.reportId = buttons->reportId;
    layout.reportBytes = std::max(buttons->reportBytes, 1);
    for (int bit = 0; bit < 8; ++bit) {
        const auto pedal = model.pedalOfBit[bit];
        if (!pedal)
            continue;
        const auto found = buttons->buttonBits.find(bit + 1);
        // A descriptor without one of the model's buttons is not the one the
        // table was made from.
        if (found == buttons->buttonBits.end())
            return TableLayout(model);
        layout.bitOf[static_cast<int>(*pedal)] = found->second;
    }
    return layout;
}

std::optional<PedalState> Decode(const ReportLayout& layout, QByteArrayView report) {
    if (layout.reportId != 0) {
        if (report.isEmpty() || static_cast<std::uint8_t>(report[0]) != layout.reportId)
            return std::nullopt;
        report = report.sliced(1);
    }
    PedalState state = 0;
    for (int pedal = 0; pedal < PedalCount; ++pedal) {
        const auto bit = layout.bitOf[pedal];
        if (!bit)
            continue;
        if (*bit / 8 >= report.size())
            return std::nullopt;
        if (static_cast<std::uint8_t>(report[*bit / 8]) & (1u << (*bit % 8)))
            state |= BitOf(static_cast<Pedal>(pedal));
    }
    return state;
}

std::optional<DeviceOverride> ParseDeviceOverride(const QString& value) {
    const qsizetype comma = value.lastIndexOf(u',');
    DeviceOverride result{value, &DefaultModel()};
    if (comma >= 0) {
        result.path = value.left(comma);
        const QStringList ids = value.mid(comma + 1).split(u':');
        const auto vendor = ids.size() == 2 ? HexId(ids[0]) : std::nullopt;
        const auto product = ids.size() == 2 ? HexId(ids[1]) : std::nullopt;
        if (!vendor || !product)
            return std::nullopt;
        result.model = FindModel(*vendor, *product);
        if (!result.model)
            return std::nullopt;
    }
    if (result.path.isEmpty())
        return std::nullopt;
    return result;
}

} // namespace modMain::pedals
