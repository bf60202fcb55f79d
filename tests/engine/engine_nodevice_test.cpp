// With no sound server and no sound card at all, the system output still
// plays: silently, with the position advancing as usual.
#include "engine_fixture.h"

#include <QByteArray>
#include <QFile>
#include <cstdlib>

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

    ASSERT_TRUE(writeWav(file("tone.wav"), sine(440, 10.5, 44100), 44100));
    startEngine(MpvOutput{MpvOutput::Kind::System, {}});
    ASSERT_TRUE(openFile(file("tone.wav")));
    vbmp3_play();
    EXPECT_TRUE(waitUntil([] { return snapshot().position >= 2; }));
    EXPECT_EQ(snapshot().state, StatePlaying);
}
