// The settings file hMEMOTAP.txt: defaults, the exact file form, round trips,
// damaged and cut-off files, and saves that cannot replace the file.
#include "core/messagebox.h"
#include "core/modMain.h"
#include "core/settings.h"
#include "support/fake_view.h"
#include "support/file_size_limit.h"
#include "support/log_capture.h"
#include "support/message_recorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

using namespace modMain;

namespace {

// Every settings variable, to compare whole states.
struct Snapshot {
    Long WindowLeft = 0;
    Long WindowTop = 0;
    Integer AlwaysOnTop = 0;
    std::array<HistoryEntry, HistorySize + 1> History{};
    Long Pitch = 0;
    Long RevSeconds = 0;
    Long RepSeconds = 0;
    Long RewFFSeconds2 = 0;
    Long RewFFSeconds = 0;
    Integer ColourCount = 0;
    std::vector<ColourEntry> Colours;
    Integer PanelColour = 0;
    Integer CharColour = 0;
    bool operator==(const Snapshot&) const = default;
};

void PrintTo(const Snapshot& s, std::ostream* os) {
    *os << "{" << s.WindowLeft << "," << s.WindowTop << "," << s.AlwaysOnTop << " |";
    for (int i = 1; i <= HistorySize; ++i)
        *os << " \"" << s.History[i].Path.toStdString() << "\"," << s.History[i].Position;
    *os << " | " << s.Pitch << "," << s.RevSeconds << "," << s.RepSeconds << "," << s.RewFFSeconds2
        << "," << s.RewFFSeconds << " | " << s.ColourCount << ":";
    for (const ColourEntry& c : s.Colours)
        *os << " " << c.Red << "," << c.Green << "," << c.Blue << ",\"" << c.Name.toStdString()
            << "\"";
    *os << " | " << s.PanelColour << "," << s.CharColour << "}";
}

Snapshot Take() {
    Snapshot s;
    s.WindowLeft = WindowLeft;
    s.WindowTop = WindowTop;
    s.AlwaysOnTop = AlwaysOnTop;
    s.History = History;
    s.Pitch = Pitch;
    s.RevSeconds = RevSeconds;
    s.RepSeconds = RepSeconds;
    s.RewFFSeconds2 = RewFFSeconds2;
    s.RewFFSeconds = RewFFSeconds;
    s.ColourCount = ColourCount;
    s.Colours = Colours;
    s.PanelColour = PanelColour;
    s.CharColour = CharColour;
    return s;
}

void Put(const Snapshot& s) {
    WindowLeft = s.WindowLeft;
    WindowTop = s.WindowTop;
    AlwaysOnTop = s.AlwaysOnTop;
    History = s.History;
    Pitch = s.Pitch;
    RevSeconds = s.RevSeconds;
    RepSeconds = s.RepSeconds;
    RewFFSeconds2 = s.RewFFSeconds2;
    RewFFSeconds = s.RewFFSeconds;
    ColourCount = s.ColourCount;
    Colours = s.Colours;
    PanelColour = s.PanelColour;
    CharColour = s.CharColour;
}

// The state every variable has when the process starts.
void ResetToProcessStart() {
    Put(Snapshot{});
}

const std::vector<ColourEntry> DefaultTable = {
    {0, 0, 0, QStringLiteral("黒")},           {255, 255, 255, QStringLiteral("白")},
    {102, 102, 102, QStringLiteral("グレイ")}, {255, 0, 0, QStringLiteral("赤")},
    {51, 153, 0, QStringLiteral("緑")},        {0, 0, 255, QStringLiteral("青")},
    {153, 51, 204, QStringLiteral("紫")},      {255, 204, 255, QStringLiteral("ピンク")},
    {255, 153, 0, QStringLiteral("オレンジ")}, {255, 255, 0, QStringLiteral("黄")},
};

Snapshot Defaults() {
    Snapshot s;
    s.AlwaysOnTop = 1;
    s.Pitch = 100;
    s.RepSeconds = 10;
    s.RewFFSeconds2 = 4;
    s.RewFFSeconds = 4;
    s.ColourCount = 10;
    s.Colours = DefaultTable;
    s.PanelColour = 0;
    s.CharColour = 1;
    return s;
}

// The file a first run leaves behind, in code page 932 bytes.
const QByteArray DefaultFile = "0,0,1\r\n"
                               "\"\",0\r\n"
                               "\"\",0\r\n"
                               "\"\",0\r\n"
                               "\"\",0\r\n"
                               "\"\",0\r\n"
                               "100,0,10,4,4\r\n"
                               "10\r\n"
                               "0,0,0,\"\x8D\x95\"\r\n"
                               "255,255,255,\"\x94\x92\"\r\n"
                               "102,102,102,\"\x83\x4F\x83\x8C\x83\x43\"\r\n"
                               "255,0,0,\"\x90\xD4\"\r\n"
                               "51,153,0,\"\x97\xCE\"\r\n"
                               "0,0,255,\"\x90\xC2\"\r\n"
                               "153,51,204,\"\x8E\x87\"\r\n"
                               "255,204,255,\"\x83\x73\x83\x93\x83\x4E\"\r\n"
                               "255,153,0,\"\x83\x49\x83\x8C\x83\x93\x83\x57\"\r\n"
                               "255,255,0,\"\x89\xA9\"\r\n"
                               "0,1\r\n";

// A file with a value in every field that differs from the defaults and from
// zero, and a table of three colours: 12 lines.
const QByteArray SampleFile = "-1500,300,1\r\n"
                              "\"/home/u/\x98\x5E\x89\xB9/a, b.mp3\",754\r\n"
                              "\"/x/2.wav\",12\r\n"
                              "\"/x/3.mp2\",13\r\n"
                              "\"/x/4.mp3\",14\r\n"
                              "\"/x/5.mp3\",15\r\n"
                              "150,3,20,7,8\r\n"
                              "3\r\n"
                              "10,20,30,\"navy\"\r\n"
                              "40,50,60,\"\x97\xCE\"\r\n"
                              "70,80,90,\"gray\"\r\n"
                              "2,1\r\n";
constexpr int SampleLines = 12;

// What reading SampleFile leaves after its first `lines` whole lines; the
// colour table and indexes as they stand once the damage has been repaired.
Snapshot SampleUpTo(int lines) {
    Snapshot s;
    if (lines >= 1) {
        s.WindowLeft = -1500;
        s.WindowTop = 300;
        s.AlwaysOnTop = 1;
    }
    const HistoryEntry history[HistorySize] = {
        {QStringLiteral("/home/u/録音/a, b.mp3"), 754},
        {QStringLiteral("/x/2.wav"), 12},
        {QStringLiteral("/x/3.mp2"), 13},
        {QStringLiteral("/x/4.mp3"), 14},
        {QStringLiteral("/x/5.mp3"), 15},
    };
    for (int i = 1; i <= HistorySize; ++i) {
        if (lines >= 1 + i)
            s.History[i] = history[i - 1];
    }
    if (lines >= 7) {
        s.Pitch = 150;
        s.RevSeconds = 3;
        s.RepSeconds = 20;
        s.RewFFSeconds2 = 7;
        s.RewFFSeconds = 8;
    }
    if (lines >= 11) {
        s.ColourCount = 3;
        s.Colours = {{10, 20, 30, QStringLiteral("navy")},
                     {40, 50, 60, QStringLiteral("緑")},
                     {70, 80, 90, QStringLiteral("gray")}};
    } else {
        s.ColourCount = 10;
        s.Colours = DefaultTable;
    }
    s.PanelColour = lines >= 12 ? 2 : 0;
    s.CharColour = 1;
    return s;
}

// The window and the colour dialog index the table with both colours.
void ExpectUsableColours() {
    ASSERT_GT(ColourCount, 0);
    ASSERT_EQ(Colours.size(), static_cast<std::size_t>(ColourCount));
    EXPECT_GE(PanelColour, 0);
    EXPECT_LT(PanelColour, ColourCount);
    EXPECT_GE(CharColour, 0);
    EXPECT_LT(CharColour, ColourCount);
}

class Settings : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetAppPathForTesting(dir.path());
    }
    void TearDown() override { SetAppPathForTesting({}); }

    QString settingsPath() const { return dir.filePath(QStringLiteral("hMEMOTAP.txt")); }

    void writeSettings(const QByteArray& bytes) {
        QFile file(settingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray readSettings() {
        QFile file(settingsPath());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    // Loads bytes into variables in their process-start state.
    void load(const QByteArray& bytes) {
        ResetToProcessStart();
        writeSettings(bytes);
        LoadSettings();
    }

    QStringList folderEntries() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QTemporaryDir dir;
    MessageRecorder messages;
};

} // namespace

// --- the program's folder ---

TEST(AppPath, IsTheFolderWithOneTrailingSeparator) {
    const QString separator = QDir::separator();
    EXPECT_EQ(AppPath(),
              QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + separator);

    SetAppPathForTesting(QStringLiteral("/tmp/some folder"));
    EXPECT_EQ(AppPath(), QDir::toNativeSeparators(QStringLiteral("/tmp/some folder/")));
    SetAppPathForTesting(QStringLiteral("/tmp/some folder/"));
    EXPECT_EQ(AppPath(), QDir::toNativeSeparators(QStringLiteral("/tmp/some folder/")));
    SetAppPathForTesting(QStringLiteral("/"));
    EXPECT_EQ(AppPath(), QDir::toNativeSeparators(QStringLiteral("/")));

    SetAppPathForTesting({});
    EXPECT_EQ(AppPath(),
              QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + separator);
}

// --- first start ---

TEST_F(Settings, MissingFileWarnsOnceAndInstallsTheDefaults) {
    ResetToProcessStart();
    LoadSettings();

    ASSERT_EQ(messages.calls.size(), 1u);
    const MessageCall& box = messages.calls[0];
    EXPECT_EQ(box.text, QStringLiteral("設定ファイルがありません。初期設定で起動します。"));
    EXPECT_EQ(box.title, QStringLiteral("エラー"));
    EXPECT_EQ(box.icon, MessageIcon::Warning);
    EXPECT_EQ(box.buttons, MessageButtons::Ok);

    EXPECT_EQ(Take(), Defaults());
    EXPECT_EQ(DefaultColours(), DefaultTable);
    EXPECT_TRUE(folderEntries().isEmpty()) << "nothing is written at load";
}

TEST_F(Settings, DefaultsAreWrittenByteForByte) {
    LoadSettings();
    SaveSettings();
    const QByteArray bytes = readSettings();
    EXPECT_EQ(bytes, DefaultFile);
    EXPECT_EQ(bytes.count("\r\n"), 19);

    // The next start reads them without a message.
    messages.calls.clear();
    ResetToProcessStart();
    LoadSettings();
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(Take(), Defaults());
}

// --- round trips ---

TEST_F(Settings, SaveThenLoadGivesBackEveryValue) {
    Snapshot s;
    s.WindowLeft = -28800;
    s.WindowTop = -150;
    s.AlwaysOnTop = 0;
    s.History[1] = {QStringLiteral("/home/u/会議 録音/2024-05-01, 第3回.mp3"), 754};
    s.History[2] = {QStringLiteral("/a b/ c ,d,.wav"), 2147483647};
    s.History[3] = {QString(), 0};
    s.History[4] = {QStringLiteral("/music/the \"best\" take.mp3"), 5};
    s.History[5] = {QStringLiteral("/ｶﾀｶﾅ/~\\x.rmp"), 0};
    s.Pitch = 300;
    s.RevSeconds = 5;
    s.RepSeconds = 99;
    s.RewFFSeconds2 = 12;
    s.RewFFSeconds = 30;
    s.ColourCount = 3;
    s.Colours = {{1, 2, 3, QStringLiteral("夜空")},
                 {255, 255, 255, QStringLiteral("a, b")},
                 {0, 128, 0, QString()}};
    s.PanelColour = 2;
    s.CharColour = 0;
    Put(s);
    SaveSettings();

    const QByteArray bytes = readSettings();
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF")) << "code page 932 suffices";
    EXPECT_TRUE(bytes.startsWith("-28800,-150,0\r\n"));
    EXPECT_TRUE(bytes.contains("\"/a b/ c ,d,.wav\",2147483647\r\n"));

    ResetToProcessStart();
    LoadSettings();
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(Take(), s);
}

TEST_F(Settings, TextOutsideCodePage932IsSavedAsUtf8AndReadBack) {
    LoadSettings();
    Snapshot s = Take();
    s.History[1] = {QStringLiteral("/home/jürgen/Café/会議 😀.mp3"), 61};
    s.History[2] = {QStringLiteral("/x/¥.wav"), 2};
    s.Colours[9].Name = QStringLiteral("Gelb ü");
    Put(s);
    SaveSettings();

    const QByteArray bytes = readSettings();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"
                                 "0,0,1\r\n"));
    EXPECT_TRUE(bytes.contains("\"/home/j\xC3\xBCrgen/Caf\xC3\xA9/"));

    ResetToProcessStart();
    LoadSettings();
    EXPECT_EQ(Take(), s);
}

