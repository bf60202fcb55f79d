// The hotkey dialog in a Wayland session, against a fake desktop portal on a
// private session bus: the keys the desktop reports reach the dialog, and an
// apply stores the record and answers after the desktop did.
#include "core/app_paths.h"
#include "core/extra_settings.h"
#include "core/hotkeys/desktop_hotkeys.h"
#include "core/hotkeys/gnome_shortcuts.h"
#include "core/hotkeys/keyfile.h"
#include "core/settings.h"
#include "inputs/portal_shortcuts.h"
#include "support/fake_portal.h"
#include "support/gnome_answers.h"
#include "support/message_recorder.h"
#include "support/wait.h"
#include "ui/forms.h"
#include "ui/frmHotKey.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace modMain;

namespace {

const QString Line0Key = QStringLiteral("デスクトップのキー: ");

class PortalDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
        ASSERT_TRUE(dir.isValid());
        BeginPortalTest(dir.path());
        auto backend = std::make_unique<inputs::PortalShortcuts>(
            QDBusConnection::connectToBus(bus.address(), "dialog-portal"), AppId);
        portal = backend.get();
        setHotkeyBackend(std::move(backend));
    }
    void TearDown() override {
        UnloadHotKeyForm();
        EndPortalTest("dialog-portal");
    }
    frmHotKey& load() {
        LoadHotKeyForm();
        EXPECT_TRUE(WaitUntil([this] { return fake.calls.contains("BindShortcuts"); }));
        EXPECT_TRUE(WaitUntil([this] { return !portal->triggers().isEmpty(); }));
        return *HotKeyForm;
    }
    void apply(frmHotKey& form, int line, int keyRow, bool ctrl) {
        form.lstCommand->setCurrentRow(line);
        form.lstKey->setCurrentRow(keyRow);
        form.chkAlt->setChecked(false);
        form.chkCtrl->setChecked(ctrl);
        form.chkShift->setChecked(false);
        form.chkWin->setChecked(false);
        form.cmdApply->click();
    }
    QByteArray readKeyFile() const {
        QFile file(dir.filePath(KeyFileName));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString boundTrigger(const QString& id) const {
        for (const inputs::PortalShortcut& s : fake.lastBound)
            if (s.id == id)
                return s.properties.value("preferred_trigger").toString();
        return {};
    }

    PrivateBus bus;
    FakePortal fake{bus.address()};
    QTemporaryDir dir;
    MessageRecorder messages;
    inputs::PortalShortcuts* portal = nullptr;
};

TEST_F(PortalDialogTest, ShowsTheKeysTheDesktopReportsAndOpensItsSettings) {
    frmHotKey& form = load();
    ASSERT_NE(form.lblDesktopKey, nullptr);
    EXPECT_EQ(form.lblDesktopKey->text(), Line0Key + "CTRL+space");
    EXPECT_TRUE(form.cmdDesktopKeys->isVisibleTo(&form));

    fake.changeTriggers({{"play-pause", "Ctrl+Alt+P"}, {"rewind", "F7"}});
    ASSERT_TRUE(WaitUntil([&] { return form.lblDesktopKey->text() == Line0Key + "Ctrl+Alt+P"; }));
    EXPECT_EQ(form.lstCommand->item(1)->toolTip(), Line0Key + "F7");
    EXPECT_EQ(form.lstCommand->item(2)->toolTip(), Line0Key + "未登録");
    // The records keep the user's choice.
    EXPECT_EQ(form.lstCommand->item(0)->text(), "Listen    :[Ctrl]+[Space]");
    EXPECT_EQ(HotKeys[1].KeyText, "[Ctrl]+[Space]");

    form.cmdDesktopKeys->click();
    EXPECT_TRUE(WaitUntil([&] { return fake.configureCalls == 1; }));
    EXPECT_TRUE(messages.calls.empty());
}

