// The input method's switch keys as its own settings give them, compared
// with the player's bindings, and the box that says which bindings take them.
#include "core/extra_settings.h"
#include "core/hotkeys/input_method.h"
#include "core/hotkeys/keyfile.h"
#include "core/hotkeys/keylist.h"
#include "core/hotkeys/switch_keys.h"
#include "core/hotkeys/extra_keys.h"
#include "core/messagebox.h"
#include "core/settings.h"
#include "support/message_recorder.h"
#include "support/wait.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace modMain;

namespace {

constexpr Long Space = 32;
const SwitchKey CtrlSpace{ModCtrlBit, "SPACE"};

TEST(SwitchKeys, FcitxKeysInBothSpellingsWithModifiersInAnyOrder) {
    EXPECT_EQ(ParseFcitxKey("Control+space"), CtrlSpace);
    EXPECT_EQ(ParseFcitxKey("CTRL_SPACE"), CtrlSpace) << "fcitx 4";
    EXPECT_EQ(ParseFcitxKey("Shift+Control+space"), ParseFcitxKey("Control+Shift+space"));
    EXPECT_EQ(ParseFcitxKey("Shift+Control+space"), SwitchKeyOf(ModCtrlBit | ModShiftBit, Space));
    EXPECT_EQ(ParseFcitxKey("SHIFT_CTRL_SPACE"), SwitchKeyOf(ModCtrlBit | ModShiftBit, Space));
    EXPECT_EQ(ParseFcitxKey("Super+space"), SwitchKeyOf(ModWinBit, Space));
    EXPECT_EQ(ParseFcitxKey("Alt+Muhenkan"), SwitchKeyOf(ModAltBit, 29));
    EXPECT_EQ(ParseFcitxKey("Zenkaku_Hankaku"), (SwitchKey{0, "ZENKAKUHANKAKU"}));
    // One key, many names: X's, fcitx 4's, the character itself; letters in either case.
    EXPECT_EQ(ParseFcitxKey("Control+Prior"), SwitchKeyOf(ModCtrlBit, 33));
    EXPECT_EQ(ParseFcitxKey("CTRL_PGUP"), SwitchKeyOf(ModCtrlBit, 33));
    EXPECT_EQ(ParseFcitxKey("Control+Page_Down"), SwitchKeyOf(ModCtrlBit, 34));
    EXPECT_EQ(ParseFcitxKey("Control+A"), SwitchKeyOf(ModCtrlBit, 'A'));
    EXPECT_EQ(ParseFcitxKey("Control+a"), SwitchKeyOf(ModCtrlBit, 'A'));
    EXPECT_EQ(ParseFcitxKey("Control+,"), SwitchKeyOf(ModCtrlBit, 188));
    EXPECT_EQ(ParseFcitxKey("Control+comma"), SwitchKeyOf(ModCtrlBit, 188));
    EXPECT_EQ(ParseFcitxKey("KP_Add"), SwitchKeyOf(0, 107));
    EXPECT_EQ(ParseFcitxKey("KPADD"), SwitchKeyOf(0, 107));
    EXPECT_EQ(ParseFcitxKey("Henkan_Mode"), SwitchKeyOf(0, 28));
    // What no binding of the player can be.
    EXPECT_NE(ParseFcitxKey("Hyper+Control+space"), CtrlSpace);
    EXPECT_EQ(ParseFcitxKey("Control+<65>"), std::nullopt) << "a key code";
    EXPECT_EQ(ParseFcitxKey("Control+"), std::nullopt);
    EXPECT_EQ(ParseFcitxKey(""), std::nullopt);
    EXPECT_EQ(SwitchKeyOf(ModCtrlBit, 0), std::nullopt) << "a disabled binding";
}

TEST(SwitchKeys, IbusAcceleratorsWithTheirModifierNames) {
    EXPECT_EQ(ParseAccelerator("<Control>space"), CtrlSpace);
    EXPECT_EQ(ParseAccelerator("<Ctrl>space"), CtrlSpace);
    EXPECT_EQ(ParseAccelerator("<Primary>space"), CtrlSpace);
    EXPECT_EQ(ParseAccelerator("<Release><Control>space"), CtrlSpace);
    EXPECT_EQ(ParseAccelerator("<Shift><Control>space"), ParseAccelerator("<Control><Shift>space"));
    EXPECT_EQ(ParseAccelerator("<Super>space"), SwitchKeyOf(ModWinBit, Space));
    EXPECT_EQ(ParseAccelerator("<Alt>grave"), (SwitchKey{ModAltBit, "GRAVE"}));
    EXPECT_NE(ParseAccelerator("<Hyper>space"), SwitchKeyOf(0, Space));
    EXPECT_EQ(ParseAccelerator("<Control"), std::nullopt);
    EXPECT_EQ(ParseAccelerator("<Control>"), std::nullopt);
}

TEST(SwitchKeys, Fcitx5FileGivesItsTriggerKeysOrFcitx5sDefaults) {
    const QList<SwitchKey> defaults = {CtrlSpace, {0, "ZENKAKUHANKAKU"}, {0, "HANGUL"}};
    EXPECT_EQ(Fcitx5TriggerKeys({}), defaults) << "no file";
    EXPECT_EQ(Fcitx5TriggerKeys("[Hotkey]\n# Enumerate when press trigger key repeatedly\n"
                                "EnumerateWithTriggerKeys=True\n\n[Hotkey/AltTriggerKeys]\n"
                                "0=Shift_L\n"),
              defaults)
        << "the file says nothing of them";
    // As fcitx 5 writes the list it was given.
    EXPECT_EQ(Fcitx5TriggerKeys("[Hotkey]\nEnumerateWithTriggerKeys=True\n\n"
                                "[Hotkey/TriggerKeys]\n0=Zenkaku_Hankaku\n\n"
                                "[Hotkey/EnumerateGroupForwardKeys]\n0=Super+space\n"),
              QList<SwitchKey>({{0, "ZENKAKUHANKAKU"}}));
    EXPECT_EQ(Fcitx5TriggerKeys("[Hotkey/TriggerKeys]\r\n1=\"Shift+Control+space\"\r\n"
                                "0=Alt+grave\r\n3=F1\r\n"),
              QList<SwitchKey>(
                  {{ModAltBit, "GRAVE"}, SwitchKeyOf(ModCtrlBit | ModShiftBit, Space).value()}))
        << "in the order of their numbers, up to the first one missing";
    // An emptied list is a line of the [Hotkey] section.
    EXPECT_EQ(Fcitx5TriggerKeys("[Hotkey]\n# Trigger Input Method\nTriggerKeys=\n"
                                "EnumerateWithTriggerKeys=True\n"),
              QList<SwitchKey>());
    EXPECT_EQ(Fcitx5TriggerKeys("[Behavior]\nTriggerKeys=\n[Hotkey]\n"), defaults)
        << "another section's line";
}

TEST(SwitchKeys, Fcitx4FileAndIbusSettingGiveTheirKeysOrDefaults) {
    EXPECT_EQ(Fcitx4TriggerKeys({}), QList<SwitchKey>({CtrlSpace}));
    EXPECT_EQ(
        Fcitx4TriggerKeys("[Hotkey]\n#Trigger Input Method\nTriggerKey=CTRL_SHIFT_SPACE "
                          "ZENKAKUHANKAKU\nSwitchKey=L_SHIFT\n"),
        QList<SwitchKey>({*SwitchKeyOf(ModCtrlBit | ModShiftBit, Space), {0, "ZENKAKUHANKAKU"}}));
    EXPECT_EQ(IbusTriggerKeys(""), QList<SwitchKey>({*SwitchKeyOf(ModWinBit, Space)}))
        << "no setting: IBus's default";
    EXPECT_EQ(IbusTriggerKeys("['<Super>space', '<Control>space']\n"),
              QList<SwitchKey>({*SwitchKeyOf(ModWinBit, Space), CtrlSpace}));
    EXPECT_EQ(IbusTriggerKeys("@as []\n"), QList<SwitchKey>());
}

class SwitchKeyBox : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetAppPathForTesting(dir.path());
        ResetExtraSettingsForTesting();
        ResetInputMethodForTesting();
        InstallDefaultHotKeys();
        TimeStampKey() = HotkeyEntry{20, 0, 0, 0, 0, 0, 0, DisabledKeyText, 0};
    }
    void TearDown() override {
        ResetInputMethodForTesting();
        SetAppPathForTesting({});
    }
    static InputMethod fcitx5(const QByteArray& config = {}) {
        return {"fcitx5", Fcitx5TriggerKeys(config)};
    }
    // The check's answer; its box comes from the event loop.
    static void runs(const std::optional<InputMethod>& method) {
        SetRunningInputMethod(method);
        QCoreApplication::processEvents();
    }

    QTemporaryDir dir;
    MessageRecorder messages;
};

