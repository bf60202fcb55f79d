// The pedals' state machine. Fed the full state of every report, it runs the
// commands of the pedals that went down or up: the play/pause pedal plays
// while held (or toggles), rewind and fast-forward repeat while held, and a
// device that goes away lets go of everything it held.
#pragma once

#include "core/commands.h"
#include "core/pedals/pedal_models.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <optional>

namespace modMain::pedals {

// The step of rewind and fast-forward while their pedal stays down.
constexpr int RepeatIntervalMs = 400;

class PedalController : public QObject {
    Q_OBJECT

  public:
    PedalController();

    // A report: the state of every pedal.
    void SetState(PedalState state);
    // The device is gone: what was down counts as let go.
    void ReleaseAll() { SetState(0); }
    PedalState State() const { return state_; }

    // The pedal being read ("" when there is none), for the settings dialog.
    void SetDevice(const QString& name);
    QString Device() const { return device_; }

  signals:
    void stateChanged(modMain::pedals::PedalState state);
    void deviceChanged(const QString& name);

  private:
    // What a pedal does, taken when it goes down and kept until it is let go,
    // so a setting changed meanwhile cannot strand a held play.
    enum class Action { None, Once, HoldPlay, Repeat };
    struct Held {
        Action action = Action::None;
        Command command = Command::PlayPause;
    };

    void press(int pedal);
    void release(int pedal);

    PedalState state_ = 0;
    QString device_;
    std::array<Held, PedalCount> held_{};
    std::array<QTimer, PedalCount> repeat_;
};

// The player's pedals, as the composition root handed them over.
PedalController& Pedals();
void SetPedalController(PedalController* controller);

} // namespace modMain::pedals
