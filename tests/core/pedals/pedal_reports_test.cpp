// Pedal reports as the devices send them: each model's bits, the layout a
// report descriptor gives, and the device override's syntax.
#include "core/pedals/pedal_models.h"
#include "core/pedals/report_descriptor.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <vector>

using namespace modMain::pedals;

namespace {

constexpr PedalState L = BitOf(Pedal::Left);
constexpr PedalState M = BitOf(Pedal::Middle);
constexpr PedalState R = BitOf(Pedal::Right);
constexpr PedalState F = BitOf(Pedal::Fourth);

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

std::vector<std::optional<PedalState>> decodeAll(const ReportLayout& layout,
                                                 const std::vector<QByteArray>& reports) {
    std::vector<std::optional<PedalState>> states;
    for (const QByteArray& report : reports)
        states.push_back(Decode(layout, report));
    return states;
}

using States = std::vector<std::optional<PedalState>>;

// Buttons 1 to `buttons` in a report of the given id, padded to a byte,
// behind `leadingBits` of another field; a joystick collection as pedals
// describe themselves.
QByteArray buttonDescriptor(int reportId, int buttons, int leadingBits = 0) {
    QByteArray d = bytes({0x05, 0x01, 0x09, 0x04, 0xA1, 0x01});
    if (reportId)
        d += bytes({0x85, reportId});
    if (leadingBits)
        d += bytes({0x05, 0x01, 0x09, 0x30, 0x75, leadingBits, 0x95, 0x01, 0x81, 0x02});
    d += bytes({0x05, 0x09, 0x19, 0x01, 0x29, buttons, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95,
                buttons, 0x81, 0x02});
    d += bytes({0x75, 8 - buttons, 0x95, 0x01, 0x81, 0x03, 0xC0});
    return d;
}

} // namespace

TEST(PedalReports, EachModelsRecordedSequenceGivesTheFullState) {
    // Infinity: two bytes, left 1, middle 2, right 4; a chord and back.
    const PedalModel* infinity = FindModel(0x05f3, 0x00ff);
    ASSERT_NE(infinity, nullptr);
    EXPECT_EQ(decodeAll(TableLayout(*infinity), {bytes({0, 0}), bytes({2, 0}), bytes({3, 0}),
                                                 bytes({7, 0}), bytes({4, 0}), bytes({0, 0})}),
              States({0, M, L | M, L | M | R, R, 0}));
    // Philips ACC2310: the same three bits, one byte.
    const PedalModel* philips = FindModel(0x0911, 0x1844);
    ASSERT_NE(philips, nullptr);
    EXPECT_EQ(decodeAll(TableLayout(*philips), {bytes({1}), bytes({0}), bytes({2}), bytes({6})}),
              States({L, 0, M, M | R}));
    // Philips ACC2330: bit 3 is the fourth pedal; bits it does not have are
    // ignored.
    const PedalModel* four = FindModel(0x0911, 0x091a);
    ASSERT_NE(four, nullptr);
    EXPECT_EQ(decodeAll(TableLayout(*four), {bytes({8}), bytes({9}), bytes({0xF8}), bytes({0})}),
              States({F, L | F, F, 0}));
    // Olympus RS-28: left 1, right 2, middle 4.
    const PedalModel* olympus = FindModel(0x07b4, 0x0218);
    ASSERT_NE(olympus, nullptr);
    EXPECT_EQ(decodeAll(TableLayout(*olympus), {bytes({1}), bytes({2}), bytes({4}), bytes({5})}),
              States({L, R, M, L | M}));
    // Too short for the pedals' bits: skipped, not read as "all up".
    EXPECT_EQ(Decode(TableLayout(*infinity), QByteArray()), std::nullopt);
    EXPECT_EQ(FindModel(0x046d, 0xc077), nullptr) << "a mouse is no pedal";
}

TEST(PedalReports, TheDescriptorPlacesTheButtonsAndTheTableIsTheFallBack) {
    const PedalModel& olympus = *FindModel(0x07b4, 0x0218);
    // Report id 3 and an 8-bit axis before the buttons: button 1 (left) is
    // bit 8, button 2 (right) bit 9, button 3 (middle) bit 10.
    const ReportLayout layout = LayoutFor(olympus, buttonDescriptor(3, 3, 8));
    EXPECT_EQ(layout.reportId, 3);
    EXPECT_EQ(layout.reportBytes, 2);
    EXPECT_EQ(decodeAll(layout, {bytes({3, 0x00, 0x04}), bytes({3, 0xFF, 0x01}),
                                 bytes({3, 0x00, 0x03}), bytes({4, 0x00, 0x07}), bytes({3, 0})}),
              States({M, L, L | R, std::nullopt, std::nullopt}));

    const PedalModel& four = *FindModel(0x0911, 0x091a);
    const ReportLayout plain = LayoutFor(four, buttonDescriptor(0, 4));
    EXPECT_EQ(plain.reportId, 0);
    EXPECT_EQ(Decode(plain, bytes({0x0A})), std::optional<PedalState>(M | F));
    // Three buttons where the model has four: not this model's descriptor.
    EXPECT_EQ(LayoutFor(four, buttonDescriptor(0, 3)).bitOf, TableLayout(four).bitOf);

    // A vendor-defined descriptor (no buttons), a cut-off one and none at
    // all leave the table's layout.
    const PedalModel& infinity = *FindModel(0x05f3, 0x00ff);
    const QByteArray vendor =
        bytes({0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02, 0xC0});
    for (const QByteArray& descriptor : {vendor, buttonDescriptor(0, 3).left(15), QByteArray()}) {
        const ReportLayout fallBack = LayoutFor(infinity, descriptor);
        EXPECT_EQ(fallBack.reportId, 0);
        EXPECT_EQ(fallBack.bitOf, TableLayout(infinity).bitOf);
        EXPECT_EQ(Decode(fallBack, bytes({2, 0})), std::optional<PedalState>(M));
    }
    // Long items are skipped; a huge count costs nothing.
    QByteArray odd = bytes({0xFE, 0x02, 0x10, 0xAA, 0xBB});
    odd += bytes(
        {0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x75, 0x01, 0x97, 0xFF, 0xFF, 0xFF, 0x7F, 0x81, 0x02});
    const auto buttons = FindButtons(odd);
    ASSERT_TRUE(buttons);
    EXPECT_EQ(buttons->buttonBits, (std::map<int, int>{{1, 0}, {2, 1}, {3, 2}}));
}

TEST(PedalReports, DeviceOverrideTakesAPathAndTheIdOfAKnownModel) {
    const auto plain = ParseDeviceOverride("/tmp/pedal");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->path, "/tmp/pedal");
    EXPECT_EQ(plain->model, &DefaultModel());
    EXPECT_EQ(DefaultModel().vendor, 0x05f3);
    const auto olympus = ParseDeviceOverride("/dev/hidraw3,07B4:0218");
    ASSERT_TRUE(olympus);
    EXPECT_EQ(olympus->path, "/dev/hidraw3");
    EXPECT_EQ(olympus->model, FindModel(0x07b4, 0x0218));
    for (const char* bad : {"", ",05f3:00ff", "/dev/hidraw3,1234:5678", "/dev/hidraw3,05f3",
                            "/dev/hidraw3,05f3:00ff:1", "/dev/hidraw3,xyz:00ff"})
        EXPECT_FALSE(ParseDeviceOverride(bad)) << bad;
}
