// The key list, the key file hMEMKEY.txt and its defaults.
#include "core/hotkeys/keyfile.h"
#include "core/hotkeys/keylist.h"
#include "core/settings.h"
#include "support/log_capture.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace modMain;

namespace {

class KeyFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetAppPathForTesting(dir.path());
    }
    void TearDown() override { SetAppPathForTesting({}); }

    void writeKeyFile(const QByteArray& bytes) {
        QFile file(dir.filePath("hMEMKEY.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readKeyFile() {
        QFile file(dir.filePath("hMEMKEY.txt"));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    QTemporaryDir dir;
};

QList<QByteArray> lines(const QByteArray& bytes) {
    QList<QByteArray> out = bytes.split('\n');
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

} // namespace

TEST(KeyList, RowsNamesAndCodesFollowTheJapaneseKeyboard) {
    const auto& list = KeyList();
    ASSERT_EQ(list.size(), 89u);
    struct Row {
        int row;
        const char* name;
        int code;
    };
    const Row rows[] = {
        {0, "<<無効>>", 0}, {1, "Esc", 27},    {2, "F1", 112},     {13, "F12", 123},
        {14, "無変換", 29}, {15, "Space", 32}, {16, "変換", 28},   {17, "カタカナひらがな", 242},
        {18, "Home", 36},   {19, "End", 35},   {20, "PageUp", 33}, {21, "PageDown", 34},
        {22, "←", 37},      {23, "↑", 38},     {24, "→", 39},      {25, "↓", 40},
        {26, "Num0", 96},   {35, "Num9", 105}, {36, "Num/", 111},  {37, "Num*", 106},
        {38, "Num-", 109},  {39, "Num+", 107}, {40, "Num.", 110},  {41, "1", 49},
        {49, "9", 57},      {50, "0", 48},     {51, "A", 65},      {76, "Z", 90},
        {77, "-", 189},     {78, "^", 222},    {79, "\\", 220},    {80, "@", 192},
        {81, "[", 219},     {82, ";", 187},    {83, ":", 186},     {84, "]", 221},
        {85, ",", 188},     {86, ".", 190},    {87, "/", 191},     {88, "ろ", 226},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.row);
        EXPECT_EQ(list[r.row].Name, QString::fromUtf8(r.name));
        EXPECT_EQ(list[r.row].Code, r.code);
    }
    // The runs in between: F-keys, keypad digits, digits and letters in order.
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(list[2 + i].Name, QString("F%1").arg(i + 1));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(list[26 + i].Code, 96 + i);
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(list[51 + i].Name, QString(QChar('A' + i)));
        EXPECT_EQ(list[51 + i].Code, 'A' + i);
    }
    // No code twice: each row is a key of its own.
    QSet<int> codes;
    for (const auto& entry : list)
        codes.insert(entry.Code);
    EXPECT_EQ(codes.size(), 89);
}

TEST(KeyList, LabelsAndKeyTexts) {
    const char* labels[] = {"Listen    :", "REW       :", "FF        :", "Repeat    :",
                            "PitchUp   :", "PitchDown :", "SetStart  :", "SetEnd    :"};
    for (int r = 1; r <= 8; ++r) {
        EXPECT_EQ(CommandLabel(r), QString(labels[r - 1]));
        EXPECT_EQ(CommandLabel(r).size(), 11);
    }
    EXPECT_EQ(MakeKeyText(false, true, false, false, "Space"), "[Ctrl]+[Space]");
    EXPECT_EQ(MakeKeyText(true, true, false, false, "Space"), "[Alt]+[Ctrl]+[Space]");
    EXPECT_EQ(MakeKeyText(true, true, true, true, "Space"), "[Alt]+[Ctrl]+[Shift]+[Win]+[Space]");
    EXPECT_EQ(MakeKeyText(false, false, false, false, "F5"), "[F5]");
    EXPECT_EQ(MakeKeyText(false, true, false, false, "無変換"), "[Ctrl]+[無変換]");
}

