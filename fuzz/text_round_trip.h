// What the settings writers do with a string, the readers must undo: every
// string a reader produced, written in a line with a number after it, reads
// back unchanged and leaves the number where it was.
#pragma once

#include "core/textfile.h"
#include "fuzz_check.h"

inline void checkStringRoundTrip(const QString& value) {
    textfile::FieldWriter out;
    out.string(value).number(-7).endLine();
    textfile::FieldReader in(textfile::decode(textfile::encode(out.text())));
    QString back;
    std::int32_t number = 0;
    FUZZ_CHECK(in.readString(back));
    FUZZ_CHECK(back == value);
    FUZZ_CHECK(in.readLong(number) && number == -7);
    FUZZ_CHECK(!in.readString(back) && in.ended());
}