TEST_F(SwitchKeyBox, DefaultKeysUnderFcitx5NameCtrlSpaceTheInputMethodAndTheWaysOut) {
    runs(fcitx5());
    ASSERT_EQ(messages.calls.size(), 1u);
    const MessageCall& box = messages.calls[0];
    EXPECT_EQ(box.text, "Listen    :[Ctrl]+[Space]は\r\n"
                        "入力メソッド（fcitx5）の切り替えキーと同じです\r\n"
                        "メモタップの起動中は、このキーで入力メソッドを切り替えられません\r\n"
                        "キー設定の画面でメモタップのキーを変えるか、fcitx5の設定で切り替えキーを"
                        "変えてください");
    EXPECT_EQ(box.title, "ホットキー設定");
    EXPECT_EQ(box.icon, MessageIcon::Warning);
    EXPECT_EQ(box.checkBoxText, "次回から表示しない");
    EXPECT_EQ(RecordsOnSwitchKeys(), QList<int>({1}));

    runs(fcitx5());
    EXPECT_EQ(messages.calls.size(), 1u) << "once a run";
    EXPECT_TRUE(ExtraSetting("hotkeys.input-method-hidden").isEmpty()) << "not ticked";
}

TEST_F(SwitchKeyBox, EveryActiveBindingOnASwitchKeyIsNamedAndDisabledOnesAreNot) {
    // Listen's Ctrl+Space off; the timestamp on Ctrl+Shift+Space and SetEnd on F1,
    // both switch keys of this fcitx 4.
    HotKeys[1].Active = 0;
    TimeStampKey() =
        HotkeyEntry{20, 0, ModCtrlBit, ModShiftBit, 0, Space, 15, "[Ctrl]+[Shift]+[Space]", 1};
    HotKeys[8] = HotkeyEntry{8, 0, 0, 0, 0, 112, 2, "[F1]", 1};
    runs(InputMethod{"fcitx",
                     Fcitx4TriggerKeys("[Hotkey]\nTriggerKey=CTRL_SPACE SHIFT_CTRL_SPACE F1\n")});
    EXPECT_EQ(RecordsOnSwitchKeys(), QList<int>({8, TimeStampRecord}));
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_TRUE(messages.calls[0].text.startsWith("SetEnd    :[F1]\r\n"
                                                  "TimeStamp :[Ctrl]+[Shift]+[Space]は\r\n"
                                                  "入力メソッド（fcitx）の切り替えキーと同じです"))
        << messages.calls[0].text.toStdString();
}

