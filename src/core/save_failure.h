// A settings file that cannot be written loses what the user did; the user is
// told, once per run, and every failure is logged.
#pragma once

#include <QString>

namespace modMain {

// path could not be written; reason is the system's word for why.
void ReportSaveFailure(const QString& path, const QString& reason);

// Forgets that a failure was shown (tests).
void ResetSaveFailuresForTesting();

} // namespace modMain
