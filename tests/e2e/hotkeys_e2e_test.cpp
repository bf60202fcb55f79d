// The real player under a private X server with another application holding
// the keyboard: global hotkeys drive it, a combination another client holds
// is reported, a binding changed in the dialog works at once, and a file
// dragged from another client opens.
#include "core/hotkeys/keyfile.h"
#include "core/modMain.h"
#include "core/textfile.h"
#include "support/xsession.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUrl>
#include <X11/keysym.h>
#include <array>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {

QByteArray cp932(const QString& text) {
    return textfile::toCp932(text).value_or(QByteArray());
}

// A settings file whose history reopens `path` paused at `position`.
QByteArray settingsWith(const QString& path, int position) {
    return cp932(QStringLiteral("0,0,1\r\n\"%1\",%2\r\n"
                                "\"\",0\r\n\"\",0\r\n\"\",0\r\n\"\",0\r\n"
                                "100,0,10,4,4\r\n"
                                "2\r\n0,0,0,\"黒\"\r\n255,255,255,\"白\"\r\n0,1\r\n")
                     .arg(path)
                     .arg(position));
}

QByteArray defaultKeyFile() {
    modMain::InstallDefaultHotKeys();
    return modMain::KeyFileBytes();
}

// The resume point the player saved for the first history entry.
std::optional<int> savedPosition(const PlayerRun& player) {
    const QString text = textfile::decode(player.readFile("hMEMOTAP.txt"));
    const QStringList lines = text.split("\r\n");
    if (lines.size() < 2)
        return std::nullopt;
    bool ok = false;
    const int position = lines[1].section(',', -1).toInt(&ok);
    return ok ? std::optional<int>(position) : std::nullopt;
}

// No lock, Caps Lock, Num Lock (Mod2 on this server), both.
const uint16_t LockStates[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                               XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

// Another X client: it can hold key combinations and drag files onto a window.
class XClient {
  public:
    explicit XClient(const QString& display)
        : c_(xcb_connect(display.toLocal8Bit().constData(), nullptr)) {
        if (!ok())
            return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        window_ = xcb_generate_id(c_);
        const uint32_t mask = XCB_CW_EVENT_MASK;
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, root_, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, mask, &events);
        sync();
    }
    ~XClient() { xcb_disconnect(c_); }
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    bool ok() const { return xcb_connection_has_error(c_) == 0; }
    void sync() { free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

    xcb_keycode_t keycode(xcb_keysym_t keysym) {
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c_);
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
        const xcb_keycode_t code = codes ? codes[0] : 0;
        free(codes);
        xcb_key_symbols_free(symbols);
        return code;
    }

    // Holds keysym with the modifiers in every lock state, as a desktop's
    // hotkey daemon does; true when the server grants it.
    bool grab(xcb_keysym_t keysym, uint16_t modifiers) {
        bool granted = true;
        for (uint16_t lock : LockStates) {
            auto cookie = xcb_grab_key_checked(c_, 0, root_, modifiers | lock, keycode(keysym),
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t* error = xcb_request_check(c_, cookie)) {
                granted = false;
                free(error);
            }
        }
        return granted;
    }
    void ungrab(xcb_keysym_t keysym, uint16_t modifiers) {
        for (uint16_t lock : LockStates)
            xcb_ungrab_key(c_, keycode(keysym), root_, modifiers | lock);
        sync();
    }

    xcb_atom_t atom(const char* name) {
        auto* reply =
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, strlen(name), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : XCB_NONE;
        free(reply);
        return a;
    }

    // Drags the files from this client and drops them at (x, y) of the root
    // window on target, speaking the XDND protocol as a file manager does.
    // True when the target accepted the drop and said it had finished.
    bool dropFiles(xcb_window_t target, int x, int y, const QStringList& paths) {
        const xcb_atom_t selection = atom("XdndSelection");
        const xcb_atom_t uriList = atom("text/uri-list");
        xcb_set_selection_owner(c_, window_, selection, XCB_CURRENT_TIME);
        send(target, "XdndEnter", {window_, 5u << 24, uriList, 0, 0});
        send(target, "XdndPosition",
             {window_, 0, uint32_t(x) << 16 | uint32_t(y), XCB_CURRENT_TIME,
              atom("XdndActionCopy")});
        QByteArray uris;
        for (const QString& path : paths)
            uris += QUrl::fromLocalFile(path).toEncoded() + "\r\n";
        const xcb_atom_t status = atom("XdndStatus");
        bool accepted = false;
        // The target may look at the data before it answers.
        if (!waitFor([&](xcb_generic_event_t* e) {
                if ((e->response_type & 0x7F) == XCB_SELECTION_REQUEST) {
                    answer(*reinterpret_cast<xcb_selection_request_event_t*>(e), uriList, uris);
                    return false;
                }
                if ((e->response_type & 0x7F) != XCB_CLIENT_MESSAGE)
                    return false;
                auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
                if (m->type != status)
                    return false;
                accepted = m->data.data32[1] & 1;
                return true;
            }) ||
            !accepted)
            return false;

        send(target, "XdndDrop", {window_, 0, XCB_CURRENT_TIME, 0, 0});
        const xcb_atom_t finished = atom("XdndFinished");
        return waitFor([&](xcb_generic_event_t* e) {
            const uint8_t type = e->response_type & 0x7F;
            if (type == XCB_SELECTION_REQUEST) {
                answer(*reinterpret_cast<xcb_selection_request_event_t*>(e), uriList, uris);
                return false;
            }
            return type == XCB_CLIENT_MESSAGE &&
                   reinterpret_cast<xcb_client_message_event_t*>(e)->type == finished;
        });
    }

  private:
    void send(xcb_window_t target, const char* type, std::array<uint32_t, 5> data) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = target;
        message.type = atom(type);
        std::copy(data.begin(), data.end(), message.data.data32);
        xcb_send_event(c_, 0, target, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(c_);
    }

    void answer(const xcb_selection_request_event_t& request, xcb_atom_t uriList,
                const QByteArray& uris) {
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.time = request.time;
        notify.property = XCB_NONE;
        if (request.target == uriList) {
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                uriList, 8, uris.size(), uris.constData());
            notify.property = request.property;
        }
        xcb_send_event(c_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&notify));
        xcb_flush(c_);
    }

    template <typename Match> bool waitFor(Match match, int timeoutMs = 5000) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
                const bool done = match(event);
                free(event);
                if (done)
                    return true;
            }
            QThread::msleep(5);
        }
        return false;
    }

    xcb_connection_t* c_;
    xcb_window_t root_ = XCB_NONE;
    xcb_window_t window_ = XCB_NONE;
};

