// The open-file dialog of the File menu.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace modMain {

// The dialog's filters: audio files, other audio files, other recordings,
// all files.
QStringList AudioFileFilters();

// Asks for an existing file; "" when the user cancels.
QString ChooseAudioFile(QWidget* parent);

} // namespace modMain
