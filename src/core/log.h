// The program's logging categories, one per area. Only warnings are printed
// unless QT_LOGGING_RULES asks for more (for example
// QT_LOGGING_RULES="memotap.*.debug=true").
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcEngine)   // memotap.engine: libmpv and the file reader
Q_DECLARE_LOGGING_CATEGORY(lcHotkeys)  // memotap.hotkeys: registrations and grabs
Q_DECLARE_LOGGING_CATEGORY(lcSettings) // memotap.settings: settings and key files
Q_DECLARE_LOGGING_CATEGORY(lcCommands) // memotap.commands: the command table
Q_DECLARE_LOGGING_CATEGORY(lcInstance) // memotap.instance: the single-instance socket
Q_DECLARE_LOGGING_CATEGORY(lcUi)       // memotap.ui: windows, dialogs, desktop services
Q_DECLARE_LOGGING_CATEGORY(lcMpris)    // memotap.mpris: the media player on the session bus
Q_DECLARE_LOGGING_CATEGORY(lcPedals)   // memotap.pedals: foot pedals, their devices and reports
