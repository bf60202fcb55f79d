// The player's composition root: creates its services, hands each to the
// parts that reach it, and ends them in the reverse of the order they were
// started in. Main owns the one instance and starts each service at its step.
#pragma once

#include "core/core_services.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QObject;
class SingleInstance;

namespace modMain {

class DesktopText;

class Services {
  public:
    // The core's own services, before the application: they and the engine
    // end after it, so that what it still tears down may reach them.
    Services();
    ~Services();
    Services(const Services&) = delete;
    Services& operator=(const Services&) = delete;

    // Listens for later starts, which call activated; false when a player
    // of this settings folder already runs and was handed the start (and
    // openPath).
    bool Listen(const QString& openPath, std::function<void()> activated);
    // The libmpv engine, handed over for InitialiseEngine to start.
    void InstallEngine();
    // The desktop's global hotkeys and its text (selections, typing).
    void StartDesktop();
    // The player on the session bus.
    void StartMpris(std::function<void()> raise, std::function<void()> quit);
    // Reads the pedals; after the hotkey dialog has read the extra settings
    // file, which holds their settings.
    void StartPedals();
    // Ends what was started above, the last started first, while the
    // application's connections are open: the hotkey backend's desktop
    // session and X grabs end over them.
    void End();

  private:
    CoreServices core_;
    std::unique_ptr<SingleInstance> remote_;
    std::unique_ptr<DesktopText> desktopText_;
    std::unique_ptr<QObject> mpris_;
    std::unique_ptr<QObject> pedals_;
    std::vector<std::function<void()>> ends_;
};

} // namespace modMain
