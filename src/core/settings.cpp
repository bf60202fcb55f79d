#include "core/settings.h"

#include "core/app_paths.h"
#include "core/messagebox.h"
#include "core/modMain.h"
#include "core/player_view.h"
#include "core/save_failure.h"
#include "core/textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <algorithm>
#include <tuple>

namespace modMain {

namespace {

QString& AppPathOverride() {
    static QString folder;
    return folder;
}

void InstallDefaults() {
    WindowLeft = 0;
    WindowTop = 0;
    AlwaysOnTop = 1;
    for (int i = 1; i <= HistorySize; ++i)
        History[i] = HistoryEntry{};
    Pitch = 100;
    RevSeconds = 0;
    RepSeconds = 10;
    RewFFSeconds2 = 4;
    RewFFSeconds = 4;
    Colours = DefaultColours();
    ColourCount = static_cast<Integer>(Colours.size());
    PanelColour = 0;
    CharColour = 1;
}

// A colour component outside 0 to 255 is as damaged as text in a number field.
bool ReadComponent(textfile::FieldReader& in, Integer& value) {
    Integer component = 0;
    if (!in.readInteger(component) || component < 0 || component > 255)
        return false;
    value = component;
    return true;
}

struct ReadProgress {
    bool table = false;      // ColourCount and every entry of the table
    bool colourPair = false; // PanelColour and CharColour
};

// Reads the fields in file order and stops at the first one that fails; what
// was read before it stays in force.
void ReadFields(textfile::FieldReader& in, ReadProgress& progress) {
    if (!in.readLong(WindowLeft) || !in.readLong(WindowTop) || !in.readInteger(AlwaysOnTop))
        return;
    for (int i = 1; i <= HistorySize; ++i) {
        if (!in.readString(History[i].Path) || !in.readLong(History[i].Position))
            return;
    }
    if (!in.readLong(Pitch) || !in.readLong(RevSeconds) || !in.readLong(RepSeconds) ||
        !in.readLong(RewFFSeconds2) || !in.readLong(RewFFSeconds))
        return;

    Integer count = 0;
    if (!in.readInteger(count) || count < 0)
        return;
    ColourCount = count;
    // At most 32767 small entries; a count larger than the file holds simply
    // fails at the file's end.
    Colours.assign(static_cast<std::size_t>(count), ColourEntry{});
    for (auto& colour : Colours) {
        if (!ReadComponent(in, colour.Red) || !ReadComponent(in, colour.Green) ||
            !ReadComponent(in, colour.Blue) || !in.readString(colour.Name))
            return;
    }
    progress.table = true;

    if (!in.readInteger(PanelColour) || !in.readInteger(CharColour))
        return;
    progress.colourPair = true;
}

// The window and the colour dialog index Colours with PanelColour and
// CharColour: after a damaged file both must still name entries of a table.
void MakeColoursUsable(const ReadProgress& progress) {
    const bool replaced = !progress.table || ColourCount <= 0;
    if (replaced) {
        Colours = DefaultColours();
        ColourCount = static_cast<Integer>(Colours.size());
    }
    // Indexes not read, or read for a table that was not, would show the text
    // in the colour of its panel.
    if (replaced || !progress.colourPair) {
        PanelColour = 0;
        CharColour = 1;
    }
    if (PanelColour < 0 || PanelColour >= ColourCount)
        PanelColour = 0;
    if (CharColour < 0 || CharColour >= ColourCount)
        CharColour = ColourCount > 1 ? 1 : 0;
}

} // namespace

QString SettingsFilePath() {
    return AppPath() + SettingsFileName;
}

void SetAppPathForTesting(const QString& folder) {
    AppPathOverride() = folder;
}

QString AppPath() {
    const QString& override = AppPathOverride();
    QString folder = QDir::toNativeSeparators(override.isEmpty() ? SettingsFolder() : override);
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder;
}

std::vector<ColourEntry> DefaultColours() {
    return {
        {0, 0, 0, QStringLiteral("黒")},           {255, 255, 255, QStringLiteral("白")},
        {102, 102, 102, QStringLiteral("グレイ")}, {255, 0, 0, QStringLiteral("赤")},
        {51, 153, 0, QStringLiteral("緑")},        {0, 0, 255, QStringLiteral("青")},
        {153, 51, 204, QStringLiteral("紫")},      {255, 204, 255, QStringLiteral("ピンク")},
        {255, 153, 0, QStringLiteral("オレンジ")}, {255, 255, 0, QStringLiteral("黄")},
    };
}

void LoadSettings() {
    QByteArray bytes;
    const auto status = textfile::readAll(SettingsFilePath(), bytes);
    if (status == textfile::ReadStatus::Missing) {
        ShowMessage(QStringLiteral("設定ファイルがありません。初期設定で起動します。"),
                    QStringLiteral("エラー"), MessageIcon::Warning, MessageButtons::Ok);
        InstallDefaults();
        return;
    }
    ReadProgress progress;
    if (status == textfile::ReadStatus::Ok) {
        textfile::FieldReader in(textfile::decode(bytes));
        ReadFields(in, progress);
    }
    MakeColoursUsable(progress);
}

QByteArray SettingsFileBytes(Long left, Long top, const HistoryTable& history) {
    textfile::FieldWriter out;
    out.number(left).number(top).number(AlwaysOnTop).endLine();
    for (int i = 1; i <= HistorySize; ++i)
        out.string(history[i].Path).number(history[i].Position).endLine();
    out.number(Pitch)
        .number(RevSeconds)
        .number(RepSeconds)
        .number(RewFFSeconds2)
        .number(RewFFSeconds)
        .endLine();
    // The count line must match the colour lines, or the file would not read back.
    const std::size_t count =
        std::min(static_cast<std::size_t>(std::max<Integer>(ColourCount, 0)), Colours.size());
    out.number(static_cast<std::int64_t>(count)).endLine();
    for (std::size_t j = 0; j < count; ++j) {
        const ColourEntry& colour = Colours[j];
        out.number(colour.Red)
            .number(colour.Green)
            .number(colour.Blue)
            .string(colour.Name)
            .endLine();
    }
    out.number(PanelColour).number(CharColour).endLine();
    return textfile::encode(out.text());
}

std::pair<Long, Long> WindowPlaceToSave() {
    // The frame's corner, which the set-up moves back to. A minimised window
    // keeps in x() and y() the place it is restored to.
    if (const std::optional<QPoint> corner = View().WindowCorner())
        return {corner->x() * TwipsPerPixel, corner->y() * TwipsPerPixel};
    return {WindowLeft, WindowTop};
}

bool WriteSettingsFile(const QByteArray& bytes) {
    // A failed write leaves the previous file as it was.
    QString error;
    if (textfile::writeAtomically(SettingsFilePath(), bytes, &error))
        return true;
    ReportSaveFailure(SettingsFilePath(), error);
    return false;
}

void SaveSettings() {
    std::tie(WindowLeft, WindowTop) = WindowPlaceToSave();
    WriteSettingsFile(SettingsFileBytes(WindowLeft, WindowTop, History));
}

} // namespace modMain
