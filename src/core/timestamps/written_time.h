// Reads a time back out of text the user wrote or selected: the first time
// in its first 4096 characters, in the styles people write by hand.
#pragma once

#include <QString>
#include <optional>

namespace modMain {

constexpr qsizetype WrittenTimeSearchLength = 4096;

// The first time in text, in milliseconds. Read: h:mm:ss and hh:mm:ss
// (minutes and seconds below 60), mm:ss (minutes past 59 allowed), each
// with tenths, hundredths or thousandths after a dot; "1時間2分3秒" and
// "2分3秒"; full-width digits, colons and dots as their ASCII forms; any
// brackets, parentheses or marks around it. Nothing when the text holds no
// time.
std::optional<qint64> FindWrittenTime(const QString& text);

} // namespace modMain
