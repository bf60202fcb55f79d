#include "core/engine/libmpv.h"

#include "core/log.h"

#include <atomic>
#include <dlfcn.h>
#include <mutex>

namespace {

// The library of the client API this program was built for; another major
// version is another API.
constexpr const char* LibraryName = "libmpv.so.2";

std::atomic<const LibMpv*> loaded{nullptr};

bool lookUpAll(void* library, LibMpv& table) {
    bool complete = true;
#define MEMOTAP_LIBMPV_LOOKUP(name)                                                                \
    table.name = reinterpret_cast<decltype(table.name)>(dlsym(library, "mpv_" #name));             \
    if (!table.name) {                                                                             \
        qCWarning(lcEngine) << LibraryName << "has no mpv_" #name;                                 \
        complete = false;                                                                          \
    }
    MEMOTAP_LIBMPV_FUNCTIONS(MEMOTAP_LIBMPV_LOOKUP)
#undef MEMOTAP_LIBMPV_LOOKUP
    return complete;
}

const LibMpv* load() {
    void* library = dlopen(LibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        qCWarning(lcEngine) << "cannot load libmpv:" << dlerror();
        return nullptr;
    }
    // A usable library stays loaded for the life of the process: libmpv's
    // threads may outlive any one handle.
    static LibMpv table;
    if (!lookUpAll(library, table)) {
        dlclose(library);
        return nullptr;
    }
    const unsigned long version = table.client_api_version();
    if (version >> 16 != MPV_CLIENT_API_VERSION >> 16) {
        qCWarning(lcEngine) << LibraryName << "speaks client API" << (version >> 16)
                            << "rather than" << (MPV_CLIENT_API_VERSION >> 16);
        dlclose(library);
        return nullptr;
    }
    return &table;
}

} // namespace

const LibMpv* loadLibMpv() {
    static std::once_flag once;
    std::call_once(once, [] { loaded.store(load(), std::memory_order_release); });
    return loaded.load(std::memory_order_acquire);
}

const LibMpv& libmpv() {
    return *loaded.load(std::memory_order_acquire);
}
