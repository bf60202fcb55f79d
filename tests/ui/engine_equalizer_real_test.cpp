// The equalizer panel on the real engine: "+Bass" chosen in the window makes
// the low bands of what is played louder than the flat curve does, and
// leaves the middle and the treble alone.
#include "engine/engine_fixture.h"

#include "core/modMain.h"
#include "core/settings.h"
#include "support/message_recorder.h"
#include "ui/equalizer_input.h"
#include "ui/frmMain.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QTimer>
#include <cmath>
#include <memory>

using namespace fixtures;

namespace {

constexpr int Rate = 44100;
constexpr int Nomal = 0;
constexpr int Bass = 4;

class WindowEqualizerSound : public EngineTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(settingsFolder.isValid());
        modMain::SetAppPathForTesting(settingsFolder.path());
    }
    void TearDown() override {
        modMain::SetAppPathForTesting({});
        EngineTest::TearDown();
    }

    // Starts the window on an engine that writes what it plays to outName,
    // switches the equalizer on, chooses the preset as a user would, then
    // plays path to its end.
    std::optional<PcmAudio> render(const QString& path, const QString& outName, int preset) {
        startEngine(pcmOutput(outName));
        modMain::LoadSettings();
        auto form = std::make_unique<frmMain>();
        modMain::MainForm = form.get();
        form->Setup();
        form->tmrMain->stop();
        form->show();

        ClickIndicator(form->chkUse);
        EXPECT_TRUE(form->EqualizerOn);
        ClickIndicator(form->optEQ[preset]);
        EXPECT_TRUE(form->optEQ[preset]->isChecked());

        modMain::OpenAudioFile(path);
        EXPECT_TRUE(waitUntil([] { return !modMain::FileOpening(); }, 60000));
        EXPECT_GT(modMain::FileInfo.TotalSeconds, 0);
        modMain::TogglePlayPause();
        EXPECT_TRUE(waitUntil(
            [] {
                const auto s = snapshot();
                return s.state == StatePaused && s.position == modMain::FileInfo.TotalSeconds;
            },
            20000))
            << "the file did not play to its end";
        modMain::UnhookWindow();
        form.reset();
        vbmp3_free();
        return readWav(file(outName));
    }

    static double decibels(double ratio) { return 10 * std::log10(ratio); }

    QTemporaryDir settingsFolder;
    MessageRecorder messages;
};

} // namespace

TEST_F(WindowEqualizerSound, BassPresetRaisesTheLowBandsAboveTheFlatCurve) {
    const std::vector<double> tones = {60, 170, 310, 600, 3000, 12000};
    std::vector<float> signal = silence(5.5, Rate);
    for (double frequency : tones)
        signal = mix(signal, sine(frequency, 5.5, Rate, 0.08f));
    ASSERT_TRUE(writeWav(file("tones.wav"), signal, Rate));

    const auto flat = render(file("tones.wav"), "flat.wav", Nomal);
    const auto bass = render(file("tones.wav"), "bass.wav", Bass);
    ASSERT_TRUE(flat && bass);
    ASSERT_GT(flat->seconds(), 5.0);
    ASSERT_GT(bass->seconds(), 5.0);

    const std::size_t from = Rate, count = 3 * Rate;
    auto gain = [&](double frequency) {
        return decibels(tonePower(*bass, from, count, frequency) /
                        tonePower(*flat, from, count, frequency));
    };
    // "+Bass" raises 60, 170, 310 and 600 Hz by 60, 80, 40 and 20 of 128.
    EXPECT_GT(gain(60), 3.0);
    EXPECT_GT(gain(170), 4.5);
    EXPECT_GT(gain(310), 1.5);
    EXPECT_GT(gain(170), gain(600));
    EXPECT_NEAR(gain(3000), 0.0, 1.0);
    EXPECT_NEAR(gain(12000), 0.0, 1.0);

    double lowFlat = 0, lowBass = 0;
    for (double frequency : {60.0, 170.0, 310.0, 600.0}) {
        lowFlat += tonePower(*flat, from, count, frequency);
        lowBass += tonePower(*bass, from, count, frequency);
    }
    EXPECT_GT(decibels(lowBass / lowFlat), 3.0) << "the low bands' energy";
}
