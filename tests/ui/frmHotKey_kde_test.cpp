// The hotkey dialog on KDE, against the real kglobalaccel5 on Xvfb and a
// private bus: a key changed in KDE's settings is what the dialog shows,
// while the record and the key file keep the user's choice until an apply
// of that record puts it back into KDE.
#include "core/app_paths.h"
#include "core/hotkeys/keyfile.h"
#include "inputs/kglobalaccel_shortcuts.h"
#include "support/fake_portal.h"
#include "support/kde_desktop.h"
#include "support/message_recorder.h"
#include "support/wait.h"
#include "support/xsession.h"
#include "ui/forms.h"
#include "ui/frmHotKey.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace modMain;

namespace {

constexpr int CtrlSpace = 0x04000000 | 0x20;
constexpr int CtrlAltP = 0x04000000 | 0x08000000 | 0x50;
const QString Shown = QStringLiteral("デスクトップのキー: ");

TEST(KdeDialogTest, ShowsTheKeyChangedInKdeAndOnlyItsOwnApplyOverridesIt) {
    XSession x;
    ASSERT_TRUE(x.ok());
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    KdeDesktop kde(x.display(), bus.address());
    ASSERT_TRUE(kde.startDaemon()) << kde.log().toStdString();
    QTemporaryDir dir;
    BeginPortalTest(dir.path());
    MessageRecorder messages;
    auto backend = std::make_unique<inputs::KGlobalAccelShortcuts>(
        QDBusConnection::connectToBus(bus.address(), "dialog-kde"), AppId, AppTitle);
    DesktopShortcuts& desktop = *backend;
    setHotkeyBackend(std::move(backend));
    LoadHotKeyForm();
    frmHotKey& form = *HotKeyForm;
    ASSERT_TRUE(WaitUntil([&] { return desktop.triggers().size() == 8; }));
    EXPECT_EQ(form.lblDesktopKey->text(), Shown + "Ctrl+Space");
    EXPECT_TRUE(messages.calls.empty());

    ASSERT_TRUE(kde.changeKeys(AppId, "play-pause", {CtrlAltP}));
    ASSERT_TRUE(WaitUntil([&] { return form.lblDesktopKey->text() == Shown + "Ctrl+Alt+P"; }));
    EXPECT_EQ(form.lstCommand->item(0)->toolTip(), Shown + "Ctrl+Alt+P");
    EXPECT_EQ(form.lstCommand->item(0)->text(), "Listen    :[Ctrl]+[Space]");
    QFile keyFile(dir.filePath(KeyFileName));
    ASSERT_TRUE(keyFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(keyFile.readAll().startsWith("1,0,2,0,0,32,15,\"[Ctrl]+[Space]\",1\r\n"));
    keyFile.close();

    // Applying another record leaves KDE's key; applying this one puts the
    // dialog's back.
    form.lstCommand->setCurrentRow(1);
    form.chkShift->setChecked(true);
    form.cmdApply->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.calls.empty(); }));
    EXPECT_EQ(messages.calls[0].text, "登録されました");
    EXPECT_EQ(kde.keys(AppId, "play-pause"), QList<int>{CtrlAltP});
    messages.calls.clear();
    form.lstCommand->setCurrentRow(0);
    form.chkAlt->setChecked(true);
    form.chkAlt->setChecked(false);
    form.cmdApply->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.calls.empty(); }));
    EXPECT_EQ(messages.calls[0].text, "登録されました");
    EXPECT_EQ(kde.keys(AppId, "play-pause"), QList<int>{CtrlSpace});
    EXPECT_EQ(form.lblDesktopKey->text(), Shown + "Ctrl+Space");

    UnloadHotKeyForm();
    EndPortalTest("dialog-kde");
}

} // namespace