TEST_F(PortalDialogTest, ApplyStoresTheRecordAndAnswersAfterTheDesktop) {
    frmHotKey& form = load();
    apply(form, 1, 6, false); // REW: F5
    EXPECT_TRUE(messages.calls.empty()) << "no answer before the desktop's";
    EXPECT_EQ(form.lstCommand->item(1)->text(), "REW       :[F5]");
    ASSERT_TRUE(WaitUntil([&] { return !messages.calls.empty(); }));
    EXPECT_EQ(messages.calls[0].text, "登録されました");
    EXPECT_EQ(boundTrigger("rewind"), "F5");
    EXPECT_TRUE(readKeyFile().contains("2,0,0,0,0,116,6,\"[F5]\",1\r\n"));

    // Refused: the record stays stored, the failure is said.
    messages.calls.clear();
    fake.bindAnswer = FakePortal::Answer::Refuse;
    apply(form, 2, 7, true); // FF: Ctrl+F6
    ASSERT_TRUE(WaitUntil([&] { return !messages.calls.empty(); }));
    EXPECT_EQ(messages.calls[0].text.section("\r\n", 0, 0), "すでにシステムに登録された組合せです");
    EXPECT_TRUE(readKeyFile().contains("3,0,2,0,0,117,7,\"[Ctrl]+[F6]\",1\r\n"));
    EXPECT_EQ(form.lblDesktopKey->text(), Line0Key + "未登録");

    // Disabled: bound without it, then "解除しました".
    messages.calls.clear();
    fake.bindAnswer = FakePortal::Answer::Accept;
    apply(form, 0, 0, false);
    ASSERT_TRUE(WaitUntil([&] { return !messages.calls.empty(); }));
    EXPECT_EQ(messages.calls[0].text, "解除しました");
    EXPECT_EQ(boundTrigger("play-pause"), "");
    EXPECT_EQ(form.lstCommand->item(0)->text(), "Listen    :<<無効>>");
    EXPECT_EQ(form.lblDesktopKey->text(), Line0Key + "未登録");
}

TEST_F(PortalDialogTest, AKeyTheDesktopDidNotBindIsNeverReportedAsRegistered) {
    fake.unboundIds = {"speed-up"};
    frmHotKey& form = load();
    EXPECT_EQ(form.lstCommand->item(4)->text(), "PitchUp   :[Ctrl]+[↑] <<未登録>>");
    EXPECT_EQ(form.lstCommand->item(0)->text(), "Listen    :[Ctrl]+[Space]");
    ASSERT_EQ(messages.calls.size(), 1u) << "the start names the unbound command";
    EXPECT_TRUE(messages.calls[0].text.startsWith("PitchUp   :[Ctrl]+[↑]は\r\n"));

    // The desktop leaves the applied key out: the message names it.
    messages.calls.clear();
    fake.unboundIds = {"rewind"};
    apply(form, 1, 6, false); // REW: F5
    ASSERT_TRUE(WaitUntil([&] { return !messages.calls.empty(); }));
    EXPECT_EQ(messages.calls[0].title, "確認");
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::Warning);
    EXPECT_EQ(messages.calls[0].text.section("\r\n", 0, 1),
              "REW       :[F5]は\r\nホットキー登録できませんでした");
    EXPECT_EQ(form.lstCommand->item(1)->text(), "REW       :[F5] <<未登録>>");
    EXPECT_EQ(form.lstCommand->item(4)->text(), "PitchUp   :[Ctrl]+[↑]") << "bound now";
    EXPECT_EQ(form.lblDesktopKey->text(), Line0Key + "未登録");

    // Nothing bound at all: a failure, not "登録されました".
    messages.calls.clear();
    fake.unboundIds.clear();
    fake.answersEmpty = true;
    apply(form, 2, 7, true); // FF: Ctrl+F6
    ASSERT_TRUE(WaitUntil([&] { return !messages.calls.empty(); }));
    EXPECT_NE(messages.calls[0].text, "登録されました");
    EXPECT_TRUE(messages.calls[0].text.contains("FF        :[Ctrl]+[F6]"));
    EXPECT_EQ(form.lstCommand->item(0)->text(), "Listen    :[Ctrl]+[Space] <<未登録>>");
}

