#include "ui/translations.h"

#include "core/log.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace modMain {

bool InstallQtTranslations(const QLocale& locale) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder) ||
        !QCoreApplication::installTranslator(translator)) {
        qCInfo(lcUi) << "no Qt translation for" << locale.name() << "in" << folder;
        delete translator;
        return false;
    }
    return true;
}

} // namespace modMain
