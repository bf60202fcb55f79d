#include "core/pedals/pedal_controller.h"

#include "core/installed.h"
#include "core/log.h"
#include "core/pedals/pedal_settings.h"

namespace modMain::pedals {

PedalController::PedalController() {
    for (int pedal = 0; pedal < PedalCount; ++pedal) {
        repeat_[pedal].setInterval(RepeatIntervalMs);
        connect(&repeat_[pedal], &QTimer::timeout, this,
                [this, pedal] { Execute(held_[pedal].command); });
    }
}

void PedalController::SetState(PedalState state) {
    const PedalState before = state_;
    if (state == before)
        return;
    state_ = state;
    qCDebug(lcPedals) << "pedals" << Qt::bin << before << "->" << state;
    // Releases first: a report that moves one foot from pedal to pedal ends
    // the old action before the new one starts.
    for (int pedal = 0; pedal < PedalCount; ++pedal)
        if ((before & ~state) & BitOf(static_cast<Pedal>(pedal)))
            release(pedal);
    for (int pedal = 0; pedal < PedalCount; ++pedal)
        if ((state & ~before) & BitOf(static_cast<Pedal>(pedal)))
            press(pedal);
    emit stateChanged(state);
}

void PedalController::press(int pedal) {
    const auto command = Settings().commands[pedal];
    Held& held = held_[pedal];
    if (!command) {
        held = {};
        return;
    }
    held.command = *command;
    if (*command == Command::PlayPause && Settings().mode == PlayMode::Hold) {
        held.action = Action::HoldPlay;
        Execute(Command::Play);
    } else if (*command == Command::Rewind || *command == Command::Forward) {
        held.action = Action::Repeat;
        Execute(*command);
        repeat_[pedal].start();
    } else {
        held.action = Action::Once;
        Execute(*command);
    }
}

void PedalController::release(int pedal) {
    const Action action = held_[pedal].action;
    held_[pedal] = {};
    repeat_[pedal].stop();
    if (action != Action::HoldPlay)
        return;
    // With two play pedals down, playback goes on until the last is let go.
    for (const Held& other : held_)
        if (other.action == Action::HoldPlay)
            return;
    Execute(Command::Pause);
}

void PedalController::SetDevice(const QString& name) {
    if (name == device_)
        return;
    device_ = name;
    emit deviceChanged(name);
}

namespace {
PedalController* installedController = nullptr;
} // namespace

PedalController& Pedals() {
    return Installed(installedController, "PedalController");
}

void SetPedalController(PedalController* controller) {
    installedController = controller;
}

} // namespace modMain::pedals
