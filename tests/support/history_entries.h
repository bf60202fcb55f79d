// The recent-file history as a list, for tests that set and compare it.
#pragma once

#include "core/modMain.h"

#include <vector>

using Entries = std::vector<modMain::HistoryEntry>;

inline void setHistory(const Entries& entries) {
    for (int i = 1; i <= modMain::HistorySize; ++i)
        modMain::History[i] =
            i <= static_cast<int>(entries.size()) ? entries[i - 1] : modMain::HistoryEntry{};
}

inline Entries history() {
    return {modMain::History.begin() + 1, modMain::History.end()};
}

inline const Entries Five = {{"/a", 1}, {"/b", 2}, {"/c", 3}, {"/d", 4}, {"/e", 5}};
