// The settings file hMEMOTAP.txt: any bytes leave usable settings.
#include "core/modMain.h"
#include "core/settings_reader.h"
#include "fuzz_check.h"
#include "text_round_trip.h"

#include <cstddef>
#include <cstdint>

using namespace modMain;

namespace {

// The state of the variables when the process starts, as the reader finds them.
void resetVariables() {
    WindowLeft = WindowTop = 0;
    AlwaysOnTop = 0;
    History = {};
    Pitch = RevSeconds = RepSeconds = RewFFSeconds = RewFFSeconds2 = 0;
    ColourCount = 0;
    Colours.clear();
    PanelColour = CharColour = 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    resetVariables();
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto problem = ReadSettingsBytes(bytes);

    // The window and the colour dialog index the table with both colours.
    FUZZ_CHECK(ColourCount > 0 && static_cast<std::size_t>(ColourCount) == Colours.size());
    FUZZ_CHECK(PanelColour >= 0 && PanelColour < ColourCount);
    FUZZ_CHECK(CharColour >= 0 && CharColour < ColourCount);
    for (const ColourEntry& colour : Colours) {
        FUZZ_CHECK(colour.Red >= 0 && colour.Red <= 255);
        FUZZ_CHECK(colour.Green >= 0 && colour.Green <= 255);
        FUZZ_CHECK(colour.Blue >= 0 && colour.Blue <= 255);
    }
    if (problem) {
        FUZZ_CHECK(problem->line >= 1 &&
                   problem->line <= bytes.count('\n') + bytes.count('\r') + 1);
        FUZZ_CHECK(!problem->field.isEmpty());
    }

    for (int i = 1; i <= HistorySize; ++i)
        checkStringRoundTrip(History[i].Path);
    if (Colours.size() < 64) {
        for (const ColourEntry& colour : Colours)
            checkStringRoundTrip(colour.Name);
    }
    return 0;
}
