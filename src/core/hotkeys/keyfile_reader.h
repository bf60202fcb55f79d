// The records of hMEMKEY.txt, read from the file's bytes. ReadKeyFile reads
// the file and hands its bytes here.
#pragma once

#include "core/modMain.h"
#include "core/textfile.h"

#include <QByteArray>
#include <array>
#include <optional>

namespace modMain {

struct KeyFileRead {
    bool complete = false; // all nine records read
    // Where reading stopped, or else the first number field read as 0.
    std::optional<textfile::ReadProblem> problem;
};

// Reads the records in order into hotKeys[1..9]. A number field that holds no
// number is read as 0, so one damaged field costs one value rather than the
// whole table; the records read before the text ends are kept.
KeyFileRead ParseKeyFile(const QByteArray& bytes,
                         std::array<HotkeyEntry, HotKeyCount + 1>& hotKeys);

} // namespace modMain
