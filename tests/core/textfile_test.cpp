// Code page 932 text, the field stream of the settings files and atomic writes.
#include "core/textfile.h"
#include "support/file_size_limit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

using namespace textfile;

namespace {

const QByteArray Bom("\xEF\xBB\xBF", 3);

QByteArray readBytes(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

} // namespace

// --- code page 932 and its UTF-8 fallback ---

TEST(Cp932, JapaneseTextIsStoredAsShiftJisBytes) {
    // 黒 8D 95, メモタップ, half-width katakana ｱ B1, ASCII unchanged.
    const QString text = QStringLiteral("黒,メモタップ ｱ C:/音声/a.mp3");
    const QByteArray expected("\x8D\x95,\x83\x81\x83\x82\x83\x5E\x83\x62\x83\x76 \xB1 C:/"
                              "\x89\xB9\x90\xBA/a.mp3");
    const auto bytes = toCp932(text);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, expected);
    EXPECT_EQ(encode(text), expected);
    EXPECT_EQ(fromCp932(expected), text);
    EXPECT_EQ(decode(expected), text);
}

TEST(Cp932, TextCodePage932CannotCarryFallsBackToUtf8WithBom) {
    // The yen sign and the overline would come back as "\" and "~" through
    // code page 932; the others have no code at all.
    const QStringList texts = {
        QStringLiteral("¥100"),           QStringLiteral("‾"),
        QStringLiteral("Müller café"),    QStringLiteral("録音 😀.mp3"),
        QStringLiteral("黒 and ¥ mixed"),
    };
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_FALSE(toCp932(text).has_value());
        const QByteArray bytes = encode(text);
        EXPECT_EQ(bytes, Bom + text.toUtf8());
        EXPECT_EQ(decode(bytes), text);
    }
}

TEST(Cp932, EveryTextSurvivesEncodeAndDecode) {
    // Characters whose code page 932 mappings are not one-to-one.
    const QStringList texts = {
        QStringLiteral("〜～"), QStringLiteral("－−"), QStringLiteral("∥‖"),  QStringLiteral("¢£¬"),
        QStringLiteral("①Ⅻ㈱"), QStringLiteral(""),    QStringLiteral("\\~"),
    };
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(decode(encode(text)), text);
    }
}

TEST(Cp932, BrokenBytesSpoilOnlyThemselves) {
    // Bytes that are no character, and a file cut in the middle of one.
    EXPECT_EQ(decode(QByteArray("\x8D\x95\xFF\x94\x92,\x80\xA0")),
              QStringLiteral("黒\uFFFD白,\uFFFD\uFFFD"));
    EXPECT_EQ(decode(QByteArray("0,0,1\r\n\"\x8D")), QStringLiteral("0,0,1\r\n\"\uFFFD"));
}

// --- reading and replacing whole files ---

TEST(Files, ReadAllTellsMissingFromUnreadable) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray bytes = "untouched";
    EXPECT_EQ(readAll(dir.filePath("none.txt"), bytes), ReadStatus::Missing);
    // A folder in the file's place exists but cannot be read as a file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.txt"));
    EXPECT_EQ(readAll(dir.filePath("folder.txt"), bytes), ReadStatus::Failed);

    ASSERT_TRUE(writeAtomically(dir.filePath("a.txt"), QByteArray("\x8D\x95\r\n", 4)));
    EXPECT_EQ(readAll(dir.filePath("a.txt"), bytes), ReadStatus::Ok);
    EXPECT_EQ(bytes, QByteArray("\x8D\x95\r\n", 4));
}

TEST(Files, WriteAtomicallyReplacesTheWholeFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("a.txt");
    ASSERT_TRUE(writeAtomically(path, "a much longer first content\r\n"));
    ASSERT_TRUE(writeAtomically(path, "short\r\n"));
    EXPECT_EQ(readBytes(path), QByteArray("short\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.txt"});
}

TEST(Files, WriteAtomicallyFailsWithoutHarm) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The parent folder does not exist.
    EXPECT_FALSE(writeAtomically(dir.filePath("no/such/folder/a.txt"), "x"));
    // A folder stands where the file should go.
    ASSERT_TRUE(QDir(dir.path()).mkpath("target.txt/inside"));
    EXPECT_FALSE(writeAtomically(dir.filePath("target.txt"), "x"));
    EXPECT_TRUE(QFileInfo(dir.filePath("target.txt/inside")).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{});
}