// GNOME without the portal: the dialog shows the keys GNOME has, read back
// from GNOME, and marks only what GNOME has no key for.
TEST_F(PortalDialogTest, WithoutThePortalTheDialogShowsGnomesOwnKeys) {
    QTemporaryDir config;
    qputenv("GSETTINGS_BACKEND", "keyfile");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    const QString schema = "org.gnome.settings-daemon.plugins.media-keys";
    const QString userPath = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/"
                             "custom0/";
    auto gsettings = [](const QStringList& arguments) {
        QProcess process;
        process.start("gsettings", arguments);
        return process.waitForFinished(10000) && process.exitCode() == 0
                   ? process.readAllStandardOutput().trimmed()
                   : QByteArray("failed");
    };
    auto setBinding = [&](int record, const QString& accelerator) {
        return gsettings({"set", schema + ".custom-keybinding:" + GnomeShortcutPath(record),
                          "binding", accelerator}) != "failed";
    };
    ASSERT_NE(gsettings({"set", schema, "custom-keybindings", "['" + userPath + "']"}), "failed");
    InstallDefaultHotKeys();
    ASSERT_TRUE(AddGnomeShortcutsNow("memotap"));
    // Changed in GNOME's keyboard settings.
    ASSERT_TRUE(setBinding(1, "'<Control><Alt>p'"));
    HotKeys = {};
    fake.vanish();
    LoadHotKeyForm();
    frmHotKey& form = *HotKeyForm;
    form.show();
    ASSERT_TRUE(WaitUntil([&] { return form.lblDesktopKey->text() == Line0Key + "Ctrl+Alt+P"; }));
    EXPECT_TRUE(form.cmdRemoveGnome->isVisible());
    EXPECT_EQ(form.lstCommand->item(0)->text(), "Listen    :[Ctrl]+[Space]")
        << "the record keeps the user's choice, and GNOME has a key for it";
    EXPECT_EQ(form.lstCommand->item(1)->toolTip(), Line0Key + "Ctrl+Left");
    for (int line = 0; line < form.lstCommand->count(); ++line)
        EXPECT_FALSE(form.lstCommand->item(line)->text().contains("未登録")) << line;

    apply(form, 1, 6, false); // REW: F5
    ASSERT_TRUE(WaitUntil([&] { return !messages.calls.empty(); }));
    EXPECT_EQ(messages.calls[0].text, "登録されました") << "no unavailable box: GNOME's work";
    EXPECT_EQ(gsettings({"get", schema + ".custom-keybinding:" + GnomeShortcutPath(2), "binding"}),
              "'F5'");
    EXPECT_EQ(form.lstCommand->item(1)->toolTip(), Line0Key + "F5");
    EXPECT_EQ(form.lblDesktopKey->text(), Line0Key + "F5");
    EXPECT_EQ(form.lstCommand->item(0)->toolTip(), Line0Key + "Ctrl+Alt+P")
        << "GNOME's key of another command stays";

    // A key taken away in GNOME shows when the dialog comes back.
    form.hide();
    ASSERT_TRUE(setBinding(3, "''"));
    form.show();
    EXPECT_TRUE(WaitUntil([&] {
        return form.lstCommand->item(2)->text() == "FF        :[Ctrl]+[→] <<未登録>>";
    })) << form.lstCommand->item(2)->text().toStdString();
    EXPECT_EQ(form.lstCommand->item(2)->toolTip(), Line0Key + "未登録");

    // Removing takes ours out, leaves the user's own, and says what is left.
    messages.calls.clear();
    form.cmdRemoveGnome->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.calls.empty(); }));
    EXPECT_TRUE(GnomeShortcutPathsNow().isEmpty());
    EXPECT_EQ(gsettings({"get", schema, "custom-keybindings"}), "['" + userPath.toUtf8() + "']");
    EXPECT_FALSE(form.cmdRemoveGnome->isVisible());
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, "解除しました");
    EXPECT_EQ(form.lstCommand->item(0)->text(), "Listen    :[Ctrl]+[Space] <<未登録>>");
    EXPECT_EQ(form.lblDesktopKey->text(), Line0Key + "未登録");

    // GNOME answers after the dialog is gone: the answer finds no dialog.
    ASSERT_TRUE(AddGnomeShortcutsNow("memotap"));
    form.hide();
    form.show();
    UnloadHotKeyForm();
    EXPECT_EQ(GnomeShortcutPathsNow().size(), 8);
    qunsetenv("XDG_CURRENT_DESKTOP");
}

} // namespace