TEST_F(Settings, SaveTakesTheWindowFramePositionInTwips) {
    LoadSettings();
    FakeView window;
    window.corner = QPoint(-120, 45);
    SaveSettings();
    EXPECT_EQ(WindowLeft, -1800);
    EXPECT_EQ(WindowTop, 675);
    EXPECT_TRUE(readSettings().startsWith("-1800,675,1\r\n"));
}

// --- cut-off and damaged files ---

TEST_F(Settings, FileCutAfterLine7StartsWithoutMessageWithHistoryAndSpeeds) {
    const qsizetype end = SampleFile.indexOf("3\r\n10,20,30");
    load(SampleFile.left(end));
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(Take(), SampleUpTo(7));
    EXPECT_EQ(History[1].Path, QStringLiteral("/home/u/録音/a, b.mp3"));
    EXPECT_EQ(RewFFSeconds, 8);
}

TEST_F(Settings, StoredPitchIsLoadedAsItStands) {
    load("0,0,1\r\n\"\",0\r\n\"\",0\r\n\"\",0\r\n\"\",0\r\n\"\",0\r\n150,0,10,4,4\r\n");
    EXPECT_EQ(Pitch, 150);
}

TEST_F(Settings, FileCutAnywhereKeepsWhatWasReadAndUsableColours) {
    // Every length from empty to whole: at line ends, inside numbers and
    // strings, and between the two bytes of a Shift-JIS character.
    for (qsizetype length = 0; length <= SampleFile.size(); ++length) {
        const QByteArray cut = SampleFile.left(length);
        SCOPED_TRACE("first " + std::to_string(length) + " bytes: " + cut.right(20).toStdString());
        load(cut);
        EXPECT_TRUE(messages.calls.empty());
        ExpectUsableColours();

        // The lines before the cut are read in full.
        const int wholeLines = static_cast<int>(cut.count("\r\n"));
        const Snapshot expected = SampleUpTo(wholeLines);
        const Snapshot loaded = Take();
        if (wholeLines >= 1) {
            EXPECT_EQ(loaded.WindowTop, expected.WindowTop);
        }
        for (int i = 1; i <= HistorySize && i < wholeLines; ++i) {
            EXPECT_EQ(loaded.History[i], expected.History[i]);
        }
        if (wholeLines >= 7) {
            EXPECT_EQ(loaded.RewFFSeconds, expected.RewFFSeconds);
        }
        if (wholeLines >= 11) {
            EXPECT_EQ(loaded.Colours, expected.Colours);
        }
        if (cut.endsWith("\r\n")) {
            EXPECT_EQ(loaded, expected);
        }
    }
    EXPECT_EQ(Take(), SampleUpTo(SampleLines));
}

