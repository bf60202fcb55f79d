// The program-wide variables and shared procedures. Every window and command
// reads and changes these directly; only SaveSettings and Hozon write them to
// disk. One-based tables keep their numbering: History[1] is the most recent.
#pragma once

#include "core/engine/engine.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace modMain {

using Long = std::int32_t;
using Integer = std::int16_t;

inline const QString AppTitle = QStringLiteral("メモタップ");

// 15 twips make one pixel at 96 dpi; Qt scales logical pixels for HiDPI.
constexpr int TwipsPerPixel = 15;

struct HistoryEntry {
    QString Path; // "" marks an empty entry
    Long Position = 0;
    bool operator==(const HistoryEntry&) const = default;
};

struct ColourEntry {
    Integer Red = 0;
    Integer Green = 0;
    Integer Blue = 0;
    QString Name;
    bool operator==(const ColourEntry&) const = default;
};

struct HotkeyEntry {
    Long Id = 0;
    Long ModAlt = 0;   // 1 when Alt belongs to the combination
    Long ModCtrl = 0;  // 2 when Ctrl does
    Long ModShift = 0; // 4 when Shift does
    Long ModWin = 0;   // 8 when the Windows (Super) key does
    Long VirtualKey = 0;
    Long KeyIndex = 0;
    QString KeyText;
    Long Active = 0;
    bool operator==(const HotkeyEntry&) const = default;
};

constexpr int HistorySize = 5;
constexpr int HotKeyCount = 9;

// Settings, kept in hMEMOTAP.txt.
extern Long WindowLeft;
extern Long WindowTop;
extern Integer AlwaysOnTop;
extern std::array<HistoryEntry, HistorySize + 1> History; // [1..5]
extern Long Pitch;
extern Long RevSeconds;
extern Long RepSeconds;
extern Long RewFFSeconds;
extern Long RewFFSeconds2;
extern Integer ColourCount;
extern std::vector<ColourEntry> Colours; // [0..ColourCount-1]
extern Integer PanelColour;
extern Integer CharColour;

// Hotkey bindings, kept in hMEMKEY.txt.
extern std::array<HotkeyEntry, HotKeyCount + 1> HotKeys; // [1..9]

// Playback values.
extern EngineFileInfo FileInfo; // TotalSeconds of the last open
extern Long CurrentSeconds;
extern Integer RepeatOn; // -1 on, 0 off
extern Long RepeatEndSeconds;

// Settings file.
QString AppPath();
void LoadSettings();
void SaveSettings();
std::vector<ColourEntry> DefaultColours();

// Starts the engine and returns; once it is up it gets its options, a
// refusal is reported in a box, and then runs.
void InitialiseEngine(std::function<void()> then = {});

// Recent-file history.
Long FindHistory(const QString& path);
void PushHistory(Long index, const QString& path);
void RemoveHistory(Long index);
void RefreshHistoryMenu();

// Playback commands.
QString FormatHms(Long seconds);
// Starts opening path; once the engine has it, it is left paused at its
// place in the history. Until then the player is opening: commands wait (see
// commands.h), and the window's events run.
void OpenAudioFile(const QString& path);
// Gives up the open under way, as if it had failed without a word.
void GiveUpOpen();
// True from OpenAudioFile until the open has ended or was given up.
bool FileOpening();
// Runs next now when no open is under way, or else once it has ended (its
// boxes asked for) or was given up.
void WhenOpenEnded(std::function<void()> next);
void TogglePlayPause();
void Play();
void Pause();
void FastForward();
void Rewind();
void SeekToStart();
void SeekToEnd();
void SeekTo(Long seconds);
// The seek bar: its thumb dragged to sliderPosition, or its value changed to
// value by a click or the keyboard (pageStep is the bar's step).
void SeekScroll(Long sliderPosition);
void SeekChange(Long value, Long pageStep);
void ToggleRepeat();
void ApplyPitch(Long value);

// The repeat box and the speed field as the window shows them. Setting one
// to a new value runs what the control's own handler runs; the same value
// does nothing, as with the control.
void SetRepeat(bool on);
void RepeatClicked(bool checked);
void SetSpeedField(Long percent);
void SpeedFieldChanged(Long percent);

// The two timers of the window: the 100 ms poll of the engine and the repeat
// loop's 200 ms check.
void MainTimerTick();
void RepeatTimerTick();

// The close: stops and frees the engine and saves the settings.
void ShutDownPlayer();

} // namespace modMain
