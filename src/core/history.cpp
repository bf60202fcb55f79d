// The five most recent files, newest first, each with the point where it was
// left; the File menu shows them.
#include "core/modMain.h"
#include "core/player_view.h"

namespace modMain {

Long FindHistory(const QString& path) {
    for (Long i = 1; i <= HistorySize; ++i) {
        // Exact, case-sensitive: two spellings of one file are two entries.
        if (History[i].Path == path)
            return i;
    }
    return 0;
}

void PushHistory(Long index, const QString& path) {
    if (index >= 1 && index <= HistorySize) {
        const HistoryEntry chosen = History[index];
        for (Long k = index; k >= 2; --k)
            History[k] = History[k - 1];
        History[1] = chosen;
        return;
    }
    if (index == 0) {
        for (Long k = HistorySize; k >= 2; --k)
            History[k] = History[k - 1];
        History[1] = HistoryEntry{path, 0};
    }
}

void RemoveHistory(Long index) {
    if (index < 1 || index > HistorySize)
        return;
    for (Long k = index; k <= HistorySize - 1; ++k)
        History[k] = History[k + 1];
    History[HistorySize] = HistoryEntry{};
}

void RefreshHistoryMenu() {
    View().ShowHistory();
}

} // namespace modMain