TEST_F(Settings, TextInANumberStopsReading) {
    load("30,abc,1\r\n\"/x/1.mp3\",5\r\n");
    EXPECT_TRUE(messages.calls.empty());
    Snapshot expected = SampleUpTo(0);
    expected.WindowLeft = 30;
    EXPECT_EQ(Take(), expected);
}

// Where reading stopped goes to the log, once per load: the file, the line
// and the field. A whole file leaves nothing.
TEST_F(Settings, DamagedFileLeavesOneWarningNamingLineAndField) {
    QByteArray badPosition = SampleFile;
    badPosition.replace("\"/x/3.mp2\",13", "\"/x/3.mp2\",1 3");
    QByteArray badColour = SampleFile;
    badColour.replace("40,50,60", "40,500,60");
    const struct {
        QByteArray bytes;
        const char* where;
    } cases[] = {
        {badPosition, "line 4, field History(3).Position: damaged value"},
        {badColour, "line 10, field Colours(2).Green: damaged value"},
        {SampleFile.left(SampleFile.indexOf("150,3,20")), "line 7, field Pitch: the file ends"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        LogCapture log("memotap.settings");
        load(c.bytes);
        ASSERT_EQ(log.warnings.size(), 1) << log.warnings.join('\n').toStdString();
        EXPECT_TRUE(log.warnings[0].startsWith(settingsPath()));
        EXPECT_TRUE(log.warnings[0].contains(c.where)) << log.warnings[0].toStdString();
    }
    LogCapture log("memotap.settings");
    load(SampleFile);
    EXPECT_TRUE(log.warnings.isEmpty());
}

TEST_F(Settings, NumberTooLargeForItsSettingStopsReading) {
    // AlwaysOnTop is an Integer.
    load("15,30,40000\r\n\"/x/1.mp3\",5\r\n");
    Snapshot expected = SampleUpTo(0);
    expected.WindowLeft = 15;
    expected.WindowTop = 30;
    EXPECT_EQ(Take(), expected);

    // A history position is a Long.
    load("0,0,1\r\n\"/x/1.mp3\",2147483648\r\n");
    EXPECT_EQ(History[1].Path, QStringLiteral("/x/1.mp3"));
    EXPECT_EQ(History[1].Position, 0);
    ExpectUsableColours();
}

TEST_F(Settings, UnusableColourTableIsReplacedByTheDefaults) {
    const QByteArray head = SampleFile.left(SampleFile.indexOf("3\r\n10,20,30"));
    const QByteArray tables[] = {
        "-3\r\n10,20,30,\"navy\"\r\n0,0\r\n",                 // negative count
        "0\r\n0,0\r\n",                                       // empty table
        "30000\r\n10,20,30,\"navy\"\r\n0,0\r\n",              // count far beyond the file
        "2\r\n10,20,30,\"navy\"\r\n300,0,0,\"x\"\r\n0,0\r\n", // component beyond 255
        "2\r\n10,20,30,\"navy\"\r\n-1,0,0,\"x\"\r\n0,0\r\n",
        "70000\r\n0,0,0,\"x\"\r\n", // count beyond an Integer
    };
    for (const QByteArray& table : tables) {
        SCOPED_TRACE(table.toStdString());
        load(head + table);
        EXPECT_TRUE(messages.calls.empty());
        EXPECT_EQ(Take(), SampleUpTo(7));
    }
}

TEST_F(Settings, ColourIndexesOutsideTheTableFallBack) {
    const QByteArray head = SampleFile.left(SampleFile.indexOf("2,1\r\n"));
    load(head + "50,2\r\n");
    EXPECT_EQ(PanelColour, 0);
    EXPECT_EQ(CharColour, 2);
    load(head + "1,-1\r\n");
    EXPECT_EQ(PanelColour, 1);
    EXPECT_EQ(CharColour, 1);
    load(head + "3,3\r\n");
    EXPECT_EQ(PanelColour, 0);
    EXPECT_EQ(CharColour, 1);

    // With one colour only, index 0 is the only one left for the text.
    const QByteArray oneColour = head.left(head.indexOf("3\r\n10,20,30")) + "1\r\n9,9,9,\"a\"\r\n";
    load(oneColour + "0,1\r\n");
    EXPECT_EQ(ColourCount, 1);
    EXPECT_EQ(PanelColour, 0);
    EXPECT_EQ(CharColour, 0);
    EXPECT_EQ(Colours[0], (ColourEntry{9, 9, 9, QStringLiteral("a")}));
}

TEST_F(Settings, EmptyUnreadableOrGarbageFileLoadsWithoutMessage) {
    load(QByteArray());
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(Take(), SampleUpTo(0));

    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(static_cast<char>((i * 7919) % 256));
    load(garbage);
    EXPECT_TRUE(messages.calls.empty());
    ExpectUsableColours();

    // A folder in the file's place exists but cannot be read.
    ASSERT_TRUE(QFile::remove(settingsPath()));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("hMEMOTAP.txt")));
    ResetToProcessStart();
    LoadSettings();
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(Take(), SampleUpTo(0));
}

