// The audio engine: one open file, its play state, speed and equalizer.
// The vbmp3_* functions are the only way the rest of the program reaches it;
// they forward to one replaceable backend (libmpv in the program, a recording
// fake in the command tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#pragma pack(push, 1)
struct EngineOptions {
    std::int32_t Option1;
    std::int32_t Option2;
    std::int32_t Option3;
    std::int32_t Option4;
};

struct EngineFileInfo {
    char Text1[128];
    char Text2[128];
    std::int32_t Value1;
    std::int32_t Value2;
    std::int32_t Value3;
    std::int32_t TotalSeconds;
};
#pragma pack(pop)

static_assert(sizeof(EngineOptions) == 16);
static_assert(sizeof(EngineFileInfo) == 272);
static_assert(offsetof(EngineFileInfo, TotalSeconds) == 268);

// Play states returned by vbmp3_getState.
enum EngineState : std::int32_t { StateStopped = 0, StatePlaying = 1, StatePaused = 2 };

// Numbers returned by vbmp3_getLastErrorNo, set by a failed vbmp3_open and
// cleared by a successful one. 1 to 33 are shown to the user.
enum EngineError : std::int32_t {
    ErrNone = 0,
    ErrFileNotFound = 1,   // the path names no file (or is empty)
    ErrFileUnreadable = 2, // exists but cannot be read (permissions; a folder, pipe or device)
    ErrNoAudioStream = 3,  // no audio in it: an image, a video without sound, a text file
    ErrUndecodable = 4,    // damaged data or no known format (random bytes, an empty file)
    ErrNotInitialised = 5, // vbmp3_open before vbmp3_init or after vbmp3_free, or the
                           // engine could not start
};

// How an open ended: the file's description when it opened, the error (as
// vbmp3_getLastErrorNo tells it) when it did not.
struct EngineOpened {
    bool opened = false;
    std::int32_t error = ErrNone;
    EngineFileInfo info{};
};
using EngineOpenedHandler = std::function<void(const EngineOpened&)>;

constexpr int EqualizerBandCount = 10;

// Aids for hearing a meeting recording, applied ahead of the equalizer: one
// channel or both, low cut (rumble and mains hum), noise reduction and
// levelling. All off by default.
enum class ChannelChoice : std::int32_t { Both, Left, Right, Mix };

struct HearingAids {
    bool levelling = false;
    bool noiseReduction = false;
    bool lowCut = false;
    ChannelChoice channel = ChannelChoice::Both;
    bool operator==(const HearingAids&) const = default;
};

class EngineBackend {
  public:
    virtual ~EngineBackend() = default;
    // See vbmp3_init.
    virtual void init(std::function<void()> started) = 0;
    virtual std::int16_t setOption(const EngineOptions& options) = 0;
    virtual void open(const char* path, EngineOpenedHandler opened) = 0;
    virtual void close() = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void restart() = 0;
    virtual void seek(std::int32_t seconds) = 0;
    virtual std::int32_t getState(std::int32_t* position) = 0;
    // getState with the position in milliseconds; a backend without it
    // reports whole seconds.
    virtual std::int32_t getStateMs(std::int64_t* positionMs);
    // seek to a place in milliseconds; a backend without it seeks to the
    // whole second.
    virtual void seekMs(std::int64_t positionMs);
    virtual void setPitch(std::int32_t percent) = 0;
    // bands: EqualizerBandCount levels, -128..128, or null for off.
    virtual void setEqualizer(const std::int32_t* bands) = 0;
    // Takes effect at once, on the open file and the next ones.
    virtual void setHearing(const HearingAids& aids) = 0;
    virtual void reload() = 0;
    virtual std::int32_t getLastErrorNo() = 0;
    virtual void stop() = 0;
    virtual void free() = 0;
    // See vbmp3_takeExactLength.
    virtual std::int16_t takeExactLength(std::int32_t* totalSeconds) = 0;
};

// Replaces the backend the functions below forward to: the composition root
// hands over the libmpv backend, tests a fake. Reaching the functions below
// before one is handed over is a fault.
void setEngineBackend(std::unique_ptr<EngineBackend> backend);
EngineBackend& engineBackend();
// Whether one is handed over.
bool hasEngineBackend();
std::unique_ptr<EngineBackend> makeMpvBackend();

// Starts the engine on a thread of its own and returns: started is called
// from the event loop once it is up, or failed to start (vbmp3_setVbmp3Option
// then answers 0). Opens asked for meanwhile wait for it.
// LC_NUMERIC must be "C" by then, and stay so.
void vbmp3_init(std::function<void()> started);
std::int16_t vbmp3_setVbmp3Option(const EngineOptions* options);
// Starts opening path, closing the file open before, and returns: opened is
// called from the event loop once the open has ended, so a slow or stalled
// file leaves the window free. An open given up by vbmp3_close, vbmp3_free or
// another vbmp3_open never calls it.
void vbmp3_open(const char* path, EngineOpenedHandler opened);
void vbmp3_close();
void vbmp3_play();
void vbmp3_pause();
void vbmp3_restart();
void vbmp3_seek(std::int32_t seconds);
std::int32_t vbmp3_getState(std::int32_t* position);
// The two above to the millisecond, for timestamps: the position lies within
// the second vbmp3_getState reports, and the seek lands where it was sent.
std::int32_t vbmp3_getStateMs(std::int64_t* positionMs);
void vbmp3_seekMs(std::int64_t positionMs);
void vbmp3_setPitch(std::int32_t percent);
void vbmp3_setEqualizer(const std::int32_t* bands);
void vbmp3_setHearing(const HearingAids& aids);
void vbmp3_reload();
std::int32_t vbmp3_getLastErrorNo();
void vbmp3_stop();
void vbmp3_free();
// A long recording may open with an estimated TotalSeconds while the engine
// counts its frames in the background. Once the exact length is known and
// differs from the one reported, this answers 1 and sets *totalSeconds, once;
// otherwise 0. Meant to be polled with vbmp3_getState.
std::int16_t vbmp3_takeExactLength(std::int32_t* totalSeconds);
