// Message boxes that a window owns: shown modal to parent, and recorded by a
// test hook like every other box.
#pragma once

#include "core/messagebox.h"

class QWidget;

namespace modMain {

MessageResult ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons, QWidget* parent);

} // namespace modMain
