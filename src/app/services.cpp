#include "app/services.h"

#include "core/app_paths.h"
#include "core/engine/engine.h"
#include "core/hotkeys/desktop_session.h"
#include "core/hotkeys/hotkey_backend.h"
#include "core/remote/socket_path.h"
#include "core/single_instance.h"
#include "core/timestamps/desktop_text.h"
#include "inputs/desktop_text_x11.h"
#include "inputs/kglobalaccel_shortcuts.h"
#include "inputs/mpris_service.h"
#include "inputs/pedals/pedals.h"
#include "inputs/platform_hotkeys.h"
#include "inputs/portal_shortcuts.h"

#include <QObject>

namespace modMain {

namespace {

// X11 grabs on XWayland hear keys only while an X11 window has the focus;
// KDE serves its applications from kglobalaccel, whatever its portal can.
std::unique_ptr<HotkeyBackend> makeHotkeyBackend() {
    if (!IsWaylandSession())
        return makePlatformHotkeyBackend();
    if (IsKdeDesktop())
        return inputs::makeKGlobalAccelHotkeyBackend();
    return inputs::makePortalHotkeyBackend();
}

} // namespace

Services::Services() = default;

Services::~Services() {
    End();
    setEngineBackend(nullptr);
}

bool Services::Listen(const QString& openPath, std::function<void()> activated) {
    remote_ = std::make_unique<SingleInstance>(remote::SocketPath(AppPath()));
    if (remote_->activateRunningInstance(openPath)) {
        remote_.reset();
        return false;
    }
    remote_->listen();
    QObject::connect(remote_.get(), &SingleInstance::activationRequested, remote_.get(),
                     std::move(activated));
    ends_.push_back([this] { remote_.reset(); });
    return true;
}

void Services::InstallEngine() {
    setEngineBackend(makeMpvBackend());
}

void Services::StartDesktop() {
    setHotkeyBackend(makeHotkeyBackend());
    desktopText_ = inputs::makePlatformDesktopText();
    setDesktopText(desktopText_.get());
    ends_.push_back([this] {
        setDesktopText(nullptr);
        desktopText_.reset();
        setHotkeyBackend(nullptr);
    });
}

void Services::StartMpris(std::function<void()> raise, std::function<void()> quit) {
    mpris_ = inputs::StartMpris(std::move(raise), std::move(quit));
    ends_.push_back([this] { mpris_.reset(); });
}

void Services::StartPedals() {
    pedals_ = inputs::StartPedals();
    ends_.push_back([this] { pedals_.reset(); });
}

void Services::End() {
    while (!ends_.empty()) {
        const std::function<void()> end = std::move(ends_.back());
        ends_.pop_back();
        end();
    }
}

} // namespace modMain
