#include "support/xsession.h"

#include "core/hotkeys/keyfile.h"
#include "support/wait.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

QString artefactDir() {
    const QString dir = QStringLiteral(MEMOTAP_BINARY_DIR "/artifacts");
    QDir().mkpath(dir);
    return dir;
}

void stopProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

} // namespace

XSession::XSession() {
    // Xvfb picks a free display itself and reports its number on stdout.
    xvfb_.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                         "-noreset"});
    if (!xvfb_.waitForStarted(5000))
        return;
    QElapsedTimer timer;
    timer.start();
    QByteArray out;
    while (!out.contains('\n') && timer.elapsed() < 10000) {
        xvfb_.waitForReadyRead(200);
        out += xvfb_.readAllStandardOutput();
    }
    bool numeric = false;
    const int number = out.trimmed().toInt(&numeric);
    if (!numeric)
        return;
    display_ = QStringLiteral(":%1").arg(number);
    ok_ = true;
}

XSession::~XSession() {
    stopProcess(xvfb_);
}

QProcessEnvironment XSession::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display_);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("WAYLAND_DISPLAY");
    env.remove("XDG_SESSION_TYPE");
    return env;
}

std::optional<QString> XSession::run(const QString& program, const QStringList& args,
                                     int timeoutMs) const {
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, args);
    if (!process.waitForFinished(timeoutMs)) {
        stopProcess(process);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

std::optional<QString> XSession::waitForWindow(const QString& titlePattern, int timeoutMs) const {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (auto ids = xdotool({"search", "--onlyvisible", "--name", titlePattern});
            ids && !ids->isEmpty())
            return ids->split('\n').first();
        QThread::msleep(100);
    }
    return std::nullopt;
}

bool XSession::closeWindow(const QString& windowId) const {
    bool numeric = false;
    const xcb_window_t window = windowId.toUInt(&numeric);
    xcb_connection_t* connection = xcb_connect(display_.toLatin1().constData(), nullptr);
    if (!numeric || xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    auto atom = [connection](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return atom;
    };
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    const xcb_void_cookie_t sent = xcb_send_event_checked(
        connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    xcb_generic_error_t* error = xcb_request_check(connection, sent);
    const bool ok = !error && message.type != XCB_ATOM_NONE;
    std::free(error);
    xcb_disconnect(connection);
    return ok;
}

QString XSession::screenshot(const QString& windowId, const QString& name) const {
    const QString path = artefactDir() + '/' + name + ".png";
    run("import", {"-window", windowId, path}, 20000);
    return QFile::exists(path) ? path : QString();
}

SoundServer::SoundServer() {
    if (!dir_.isValid())
        return;
    QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile config(dir_.filePath("default.pa"));
    if (!config.open(QIODevice::WriteOnly))
        return;
    config.write(QStringLiteral("load-module module-null-sink sink_name=memotap_null\n"
                                "set-default-sink memotap_null\n"
                                "load-module module-native-protocol-unix auth-anonymous=1 "
                                "socket=%1\n")
                     .arg(dir_.filePath("native"))
                     .toUtf8());
    config.close();

    ok_ = start();
}

bool SoundServer::start() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", dir_.path());
    env.insert("HOME", dir_.path());
    env.remove("PULSE_SERVER");
    daemon_.setProcessEnvironment(env);
    daemon_.setProcessChannelMode(QProcess::MergedChannels);
    daemon_.start("pulseaudio", {"-n", "-F", dir_.filePath("default.pa"), "--daemonize=no",
                                 "--exit-idle-time=-1", "--use-pid-file=no", "--disable-shm=yes"});
    if (!daemon_.waitForStarted(5000))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        if (QFile::exists(dir_.filePath("native"))) {
            QProcess info;
            QProcessEnvironment clientEnv = QProcessEnvironment::systemEnvironment();
            addTo(clientEnv);
            info.setProcessEnvironment(clientEnv);
            info.start("pactl", {"info"});
            if (info.waitForFinished(3000) && info.exitCode() == 0)
                return true;
        }
        QThread::msleep(100);
    }
    return false;
}

void SoundServer::kill() {
    daemon_.kill();
    daemon_.waitForFinished(3000);
    QFile::remove(dir_.filePath("native"));
}

SoundServer::~SoundServer() {
    stopRecording();
    stopProcess(daemon_);
}

void SoundServer::addTo(QProcessEnvironment& env) const {
    env.insert("PULSE_SERVER", "unix:" + dir_.filePath("native"));
    env.insert("PULSE_SINK", "memotap_null");
}

bool SoundServer::startRecording(const QString& wavPath) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    addTo(env);
    recorder_.setProcessEnvironment(env);
    recorder_.start("parecord", {"-d", "memotap_null.monitor", "--file-format=wav", "--rate=22050",
                                 "--channels=1", wavPath});
    return recorder_.waitForStarted(5000);
}

