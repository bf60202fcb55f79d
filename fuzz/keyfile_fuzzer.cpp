// The key file hMEMKEY.txt: any bytes read without harm, and the problem
// reported matches what was read.
#include "core/hotkeys/keyfile_reader.h"
#include "fuzz_check.h"
#include "text_round_trip.h"

#include <cstddef>
#include <cstdint>

using namespace modMain;
using Kind = textfile::ReadProblem::Kind;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::array<HotkeyEntry, HotKeyCount + 1> hotKeys{};
    const KeyFileRead read = ParseKeyFile(bytes, hotKeys);

    // Only the end of the text stops the reader; a damaged number reads on.
    const bool stopped = read.problem && read.problem->kind == Kind::Ended;
    FUZZ_CHECK(read.complete != stopped);
    FUZZ_CHECK(!read.problem || read.problem->kind != Kind::Damaged);
    if (read.problem)
        FUZZ_CHECK(read.problem->line >= 1 &&
                   read.problem->line <= bytes.count('\n') + bytes.count('\r') + 1);
    FUZZ_CHECK(hotKeys[0] == HotkeyEntry{});

    for (int r = 1; r <= HotKeyCount; ++r)
        checkStringRoundTrip(hotKeys[r].KeyText);
    return 0;
}
