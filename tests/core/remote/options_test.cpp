// The command line of `memotap`: each option names its command, a file is
// made absolute, anything else is a usage error.
#include "cli/options.h"

#include <QDir>
#include <gtest/gtest.h>

using cli::Options;
using cli::ParseOptions;
using Action = Options::Action;

namespace {

TEST(CommandLine, OptionsNameTheirCommands) {
    for (const char* name :
         {"play-pause", "play", "pause", "rewind", "forward", "repeat", "speed-up", "speed-down",
          "to-start", "to-end", "copy-time", "insert-time", "seek-to-selection"}) {
        const Options options = ParseOptions({QStringLiteral("--") + name});
        EXPECT_EQ(options.action, Action::SendCommand) << name;
        EXPECT_EQ(options.command, QString::fromLatin1(name));
        EXPECT_TRUE(options.argument.isEmpty());
    }
    for (const QStringList& seek : {QStringList{"--seek", "1:02:03"}, QStringList{"--seek=3723"}}) {
        const Options options = ParseOptions(seek);
        EXPECT_EQ(options.action, Action::SendCommand);
        EXPECT_EQ(options.command, "seek-to");
        EXPECT_EQ(options.argument, "3723");
    }
    for (const QStringList& hearing :
         {QStringList{"--levelling", "on"}, QStringList{"--noise-reduction=off"},
          QStringList{"--low-cut", "off"}, QStringList{"--channel", "mix"}}) {
        const Options options = ParseOptions(hearing);
        EXPECT_EQ(options.action, Action::SendCommand);
        EXPECT_EQ(QStringLiteral("--") + options.command + u'=' + options.argument,
                  hearing.join(u'='))
            << hearing.join(' ').toStdString();
    }
    EXPECT_EQ(ParseOptions({}).action, Action::StartPlayer);
    EXPECT_EQ(ParseOptions({"--help"}).action, Action::Help);
    EXPECT_EQ(ParseOptions({"--version"}).action, Action::Version);
}

TEST(CommandLine, FilesAreMadeAbsolute) {
    const Options relative = ParseOptions({"rec/a b.mp3"});
    EXPECT_EQ(relative.action, Action::OpenFile);
    EXPECT_EQ(relative.argument, QDir::current().absoluteFilePath("rec/a b.mp3"));
    EXPECT_EQ(ParseOptions({"/x/../y/a.wav"}).argument, "/y/a.wav");
    const Options dashed = ParseOptions({"--", "-odd.mp3"});
    EXPECT_EQ(dashed.action, Action::OpenFile);
    EXPECT_EQ(dashed.argument, QDir::current().absoluteFilePath("-odd.mp3"));
}

TEST(CommandLine, EverythingElseIsAUsageError) {
    for (const QStringList& arguments :
         {QStringList{"--bogus"}, QStringList{"-x"}, QStringList{"--seek"},
          QStringList{"--seek", "soon"}, QStringList{"--play", "--pause"},
          QStringList{"a.mp3", "b.mp3"}, QStringList{"--play", "a.mp3"}, QStringList{"--PLAY"},
          QStringList{"--levelling"}, QStringList{"--levelling", "yes"},
          QStringList{"--channel=centre"}, QStringList{"--low-cut", "on", "--channel", "left"}}) {
        const Options options = ParseOptions(arguments);
        EXPECT_EQ(options.action, Action::Usage) << arguments.join(' ').toStdString();
        EXPECT_FALSE(options.problem.isEmpty());
    }
}

} // namespace