void SoundServer::stopRecording() {
    if (recorder_.state() == QProcess::NotRunning)
        return;
    // SIGINT lets parecord finish the WAV header.
    ::kill(static_cast<pid_t>(recorder_.processId()), SIGINT);
    if (!recorder_.waitForFinished(3000))
        stopProcess(recorder_);
}

PlayerRun::PlayerRun(const XSession& x) : x_(x), env_(x.environment()) {
    // The client the user runs and the player it starts, side by side.
    for (const QString& from : {QStringLiteral(MEMOTAP_EXE), QStringLiteral(MEMOTAP_PLAYER_EXE)}) {
        const QString to = path(QFileInfo(from).fileName());
        QFile::copy(from, to);
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QString runtime = path(".runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env_.insert("XDG_RUNTIME_DIR", runtime);
    // Without a sound server of the test's own the player must not reach the
    // session's; the engine then plays to no device.
    env_.insert("PULSE_SERVER", "unix:" + path(".runtime/no-sound-server"));
    // Nor the session's bus: a test that wants MPRIS starts a bus of its own.
    env_.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + path(".runtime/no-session-bus"));
}

PlayerRun::~PlayerRun() {
    for (auto& process : processes_)
        stopProcess(*process);
}

void PlayerRun::writeFile(const QString& fileName, const QByteArray& bytes) const {
    QFile file(path(fileName));
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QByteArray PlayerRun::readFile(const QString& fileName) const {
    QFile file(path(fileName));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int PlayerRun::start(const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env_);
    process->setWorkingDirectory(folder());
    process->setProcessChannelMode(keepOutput_ ? QProcess::MergedChannels
                                               : QProcess::ForwardedChannels);
    process->start(executable(), arguments);
    process->waitForStarted(5000);
    processes_.push_back(std::move(process));
    return static_cast<int>(processes_.size()) - 1;
}

QString PlayerRun::output(int index) {
    QByteArray& kept = outputs_[index];
    QProcess& process = *processes_.at(index);
    // What is in the pipe now, not only what the event loop has read.
    while (process.waitForReadyRead(10))
        kept += process.readAllStandardOutput();
    kept += process.readAllStandardOutput();
    return QString::fromUtf8(kept);
}

std::optional<int> PlayerRun::waitForExit(int index, int timeoutMs) {
    QProcess& p = *processes_.at(index);
    if (p.state() != QProcess::NotRunning && !p.waitForFinished(timeoutMs))
        return std::nullopt;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

PlayerRun::Outcome PlayerRun::command(const QStringList& arguments, int timeoutMs) {
    QProcess process;
    process.setProcessEnvironment(env_);
    process.setWorkingDirectory(folder());
    process.start(executable(), arguments);
    Outcome outcome;
    if (!process.waitForFinished(timeoutMs)) {
        stopProcess(process);
        return outcome;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        outcome.exitCode = process.exitCode();
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

void PlayerRun::terminate(int index) {
    processes_.at(index)->terminate();
}

bool MakeToneWav(const QString& path, int seconds, int frequencyHz, int rate) {
    QProcess sox;
    sox.start("sox",
              {"-n", "-r", QString::number(rate), "-c", "1", "-b", "16", path, "synth",
               QString::number(seconds), "sine", QString::number(frequencyHz), "vol", "0.5"});
    return sox.waitForFinished(30000) && sox.exitCode() == 0 && QFile::exists(path);
}

bool SelectText(const XSession& x, const QString& selection, const QString& text) {
    // xclip takes the selection only after it has forked.
    const QString serve =
        QStringLiteral("printf '%s' \"$1\" | xclip -selection %1 -i >/dev/null 2>&1")
            .arg(selection);
    return x.run("sh", {"-c", serve, "sh", text}).has_value() && WaitUntil([&] {
               return x.run("xclip", {"-o", "-selection", selection}) == text;
           });
}

std::optional<QString> CopyTimeFrom(const XSession& x, PlayerRun& player,
                                    const QString& selection) {
    const QString mark = QStringLiteral("(not copied yet)");
    if (!SelectText(x, selection, mark) || player.command({"--copy-time"}).exitCode != 0)
        return std::nullopt;
    std::optional<QString> copied;
    const bool came = WaitUntil(
        [&] {
            copied = x.run("xclip", {"-o", "-selection", selection});
            return copied && *copied != mark;
        },
        15000);
    return came ? copied : std::nullopt;
}

::testing::AssertionResult PrepareRun(const XSession& x, const SoundServer& sound,
                                      PlayerRun& player) {
    if (!x.ok())
        return ::testing::AssertionFailure() << "Xvfb did not start";
    if (!sound.ok())
        return ::testing::AssertionFailure() << "the sound server did not start";
    sound.addTo(player.environment());
    modMain::InstallDefaultHotKeys();
    player.writeFile("hMEMKEY.txt", modMain::KeyFileBytes());
    return ::testing::AssertionSuccess();
}

bool WaitForOpened(const XSession& x, PlayerRun& player) {
    return CopyTimeFrom(x, player).has_value();
}
