#include "ui/open_dialog.h"

#include "ui/session_close.h"

#include <QFileDialog>

namespace modMain {

QStringList AudioFileFilters() {
    // Qt reads the patterns from the last parentheses; the name before them is
    // what the dialog shows.
    return {
        QStringLiteral("ｵｰﾃﾞｨｵﾌｧｲﾙ(*.wav,*.mp3) (*.wav *.mp3)"),
        QStringLiteral("その他のｵｰﾃﾞｨｵﾌｧｲﾙ(*.mp1,*.mp2,*.rmp) (*.mp1 *.mp2 *.rmp)"),
        QStringLiteral("すべてのファイル(*.*) (*)"),
    };
}

QString ChooseAudioFile(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(AudioFileFilters());
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const ModalDialogScope modal;
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace modMain
