#include "startup/window_watcher.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

} // namespace

WindowWatcher::WindowWatcher(const QString& display) {
    connection_ = xcb_connect(display.toLatin1().constData(), nullptr);
    if (xcb_connection_has_error(connection_))
        return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    Reply<xcb_generic_error_t> error(xcb_request_check(
        connection_,
        xcb_change_window_attributes_checked(connection_, root, XCB_CW_EVENT_MASK, &mask)));
    pidAtom_ = atom("_NET_WM_PID");
    nameAtom_ = atom("_NET_WM_NAME");
    ok_ = !error && pidAtom_ != XCB_NONE && nameAtom_ != XCB_NONE;
}

WindowWatcher::~WindowWatcher() {
    xcb_disconnect(connection_);
}

xcb_atom_t WindowWatcher::atom(const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

void WindowWatcher::drain() {
    // A round trip: everything the server sent before it is in xcb's queue.
    Reply<xcb_get_input_focus_reply_t>(
        xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_))
        std::free(event);
}

xcb_generic_event_t* WindowWatcher::nextEvent(Clock::time_point deadline) {
    for (;;) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(connection_))
            return event;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || xcb_connection_has_error(connection_))
            return nullptr;
        pollfd descriptor{xcb_get_file_descriptor(connection_), POLLIN, 0};
        poll(&descriptor, 1, static_cast<int>(left));
    }
}

std::optional<pid_t> WindowWatcher::windowPid(xcb_window_t window) {
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, pidAtom_, XCB_ATOM_CARDINAL, 0, 1),
        nullptr));
    if (!reply || xcb_get_property_value_length(reply.get()) != 4)
        return std::nullopt;
    return static_cast<pid_t>(
        *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get())));
}

QString WindowWatcher::windowTitle(xcb_window_t window) {
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, window, nameAtom_, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
        nullptr));
    if (!reply)
        return {};
    return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                             xcb_get_property_value_length(reply.get()));
}

std::optional<WindowWatcher::Mapped> WindowWatcher::waitForFirstMap(pid_t pid, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (xcb_generic_event_t* event = nextEvent(deadline)) {
        const auto at = Clock::now();
        Reply<xcb_generic_event_t> owned(event);
        if ((event->response_type & 0x7F) != XCB_MAP_NOTIFY)
            continue;
        const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event);
        // Only the root's children are reported: top-level windows.
        if (map->override_redirect)
            continue;
        if (windowPid(map->window) == pid)
            return Mapped{map->window, at};
    }
    return std::nullopt;
}

std::optional<WindowWatcher::Clock::time_point>
WindowWatcher::waitForTitle(xcb_window_t window, const QString& text, int timeoutMs) {
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &mask);
    // Named before the selection took effect: seen by this first look.
    if (windowTitle(window).contains(text))
        return Clock::now();
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (xcb_generic_event_t* event = nextEvent(deadline)) {
        const auto at = Clock::now();
        Reply<xcb_generic_event_t> owned(event);
        if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY)
            continue;
        const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (change->window == window && change->atom == nameAtom_ &&
            windowTitle(window).contains(text))
            return at;
    }
    return std::nullopt;
}
