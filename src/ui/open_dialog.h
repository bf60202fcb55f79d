// The open-file dialog of the File menu.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace modMain {

// The dialog's filters: audio files, other audio files, other recordings,
// all files.
QStringList AudioFileFilters();

// Asks for an existing file in a dialog modal to parent's window; chosen
// gets it unless the user cancels.
void ChooseAudioFile(QWidget* parent, std::function<void(const QString& path)> chosen);

} // namespace modMain
