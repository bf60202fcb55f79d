// Message boxes that a window owns: shown modal to parent, and recorded by a
// test hook like every other box.
#pragma once

#include "core/messagebox.h"

class QWidget;

namespace modMain {

// A box modal to parent (a dialog of the windows), after the boxes already up.
void ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                 MessageButtons buttons, QWidget* parent, MessageAnswer then = {});

} // namespace modMain
