// The command socket's request parser: any bytes a client sends are read
// without harm, a request it accepts carries no line break, and what a client
// formats reads back as it was meant.
#include "core/remote/request.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const remote::ParseResult result = remote::ParseRequest(bytes);
    if (const auto* request = std::get_if<remote::Request>(&result)) {
        FUZZ_CHECK(!request->verb.isEmpty());
        FUZZ_CHECK(!request->verb.contains(u'\n') && !request->argument.contains(u'\n'));
        FUZZ_CHECK(bytes.size() <= remote::MaxRequestBytes);
        // The same request, formatted by a client, parses to itself.
        if (const auto again = remote::FormatRequest(request->verb, request->argument)) {
            const remote::ParseResult reread = remote::ParseRequest(*again);
            const auto* same = std::get_if<remote::Request>(&reread);
            FUZZ_CHECK(same && *same == *request);
        }
    }
    if (std::holds_alternative<remote::NeedMore>(result))
        FUZZ_CHECK(bytes.size() <= remote::MaxRequestBytes);
    if (const auto seconds = remote::ParseSeconds(QString::fromUtf8(bytes)))
        FUZZ_CHECK(*seconds >= 0);
    return 0;
}
