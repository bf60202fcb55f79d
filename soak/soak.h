// The soak: random commands against the real window and engine, and start/stop
// cycles of the real executable. Each part counts what it did and every fault
// it found; a fault is a line on stderr starting "FINDING".
#pragma once

#include <QByteArray>
#include <QString>
#include <random>

namespace soak {

struct Figures {
    long steps = 0;
    long findings = 0;
};

// A fault found: one line for the log, counted.
void Finding(Figures& figures, const QString& what);

// Random choices from one seed, so a run can be repeated.
class Dice {
  public:
    explicit Dice(unsigned seed) : engine_(seed) {}
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(engine_); }
    int between(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(engine_);
    }
    bool chance(int percent) { return below(100) < percent; }

  private:
    std::mt19937 engine_;
};

// The settings file's layout, checked without loading it into the player's
// variables: an empty answer when it parses, else what is wrong.
QString SettingsProblem(const QByteArray& bytes);
// The key file in the settings folder: nine records that read back to the
// same bytes (reads it into the hotkey table).
QString KeyFileProblem();

// The parts; each answers its figures.
Figures RunCommands(int commands, unsigned seed, const QString& workFolder);
Figures RunCycles(int cycles, unsigned seed, const QString& workFolder);

} // namespace soak
