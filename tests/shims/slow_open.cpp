// Holds every open of one file while a gate file exists, as a network share
// or a recorder on USB answers late. Preloaded into the real player with
// MEMOTAP_SLOW_OPEN_FILE (the file) and MEMOTAP_SLOW_OPEN_GATE (the gate);
// while an open is held, the gate's name with ".held" after it exists. A
// hold gives up after a minute, so a forgotten gate fails a test instead of
// hanging it.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

using OpenFn = int (*)(const char*, int, ...);
using OpenAtFn = int (*)(int, const char*, int, ...);

void holdIfSlow(const char* path) {
    const char* slow = getenv("MEMOTAP_SLOW_OPEN_FILE");
    const char* gate = getenv("MEMOTAP_SLOW_OPEN_GATE");
    if (!slow || !gate || !path || strcmp(path, slow) != 0)
        return;
    char held[4096];
    if (snprintf(held, sizeof held, "%s.held", gate) >= static_cast<int>(sizeof held))
        return;
    static OpenFn realOpen;
    if (!realOpen)
        realOpen = reinterpret_cast<OpenFn>(dlsym(RTLD_NEXT, "open"));
    const int marker = realOpen(held, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (marker >= 0)
        close(marker);
    const struct timespec tick = {0, 10 * 1000 * 1000};
    for (int i = 0; i < 6000 && access(gate, F_OK) == 0; ++i)
        nanosleep(&tick, nullptr);
}

mode_t modeOf(int flags, va_list args) {
    return (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
}

} // namespace

#define FORWARD_OPEN(name)                                                                         \
    extern "C" int name(const char* path, int flags, ...) {                                        \
        static OpenFn real;                                                                        \
        if (!real)                                                                                 \
            real = reinterpret_cast<OpenFn>(dlsym(RTLD_NEXT, #name));                              \
        va_list args;                                                                              \
        va_start(args, flags);                                                                     \
        const mode_t mode = modeOf(flags, args);                                                   \
        va_end(args);                                                                              \
        holdIfSlow(path);                                                                          \
        return real(path, flags, mode);                                                            \
    }

#define FORWARD_OPENAT(name)                                                                       \
    extern "C" int name(int dir, const char* path, int flags, ...) {                               \
        static OpenAtFn real;                                                                      \
        if (!real)                                                                                 \
            real = reinterpret_cast<OpenAtFn>(dlsym(RTLD_NEXT, #name));                            \
        va_list args;                                                                              \
        va_start(args, flags);                                                                     \
        const mode_t mode = modeOf(flags, args);                                                   \
        va_end(args);                                                                              \
        holdIfSlow(path);                                                                          \
        return real(dir, path, flags, mode);                                                       \
    }

FORWARD_OPEN(open)
FORWARD_OPEN(open64)
FORWARD_OPENAT(openat)
FORWARD_OPENAT(openat64)
