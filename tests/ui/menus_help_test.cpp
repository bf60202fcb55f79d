// The help as built next to the executable: help.chm holds every page of
// help/ and a Japanese contents list, the HTML copy is complete, and every
// link between the pages leads somewhere.
#include "core/textfile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString SourceHelp = QStringLiteral(MEMOTAP_SOURCE_DIR "/help");

QString ExeFolder() {
    return QFileInfo(QStringLiteral(MEMOTAP_EXE)).absolutePath();
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Pages() {
    return QDir(SourceHelp).entryList({"*.html", "*.css"}, QDir::Files, QDir::Name);
}

TEST(HelpBuild, CompiledHelpHoldsEveryPageAndAJapaneseContentsList) {
    const QString chm = ExeFolder() + "/help.chm";
    ASSERT_TRUE(QFileInfo::exists(chm)) << chm.toStdString();
    EXPECT_TRUE(Read(chm).startsWith("ITSF")) << "a compiled HTML help file";

    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    QProcess extract;
    extract.start("extract_chmLib", {chm, out.path()});
    ASSERT_TRUE(extract.waitForFinished(30000));
    ASSERT_EQ(extract.exitCode(), 0) << extract.readAllStandardError().toStdString();

    ASSERT_GE(Pages().size(), 6);
    for (const QString& page : Pages())
        EXPECT_EQ(Read(out.filePath(page)), Read(SourceHelp + '/' + page)) << page.toStdString();

    // The contents list is in code page 932, as viewers of Japanese help read it.
    const QString toc = textfile::fromCp932(Read(out.filePath("toc.hhc")));
    for (const char* entry :
         {"画面の説明", "メニュー", "ホットキー", "設定ファイル", "文字起こしの手順"})
        EXPECT_TRUE(toc.contains(QString::fromUtf8(entry))) << entry;
    for (const QString& page : Pages()) {
        if (page.endsWith(".html")) {
            EXPECT_TRUE(toc.contains("\"" + page + "\"")) << page.toStdString() << " not listed";
        }
    }
}

TEST(HelpBuild, HtmlCopyIsCompleteAndEveryLinkLeadsToAPageAndAnchor) {
    const QString folder = ExeFolder() + "/help";
    ASSERT_TRUE(QFileInfo::exists(folder + "/index.html"));
    for (const QString& page : Pages())
        EXPECT_EQ(Read(folder + '/' + page), Read(SourceHelp + '/' + page)) << page.toStdString();

    const QRegularExpression link("href=\"([^\"#]*)(#([^\"]*))?\"");
    for (const QString& page : Pages()) {
        if (!page.endsWith(".html"))
            continue;
        const QString text = QString::fromUtf8(Read(folder + '/' + page));
        EXPECT_TRUE(text.contains("charset=\"utf-8\"") || text.contains("charset=utf-8"));
        EXPECT_TRUE(text.contains("<html lang=\"ja\">")) << page.toStdString();
        for (const auto& match : link.globalMatch(text)) {
            const QString target = match.captured(1).isEmpty() ? page : match.captured(1);
            const QString anchor = match.captured(3);
            const QString where = page.toStdString().c_str() + QString(" -> ") + match.captured(0);
            ASSERT_TRUE(QFileInfo::exists(folder + '/' + target)) << where.toStdString();
            if (!anchor.isEmpty()) {
                const QString targetText = QString::fromUtf8(Read(folder + '/' + target));
                EXPECT_TRUE(targetText.contains("id=\"" + anchor + "\"")) << where.toStdString();
            }
        }
    }
}

} // namespace
