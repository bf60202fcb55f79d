// The fields of hMEMOTAP.txt, read from the file's bytes into the settings
// variables of modMain. LoadSettings reads the file and hands its bytes here.
#pragma once

#include "core/textfile.h"

#include <QByteArray>
#include <optional>

namespace modMain {

// Reads the fields in file order and stops at the first one that fails; what
// was read before it stays in force. Afterwards PanelColour and CharColour
// always name entries of a non-empty Colours table. Answers where reading
// stopped, or nothing when every field was read.
std::optional<textfile::ReadProblem> ReadSettingsBytes(const QByteArray& bytes);

} // namespace modMain