// Loudness of a 16-bit mono WAV in 50 ms steps (root mean square, 0 to 1).
std::vector<double> loudness(const QString& wavPath) {
    QFile file(wavPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const qsizetype data = bytes.indexOf("data");
    if (data < 0)
        return {};
    const auto* samples = reinterpret_cast<const int16_t*>(bytes.constData() + data + 8);
    const qsizetype count = (bytes.size() - data - 8) / 2;
    const int step = 22050 / 20;
    std::vector<double> out;
    for (qsizetype from = 0; from + step <= count; from += step) {
        double sum = 0;
        for (int i = 0; i < step; ++i)
            sum += double(samples[from + i]) * samples[from + i];
        out.push_back(std::sqrt(sum / step) / 32768.0);
    }
    return out;
}

// Waits until the recorder has written `seconds` of sound.
bool waitForRecording(const QString& wavPath, double seconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        if (QFileInfo(wavPath).size() > 44 + qint64(seconds * 22050 * 2))
            return true;
        QThread::msleep(20);
    }
    return false;
}

class HotkeysE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok()) << "Xvfb did not start";
        ASSERT_TRUE(MakeToneWav(player.path("録音.wav"), 30)) << "sox could not make the tone";
    }

    // Starts the player on the tone, paused at `position`, and waits for its
    // window.
    QString startPlayer(int position = 0) {
        player.writeFile("hMEMOTAP.txt", settingsWith(player.path("録音.wav"), position));
        if (!QFile::exists(player.path("hMEMKEY.txt")))
            player.writeFile("hMEMKEY.txt", defaultKeyFile());
        player.start();
        auto window = x.waitForWindow("録音.wav - メモタップ$");
        if (!window || !WaitForOpened(x, player))
            return {};
        return *window;
    }

    // An editor stand-in that has the keyboard focus; returns its window.
    QString startEditor() {
        editor.setProcessEnvironment(x.environment());
        editor.start("xmessage", {"-name", "editor", "-title", "editor", "typing the minutes"});
        auto window = x.waitForWindow("^editor$");
        if (!window)
            return {};
        x.xdotool({"windowfocus", "--sync", *window});
        return *window;
    }
    QString focus() { return x.xdotool({"getwindowfocus"}).value_or(QString()); }

    void key(const QString& keys) { ASSERT_TRUE(x.xdotool({"key", keys})); }

    // Ends the player as a log-off would and waits until it has saved.
    void closePlayer() {
        player.terminate();
        ASSERT_EQ(player.waitForExit(0), 0);
    }

    void TearDown() override {
        if (editor.state() != QProcess::NotRunning) {
            editor.kill();
            editor.waitForFinished(3000);
        }
    }

    XSession x;
    PlayerRun player{x};
    QProcess editor;
};

} // namespace

