#include "ui/open_dialog.h"

#include <QFileDialog>

namespace modMain {

namespace {

// Each extension in lower and upper case: IC recorders write ".MP3" and
// ".WAV", and a desktop's own dialog may match patterns case by case.
QString Patterns(const QStringList& extensions) {
    QStringList patterns;
    for (const QString& extension : extensions)
        patterns << QStringLiteral("*.") + extension << QStringLiteral("*.") + extension.toUpper();
    return QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

} // namespace

QStringList AudioFileFilters() {
    // Qt reads the patterns from the last parentheses; the name before them is
    // what the dialog shows.
    return {
        QStringLiteral("ｵｰﾃﾞｨｵﾌｧｲﾙ(*.wav,*.mp3) ") + Patterns({"wav", "mp3"}),
        QStringLiteral("その他のｵｰﾃﾞｨｵﾌｧｲﾙ(*.mp1,*.mp2,*.rmp) ") + Patterns({"mp1", "mp2", "rmp"}),
        QStringLiteral("その他の録音(*.m4a,*.wma,*.ogg,*.opus,*.flac,*.aac,*.mp4,*.webm) ") +
            Patterns({"m4a", "wma", "ogg", "opus", "flac", "aac", "mp4", "webm"}),
        QStringLiteral("すべてのファイル(*.*) (*)"),
    };
}

void ChooseAudioFile(QWidget* parent, std::function<void(const QString& path)> chosen) {
    auto* dialog = new QFileDialog(parent);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters(AudioFileFilters());
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, chosen](int result) {
        dialog->deleteLater();
        const QString path = dialog->selectedFiles().value(0);
        if (result == QDialog::Accepted && !path.isEmpty())
            chosen(path);
    });
    dialog->open();
}

} // namespace modMain
