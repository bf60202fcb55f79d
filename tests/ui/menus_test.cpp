// The small commands of the menus and the Vol button: the colour dialog's
// one-at-a-time rule, the help file and its fallback, the version box and
// the volume mixer.
#include "ui/frmColor.h"
#include "ui/help_file.h"
#include "ui/modes_fixture.h"
#include "ui/volume_mixer.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QThread>
#include <QUrl>

using namespace modMain;

namespace {

const QString Sep = QDir::separator();

TEST(HelpPath, AddsOneSeparatorUnlessTheFolderEndsWithOne) {
    EXPECT_EQ(HelpFilePath(Sep + "opt" + Sep + "memotap"),
              Sep + "opt" + Sep + "memotap" + Sep + "help.chm");
    EXPECT_EQ(HelpFilePath(Sep + "opt" + Sep + "memotap" + Sep),
              Sep + "opt" + Sep + "memotap" + Sep + "help.chm");
    // The root folder already ends with its separator.
    EXPECT_EQ(HelpFilePath(Sep), Sep + "help.chm");
    EXPECT_EQ(HelpFilePath("/"), "/help.chm");
}

TEST(HelpPath, OffersTheHtmlPagesAfterTheCompiledHelpOrAlone) {
    const QString folder = Sep + "opt" + Sep + "memotap" + Sep;
    const QString html = folder + "help" + Sep + "index.html";
    EXPECT_EQ(HelpCandidates(folder, true), QStringList({folder + "help.chm", html}));
    EXPECT_EQ(HelpCandidates(folder, false), QStringList({html}));
}

// A stand-in for xdg-mime first in PATH answers the desktop's question.
class ChmViewerQuery : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(bin.isValid()); }

    void fakeXdgMime(const QByteArray& script) {
        QFile file(bin.filePath("xdg-mime"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + script + "\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", bin.path().toLocal8Bit() + ":/usr/bin:/bin");
    }

    QTemporaryDir bin;
};

TEST_F(ChmViewerQuery, KnowsAViewerRegisteredForTheChmType) {
    fakeXdgMime("[ \"$1 $2 $3\" = \"query default application/vnd.ms-htmlhelp\" ] && "
                "echo xchm.desktop");
    EXPECT_TRUE(SystemOpensChm("/opt/memotap/help.chm"));
}

TEST_F(ChmViewerQuery, FindsNoneWhenNothingIsRegisteredOrNoToolAnswers) {
    fakeXdgMime("exit 0");
    EXPECT_FALSE(SystemOpensChm("/opt/memotap/help.chm"));
    fakeXdgMime("exit 4");
    EXPECT_FALSE(SystemOpensChm("/opt/memotap/help.chm"));
    qputenv("PATH", bin.path().toLocal8Bit() + "/none");
    EXPECT_FALSE(SystemOpensChm("/opt/memotap/help.chm"));
}

class Menus : public StartedWindow {
  protected:
    void SetUp() override {
        StartedWindow::SetUp();
        start();
    }
    void TearDown() override {
        SetUrlOpenerForTesting({});
        SetChmViewerQueryForTesting({});
        SetVolumeMixersForTesting(std::nullopt);
        StartedWindow::TearDown();
    }

    // The desktop as the help command sees it: whether it has a .chm viewer
    // and which files it accepts to open.
    void fakeDesktop(bool chmViewer, bool acceptsChm) {
        SetChmViewerQueryForTesting([chmViewer](const QString&) { return chmViewer; });
        SetUrlOpenerForTesting([this, acceptsChm](const QUrl& url) {
            opened << url.toLocalFile();
            return !url.toLocalFile().endsWith(".chm") || acceptsChm;
        });
    }

    QString appFile(const QString& name) const { return AppPath() + name; }

    QStringList opened;
};

TEST_F(Menus, HelpOpensTheCompiledHelpWhereTheDesktopHasAViewer) {
    fakeDesktop(/*chmViewer=*/true, /*acceptsChm=*/true);
    form->mnuHelp_Help->trigger();
    EXPECT_EQ(opened, QStringList({appFile("help.chm")}));
    EXPECT_TRUE(messages.calls.empty());
}

TEST_F(Menus, HelpOpensTheHtmlPagesWhereNoApplicationOpensAChm) {
    fakeDesktop(/*chmViewer=*/false, /*acceptsChm=*/false);
    form->mnuHelp_Help->trigger();
    EXPECT_EQ(opened, QStringList({appFile("help" + Sep + "index.html")}));

    // A viewer that is registered but refuses the file leads there too.
    opened.clear();
    fakeDesktop(/*chmViewer=*/true, /*acceptsChm=*/false);
    form->mnuHelp_Help->trigger();
    EXPECT_EQ(opened, QStringList({appFile("help.chm"), appFile("help" + Sep + "index.html")}));
    EXPECT_TRUE(messages.calls.empty()) << "help reports nothing";
}

