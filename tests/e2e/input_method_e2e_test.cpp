// The real player beside the real fcitx 5 on a private X server and a private
// session bus: with fcitx 5's default switch keys the player says at start
// that its Ctrl+Space takes one of them, and its hotkey dialog says so when
// the key is chosen again; once fcitx 5 switches with 半角/全角 only, nothing
// is said.
#include "core/textfile.h"
#include "support/private_bus.h"
#include "support/wait.h"
#include "support/xsession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The hotkey dialog's height in pixels once it has made room for the input
// method's note: 6180 twips and 540 more.
constexpr int DialogHeightWithNote = 448;

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Settings with an empty history: the player starts without a file.
QByteArray settingsWithoutFile() {
    return textfile::toCp932(QStringLiteral("0,0,1\r\n\"\",0\r\n\"\",0\r\n\"\",0\r\n\"\",0\r\n"
                                            "\"\",0\r\n100,0,10,4,4\r\n2\r\n0,0,0,\"黒\"\r\n"
                                            "255,255,255,\"白\"\r\n0,1\r\n"))
        .value_or(QByteArray());
}

class InputMethodE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(PrepareRun(x, sound, player));
        player.writeFile("hMEMOTAP.txt", settingsWithoutFile());
        ASSERT_TRUE(home.isValid());
        ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
        player.environment().insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
        player.environment().insert("XDG_CONFIG_HOME", configHome());
        // The player logs each box it shows, title and text.
        player.environment().insert("QT_LOGGING_RULES", "memotap.ui.debug=true");
        player.keepOutput();
        startFcitx5();
    }

    void TearDown() override {
        fcitx5.terminate();
        if (!fcitx5.waitForFinished(5000))
            fcitx5.kill();
    }

    QString configHome() const { return home.filePath(".config"); }
    QString fcitx5Config() const { return home.filePath(".config/fcitx5/config"); }

    QProcessEnvironment busEnvironment() const {
        QProcessEnvironment env = x.environment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", configHome());
        return env;
    }

    std::optional<QString> gdbus(const QStringList& arguments) const {
        QProcess process;
        process.setProcessEnvironment(busEnvironment());
        process.start("gdbus", QStringList{"call", "--session"} + arguments);
        if (!process.waitForFinished(10000) || process.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    bool fcitx5OnTheBus() const {
        return gdbus({"--dest", "org.freedesktop.DBus", "--object-path", "/org/freedesktop/DBus",
                      "--method", "org.freedesktop.DBus.NameHasOwner", "org.fcitx.Fcitx5"}) ==
               "(true,)";
    }

    // fcitx 5 as a desktop starts it, with the test's home for its settings.
    void startFcitx5() {
        QProcessEnvironment env = busEnvironment();
        const QString runtime = home.filePath("runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert("XDG_RUNTIME_DIR", runtime);
        fcitx5.setProcessEnvironment(env);
        // Its log (and what it says when stopped) in the home, for a failure.
        fcitx5.setProcessChannelMode(QProcess::MergedChannels);
        fcitx5.setStandardOutputFile(home.filePath("fcitx5.log"));
        // No Wayland here: its modules would only complain.
        fcitx5.start("fcitx5", {"--disable=wayland,waylandim"});
        ASSERT_TRUE(fcitx5.waitForStarted(5000)) << "fcitx5 is not installed";
        ASSERT_TRUE(WaitUntil([this] { return fcitx5OnTheBus(); }, 20000))
            << "fcitx5 did not take its name on the bus:\n"
            << readAll(home.filePath("fcitx5.log")).toStdString();
    }

    // Changes fcitx 5's switch keys the way its configuration tool does; fcitx 5
    // writes its file.
    void setTriggerKeys(const QString& key) {
        ASSERT_TRUE(gdbus({"--dest", "org.fcitx.Fcitx5", "--object-path", "/controller", "--method",
                           "org.fcitx.Fcitx.Controller1.SetConfig", "fcitx://config/global",
                           QString("<{'Hotkey': <{'TriggerKeys': <{'0': <'%1'>}>}>}>").arg(key)}));
        ASSERT_TRUE(WaitUntil([&] {
            return readAll(fcitx5Config()).contains(("[Hotkey/TriggerKeys]\n0=" + key).toUtf8());
        }));
    }

    // The text of the last box with this title that the player (process
    // index) has shown, as its log line gives it: lines joined by " / ".
    QString boxText(const QString& title, int index) {
        const QString mark = "memotap.ui: box " + title + " | ";
        const QStringList lines = player.output(index).split('\n');
        for (auto line = lines.rbegin(); line != lines.rend(); ++line)
            if (line->startsWith(mark))
                return line->mid(mark.size());
        return {};
    }

    // Keys reach a box once it has the keyboard; a key sent while it is
    // still being mapped goes elsewhere.
    bool focused(const QString& window) {
        return WaitUntil([&] {
            const QString id = x.xdotool({"getwindowfocus", "-f"}).value_or(QString());
            return !id.isEmpty() && id == window;
        });
    }

    // Return on the box until it has gone.
    bool dismiss(const QString& title) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            auto box = x.waitForWindow("^" + title + "$", 1000);
            if (!box)
                return true;
            focused(*box);
            x.xdotool({"key", "--window", *box, "Return"});
            if (WaitUntil([&] { return !x.waitForWindow("^" + title + "$", 100); }, 2000))
                return true;
        }
        return false;
    }

    // Through the menu, again while the menu was not up yet for the "h".
    std::optional<QString> openHotkeyDialog() {
        auto main = x.waitForWindow("^メモタップ$");
        if (!main)
            return std::nullopt;
        for (int attempt = 0; attempt < 10; ++attempt) {
            x.xdotool({"windowfocus", "--sync", *main});
            x.xdotool({"key", "--window", *main, "Escape", "alt+s"});
            x.xdotool({"key", "h"});
            if (auto dialog = x.waitForWindow("^キー設定$", 1500))
                return dialog;
        }
        return std::nullopt;
    }

    int height(const QString& window) {
        const QString shell =
            x.xdotool({"getwindowgeometry", "--shell", window}).value_or(QString());
        return shell.section("HEIGHT=", 1).section('\n', 0, 0).toInt();
    }

    // Chooses row `row` of the key list for Listen (Ctrl stays ticked),
    // applies, and returns the text of the message that follows; again when
    // a click went to the dialog before it was back from the last message.
    QString applyKeyRow(const QString& dialog, int row, int index) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            x.xdotool({"windowfocus", "--sync", dialog});
            x.xdotool({"mousemove", "--window", dialog, "60", "14", "click", "1"}); // Listen
            x.xdotool({"mousemove", "--window", dialog, "120", "200", "click", "1"});
            x.xdotool({"key", "Home"});
            for (int i = 0; i < row; ++i)
                x.xdotool({"key", "Down"});
            x.xdotool({"mousemove", "--window", dialog, "123", "348", "click", "1"}); // 適用
            auto confirm = x.waitForWindow("^確認$", 5000);
            if (!confirm)
                continue;
            const QString text = boxText("確認", index);
            EXPECT_TRUE(dismiss("確認"));
            return text;
        }
        return {};
    }

    void closePlayer(int index) {
        player.terminate(index);
        ASSERT_EQ(player.waitForExit(index), 0);
    }

    XSession x;
    SoundServer sound;
    PlayerRun player{x};
    PrivateBus bus;
    QTemporaryDir home;
    QProcess fcitx5;
};

