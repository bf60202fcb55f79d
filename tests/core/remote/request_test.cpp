// The socket's request format: what a client sends is read back exactly, and
// every malformed, foreign, oversized or unfinished request is told apart.
#include "core/remote/request.h"

#include <gtest/gtest.h>

using namespace remote;

namespace {

ParseResult parse(const QByteArray& bytes) {
    return ParseRequest(bytes);
}

std::optional<Request> request(const QByteArray& bytes) {
    const ParseResult result = parse(bytes);
    if (const auto* found = std::get_if<Request>(&result))
        return *found;
    return std::nullopt;
}

std::optional<RequestError> error(const QByteArray& bytes) {
    const ParseResult result = parse(bytes);
    if (const auto* found = std::get_if<RequestError>(&result))
        return *found;
    return std::nullopt;
}

TEST(RemoteRequest, FormattedRequestsParseBackExactly) {
    const QString path = QStringLiteral("/home/user/会議 2024/録音 #1 (ü).mp3");
    for (const auto& [verb, argument] : {std::pair<QString, QString>{"play-pause", ""},
                                         {"seek-to", "3600"},
                                         {"open", path},
                                         {"activate", ""}}) {
        const auto bytes = FormatRequest(verb, argument);
        ASSERT_TRUE(bytes);
        EXPECT_EQ(request(*bytes), (Request{verb, argument})) << bytes->toStdString();
    }
    EXPECT_EQ(*FormatRequest("play-pause"), "MEMOTAP/1 play-pause\n");
    EXPECT_EQ(*FormatRequest("seek-to", "90"), "MEMOTAP/1 seek-to 90\n");
}

TEST(RemoteRequest, UnfinishedRequestsWaitAndOversizedOnesAreRefused) {
    EXPECT_TRUE(std::holds_alternative<NeedMore>(parse("")));
    EXPECT_TRUE(std::holds_alternative<NeedMore>(parse("MEMOTAP/1 play")));
    EXPECT_TRUE(std::holds_alternative<NeedMore>(parse(QByteArray(MaxRequestBytes - 1, 'x'))));
    EXPECT_EQ(error(QByteArray(MaxRequestBytes, 'x')), RequestError::TooLong);
    const QByteArray longest = "MEMOTAP/1 open /" + QByteArray(MaxRequestBytes - 17, 'a') + '\n';
    ASSERT_EQ(longest.size(), MaxRequestBytes);
    EXPECT_TRUE(request(longest));
    EXPECT_EQ(error("MEMOTAP/1 open /a" + QByteArray(MaxRequestBytes, 'a') + '\n'),
              RequestError::TooLong);
    EXPECT_FALSE(FormatRequest("open", "/" + QString(MaxRequestBytes, u'a')));
}

TEST(RemoteRequest, MalformedAndForeignRequestsAreRefused) {
    EXPECT_EQ(error("MEMOTAP/2 play\n"), RequestError::Version);
    EXPECT_EQ(error("MEMOTAP/1.0 play\n"), RequestError::Version);
    for (const QByteArray& bytes :
         {QByteArray("\n"), QByteArray("activate\n"), QByteArray("MEMOTAP/1\n"),
          QByteArray("MEMOTAP/1 \n"), QByteArray("memotap/1 play\n"),
          QByteArray("MEMOTAP/1 Play\n"), QByteArray("MEMOTAP/1 play\r\n"),
          QByteArray("MEMOTAP/1 seek-to \n"), QByteArray("MEMOTAP/1 play\nMEMOTAP/1 pause\n"),
          QByteArray("MEMOTAP/1 open /a\0b\n", 20), QByteArray("GET / HTTP/1.1\r\n")})
        EXPECT_EQ(error(bytes), RequestError::Malformed) << bytes.toStdString();
    EXPECT_EQ(error("MEMOTAP/1 open /\xff\xfe.mp3\n"), RequestError::Encoding);
    EXPECT_FALSE(FormatRequest("open", "/a\nb"));
}

TEST(RemoteRequest, TimesAreHoursMinutesSecondsOrPlainSeconds) {
    EXPECT_EQ(ParseSeconds("0"), 0);
    EXPECT_EQ(ParseSeconds("5400"), 5400);
    EXPECT_EQ(ParseSeconds("01:30"), 90);
    EXPECT_EQ(ParseSeconds("1:02:03"), 3723);
    EXPECT_EQ(ParseSeconds("100:00:00"), 360000);
    for (const char* bad :
         {"", "-5", "1.5", "1:60", "1:2:3:4", "::", "1:", "x", "１２", "99999999", "4661:00:00"})
        EXPECT_FALSE(ParseSeconds(bad)) << bad;
}

} // namespace
