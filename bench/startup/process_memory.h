// The memory of a running process from /proc/PID/smaps_rollup, in megabytes:
// most of the resident set is shared library pages, so the proportional set
// (each shared page divided among the processes that map it) is read beside it.
#pragma once

#include <optional>
#include <sys/types.h>

struct ProcessMemory {
    double rssMb = 0;
    double pssMb = 0;
};

std::optional<ProcessMemory> ReadProcessMemory(pid_t pid);
