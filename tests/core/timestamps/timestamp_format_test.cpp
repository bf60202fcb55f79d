// The timestamp format and offset: what each placeholder writes, how the
// largest unit shown takes the rest, what offsets do, and what is refused.
#include "core/timestamps/timestamp_format.h"

#include <gtest/gtest.h>

using namespace modMain;

namespace {

constexpr qint64 H = 3600000;
constexpr qint64 M = 60000;
constexpr qint64 S = 1000;

struct FormatCase {
    const char* format;
    qint64 positionMs;
    qint64 offsetMs;
    const char* written;
};

TEST(TimestampFormat, WritesEachStyle) {
    const FormatCase cases[] = {
        {"[{hh}:{mm}:{ss}]", 1 * H + 2 * M + 3 * S, 0, "[01:02:03]"},
        {"●({hh}:{mm}:{ss})", 1 * H + 2 * M + 3 * S, 0, "●(01:02:03)"},
        {"({mm}:{ss})", 1 * H + 2 * M + 3 * S, 0, "(62:03)"},
        {"{hh}:{mm}:{ss}.{d}", 1 * H + 2 * M + 3 * S + 999, 0, "01:02:03.9"},
        {"{hh}:{mm}:{ss}.{d}", 59 * S + 50, 0, "00:00:59.0"},
        {"{ss}秒", 2 * M + 5 * S, 0, "125秒"},
        {"{hh}時{mm}分", 1 * H + 2 * M + 59 * S, 0, "01時02分"},
        {"[{hh}:{mm}:{ss}]", 100 * H + 1 * S, 0, "[100:00:01]"},
        {"[{hh}:{mm}:{ss}]", 0, 0, "[00:00:00]"},
        {"{hh}{hh}", 2 * H, 0, "0202"},
        {"{h}{hh}{x}", 2 * H, 0, "{h}02{x}"},
        // Offsets: a wall clock, past midnight, below zero.
        {"[{hh}:{mm}:{ss}]", 1 * H + 2 * M + 3 * S, 13 * H, "[14:02:03]"},
        {"[{hh}:{mm}:{ss}]", 11 * H + 30 * M, 13 * H, "[24:30:00]"},
        {"[{hh}:{mm}:{ss}]", 3 * S, -5 * S, "[00:00:00]"},
        {"[{hh}:{mm}:{ss}]", 10 * S, -5 * S, "[00:00:05]"},
        {"{mm}:{ss}.{d}", 1500, 250, "00:01.7"},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(FormatTimestamp(QString::fromUtf8(c.format), c.positionMs, c.offsetMs),
                  QString::fromUtf8(c.written))
            << c.format << " at " << c.positionMs << " + " << c.offsetMs;
}

TEST(TimestampFormat, RefusesFormatsWithoutAPlaceEmptyOrTooLong) {
    EXPECT_FALSE(TimestampFormatProblem(DefaultTimestampFormat));
    EXPECT_FALSE(TimestampFormatProblem(QStringLiteral("{d}")));
    EXPECT_TRUE(TimestampFormatProblem(QString()));
    EXPECT_TRUE(TimestampFormatProblem(QStringLiteral("[hh:mm:ss]")));
    EXPECT_TRUE(TimestampFormatProblem(QStringLiteral("{hh}\r\n")));
    const QString longest = QStringLiteral("{ss}") + QString(196, u'あ');
    EXPECT_FALSE(TimestampFormatProblem(longest));
    EXPECT_TRUE(TimestampFormatProblem(longest + u'x'));
}

TEST(TimestampOffset, ReadsWhatTheUserTypesAndWritesItBack) {
    const std::pair<const char*, qint64> read[] = {
        {"", 0},
        {"+13:00:00", 13 * H},
        {"13:00:00", 13 * H},
        {"-00:00:05", -5 * S},
        {"-5", -5 * S},
        {"+1:30", 1 * M + 30 * S},
        {" +00:00:01.25 ", 1250},
        {"+168:00:00", 168 * H},
    };
    for (const auto& [text, ms] : read) {
        EXPECT_EQ(ParseTimestampOffset(QString::fromUtf8(text)), ms) << text;
        EXPECT_EQ(ParseTimestampOffset(TimestampOffsetText(ms)), ms) << text;
    }
    for (const char* wrong : {"+", "1:60:00", "1:00:60", "1:2:3:4", "abc", "+-1", "1.5:00", "1::00",
                              "169:00:00", "0.1234"})
        EXPECT_FALSE(ParseTimestampOffset(QString::fromUtf8(wrong))) << wrong;
    EXPECT_EQ(TimestampOffsetText(13 * H), "+13:00:00");
    EXPECT_EQ(TimestampOffsetText(-5500), "-00:00:05.5");
}

} // namespace