TEST_F(KeyFileTest, DefaultFileIsByteExactCodePage932WithCrLf) {
    InstallDefaultHotKeys();
    Hozon();
    const QByteArray bytes = readKeyFile();
    const auto all = lines(bytes);
    ASSERT_EQ(all.size(), 9);
    for (const QByteArray& line : all)
        EXPECT_TRUE(line.endsWith('\r'));
    EXPECT_EQ(all[0], QByteArray("1,0,2,0,0,32,15,\"[Ctrl]+[Space]\",1\r"));
    EXPECT_EQ(all[1], QByteArray("2,0,2,0,0,37,22,\"[Ctrl]+[\x81\xA9]\",1\r"));
    EXPECT_EQ(all[2], QByteArray("3,0,2,0,0,39,24,\"[Ctrl]+[\x81\xA8]\",1\r"));
    EXPECT_EQ(all[3], QByteArray("4,0,2,0,0,29,14,\"[Ctrl]+[\x96\xB3\x95\xCF\x8A\xB7]\",1\r"));
    EXPECT_EQ(all[4], QByteArray("5,0,2,0,0,38,23,\"[Ctrl]+[\x81\xAA]\",1\r"));
    EXPECT_EQ(all[5], QByteArray("6,0,2,0,0,40,25,\"[Ctrl]+[\x81\xAB]\",1\r"));
    EXPECT_EQ(all[6], QByteArray("7,0,2,0,0,33,20,\"[Ctrl]+[PageUp]\",1\r"));
    EXPECT_EQ(all[7], QByteArray("8,0,2,0,0,34,21,\"[Ctrl]+[PageDown]\",1\r"));
    EXPECT_EQ(all[8], QByteArray("9,1,2,0,0,32,15,\"[Alt]+[Ctrl]+[Space]\",1\r"));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
}

TEST_F(KeyFileTest, MissingFileIsReportedAndReadsNothing) {
    EXPECT_EQ(ReadKeyFile(), KeyFileStatus::Missing);
    EXPECT_EQ(HotKeys[1], HotkeyEntry{});
}

