#include "core/settings.h"

#include "core/log.h"
#include "core/messagebox.h"
#include "core/modMain.h"
#include "core/settings_reader.h"
#include "core/textfile.h"
#include "ui/frmMain.h"

#include <QCoreApplication>
#include <QDir>
#include <algorithm>

namespace modMain {

namespace {

QString& AppPathOverride() {
    static QString folder;
    return folder;
}

QString SettingsFilePath() {
    return AppPath() + SettingsFileName;
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

void SetAppPathForTesting(const QString& folder) {
    AppPathOverride() = folder;
}

QString AppPath() {
    const QString& override = AppPathOverride();
    QString folder = QDir::toNativeSeparators(
        override.isEmpty() ? QCoreApplication::applicationDirPath() : override);
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

void SaveSettings() {
    // The frame's corner, which the set-up moves back to. A minimised window
    // keeps in x() and y() the place it is restored to.
    if (MainForm) {
        WindowLeft = MainForm->x() * TwipsPerPixel;
        WindowTop = MainForm->y() * TwipsPerPixel;
    }

    textfile::FieldWriter out;
    out.number(WindowLeft).number(WindowTop).number(AlwaysOnTop).endLine();
    for (int i = 1; i <= HistorySize; ++i)
        out.string(History[i].Path).number(History[i].Position).endLine();
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

    // A failed write leaves the previous file as it was; nothing to report.
    textfile::writeAtomically(SettingsFilePath(), textfile::encode(out.text()));
}

} // namespace modMain
