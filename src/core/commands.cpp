#include "core/commands.h"

#include "core/hearing.h"
#include "core/hotkeys/hold_key.h"
#include "core/hotkeys/keylist.h"
#include "core/log.h"
#include "core/messagebox.h"
#include "core/timestamps/timestamp_commands.h"

#include <QTimer>
#include <algorithm>
#include <deque>

namespace modMain {

namespace {

const CommandInfo Table[] = {
    {Command::PlayPause, "play-pause", "再生/一時停止", CommandArgument::None},
    {Command::Rewind, "rewind", "巻き戻し", CommandArgument::None},
    {Command::Forward, "forward", "早送り", CommandArgument::None},
    {Command::Repeat, "repeat", "リピート", CommandArgument::None},
    {Command::SpeedUp, "speed-up", "速度アップ", CommandArgument::None},
    {Command::SpeedDown, "speed-down", "速度ダウン", CommandArgument::None},
    {Command::ToStart, "to-start", "先頭へ", CommandArgument::None},
    {Command::ToEnd, "to-end", "末尾へ", CommandArgument::None},
    {Command::CopyTime, "copy-time", "時刻をコピー", CommandArgument::None},
    {Command::Play, "play", "再生", CommandArgument::None},
    {Command::Pause, "pause", "一時停止", CommandArgument::None},
    {Command::SeekTo, "seek-to", "指定位置へ", CommandArgument::Seconds},
    {Command::SetSpeed, "set-speed", "速度指定", CommandArgument::Percent},
    {Command::Open, "open", "開く", CommandArgument::Path},
    {Command::Levelling, "levelling", "音量をそろえる", CommandArgument::Switch},
    {Command::NoiseReduction, "noise-reduction", "雑音を減らす", CommandArgument::Switch},
    {Command::LowCut, "low-cut", "低音をカット", CommandArgument::Switch},
    {Command::Channel, "channel", "チャンネル", CommandArgument::Channel},
    {Command::InsertTime, "insert-time", "時刻を挿入", CommandArgument::None},
    {Command::SeekToSelection, "seek-to-selection", "選択した時刻へ", CommandArgument::None},
};

// The hotkey records 1 to 8, in record order.
constexpr Command RecordCommands[CommandCount] = {
    Command::PlayPause, Command::Rewind,    Command::Forward, Command::Repeat,
    Command::SpeedUp,   Command::SpeedDown, Command::ToStart, Command::ToEnd,
};

constexpr Long SpeedStep = 5;
constexpr Long SlowestSpeed = 50;
constexpr Long FastestSpeed = 300;

struct Pending {
    Command command;
    QVariant argument;
};

enum class Phase { StartingUp, Running, Closing };
Phase phase = Phase::StartingUp;
std::deque<Pending> pending;

// The switch's new state: the argument, or the other state without one.
bool switched(const QVariant& argument, bool now) {
    return argument.isValid() ? argument.toBool() : !now;
}

void RunHearing(Command command, const QVariant& argument) {
    HearingAids aids = Hearing();
    switch (command) {
    case Command::Levelling:
        aids.levelling = switched(argument, aids.levelling);
        break;
    case Command::NoiseReduction:
        aids.noiseReduction = switched(argument, aids.noiseReduction);
        break;
    case Command::LowCut:
        aids.lowCut = switched(argument, aids.lowCut);
        break;
    default:
        aids.channel = argument.isValid() ? static_cast<ChannelChoice>(argument.toInt())
                                          : NextChannel(aids.channel);
        break;
    }
    SetHearing(aids);
}

void Run(Command command, const QVariant& argument) {
    qCDebug(lcCommands) << "run" << InfoOf(command).name << argument;
    switch (command) {
    case Command::PlayPause:
        TogglePlayPause();
        break;
    case Command::Rewind:
        if (RepeatOn == 0)
            Rewind();
        break;
    case Command::Forward:
        if (RepeatOn == 0)
            FastForward();
        break;
    case Command::Repeat:
        SetRepeat(RepeatOn == 0);
        break;
    case Command::SpeedUp:
        if (Pitch <= FastestSpeed - SpeedStep) {
            Pitch += SpeedStep;
            SetSpeedField(Pitch);
        }
        break;
    case Command::SpeedDown:
        if (Pitch >= SlowestSpeed + SpeedStep) {
            Pitch -= SpeedStep;
            SetSpeedField(Pitch);
        }
        break;
    case Command::ToStart:
        SeekToStart();
        break;
    case Command::ToEnd:
        SeekToEnd();
        break;
    case Command::CopyTime:
        CopyTime();
        break;
    case Command::Play:
        Play();
        break;
    case Command::Pause:
        Pause();
        break;
    case Command::SeekTo:
        // The seek bar is locked in repeat mode, and so is this.
        if (RepeatOn == 0)
            SeekTo(static_cast<Long>(std::clamp<qint64>(argument.toLongLong(), 0, INT32_MAX)));
        break;
    case Command::SetSpeed:
        SetSpeedField(static_cast<Long>(
            std::clamp<qint64>(argument.toLongLong(), SlowestSpeed, FastestSpeed)));
        break;
    case Command::Open:
        OpenAudioFile(argument.toString());
        break;
    case Command::Levelling:
    case Command::NoiseReduction:
    case Command::LowCut:
    case Command::Channel:
        RunHearing(command, argument);
        break;
    case Command::InsertTime:
        InsertTime();
        break;
    case Command::SeekToSelection:
        SeekToSelection();
        break;
    }
}

// Commands run in the order they came, except that only an open waits for a
// box: the others go past what a box holds back.
bool MayRunNow(Command command) {
    if (phase != Phase::Running || FileOpening())
        return false;
    if (command == Command::Open)
        return !MessageBoxOpen() && pending.empty();
    return pending.empty() || MessageBoxOpen();
}

// Runs what was kept, in order, as far as each may run now.
void RunPending() {
    while (!pending.empty() && phase == Phase::Running && !FileOpening()) {
        const Pending next = pending.front();
        if (next.command == Command::Open && MessageBoxOpen())
            return;
        pending.pop_front();
        Run(next.command, next.argument);
    }
}

// A box that closes is still on the stack of its caller: the kept commands
// run once that caller has returned to the event loop.
void RunPendingLater() {
    if (!pending.empty())
        QTimer::singleShot(0, [] { RunPending(); });
}

} // namespace

std::span<const CommandInfo> CommandTable() {
    return Table;
}

const CommandInfo& InfoOf(Command command) {
    return Table[static_cast<int>(command)];
}

std::optional<Command> CommandNamed(const QString& name) {
    for (const CommandInfo& info : Table)
        if (info.name == name)
            return info.command;
    return std::nullopt;
}

std::optional<Command> CommandOfRecord(int record) {
    if (record < 1 || record > CommandCount)
        return std::nullopt;
    return RecordCommands[record - 1];
}

void Execute(Command command, const QVariant& argument) {
    if (phase == Phase::Closing) {
        qCDebug(lcCommands) << "closing, dropped" << InfoOf(command).name;
        return;
    }
    if (!MayRunNow(command)) {
        qCDebug(lcCommands) << "kept for later" << InfoOf(command).name;
        pending.push_back({command, argument});
        if (command == Command::Open)
            GiveUpOpen();
        return;
    }
    Run(command, argument);
}

void ExecuteHotKey(Long id) {
    for (int record = 1; record <= CommandCount; ++record) { // never the spare record 9
        if (HotKeys[record].Id == id) {
            Execute(record == HoldToPlayRecord() ? Command::Play : *CommandOfRecord(record));
            return;
        }
    }
    qCDebug(lcCommands) << "no command for hotkey id" << id;
}

void OpenEnded() {
    RunPendingLater();
}

void ReleaseHotKey(Long id) {
    const int record = HoldToPlayRecord();
    if (record != 0 && HotKeys[record].Id == id)
        Execute(Command::Pause);
}

void FinishStartup() {
    if (phase != Phase::StartingUp)
        return;
    phase = Phase::Running;
    static const bool listening = [] {
        AddMessageBoxesClosedHandler(RunPendingLater);
        return true;
    }();
    Q_UNUSED(listening);
    RunPending();
}

bool StartupFinished() {
    return phase != Phase::StartingUp;
}

bool PlayerClosing() {
    return phase == Phase::Closing;
}

void BeginShutdown() {
    phase = Phase::Closing;
    pending.clear();
}

void ResetCommandsForTesting() {
    phase = Phase::StartingUp;
    pending.clear();
}

} // namespace modMain
