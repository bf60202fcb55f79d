// The hearing aids' commands: a switch takes on or off or switches over, the
// channel takes its choice or goes to the next; each change reaches the
// engine at once and is remembered in the extra settings file.
#include "core/commands/command_fixture.h"
#include "core/extra_settings.h"
#include "core/hearing.h"
#include "core/textfile.h"

#include <QFile>

using namespace modMain;

namespace {

using HearingCommandsTest = CommandFixture;

QString savedText() {
    QFile file(ExtraSettingsPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return textfile::decode(file.readAll());
}

TEST_F(HearingCommandsTest, SwitchesTakeOnOffOrSwitchOverAndReachTheEngineAtOnce) {
    EXPECT_EQ(run("levelling", true),
              QStringList({"setHearing(levelling=1,noise=0,lowcut=0,channel=both)"}));
    EXPECT_EQ(run("noise-reduction"),
              QStringList({"setHearing(levelling=1,noise=1,lowcut=0,channel=both)"}));
    EXPECT_EQ(run("low-cut", true),
              QStringList({"setHearing(levelling=1,noise=1,lowcut=1,channel=both)"}));
    EXPECT_EQ(run("levelling"),
              QStringList({"setHearing(levelling=0,noise=1,lowcut=1,channel=both)"}));
    // Off when off already changes nothing but is handed on all the same.
    EXPECT_EQ(run("levelling", false),
              QStringList({"setHearing(levelling=0,noise=1,lowcut=1,channel=both)"}));
    EXPECT_EQ(run("noise-reduction", false),
              QStringList({"setHearing(levelling=0,noise=0,lowcut=1,channel=both)"}));
}

TEST_F(HearingCommandsTest, ChannelTakesItsChoiceOrCyclesThroughTheFour) {
    EXPECT_EQ(engine->hearing.channel, ChannelChoice::Both);
    QStringList cycle;
    for (int i = 0; i < 5; ++i) {
        run("channel");
        cycle << ChannelName(engine->hearing.channel);
    }
    EXPECT_EQ(cycle, QStringList({"left", "right", "mix", "both", "left"}));
    run("channel", static_cast<int>(ChannelChoice::Mix));
    EXPECT_EQ(engine->hearing.channel, ChannelChoice::Mix);
    EXPECT_EQ(ChannelNamed("right"), ChannelChoice::Right);
    EXPECT_FALSE(ChannelNamed("Left"));
    EXPECT_FALSE(ChannelNamed(""));
}

TEST_F(HearingCommandsTest, TheAidsAreRememberedAcrossRestartsBesideOtherSettings) {
    QFile file(ExtraSettingsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("hotkey.copy-time=0,0,0,0,0,0,\"x\",0\r\nfuture.setting=1\r\n");
    file.close();
    LoadExtraSettings();
    run("low-cut", true);
    run("channel", static_cast<int>(ChannelChoice::Right));
    EXPECT_EQ(savedText(), "hotkey.copy-time=0,0,0,0,0,0,\"x\",0\r\nfuture.setting=1\r\n"
                           "hearing.levelling=off\r\nhearing.noise-reduction=off\r\n"
                           "hearing.low-cut=on\r\nhearing.channel=right\r\n");

    // The next start reads them back and hands them to the engine.
    ResetExtraSettingsForTesting();
    FakeEngine& next = FakeEngine::install();
    LoadExtraSettings();
    LoadHearing();
    EXPECT_EQ(next.take(), QStringList({"setHearing(levelling=0,noise=0,lowcut=1,channel=right)"}));
    EXPECT_EQ(Hearing(), (HearingAids{false, false, true, ChannelChoice::Right}));
}

TEST_F(HearingCommandsTest, MissingOrDamagedValuesLeaveTheAidsOff) {
    QFile file(ExtraSettingsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("hearing.levelling=yes\r\nhearing.low-cut=ON\r\nhearing.channel=centre\r\n");
    file.close();
    LoadExtraSettings();
    LoadHearing();
    EXPECT_EQ(engine->take(),
              QStringList({"setHearing(levelling=0,noise=0,lowcut=0,channel=both)"}));
    // Nothing is written until an aid changes.
    EXPECT_EQ(savedText(),
              "hearing.levelling=yes\r\nhearing.low-cut=ON\r\nhearing.channel=centre\r\n");
}

} // namespace
