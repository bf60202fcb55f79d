// The command table: every way into the player (hotkeys, menus, buttons, the
// command line, desktop services, pedals) runs the player's commands through
// Execute, so each behaves the same whichever input sent it.
#pragma once

#include "core/modMain.h"

#include <QString>
#include <QVariant>
#include <optional>
#include <span>

namespace modMain {

enum class Command {
    PlayPause,
    Rewind,
    Forward,
    Repeat,
    SpeedUp,
    SpeedDown,
    ToStart,
    ToEnd,
    CopyTime,
    Play,
    Pause,
    SeekTo,         // argument: seconds
    SetSpeed,       // argument: percent
    Open,           // argument: a path
    Levelling,      // argument: on or off (true, false); none switches over
    NoiseReduction, // likewise
    LowCut,         // likewise
    Channel,        // argument: a ChannelChoice (as int); none takes the next
    InsertTime,
    SeekToSelection,
};

// Switch and Channel arguments may be left out.
enum class CommandArgument { None, Seconds, Percent, Path, Switch, Channel };

struct CommandInfo {
    Command command;
    QString name;        // stable, for scripts and desktop services
    QString displayName; // what the user reads
    CommandArgument argument;
};

std::span<const CommandInfo> CommandTable();
const CommandInfo& InfoOf(Command command);
std::optional<Command> CommandNamed(const QString& name);

// The command of hotkey records 1 to 8; none for the spare record 9.
std::optional<Command> CommandOfRecord(int record);

// Runs a command, or keeps it until it may run: every command waits for the
// end of start-up and while a file is opening, and an open waits while a
// message box is up. An open that arrives while a file is opening gives that
// one up. Nothing runs once the player has begun to close.
void Execute(Command command, const QVariant& argument = {});

// A hotkey press: the first of records 1 to 8 whose Id is id names the
// command; the hold-to-play key plays instead.
void ExecuteHotKey(Long id);
// A hotkey let go: ends the playback of a hold-to-play key.
void ReleaseHotKey(Long id);

// A file has finished opening, or failed to: the commands kept meanwhile
// run once control is back in the event loop.
void OpenEnded();

// Start-up has finished: the commands kept until then run, in order.
void FinishStartup();
bool StartupFinished();
// True from the start of the close on.
bool PlayerClosing();
// The player closes: commands are no longer run or kept.
void BeginShutdown();

// Back to the state before start-up (tests).
void ResetCommandsForTesting();

} // namespace modMain