TEST_F(Menus, VersionBoxShowsTitleVersionAndOneAuthorLine) {
    form->mnuVersion->trigger();

    ASSERT_EQ(messages.calls.size(), 1u);
    const MessageCall& box = messages.calls[0];
    EXPECT_EQ(box.title, "バージョン情報");
    EXPECT_EQ(box.icon, MessageIcon::None);
    EXPECT_EQ(box.buttons, MessageButtons::Ok);
    const QString head = "メモタップVersion 1.3.0\r\n\r\n";
    ASSERT_TRUE(box.text.startsWith(head)) << box.text.toStdString();
    const QString author = box.text.mid(head.size());
    EXPECT_FALSE(author.trimmed().isEmpty());
    EXPECT_FALSE(author.contains('\r') || author.contains('\n')) << "one author line";
}

TEST_F(Menus, MixerThatCannotBeStartedIsReportedAndThePlayerRunsOn) {
    SetVolumeMixersForTesting(std::vector<MixerCommand>{
        {"memotap-no-such-mixer", {}}, {"/nonexistent/folder/pavucontrol", {"--tab=1"}}});

    form->cmdVol->click();

    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].title, AppTitle);
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::Warning);
    EXPECT_EQ(messages.calls[0].buttons, MessageButtons::Ok);
    EXPECT_TRUE(messages.calls[0].text.contains("音量ミキサー"));
    // The window goes on working.
    EXPECT_TRUE(form->isVisible());
    form->cmdEQ->click();
    EXPECT_TRUE(form->EqualizerShown);
}

TEST_F(Menus, MixerStartsDetachedWithItsArgumentsSkippingMissingOnes) {
    const QString mark = folder.filePath("mixer-started");
    SetVolumeMixersForTesting(std::vector<MixerCommand>{
        {"memotap-no-such-mixer", {}},
        // Renamed into place: the mark never exists half written.
        {"sh", {"-c", "echo \"$0\" > \"$1.part\" && mv \"$1.part\" \"$1\"", "started", mark}},
        {"sh", {"-c", "echo second > \"$0\"", mark + ".2"}}});

    QElapsedTimer clock;
    clock.start();
    form->cmdVol->click();
    const qint64 returnedAfter = clock.elapsed();

    EXPECT_TRUE(messages.calls.empty());
    while (!QFile::exists(mark) && clock.elapsed() < 10000)
        QThread::msleep(20);
    QFile file(mark);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the mixer never ran";
    EXPECT_EQ(file.readAll().trimmed(), "started");
    EXPECT_FALSE(QFile::exists(mark + ".2")) << "only the first mixer that starts";
    EXPECT_LT(returnedAfter, 5000) << "the player does not wait for the mixer";
}

TEST(DesktopMixers, PutTheDesktopsOwnSettingsFirstAndNoneTwice) {
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    const auto gnome = DesktopMixers();
    ASSERT_FALSE(gnome.empty());
    EXPECT_EQ(gnome.front(), (MixerCommand{"gnome-control-center", {"sound"}}));
    for (std::size_t i = 0; i < gnome.size(); ++i)
        for (std::size_t j = i + 1; j < gnome.size(); ++j)
            EXPECT_FALSE(gnome[i] == gnome[j]) << gnome[i].program.toStdString();

    qputenv("XDG_CURRENT_DESKTOP", "");
    const auto plain = DesktopMixers();
    ASSERT_FALSE(plain.empty());
    EXPECT_EQ(plain.front().program, "pavucontrol");
}

TEST_F(Menus, ColourDialogOpensOnceAndIsCreatedAnewAfterClosing) {
    ASSERT_EQ(ColorForm, nullptr);
    form->mnuOther->trigger();
    frmColor* first = ColorForm;
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(first->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(first->parent(), nullptr) << "no owner";

    // A second choice only brings the open dialog forward; its lists keep
    // what the user chose in them.
    first->cmbPanelColor->setCurrentIndex(5);
    form->mnuOther->trigger();
    EXPECT_EQ(ColorForm, first);
    EXPECT_EQ(first->cmbPanelColor->currentIndex(), 5);

    first->cmdSetUpCancel->click();
    FlushDeletions();
    EXPECT_EQ(ColorForm, nullptr);

    PanelColour = 3;
    form->mnuOther->trigger();
    ASSERT_NE(ColorForm, nullptr);
    EXPECT_EQ(ColorForm->cmbPanelColor->currentIndex(), 3) << "filled afresh from the settings";
    EXPECT_FALSE(ColorForm->cmdSetUpApply->isEnabled());
}

TEST_F(Menus, ClosingTheMainWindowClosesTheColourDialog) {
    form->mnuOther->trigger();
    ASSERT_NE(ColorForm, nullptr);
    form->close();
    EXPECT_EQ(ColorForm, nullptr);
}

} // namespace
