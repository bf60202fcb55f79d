// Qt's own texts (the file dialog's buttons and labels, the standard
// buttons) in the user's language.
#pragma once

class QLocale;

namespace modMain {

// Loads Qt's translation for locale into the application; false when the
// system has none for it (English stays).
bool InstallQtTranslations(const QLocale& locale);

} // namespace modMain
