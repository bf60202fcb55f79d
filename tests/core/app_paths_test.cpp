// Where the settings and the help are: beside a copy run from a user's folder,
// in the user's configuration folder for the installed executable.
#include "core/app_paths.h"
#include "core/modMain.h"
#include "core/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace modMain;

namespace {

class InstallFolders : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkpath("usr/bin"));
        ASSERT_TRUE(QDir(dir.path()).mkpath("home/user/portable"));
    }
    QString path(const QString& name) const { return dir.path() + '/' + name; }

    QTemporaryDir dir;
};

mode_t Mode(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

} // namespace

TEST_F(InstallFolders, OnlyTheCompiledInBinFolderIsTheInstall) {
    const QString bin = path("usr/bin");
    EXPECT_TRUE(RunsFromInstall(bin, bin));
    EXPECT_TRUE(RunsFromInstall(path("usr/lib/../bin/"), bin)) << "spelt differently";
    EXPECT_FALSE(RunsFromInstall(path("home/user/portable"), bin));
    EXPECT_FALSE(RunsFromInstall(path("usr"), bin));
    EXPECT_FALSE(RunsFromInstall({}, bin));
    EXPECT_FALSE(RunsFromInstall(bin, {}));
}

TEST_F(InstallFolders, SymbolicLinksAreResolvedOnBothSides) {
    // /bin linked to /usr/bin, and a prefix reached through a link.
    ASSERT_TRUE(QFile::link(path("usr/bin"), path("bin")));
    ASSERT_TRUE(QFile::link(path("usr"), path("prefix")));
    EXPECT_TRUE(RunsFromInstall(path("bin"), path("usr/bin")));
    EXPECT_TRUE(RunsFromInstall(path("usr/bin"), path("prefix/bin")));
    EXPECT_FALSE(RunsFromInstall(path("bin"), path("home/user/portable")));
}

TEST_F(InstallFolders, PortableCopyKeepsItsSettingsBesideItWhateverTheEnvironment) {
    const QString exe = path("home/user/portable");
    for (const QString& xdg : {QString(), path("config")}) {
        const SettingsLocation location = LocateSettings(exe, path("usr/bin"), xdg, path("home"));
        EXPECT_EQ(location.folder, exe);
        EXPECT_FALSE(location.installed);
    }
}

TEST_F(InstallFolders, InstalledCopyUsesXdgConfigHomeOrItsDefault) {
    const QString bin = path("usr/bin");
    const QString home = path("home/user");

    SettingsLocation location = LocateSettings(bin, bin, path("xdg/"), home);
    EXPECT_EQ(location.folder, path("xdg/memotap"));
    EXPECT_TRUE(location.installed);

    EXPECT_EQ(LocateSettings(bin, bin, {}, home).folder, path("home/user/.config/memotap"));
    // A relative $XDG_CONFIG_HOME is not valid, so the default applies.
    EXPECT_EQ(LocateSettings(bin, bin, "relative/config", home).folder,
              path("home/user/.config/memotap"));
}

TEST_F(InstallFolders, MissingFoldersAreMadePrivateExistingOnesKeepTheirMode) {
    const mode_t old = ::umask(022);
    ASSERT_TRUE(QFile::setPermissions(path("home/user"), QFile::ReadOwner | QFile::WriteOwner |
                                                             QFile::ExeOwner | QFile::ReadGroup |
                                                             QFile::ExeGroup | QFile::ReadOther |
                                                             QFile::ExeOther));
    const QString folder = path("home/user/.config/memotap");
    EXPECT_TRUE(MakePrivateFolder(folder));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(Mode(path("home/user/.config")), 0700u);
    EXPECT_EQ(Mode(folder), 0700u);
    EXPECT_EQ(Mode(path("home/user")), 0755u);

    // Again: nothing to do.
    EXPECT_TRUE(MakePrivateFolder(folder + '/'));

    // A file where the folder should be.
    QFile blocker(path("home/user/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(MakePrivateFolder(path("home/user/file/memotap")));
    ::umask(old);
}

TEST(HelpFolder, IsBesideTheSettingsOfACopyRunFromItsFolder) {
    // The test program is such a copy: its help is where AppPath() points,
    // including a test's own folder.
    EXPECT_EQ(HelpFolder(), AppPath());
    SetAppPathForTesting(QStringLiteral("/tmp/some folder"));
    EXPECT_EQ(HelpFolder(), QDir::toNativeSeparators(QStringLiteral("/tmp/some folder/")));
    SetAppPathForTesting({});
}
