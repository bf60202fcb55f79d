// The recent-file history: finding, moving to the top, removing, and the
// time format its menu items use.
#include "core/modMain.h"
#include "support/fake_engine.h"
#include "support/history_entries.h"

#include <gtest/gtest.h>
#include <limits>

using namespace modMain;

namespace {

TEST(History, FindIsExactAndCaseSensitive) {
    setHistory({{"/rec/A.wav", 1}, {"/rec/a.wav", 2}, {"/rec/a.wav", 3}});
    EXPECT_EQ(FindHistory("/rec/a.wav"), 2) << "the lowest match";
    EXPECT_EQ(FindHistory("/rec/A.wav"), 1);
    EXPECT_EQ(FindHistory("/rec/A.WAV"), 0);
    EXPECT_EQ(FindHistory("/rec/a.wav "), 0);
    EXPECT_EQ(FindHistory("/rec//a.wav"), 0) << "two spellings of one file are two entries";
}

TEST(History, PushMovesAnEntryToTheTopWithItsPosition) {
    setHistory(Five);
    PushHistory(3, "/c");
    EXPECT_EQ(history(), Entries({{"/c", 3}, {"/a", 1}, {"/b", 2}, {"/d", 4}, {"/e", 5}}));
    setHistory(Five);
    PushHistory(5, "/e");
    EXPECT_EQ(history(), Entries({{"/e", 5}, {"/a", 1}, {"/b", 2}, {"/c", 3}, {"/d", 4}}));
    setHistory(Five);
    PushHistory(1, "/a");
    EXPECT_EQ(history(), Five);
}

TEST(History, PushOfANewFileDropsTheFifth) {
    setHistory(Five);
    PushHistory(0, "/new");
    EXPECT_EQ(history(), Entries({{"/new", 0}, {"/a", 1}, {"/b", 2}, {"/c", 3}, {"/d", 4}}));

    // Emptied entries that still carry a position move down like any other.
    setHistory({{"", 200}, {"", 0}, {"", 0}, {"", 0}, {"", 0}});
    PushHistory(0, "/x");
    PushHistory(0, "/y");
    EXPECT_EQ(history(), Entries({{"/y", 0}, {"/x", 0}, {"", 200}, {"", 0}, {"", 0}}));
}

TEST(History, RemoveClosesTheGap) {
    setHistory(Five);
    RemoveHistory(2);
    EXPECT_EQ(history(), Entries({{"/a", 1}, {"/c", 3}, {"/d", 4}, {"/e", 5}, {"", 0}}));
    setHistory(Five);
    RemoveHistory(5);
    EXPECT_EQ(history(), Entries({{"/a", 1}, {"/b", 2}, {"/c", 3}, {"/d", 4}, {"", 0}}));
    setHistory(Five);
    RemoveHistory(1);
    EXPECT_EQ(history(), Entries({{"/b", 2}, {"/c", 3}, {"/d", 4}, {"/e", 5}, {"", 0}}));
}

TEST(History, TimeFormat) {
    EXPECT_EQ(FormatHms(0), "00:00:00");
    EXPECT_EQ(FormatHms(754), "00:12:34");
    EXPECT_EQ(FormatHms(3725), "01:02:05");
    EXPECT_EQ(FormatHms(359999), "99:59:59");
    EXPECT_EQ(FormatHms(360000), "100:00:00");
    EXPECT_EQ(FormatHms(std::numeric_limits<Long>::max()), "596523:14:07");
    // Only a damaged settings file could hold these.
    EXPECT_EQ(FormatHms(-5), "-00:00:05");
    EXPECT_EQ(FormatHms(std::numeric_limits<Long>::min()), "-596523:14:08");
}

} // namespace