TEST_F(HotkeysE2E, CtrlSpacePlaysAndPausesWhileAnotherApplicationHasTheFocus) {
    SoundServer sound;
    ASSERT_TRUE(sound.ok()) << "no private sound server";
    sound.addTo(player.environment());
    const QString main = startPlayer();
    ASSERT_FALSE(main.isEmpty()) << "the player did not open the recording";
    const QString editorWindow = startEditor();
    ASSERT_FALSE(editorWindow.isEmpty());
    const QString focused = focus();

    const QString wav = player.path("heard.wav");
    ASSERT_TRUE(sound.startRecording(wav));
    ASSERT_TRUE(waitForRecording(wav, 0.5)) << "the recorder did not start";
    key("ctrl+space");
    QThread::msleep(3000);
    key("ctrl+space");
    QThread::msleep(2000);
    sound.stopRecording();
    x.screenshot("root", "hotkeys-played-and-paused");
    EXPECT_EQ(focus(), focused) << "the editor lost the keyboard";

    closePlayer();
    const auto position = savedPosition(player);
    ASSERT_TRUE(position);
    // Three seconds of play, less the time the sound output takes to start;
    // two more had it not paused.
    EXPECT_GE(*position, 1);
    EXPECT_LE(*position, 3);

    // Silence, up to three seconds of tone, silence again.
    const std::vector<double> level = loudness(wav);
    ASSERT_GT(level.size(), 100u) << "too little was recorded";
    int loud = 0;
    for (double l : level)
        loud += l > 0.05;
    EXPECT_GE(loud, 30) << "the tone was not heard";
    EXPECT_LE(loud, 62) << "playback did not pause";
    EXPECT_LT(level[2], 0.01) << "sound before the first press";
    EXPECT_LT(level[level.size() - 3], 0.01) << "sound after the second press";
}

TEST_F(HotkeysE2E, CombinationHeldByAnotherClientIsReportedAndTheOthersWork) {
    XClient holder(x.display());
    ASSERT_TRUE(holder.ok());
    ASSERT_TRUE(holder.grab(XK_space, XCB_MOD_MASK_CONTROL));

    player.writeFile("hMEMOTAP.txt", settingsWith(player.path("録音.wav"), 5));
    player.writeFile("hMEMKEY.txt", defaultKeyFile());
    player.start();
    auto box = x.waitForWindow("^ホットキー設定$");
    ASSERT_TRUE(box) << "no registration message";
    x.screenshot(*box, "hotkeys-registration-refused");
    // One box, for Listen: Ctrl+Space stays the other client's and the seven
    // other combinations are the player's (the box's text is checked in the
    // dialog's tests; the screenshot shows it).
    x.xdotool({"windowfocus", "--sync", *box});
    x.xdotool({"key", "--window", *box, "Return"});
    EXPECT_FALSE(x.waitForWindow("^ホットキー設定$", 1500)) << "more than one record failed";
    ASSERT_TRUE(x.waitForWindow("録音.wav - メモタップ$"));

    // The seven others are the player's: nobody else can have them.
    XClient probe(x.display());
    for (xcb_keysym_t keysym : {XK_Left, XK_Right, XK_Muhenkan, XK_Up, XK_Down, XK_Prior, XK_Next})
        EXPECT_FALSE(probe.grab(keysym, XCB_MOD_MASK_CONTROL)) << std::hex << keysym;
    ASSERT_FALSE(startEditor().isEmpty());
    key("ctrl+Next"); // to the end of the 30 s file
    QThread::msleep(400);
    closePlayer();
    EXPECT_EQ(savedPosition(player), 30);
    // The refused record is kept for the next start.
    EXPECT_TRUE(player.readFile("hMEMKEY.txt").startsWith("1,0,2,0,0,32,15,\"[Ctrl]+[Space]\",1"));
}