TEST_F(InputMethodE2E, DefaultSwitchKeysBoxNamesCtrlSpaceOnceAndTheDialogSaysItOnApply) {
    ASSERT_FALSE(QFile::exists(fcitx5Config())) << "fcitx 5 on its defaults";
    const int first = player.start();
    auto box = x.waitForWindow("^ホットキー設定$");
    ASSERT_TRUE(box) << "no box about the input method";
    x.screenshot(*box, "input-method-box");
    const QString text = boxText("ホットキー設定", first);
    EXPECT_TRUE(text.contains("Listen    :[Ctrl]+[Space]は")) << text.toStdString();
    EXPECT_TRUE(text.contains("入力メソッド（fcitx5）の切り替えキーと同じです"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("キー設定の画面でメモタップのキーを変えるか、fcitx5の設定で"))
        << text.toStdString();
    EXPECT_FALSE(text.contains("REW")) << "only Listen takes a switch key";
    // 次回から表示しない: the check box follows the OK button.
    ASSERT_TRUE(focused(*box));
    x.xdotool({"key", "--window", *box, "Tab"});
    x.xdotool({"key", "--window", *box, "space"});
    x.screenshot(*box, "input-method-box-ticked");
    ASSERT_TRUE(dismiss("ホットキー設定"));
    ASSERT_TRUE(WaitUntil([&] {
        return player.readFile("memotap-extra.txt").contains("hotkeys.input-method-hidden=1\r\n");
    }));

    auto dialog = openHotkeyDialog();
    ASSERT_TRUE(dialog) << "the hotkey dialog did not open";
    EXPECT_TRUE(WaitUntil([&] { return height(*dialog) == DialogHeightWithNote; }))
        << height(*dialog);
    x.screenshot(*dialog, "input-method-dialog-ctrl-space");
    // Listen to Ctrl+F6: nothing more to say; back to Ctrl+Space: the message says it.
    const QString f6 = applyKeyRow(*dialog, 7, first);
    EXPECT_TRUE(f6.contains("登録されました")) << f6.toStdString();
    EXPECT_FALSE(f6.contains("入力メソッド")) << f6.toStdString();
    // The file is written once the message is closed.
    EXPECT_TRUE(WaitUntil([&] {
        return player.readFile("hMEMKEY.txt").startsWith("1,0,2,0,0,117,7,");
    })) << player.readFile("hMEMKEY.txt").left(40).toStdString();
    const QString again = applyKeyRow(*dialog, 15, first);
    EXPECT_TRUE(again.contains("登録されました")) << again.toStdString();
    EXPECT_TRUE(again.contains("このキーは入力メソッド（fcitx5）の切り替えにも使われます"))
        << again.toStdString();
    EXPECT_TRUE(WaitUntil([&] {
        return player.readFile("hMEMKEY.txt").startsWith("1,0,2,0,0,32,15,");
    })) << "taken all the same";
    closePlayer(first);

    // The next start keeps quiet: the dialog has made room for the note, so
    // fcitx 5 has been found, and no box came.
    const int second = player.start();
    dialog = openHotkeyDialog();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(WaitUntil([&] { return height(*dialog) == DialogHeightWithNote; }));
    EXPECT_FALSE(x.waitForWindow("^ホットキー設定$", 1500)) << "told again";
    EXPECT_EQ(boxText("ホットキー設定", second), "");
    closePlayer(second);
}

TEST_F(InputMethodE2E, SwitchKeyChangedToZenkakuHankakuOnlyGivesNoBox) {
    setTriggerKeys("Zenkaku_Hankaku");
    const int run = player.start();
    auto dialog = openHotkeyDialog();
    ASSERT_TRUE(dialog) << "the hotkey dialog did not open";
    ASSERT_TRUE(WaitUntil([&] { return height(*dialog) == DialogHeightWithNote; }))
        << "fcitx 5 not found: " << height(*dialog);
    EXPECT_FALSE(x.waitForWindow("^ホットキー設定$", 1500)) << "a box although nothing collides";
    EXPECT_EQ(boxText("ホットキー設定", run), "");
    x.screenshot(*dialog, "input-method-dialog-no-collision");
    for (int row : {7, 15}) { // Ctrl+F6, then Ctrl+Space again
        const QString text = applyKeyRow(*dialog, row, run);
        EXPECT_TRUE(text.contains("登録されました")) << text.toStdString();
        EXPECT_FALSE(text.contains("入力メソッド")) << text.toStdString();
    }
    closePlayer(run);
}

} // namespace
