// Windows opens .chm files with its own HTML Help viewer.
#include "mainwindow/help_file.h"

namespace modMain {

bool SystemOpensChm(const QString&) {
    return true;
}

} // namespace modMain
