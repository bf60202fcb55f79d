#include "startup/process_memory.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace {

// "Rss:   12345 kB" -> megabytes.
std::optional<double> field(const QByteArray& text, const QByteArray& name) {
    for (const QByteArray& line : text.split('\n')) {
        if (!line.startsWith(name + ':'))
            continue;
        bool ok = false;
        const long kilobytes = line.mid(name.size() + 1).trimmed().split(' ').first().toLong(&ok);
        return ok ? std::optional<double>(kilobytes / 1024.0) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

std::optional<ProcessMemory> ReadProcessMemory(pid_t pid) {
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = rollup.readAll();
    const auto rss = field(text, "Rss");
    const auto pss = field(text, "Pss");
    if (!rss || !pss)
        return std::nullopt;
    return ProcessMemory{*rss, *pss};
}
