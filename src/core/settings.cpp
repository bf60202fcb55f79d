#include "core/settings.h"

#include "core/app_paths.h"
#include "core/log.h"
#include "core/messagebox.h"
#include "core/modMain.h"
#include "core/player_view.h"
#include "core/save_failure.h"
#include "core/settings_reader.h"
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

void LoadSettings() {
    QByteArray bytes;
    const auto status = textfile::readAll(SettingsFilePath(), bytes);
    if (status == textfile::ReadStatus::Missing) {
        ShowMessage(QStringLiteral("設定ファイルがありません。初期設定で起動します。"),
                    QStringLiteral("エラー"), MessageIcon::Warning, MessageButtons::Ok);
        InstallDefaults();
        return;
    }
    const bool read = status == textfile::ReadStatus::Ok;
    if (!read)
        qCWarning(lcSettings) << SettingsFilePath() << "could not be read";
    // A file not read counts as empty: every variable stays as it stands,
    // with a usable colour table.
    const auto problem = ReadSettingsBytes(read ? bytes : QByteArray());
    if (problem && read)
        qCWarning(lcSettings).noquote() << problem->describe(SettingsFilePath());
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
