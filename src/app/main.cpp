#include "app/startup.h"
#include "core/log.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    // libmpv's threads would each get a malloc arena of their own; two keep
    // the player's memory down at no cost to a player this quiet.
    if (mallopt(M_ARENA_MAX, 2) == 0)
        qCWarning(lcEngine) << "malloc refused to limit its arenas";
#endif
    return modMain::Main(argc, argv);
}
