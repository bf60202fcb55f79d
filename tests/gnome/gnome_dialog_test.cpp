// The hotkey dialog in the real GNOME session of check-gnome: GNOME's settings
// in dconf, as gsd-media-keys reads them, and no global shortcuts portal. The
// session runs one test at a time, between the key presses it sends.
#include "core/extra_settings.h"
#include "core/hotkeys/desktop_session.h"
#include "core/hotkeys/desktop_shortcuts.h"
#include "core/hotkeys/gnome_shortcuts.h"
#include "inputs/portal_shortcuts.h"
#include "support/fake_portal.h"
#include "support/gnome_answers.h"
#include "support/message_recorder.h"
#include "support/wait.h"
#include "ui/forms.h"
#include "ui/frmHotKey.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace modMain;

namespace {

const QString Shown = QStringLiteral("デスクトップのキー: ");
const QString Schema = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");

QByteArray Gsettings(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("gsettings"), arguments);
    return process.waitForFinished(10000) && process.exitCode() == 0
               ? process.readAllStandardOutput().trimmed()
               : QByteArray("failed");
}

QByteArray Binding(int record) {
    return Gsettings(
        {"get", Schema + ".custom-keybinding:" + GnomeShortcutPath(record), "binding"});
}

class GnomeDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        BeginPortalTest(dir.path());
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        setHotkeyBackend(inputs::makePortalHotkeyBackend());
        DesktopShortcuts* desktop = desktopShortcuts();
        ASSERT_NE(desktop, nullptr);
        // A member: every later answer (an apply binds again) lands here too.
        QObject::connect(desktop, &DesktopShortcuts::finished, desktop,
                         [this] { answered = true; });
        LoadHotKeyForm();
        ASSERT_TRUE(WaitUntil([&] { return answered; })) << "no answer about the portal";
        ASSERT_TRUE(desktop->triggers().isEmpty()) << "GNOME 43 has no shortcuts portal";
        HotKeyForm->show();
    }
    void TearDown() override {
        UnloadHotKeyForm();
        EndPortalTest(QStringLiteral("memotap-portal"));
    }

    QTemporaryDir dir;
    MessageRecorder messages;
    bool answered = false;
};

TEST_F(GnomeDialog, ShowsGnomesKeysAndAChangeReachesGnome) {
    ASSERT_EQ(GnomeShortcutPathsNow().size(), 8) << "the player's offer added the shortcuts";
    // The user gives "to-end" another key in GNOME's keyboard settings.
    ASSERT_NE(Gsettings({"set", Schema + ".custom-keybinding:" + GnomeShortcutPath(8), "binding",
                         "'<Control><Alt>e'"}),
              "failed");
    frmHotKey& form = *HotKeyForm;
    form.hide();
    form.show();
    // GNOME's keys show once GNOME has answered.
    EXPECT_TRUE(WaitUntil([&] {
        return form.lstCommand->item(7)->toolTip() == Shown + "Ctrl+Alt+E";
    })) << form.lstCommand->item(7)->toolTip().toStdString();
    EXPECT_EQ(form.lblDesktopKey->text(), Shown + "Ctrl+Space");
    EXPECT_TRUE(form.cmdRemoveGnome->isVisible());
    for (int line = 0; line < form.lstCommand->count(); ++line)
        EXPECT_FALSE(form.lstCommand->item(line)->text().contains(QStringLiteral("未登録")))
            << form.lstCommand->item(line)->text().toStdString();

    // Listen becomes Ctrl+F5 in the dialog.
    form.lstCommand->setCurrentRow(0);
    form.lstKey->setCurrentRow(6);
    form.chkCtrl->setChecked(true);
    form.cmdApply->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.calls.empty(); }));
    EXPECT_EQ(messages.calls[0].text, "登録されました");
    EXPECT_EQ(Binding(1), "'<Control>F5'");
    EXPECT_EQ(Binding(8), "'<Control><Alt>e'") << "GNOME's key of another command stays";
    EXPECT_EQ(form.lblDesktopKey->text(), Shown + "Ctrl+F5");
}

TEST_F(GnomeDialog, RemovesOnlyOurs) {
    const QByteArray before = Gsettings({"get", Schema, "custom-keybindings"});
    ASSERT_TRUE(before.contains("/custom0/")) << "the user's own shortcut: " << before.data();
    frmHotKey& form = *HotKeyForm;
    ASSERT_TRUE(WaitUntil([&] { return form.cmdRemoveGnome->isVisible(); }))
        << "GNOME's keys read back";
    form.cmdRemoveGnome->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.calls.empty(); }));
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, "解除しました");
    EXPECT_EQ(Gsettings({"get", Schema, "custom-keybindings"}),
              "['/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/']");
    EXPECT_EQ(Binding(1), "''");
    EXPECT_FALSE(form.cmdRemoveGnome->isVisible());
    EXPECT_EQ(form.lstCommand->item(0)->text(), "Listen    :[Ctrl]+[Space] <<未登録>>");
    EXPECT_EQ(form.lblDesktopKey->text(), Shown + "未登録");
}

} // namespace