TEST(Files, WriteAtomicallyKeepsThePreviousFileWhenTheDiskFills) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("a.txt");
    ASSERT_TRUE(writeAtomically(path, "previous\r\n"));
    {
        FileSizeLimit full(64);
        EXPECT_FALSE(writeAtomically(path, QByteArray(300, 'x')));
        // Small enough to fit: still written.
        EXPECT_TRUE(writeAtomically(dir.filePath("b.txt"), "fits\r\n"));
    }
    EXPECT_EQ(readBytes(path), QByteArray("previous\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"a.txt", "b.txt"}));
}

TEST(Files, InjectedReadOnlyAndPermissionFailuresKeepTheFileAndSayWhy) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("a.txt");
    ASSERT_TRUE(writeAtomically(path, "previous\r\n"));
    for (const int fault : {EROFS, EACCES}) {
        SetWriteFaultForTesting(
            [&path, fault](const QString& target) { return target == path ? fault : 0; });
        QString error;
        EXPECT_FALSE(writeAtomically(path, "lost\r\n", &error));
        EXPECT_EQ(error, QString::fromLocal8Bit(std::strerror(fault)));
        EXPECT_TRUE(writeAtomically(dir.filePath("b.txt"), "other\r\n"));
    }
    SetWriteFaultForTesting({});
    EXPECT_EQ(readBytes(path), QByteArray("previous\r\n"));
    EXPECT_TRUE(writeAtomically(path, "written\r\n"));
    EXPECT_EQ(readBytes(path), QByteArray("written\r\n"));
}

// --- the field stream ---

TEST(FieldReader, QuotedStringKeepsCommasAndBlanks) {
    FieldReader in(QStringLiteral("\"C:/a b, c/録音.mp3\",754\r\n\"\",0\r\n"));
    QString path;
    std::int32_t position = 0;
    ASSERT_TRUE(in.readString(path));
    EXPECT_EQ(path, QStringLiteral("C:/a b, c/録音.mp3"));
    ASSERT_TRUE(in.readLong(position));
    EXPECT_EQ(position, 754);
    ASSERT_TRUE(in.readString(path));
    EXPECT_EQ(path, QString());
    ASSERT_TRUE(in.readLong(position));
    EXPECT_EQ(position, 0);
}

TEST(FieldReader, LineEndsAndCommasBothEndAField) {
    // CR LF, LF alone and CR alone give the same stream; the reader does not
    // count fields per line.
    for (const char* text : {"1,-2\r\n3\r\n\"x\",4\r\n", "1,-2\n3\n\"x\",4\n", "1,-2\r3\r\"x\",4",
                             "1\r\n-2,3,\"x\"\r\n4"}) {
        SCOPED_TRACE(text);
        FieldReader in(QString::fromLatin1(text));
        std::int32_t a = 0, b = 0, c = 0, d = 0;
        QString s;
        ASSERT_TRUE(in.readLong(a) && in.readLong(b) && in.readLong(c) && in.readString(s) &&
                    in.readLong(d));
        EXPECT_EQ(std::vector<int>({a, b, c, d}), std::vector<int>({1, -2, 3, 4}));
        EXPECT_EQ(s, QStringLiteral("x"));
        EXPECT_FALSE(in.readLong(a));
    }
}

