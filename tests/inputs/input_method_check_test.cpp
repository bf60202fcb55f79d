// Finding the running input method on a session bus of the test's own: who
// owns fcitx 5's, fcitx 4's and IBus's names decides, each reads its own
// settings, and an input method that is only installed is never started.
#include "core/hotkeys/input_method.h"
#include "core/hotkeys/keylist.h"
#include "inputs/input_method_check.h"
#include "support/private_bus.h"
#include "support/wait.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace modMain;

namespace {

class InputMethodCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        ASSERT_TRUE(services.isValid());
        ResetInputMethodForTesting();
    }
    void TearDown() override { ResetInputMethodForTesting(); }

    // The player's process uses this bus and these settings from now on.
    void useBus(const PrivateBus& bus) {
        ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        qputenv("DISPLAY", ":7");
        // No IBus schema on the test's machine: gsettings answers nothing.
        qputenv("GSETTINGS_BACKEND", "memory");
    }
    // Another client on the bus takes the names, as a running input method does.
    void own(const PrivateBus& bus, const QStringList& names) {
        QDBusConnection owner = QDBusConnection::connectToBus(bus.address(), bus.address());
        ASSERT_TRUE(owner.isConnected());
        for (const QString& name : names)
            ASSERT_TRUE(owner.registerService(name)) << name.toStdString();
    }
    void writeConfig(const QString& relativePath, const QByteArray& bytes) {
        const QString path = config.filePath(relativePath);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // Runs the check to its answer.
    std::optional<InputMethod> check() {
        bool answered = false;
        const auto connection = QObject::connect(&InputMethodChanges(), &InputMethodEvents::changed,
                                                 [&] { answered = true; });
        inputs::StartInputMethodCheck(QCoreApplication::instance());
        EXPECT_TRUE(WaitUntil([&] { return answered; }, 15000));
        QObject::disconnect(connection);
        return RunningInputMethod();
    }

    QTemporaryDir config;
    QTemporaryDir services;
};

TEST_F(InputMethodCheckTest, Fcitx5ComesFirstAndReadsItsFileOrItsDefaults) {
    PrivateBus bus;
    useBus(bus);
    // fcitx 5 also answers under fcitx 4's and IBus's names.
    own(bus, {"org.fcitx.Fcitx5", "org.fcitx.Fcitx-7", "org.freedesktop.IBus"});
    std::optional<InputMethod> found = check();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "fcitx5");
    EXPECT_EQ(found->switchKeys, Fcitx5TriggerKeys({}));
    EXPECT_TRUE(found->switchKeys.contains(*SwitchKeyOf(ModCtrlBit, 32)));

    writeConfig("fcitx5/config", "[Hotkey/TriggerKeys]\n0=Zenkaku_Hankaku\n");
    found = check();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->switchKeys, QList<SwitchKey>({{0, "ZENKAKUHANKAKU"}}));
}

TEST_F(InputMethodCheckTest, Fcitx4ByItsDisplaysNameAndItsFile) {
    PrivateBus bus;
    useBus(bus);
    own(bus, {"org.fcitx.Fcitx-0"}); // another display's
    EXPECT_EQ(check(), std::nullopt);

    writeConfig("fcitx/config", "[Hotkey]\nTriggerKey=CTRL_SHIFT_SPACE\n");
    own(bus, {"org.fcitx.Fcitx-7"});
    std::optional<InputMethod> found = check();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "fcitx");
    EXPECT_EQ(found->switchKeys, QList<SwitchKey>({*SwitchKeyOf(ModCtrlBit | ModShiftBit, 32)}));
}

TEST_F(InputMethodCheckTest, IbusWithoutItsSettingHasItsDefault) {
    PrivateBus bus;
    useBus(bus);
    own(bus, {"org.freedesktop.IBus"});
    const std::optional<InputMethod> found = check();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "IBus");
    EXPECT_EQ(found->switchKeys, QList<SwitchKey>({*SwitchKeyOf(ModWinBit, 32)}));
}

TEST_F(InputMethodCheckTest, AnInstalledButStoppedInputMethodIsNotStarted) {
    // The bus would start "fcitx 5" if its name were asked for: the service
    // leaves a mark.
    PrivateBus bus;
    const QString mark = services.filePath("started");
    QFile service(QDir(bus.servicesDir()).filePath("org.fcitx.Fcitx5.service"));
    ASSERT_TRUE(service.open(QIODevice::WriteOnly));
    service.write(QStringLiteral("[D-BUS Service]\nName=org.fcitx.Fcitx5\nExec=/bin/sh -c 'touch "
                                 "\"%1\"'\n")
                      .arg(mark)
                      .toUtf8());
    service.close();
    useBus(bus);

    EXPECT_EQ(check(), std::nullopt);
    EXPECT_FALSE(QFile::exists(mark)) << "the check started the input method";

    // Asking the name itself would have.
    QProcess ping;
    ping.start("gdbus", {"call", "--session", "--dest", "org.fcitx.Fcitx5", "--object-path", "/",
                         "--method", "org.freedesktop.DBus.Peer.Ping"});
    EXPECT_TRUE(WaitUntil([&] { return QFile::exists(mark); }, 10000))
        << "the bus cannot start the service: the check above proves nothing";
    ping.kill();
    ping.waitForFinished(3000);
}

} // namespace
