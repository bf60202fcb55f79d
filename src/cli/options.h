// The command line of `memotap`: a command for the running player, a file to
// open, or nothing (start the player).
#pragma once

#include <QString>
#include <QStringList>

namespace cli {

struct Options {
    enum class Action { StartPlayer, OpenFile, SendCommand, Help, Version, Usage };
    Action action = Action::StartPlayer;
    QString command;  // the command table's name, for SendCommand
    QString argument; // its argument, or the file to open
    QString problem;  // what was wrong, for Usage
};

Options ParseOptions(const QStringList& arguments); // without the program's name
QString UsageText();

} // namespace cli
