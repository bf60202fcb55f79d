// Qt's own texts follow the system language: the file dialog speaks Japanese
// on a Japanese desktop.
#include "ui/translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <gtest/gtest.h>

namespace {

TEST(QtTranslations, JapaneseDesktopGetsJapaneseDialogTexts) {
    ASSERT_TRUE(modMain::InstallQtTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
    const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
    EXPECT_NE(cancel, "Cancel");
    EXPECT_FALSE(cancel.isEmpty());
    EXPECT_FALSE(modMain::InstallQtTranslations(QLocale(QLocale::Zulu)));
}

} // namespace
