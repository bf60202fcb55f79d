// Times read back out of written text: the styles transcribers write, which
// time is taken when there are several, and text that holds none.
#include "core/timestamps/timestamp_format.h"
#include "core/timestamps/written_time.h"

#include <gtest/gtest.h>

using namespace modMain;

namespace {

struct WrittenCase {
    const char* text;
    qint64 ms;
};

TEST(WrittenTime, ReadsTheStylesPeopleWrite) {
    const WrittenCase cases[] = {
        {"[01:02:03]", 3723000},
        {"01:02:03", 3723000},
        {"1:02:03", 3723000},
        {"●(00:12:34)", 754000},
        {"（00:12:34）", 754000},
        {"【0:12:34】聞き取れず", 754000},
        {"(62:03)", 3723000},
        {"62:03", 3723000},
        {"999:59", 59999000},
        {"100:00:01", 360001000},
        {"01:02:03.4", 3723400},
        {"01:02:03.45", 3723450},
        {"2:03.5", 123500},
        {"０１：０２：０３", 3723000},
        {"［００：１２：３４．５］", 754500},
        {"1時間2分3秒", 3723000},
        {"2分3秒", 123000},
        {"１時間２分３秒", 3723000},
        {"1時間3秒", 3603000},
        {"2分3.5秒", 123500},
        {"  発言 [00:05:00] 続き [00:10:00]", 300000},
        {"会議は2分ほど… 00:03:00", 180000},
        {"ver 1.2:30 then 00:00:07", 7000},
        {"12:34:56:78 とあと 3:04", 184000},
    };
    for (const WrittenCase& c : cases)
        EXPECT_EQ(FindWrittenTime(QString::fromUtf8(c.text)), c.ms) << c.text;
}

TEST(WrittenTime, TextWithoutATimeGivesNothing) {
    for (const char* text : {"", "こんにちは", "12", "1:2", "01:60", "1:60:00", "12:3x", "2分",
                             "3秒", "2024-01-02", "10.5"})
        EXPECT_FALSE(FindWrittenTime(QString::fromUtf8(text))) << text;
}

TEST(WrittenTime, LooksOnlyAtTheFirst4096Characters) {
    const QString padding(WrittenTimeSearchLength - 8, u'x');
    EXPECT_EQ(FindWrittenTime(padding + QStringLiteral("00:00:09")), 9000);
    EXPECT_FALSE(FindWrittenTime(padding + QStringLiteral("x00:00:09")));
}

TEST(WrittenTime, ReadsBackWhatTheFormatsWrite) {
    for (const char* format : {"[{hh}:{mm}:{ss}]", "●({hh}:{mm}:{ss})", "({mm}:{ss})",
                               "{hh}:{mm}:{ss}.{d}", "{hh}時間{mm}分{ss}秒"}) {
        const qint64 ms = 5 * 3600000 + 59 * 60000 + 7 * 1000 + 300;
        const QString written = FormatTimestamp(QString::fromUtf8(format), ms, 0);
        const qint64 precision = QString::fromUtf8(format).contains("{d}") ? 0 : 300;
        EXPECT_EQ(FindWrittenTime(written), ms - precision) << written.toStdString();
    }
}

} // namespace
