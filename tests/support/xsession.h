// End-to-end test helpers: a private X server, the real player copied into a
// temporary folder (its folder holds its settings files), a private sound
// server whose null sink can be recorded, and screenshots kept as artefacts.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>

// An Xvfb display of its own for one test; stopped with the object.
class XSession {
  public:
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool ok() const { return ok_; }
    QString display() const { return display_; }
    // The environment for programs on this display (DISPLAY set, xcb platform).
    QProcessEnvironment environment() const;

    // Runs a command on this display and returns its standard output
    // (trimmed); nothing when it fails or times out.
    std::optional<QString> run(const QString& program, const QStringList& args,
                               int timeoutMs = 10000) const;
    std::optional<QString> xdotool(const QStringList& args) const { return run("xdotool", args); }

    // The id of the first visible window whose title matches the pattern.
    std::optional<QString> waitForWindow(const QString& titlePattern, int timeoutMs = 15000) const;
    // Asks a window to close, as a window manager's close button does
    // (WM_DELETE_WINDOW); false when the request could not be sent.
    bool closeWindow(const QString& windowId) const;
    // Saves a screenshot of one window (or "root") under the build tree's
    // artefact folder and returns the file path.
    QString screenshot(const QString& windowId, const QString& name) const;

  private:
    QProcess xvfb_;
    QString display_;
    bool ok_ = false;
};

// A PulseAudio server of its own with a null sink as the default output;
// what the player plays can be recorded from the sink's monitor.
class SoundServer {
  public:
    SoundServer();
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    bool ok() const { return ok_; }
    // Variables that point a client at this server (PULSE_SERVER, PULSE_SINK...).
    void addTo(QProcessEnvironment& env) const;

    // Kills the server, as a crash of it would; start brings it back on the
    // same socket and answers whether it runs.
    void kill();
    bool start();

    // Records the null sink's monitor into a WAV file until stopRecording.
    bool startRecording(const QString& wavPath);
    void stopRecording();

  private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QProcess recorder_;
    bool ok_ = false;
};

// The real memotap executables (the client and the player it starts) copied
// into a temporary folder and started on an X display.
class PlayerRun {
  public:
    explicit PlayerRun(const XSession& x);
    ~PlayerRun();
    PlayerRun(const PlayerRun&) = delete;
    PlayerRun& operator=(const PlayerRun&) = delete;

    QString folder() const { return dir_.path(); }
    QString path(const QString& fileName) const { return dir_.filePath(fileName); }
    QString executable() const { return path("memotap"); }

    // Writes a file into the player's folder (settings, key file) as bytes.
    void writeFile(const QString& fileName, const QByteArray& bytes) const;
    QByteArray readFile(const QString& fileName) const;

    QProcessEnvironment& environment() { return env_; }
    // Starts one more process of the copied memotap with these arguments;
    // returns its index.
    int start(const QStringList& arguments = {});
    QProcess& process(int index = 0) { return *processes_.at(index); }
    // The processes started from now on keep what they print for output()
    // instead of passing it on.
    void keepOutput() { keepOutput_ = true; }
    // What process index has printed so far (standard output and error).
    QString output(int index = 0);
    // Waits for process index to end; its exit code, or nothing on time-out.
    std::optional<int> waitForExit(int index = 0, int timeoutMs = 15000);
    // Sends SIGTERM to process index.
    void terminate(int index = 0);

    // Runs the copied memotap with arguments to its end (a command for the
    // running player); its exit code (-1 when it crashed or hung) and output.
    struct Outcome {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Outcome command(const QStringList& arguments, int timeoutMs = 15000);

  private:
    const XSession& x_;
    QTemporaryDir dir_;
    QProcessEnvironment env_;
    std::vector<std::unique_ptr<QProcess>> processes_;
    bool keepOutput_ = false;
    std::map<int, QByteArray> outputs_;
};

// Generates a tone WAV (sox) for end-to-end tests; false when sox fails.
bool MakeToneWav(const QString& path, int seconds, int frequencyHz = 440, int rate = 22050);

// What most runs of the player start from: X and the sound server up, the
// player's environment pointed at the sound server, the default hotkeys in
// its folder. A failure says which part did not start.
::testing::AssertionResult PrepareRun(const XSession& x, const SoundServer& sound,
                                      PlayerRun& player);

// Puts text into an X selection ("primary" or "clipboard") through xclip,
// which keeps serving it, and waits until it does.
bool SelectText(const XSession& x, const QString& selection, const QString& text);

// Has the running player copy its position (--copy-time) and returns what it
// put into selection. The player runs the command once an open under way has
// ended, so the selection is marked first and the copy waited for.
std::optional<QString> CopyTimeFrom(const XSession& x, PlayerRun& player,
                                    const QString& selection = QStringLiteral("clipboard"));

// Waits until the open the player's title names has ended: the title comes
// as the open begins, and a command runs once it has ended (a --copy-time,
// so the clipboard is the player's afterwards).
bool WaitForOpened(const XSession& x, PlayerRun& player);
