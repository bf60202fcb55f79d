// One run of the gsettings tool that nothing waits for: the process starts,
// and its answer comes back as a call from the event loop once it has ended.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace modMain {

// Runs `gsettings arguments`; done receives its output, trimmed, or nothing
// when it could not start, failed or ran longer than ten seconds (a log line
// says which). done is called once, never before RunGsettings returns.
void RunGsettings(const QStringList& arguments, std::function<void(std::optional<QString>)> done);

} // namespace modMain