TEST_F(HotkeysE2E, BindingChangedInTheDialogWorksAtOnceAndTheReplacedOneIsGivenBack) {
    const QString main = startPlayer(10);
    ASSERT_FALSE(main.isEmpty());
    x.xdotool({"windowfocus", "--sync", main});
    x.xdotool({"key", "--window", main, "alt+s"});
    QThread::msleep(400);
    x.xdotool({"key", "h"});
    auto dialog = x.waitForWindow("^キー設定$");
    ASSERT_TRUE(dialog) << "the hotkey dialog did not open";
    // Listen is selected; choose F6 (row 7) in the key list, Ctrl stays ticked.
    x.xdotool({"mousemove", "--window", *dialog, "120", "200", "click", "1"});
    x.xdotool({"key", "Home"});
    for (int i = 0; i < 7; ++i)
        x.xdotool({"key", "Down"});
    x.screenshot(*dialog, "hotkeys-dialog-f6");
    x.xdotool({"mousemove", "--window", *dialog, "123", "348", "click", "1"}); // 適用
    auto confirm = x.waitForWindow("^確認$");
    ASSERT_TRUE(confirm) << "no confirmation";
    x.xdotool({"key", "--window", *confirm, "Return"});
    QThread::msleep(300);
    EXPECT_TRUE(player.readFile("hMEMKEY.txt").startsWith("1,0,2,0,0,117,7,\"[Ctrl]+[F6]\",1"));

    // Ctrl+Space is free again, for the test's own client to take and give back.
    XClient probe(x.display());
    EXPECT_TRUE(probe.grab(XK_space, XCB_MOD_MASK_CONTROL));
    probe.ungrab(XK_space, XCB_MOD_MASK_CONTROL);

    ASSERT_FALSE(startEditor().isEmpty());
    key("ctrl+F6"); // plays from 10 - REV 0
    QThread::msleep(1500);
    key("ctrl+space"); // would pause if it still worked
    QThread::msleep(1500);
    key("ctrl+F6"); // pauses
    QThread::msleep(300);
    closePlayer();
    const auto position = savedPosition(player);
    ASSERT_TRUE(position);
    EXPECT_GE(*position, 12);
    EXPECT_LE(*position, 14);
}

TEST_F(HotkeysE2E, FileDraggedFromAnotherClientOpensTheFirstOnly) {
    ASSERT_TRUE(MakeToneWav(player.path("second.wav"), 5));
    ASSERT_TRUE(MakeToneWav(player.path("third.wav"), 5));
    const QString main = startPlayer();
    ASSERT_FALSE(main.isEmpty());
    const QString geometry = x.xdotool({"getwindowgeometry", "--shell", main}).value_or(QString());
    const int left = geometry.section("X=", 1).section('\n', 0, 0).toInt();
    const int top = geometry.section("Y=", 1).section('\n', 0, 0).toInt();

    XClient fileManager(x.display());
    ASSERT_TRUE(fileManager.ok());
    EXPECT_TRUE(fileManager.dropFiles(main.toUInt(), left + 40, top + 40,
                                      {player.path("second.wav"), player.path("third.wav")}));
    EXPECT_TRUE(x.waitForWindow("^second.wav - メモタップ$", 5000) && WaitForOpened(x, player))
        << "the dropped file did not open";
    EXPECT_FALSE(x.waitForWindow("third.wav", 500));
    closePlayer();
    EXPECT_TRUE(textfile::decode(player.readFile("hMEMOTAP.txt")).contains("second.wav"));
}