TEST_F(SwitchKeyBox, NothingWhenNoInputMethodRunsOrItsKeysDoNotCollide) {
    runs(std::nullopt);
    runs(fcitx5("[Hotkey/TriggerKeys]\n0=Zenkaku_Hankaku\n"));
    runs(InputMethod{"IBus", IbusTriggerKeys("")});
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_TRUE(RecordsOnSwitchKeys().isEmpty());
    EXPECT_EQ(InputMethodSwitchingWith(ModWinBit, Space), "IBus");
    EXPECT_EQ(InputMethodSwitchingWith(ModCtrlBit, Space), "");
}

TEST_F(SwitchKeyBox, TickedCheckBoxIsStoredAndKeepsTheBoxAwayNextRun) {
    SetMessageHookForTesting([this](const MessageCall& call) {
        messages.calls.push_back(call);
        if (call.checked)
            *call.checked = true;
        return MessageResult::Ok;
    });
    runs(fcitx5());
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(ExtraSetting("hotkeys.input-method-hidden"), "1");
    EXPECT_TRUE(ExtraSettingsBytes().contains("hotkeys.input-method-hidden=1\r\n"));

    // The next run reads the file.
    ResetExtraSettingsForTesting();
    ResetInputMethodForTesting();
    LoadExtraSettings();
    runs(fcitx5());
    EXPECT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(RecordsOnSwitchKeys(), QList<int>({1})) << "the dialog still marks the line";
}

TEST_F(SwitchKeyBox, WaitsUntilTheBoxThatIsUpHasClosed) {
    // The input method is found while a start-up box is up, whose own loop
    // runs the events meanwhile.
    size_t insideTheBox = 0;
    SetMessageHookForTesting([&](const MessageCall& call) {
        messages.calls.push_back(call);
        if (call.title == "エラー") {
            SetRunningInputMethod(fcitx5());
            QCoreApplication::processEvents();
            insideTheBox = messages.calls.size();
        }
        return MessageResult::Ok;
    });
    ShowMessage("キー設定ファイルがありません。初期設定で起動します。", "エラー",
                MessageIcon::Warning);
    EXPECT_EQ(insideTheBox, 1u) << "not while the other box is up";
    ASSERT_TRUE(WaitUntil([this] { return messages.calls.size() == 2u; }));
    EXPECT_EQ(messages.calls[1].title, "ホットキー設定");
}

} // namespace
