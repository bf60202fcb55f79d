// Start-up as seen from outside a program: a client of the X server that
// hears every top-level window being mapped (SubstructureNotify on the root)
// and tells the windows of one process by their _NET_WM_PID.
#pragma once

#include <QString>
#include <chrono>
#include <optional>
#include <sys/types.h>
#include <xcb/xcb.h>

class WindowWatcher {
  public:
    using Clock = std::chrono::steady_clock;
    struct Mapped {
        xcb_window_t window = 0;
        Clock::time_point at;
    };

    explicit WindowWatcher(const QString& display);
    ~WindowWatcher();
    WindowWatcher(const WindowWatcher&) = delete;
    WindowWatcher& operator=(const WindowWatcher&) = delete;

    bool ok() const { return ok_; }
    // Forgets what earlier runs left: call before starting the next program.
    void drain();
    // The first window of process pid mapped as a top-level window (menus and
    // tooltips, which bypass the window manager, do not count), read the
    // moment the server reports it.
    std::optional<Mapped> waitForFirstMap(pid_t pid, int timeoutMs);
    // When the window's title (_NET_WM_NAME) first contains text.
    std::optional<Clock::time_point> waitForTitle(xcb_window_t window, const QString& text,
                                                  int timeoutMs);

  private:
    // The next event, waiting at most until deadline.
    xcb_generic_event_t* nextEvent(Clock::time_point deadline);
    xcb_atom_t atom(const char* name);
    std::optional<pid_t> windowPid(xcb_window_t window);
    QString windowTitle(xcb_window_t window);

    xcb_connection_t* connection_ = nullptr;
    xcb_atom_t pidAtom_ = XCB_NONE;
    xcb_atom_t nameAtom_ = XCB_NONE;
    bool ok_ = false;
};
