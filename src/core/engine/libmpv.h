// libmpv's entry points, looked up at run time. Linked in, libmpv would have
// the dynamic loader map and relocate its two hundred libraries before main
// runs, which takes longer than building and showing the window; loaded on
// the engine's start thread once the window is up, it costs the window
// nothing.
#pragma once

#include <mpv/client.h>

#define MEMOTAP_LIBMPV_FUNCTIONS(X)                                                                \
    X(client_api_version)                                                                          \
    X(command)                                                                                     \
    X(command_async)                                                                               \
    X(command_ret)                                                                                 \
    X(create)                                                                                      \
    X(error_string)                                                                                \
    X(free)                                                                                        \
    X(free_node_contents)                                                                          \
    X(get_property)                                                                                \
    X(get_property_string)                                                                         \
    X(initialize)                                                                                  \
    X(observe_property)                                                                            \
    X(request_log_messages)                                                                        \
    X(set_option_string)                                                                           \
    X(set_property)                                                                                \
    X(set_property_async)                                                                          \
    X(set_property_string)                                                                         \
    X(set_wakeup_callback)                                                                         \
    X(terminate_destroy)                                                                           \
    X(wait_event)

struct LibMpv {
#define MEMOTAP_LIBMPV_MEMBER(name) decltype(&::mpv_##name) name = nullptr;
    MEMOTAP_LIBMPV_FUNCTIONS(MEMOTAP_LIBMPV_MEMBER)
#undef MEMOTAP_LIBMPV_MEMBER
};

// Loads libmpv once, from whichever thread asks first; later calls give the
// first answer. Null when it is missing, unreadable or lacks one of the
// entry points; the reason is logged.
const LibMpv* loadLibMpv();

// The loaded entry points. Every handle comes from them, so whoever holds one
// may call them; before a successful load they must not be called.
const LibMpv& libmpv();