TEST_F(KeyFileTest, WrittenFileReadsBackEqualJapaneseNamesIncluded) {
    InstallDefaultHotKeys();
    HotKeys[2] = {2, 1, 2, 4, 8, 242, 17, "[Alt]+[Ctrl]+[Shift]+[Win]+[カタカナひらがな]", 1};
    HotKeys[3] = {3, 0, 0, 0, 0, 226, 88, "[ろ]", 1};
    HotKeys[5] = {5, 0, 0, 0, 0, 0, 0, "<<無効>>", 0};
    HotKeys[6] = {6, 0, 2, 0, 0, 220, 79, "[Ctrl]+[\\]", 1};
    HotKeys[9] = {-9, 0, 0, 0, 0, 0, 0, "", 0};
    const auto written = HotKeys;
    Hozon();
    // No UTF-8 fallback was needed: every name is code page 932.
    EXPECT_FALSE(readKeyFile().startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(readKeyFile().contains("\"<<\x96\xB3\x8C\xF8>>\""));

    HotKeys = {};
    ASSERT_EQ(ReadKeyFile(), KeyFileStatus::Ok);
    for (int r = 1; r <= 9; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(HotKeys[r], written[r]);
    }
}

TEST_F(KeyFileTest, FiveLineFileFailsKeepingTheRecordsRead) {
    InstallDefaultHotKeys();
    Hozon();
    const auto all = lines(readKeyFile());
    QByteArray five;
    for (int i = 0; i < 5; ++i)
        five += all[i] + '\n';
    writeKeyFile(five);

    HotKeys = {};
    EXPECT_EQ(ReadKeyFile(), KeyFileStatus::Failed);
    EXPECT_EQ(HotKeys[1].KeyText, "[Ctrl]+[Space]");
    EXPECT_EQ(HotKeys[5].KeyText, "[Ctrl]+[↑]");
    for (int r = 6; r <= 9; ++r)
        EXPECT_EQ(HotKeys[r], HotkeyEntry{});

    // Written back as nine lines, the missing records empty.
    Hozon();
    const auto rewritten = lines(readKeyFile());
    ASSERT_EQ(rewritten.size(), 9);
    for (int i = 5; i < 9; ++i)
        EXPECT_EQ(rewritten[i], QByteArray("0,0,0,0,0,0,0,\"\",0\r"));
}

TEST_F(KeyFileTest, SpareRecordNineIsCarriedUnchanged) {
    InstallDefaultHotKeys();
    Hozon();
    QByteArray bytes = readKeyFile();
    bytes.replace("9,1,2,0,0,32,15,\"[Alt]+[Ctrl]+[Space]\",1",
                  "77,0,0,4,8,123,13,\"[Shift]+[Win]+[F12]\",0");
    writeKeyFile(bytes);
    HotKeys = {};
    ASSERT_EQ(ReadKeyFile(), KeyFileStatus::Ok);
    EXPECT_EQ(HotKeys[9], (HotkeyEntry{77, 0, 0, 4, 8, 123, 13, "[Shift]+[Win]+[F12]", 0}));
    Hozon();
    EXPECT_EQ(readKeyFile(), bytes);
}

TEST_F(KeyFileTest, DamagedNumbersReadAsZeroAndTheRestStaysIntact) {
    InstallDefaultHotKeys();
    Hozon();
    QByteArray bytes = readKeyFile();
    bytes.replace("1,0,2,0,0,32,15,", "1,x,2 2,0,0,99999999999,15,");
    bytes.replace("3,0,2,0,0,39,24,", "3,0,2,,0,39,-24,");
    writeKeyFile(bytes);

    HotKeys = {};
    ASSERT_EQ(ReadKeyFile(), KeyFileStatus::Ok);
    EXPECT_EQ(HotKeys[1], (HotkeyEntry{1, 0, 0, 0, 0, 0, 15, "[Ctrl]+[Space]", 1}));
    EXPECT_EQ(HotKeys[3], (HotkeyEntry{3, 0, 2, 0, 0, 39, -24, "[Ctrl]+[→]", 1}));
    // The fields after the damaged ones are where they belong.
    EXPECT_EQ(HotKeys[2].VirtualKey, 37);
    EXPECT_EQ(HotKeys[9].KeyText, "[Alt]+[Ctrl]+[Space]");
}

TEST_F(KeyFileTest, UnquotedAndUtf8KeyTextsAreRead) {
    // A file saved by an editor as UTF-8 with a mark, and a text without quotes.
    QByteArray bytes = "\xEF\xBB\xBF";
    bytes += "1,0,2,0,0,32,15,[Ctrl]+[Space],1\r\n";
    for (int r = 2; r <= 9; ++r)
        bytes += QString("%1,0,2,0,0,29,14,\"[Ctrl]+[無変換]\",1\r\n").arg(r).toUtf8();
    writeKeyFile(bytes);
    ASSERT_EQ(ReadKeyFile(), KeyFileStatus::Ok);
    EXPECT_EQ(HotKeys[1].KeyText, "[Ctrl]+[Space]");
    EXPECT_EQ(HotKeys[9].KeyText, "[Ctrl]+[無変換]");
}

// A damaged file leaves one warning that names the file, the line and the
// field, whether reading goes on past the damage or stops at it.
TEST_F(KeyFileTest, DamagedLineLeavesOneWarningNamingIt) {
    InstallDefaultHotKeys();
    Hozon();
    const QByteArray good = readKeyFile();
    QByteArray twoBadNumbers = good;
    twoBadNumbers.replace("4,0,2,0,0,29,14,", "4,0,2,0,0,2x9,1 4,");
    QByteArray openString = good;
    openString.replace("\"[Alt]+[Ctrl]+[Space]\"", "\"[Alt]+[Ctrl]+[Space]");
    const QByteArray cut = good.left(good.indexOf("6,0,2,0,0,40") + 12);
    struct Case {
        QByteArray bytes;
        KeyFileStatus status;
        const char* where;
    };
    const Case cases[] = {
        // Reading goes on; the first damaged number is named, once.
        {twoBadNumbers, KeyFileStatus::Ok, "line 4, field HotKeys(4).VirtualKey: no number"},
        {openString, KeyFileStatus::Failed, "line 9, field HotKeys(9).KeyText: the file ends"},
        {cut, KeyFileStatus::Failed, "line 6, field HotKeys(6).KeyIndex: the file ends"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        writeKeyFile(c.bytes);
        LogCapture log("memotap.settings");
        EXPECT_EQ(ReadKeyFile(), c.status);
        ASSERT_EQ(log.warnings.size(), 1) << log.warnings.join('\n').toStdString();
        EXPECT_TRUE(log.warnings[0].startsWith(dir.filePath("hMEMKEY.txt")));
        EXPECT_TRUE(log.warnings[0].contains(c.where)) << log.warnings[0].toStdString();
    }

    // An intact file leaves none.
    writeKeyFile(good);
    LogCapture log("memotap.settings");
    EXPECT_EQ(ReadKeyFile(), KeyFileStatus::Ok);
    EXPECT_TRUE(log.warnings.isEmpty());
}
