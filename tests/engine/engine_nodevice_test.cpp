// With no sound server and no sound card at all, the system output still
// plays: silently, with the position advancing as usual.
#include "engine_fixture.h"
#include "support/xsession.h"

#include <QByteArray>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using namespace fixtures;

namespace {

// Sets environment variables for one test and restores them afterwards.
class ScopedEnvironment {
  public:
    void set(const char* name, const QByteArray& value) {
        remember(name);
        qputenv(name, value);
    }
    void unset(const char* name) {
        remember(name);
        qunsetenv(name);
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value)
                qputenv(name.constData(), *value);
            else
                qunsetenv(name.constData());
        }
    }

  private:
    void remember(const char* name) {
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name)
                                      ? std::optional<QByteArray>(qgetenv(name))
                                      : std::nullopt);
    }
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> saved_;
};

// Sends this process's stderr to a file while it lives.
class StderrCapture {
  public:
    explicit StderrCapture(const QString& path) {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        EXPECT_GE(fd, 0);
        EXPECT_GE(dup2(fd, STDERR_FILENO), 0);
        close(fd);
    }
    ~StderrCapture() {
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

  private:
    int saved_ = -1;
};

} // namespace

TEST_F(EngineTest, PlaysWithoutAnySoundDevice) {
    // An empty runtime folder has no PulseAudio or PipeWire socket; the
    // client configuration forbids starting a PulseAudio server; ALSA gets
    // a configuration without devices.
    ASSERT_TRUE(QDir(dir.path()).mkdir("runtime"));
    const QString clientConf = file("client.conf");
    const QString alsaConf = file("asound.conf");
    {
        QFile conf(clientConf);
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write("autospawn = no\n");
        QFile alsa(alsaConf);
        ASSERT_TRUE(alsa.open(QIODevice::WriteOnly));
    }
    ScopedEnvironment environment;
    environment.set("XDG_RUNTIME_DIR", QFile::encodeName(file("runtime")));
    environment.set("PULSE_CLIENTCONFIG", QFile::encodeName(clientConf));
    environment.set("ALSA_CONFIG_PATH", QFile::encodeName(alsaConf));
    for (const char* name : {"PULSE_SERVER", "PULSE_RUNTIME_PATH", "PIPEWIRE_REMOTE",
                             "PIPEWIRE_RUNTIME_DIR", "JACK_DEFAULT_SERVER", "DISPLAY"})
        environment.unset(name);

    EXPECT_EQ(systemOutputOrder().find("pulse"), std::string::npos);
    EXPECT_EQ(systemOutputOrder().find("pipewire"), std::string::npos);

    ASSERT_TRUE(writeWav(file("tone.wav"), sine(440, 10.5, 44100), 44100));
    {
        // Nothing probed prints to stderr.
        StderrCapture capture(file("stderr.txt"));
        startEngine(MpvOutput{MpvOutput::Kind::System, {}});
        ASSERT_TRUE(openFile(file("tone.wav")));
        vbmp3_play();
        EXPECT_TRUE(waitUntil([] { return snapshot().position >= 2; }));
        EXPECT_EQ(snapshot().state, StatePlaying);
    }
    QFile printed(file("stderr.txt"));
    ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
    const QByteArray text = printed.readAll();
    EXPECT_FALSE(text.contains("ALSA")) << text.constData();
    EXPECT_FALSE(text.contains("pw.")) << text.constData();
    EXPECT_FALSE(text.contains("jack")) << text.constData();
}

// A sound server is tried when its socket is there, in the fixed order.
TEST_F(EngineTest, SystemOutputTriesTheServersThatAreThere) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("runtime/pulse"));
    ScopedEnvironment environment;
    environment.set("XDG_RUNTIME_DIR", QFile::encodeName(file("runtime")));
    for (const char* name : {"PULSE_SERVER", "PIPEWIRE_REMOTE"})
        environment.unset(name);
    const bool alsa = systemOutputOrder().find("alsa,") != std::string::npos;
    const std::string alsaPart = alsa ? "alsa," : "";
    EXPECT_EQ(systemOutputOrder(), alsaPart + "null");
    for (const char* socket : {"runtime/pipewire-0", "runtime/pulse/native"}) {
        QFile made(file(socket));
        ASSERT_TRUE(made.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(systemOutputOrder(), "pulse,pipewire," + alsaPart + "null");
    environment.set("PULSE_SERVER", "unix:/nowhere");
    ASSERT_TRUE(QFile::remove(file("runtime/pulse/native")));
    EXPECT_EQ(systemOutputOrder(), "pulse,pipewire," + alsaPart + "null");
}

// The sound server dies during playback: playback runs on silently, and once
// the server is back the next play is heard again.
TEST_F(EngineTest, SoundComesBackWithTheSoundServer) {
    SoundServer sound;
    ASSERT_TRUE(sound.ok());
    QProcessEnvironment env;
    sound.addTo(env);
    ScopedEnvironment scoped;
    for (const QString& name : env.keys())
        scoped.set(name.toUtf8().constData(), env.value(name).toUtf8());
    startEngine(MpvOutput{});
    ASSERT_TRUE(writeWav(file("tone.wav"), sine(440, 60, 22050), 22050));
    ASSERT_TRUE(openFile(file("tone.wav")));
    vbmp3_play();
    ASSERT_TRUE(waitUntil([] { return snapshot().position >= 1; }));

    sound.kill();
    const std::int32_t before = snapshot().position;
    EXPECT_TRUE(waitUntil([before] { return snapshot().position >= before + 2; }));
    EXPECT_EQ(snapshot().state, StatePlaying);

    ASSERT_TRUE(sound.start());
    vbmp3_pause();
    ASSERT_TRUE(sound.startRecording(file("heard.wav")));
    vbmp3_play();
    const std::int32_t resumed = snapshot().position;
    EXPECT_TRUE(waitUntil([resumed] { return snapshot().position >= resumed + 2; }));
    sound.stopRecording();
    const auto heard = readWav(file("heard.wav"));
    ASSERT_TRUE(heard);
    const auto half = static_cast<std::size_t>(heard->rate / 2);
    double loudest = 0;
    for (std::size_t at = 0; at + half <= heard->samples.size(); at += half)
        loudest = std::max(loudest, tonePower(*heard, at, half, 440));
    EXPECT_GT(loudest, 0.01) << "nothing heard after the sound server came back";
}