TEST(FieldReader, NumberThatDoesNotFitFailsAndLeavesTheValue) {
    struct Case {
        const char* field;
        bool fitsInteger;
        bool fitsLong;
    };
    const Case cases[] = {
        {"32767", true, true},         {"-32768", true, true},
        {"32768", false, true},        {"-32769", false, true},
        {"40000", false, true},        {"2147483647", false, true},
        {"-2147483648", false, true},  {"2147483648", false, false},
        {"-2147483649", false, false}, {"99999999999999999999", false, false},
        {"abc", false, false},         {"12abc", false, false},
        {"1.5", false, false},         {"", false, false},
        {"\"7\"", false, false},       {"0x10", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        const QString text = QString::fromLatin1(c.field) + QStringLiteral(",9\r\n");
        std::int16_t integer = 123;
        FieldReader integers(text);
        EXPECT_EQ(integers.readInteger(integer), c.fitsInteger);
        const std::int16_t expectedInteger =
            c.fitsInteger ? QString::fromLatin1(c.field).toShort() : 123;
        EXPECT_EQ(integer, expectedInteger);

        std::int32_t number = 456;
        FieldReader longs(text);
        EXPECT_EQ(longs.readLong(number), c.fitsLong);
        const std::int32_t expectedLong = c.fitsLong ? QString::fromLatin1(c.field).toInt() : 456;
        EXPECT_EQ(number, expectedLong);
    }
}

TEST(FieldReader, EndOfStreamFails) {
    QString s = QStringLiteral("kept");
    std::int32_t n = 5;
    std::int16_t i = 6;
    FieldReader empty(QString{});
    EXPECT_FALSE(empty.readString(s));
    EXPECT_FALSE(empty.readLong(n));
    EXPECT_FALSE(empty.readInteger(i));

    FieldReader blankLines(QStringLiteral("\r\n\r\n"));
    EXPECT_FALSE(blankLines.readLong(n));

    FieldReader unclosed(QStringLiteral("\"C:/cut off"));
    EXPECT_FALSE(unclosed.readString(s));
    EXPECT_EQ(s, QStringLiteral("kept"));
    EXPECT_EQ(n, 5);
    EXPECT_EQ(i, 6);
}

// --- writing ---

TEST(FieldWriter, WritesTheLinesTheReaderExpects) {
    FieldWriter out;
    out.number(-150).number(0).number(1).endLine();
    out.string(QStringLiteral("a,b c")).number(2147483647).endLine();
    out.string(QString()).number(-2147483648LL).endLine();
    EXPECT_EQ(out.text(),
              QStringLiteral("-150,0,1\r\n\"a,b c\",2147483647\r\n\"\",-2147483648\r\n"));
}

TEST(FieldWriter, DoubleQuoteInAStringDoesNotShiftLaterFields) {
    const QString odd = QStringLiteral("/music/the \"best\" take\".mp3");
    FieldWriter out;
    out.string(odd).number(42).endLine().string(QString()).number(7).endLine();
    FieldReader in(out.text());
    QString a, b;
    std::int32_t x = 0, y = 0;
    ASSERT_TRUE(in.readString(a) && in.readLong(x) && in.readString(b) && in.readLong(y));
    EXPECT_EQ(a, odd);
    EXPECT_EQ(x, 42);
    EXPECT_EQ(b, QString());
    EXPECT_EQ(y, 7);
}

// The line a read looked at, for the warning a damaged file leaves: CR LF,
// CR alone and LF alone each end one line, blank lines count, and a string
// that runs over a line break moves the count on.
TEST(FieldReader, LineOfTheFieldLastLookedAt) {
    FieldReader in(QStringLiteral("1,2\r\n\r\n3\r4\n\"a\r\nb\",x\r\n"));
    std::int32_t n = 0;
    QString s;
    ASSERT_TRUE(in.readLong(n) && in.readLong(n));
    EXPECT_EQ(in.line(), 1);
    ASSERT_TRUE(in.readLong(n));
    EXPECT_EQ(in.line(), 3);
    ASSERT_TRUE(in.readLong(n));
    EXPECT_EQ(in.line(), 4);
    ASSERT_TRUE(in.readString(s));
    EXPECT_EQ(in.line(), 5);
    EXPECT_FALSE(in.readLong(n)); // "x" on the string's second line
    EXPECT_EQ(in.line(), 6);
    EXPECT_FALSE(in.ended());
    EXPECT_FALSE(in.readLong(n));
    EXPECT_EQ(in.line(), 7);
    EXPECT_TRUE(in.ended());

    FieldReader open(QStringLiteral("7\r\n\"no end"));
    ASSERT_TRUE(open.readLong(n));
    EXPECT_FALSE(open.readString(s));
    EXPECT_EQ(open.line(), 2);
    EXPECT_TRUE(open.ended());
}
