#include "core/log.h"

Q_LOGGING_CATEGORY(lcEngine, "memotap.engine", QtWarningMsg)
Q_LOGGING_CATEGORY(lcHotkeys, "memotap.hotkeys", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSettings, "memotap.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCommands, "memotap.commands", QtWarningMsg)
Q_LOGGING_CATEGORY(lcInstance, "memotap.instance", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUi, "memotap.ui", QtWarningMsg)
Q_LOGGING_CATEGORY(lcMpris, "memotap.mpris", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPedals, "memotap.pedals", QtWarningMsg)