// --- saves that cannot replace the file ---

TEST_F(Settings, FailedSaveLeavesThePreviousFileAndTheVariables) {
    writeSettings(SampleFile);
    LoadSettings();
    History[1].Position = 999;
    const Snapshot changed = Take();

    {
        // The disk fills up after 64 bytes.
        FileSizeLimit full(64);
        SaveSettings();
    }
    EXPECT_EQ(readSettings(), SampleFile);
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("hMEMOTAP.txt")}) << "no leftovers";
    EXPECT_EQ(Take(), changed);

    // The next save that can write does.
    SaveSettings();
    ResetToProcessStart();
    LoadSettings();
    EXPECT_EQ(Take(), changed);
}

TEST_F(Settings, SaveWhereNoFileCanBeWrittenTellsTheUserOnce) {
    LoadSettings();
    const Snapshot before = Take();

    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("hMEMOTAP.txt/inside")));
    SaveSettings();
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("hMEMOTAP.txt/inside"))).isDir());

    SetAppPathForTesting(dir.filePath(QStringLiteral("no/such/folder")));
    SaveSettings();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("no"))));

    EXPECT_EQ(Take(), before);
    ASSERT_EQ(messages.calls.size(), 2u) << "the first start's box and one for the saves";
    EXPECT_EQ(messages.calls[1].title, "エラー");
    EXPECT_TRUE(messages.calls[1].text.contains(dir.filePath(QStringLiteral("hMEMOTAP.txt"))));
}
