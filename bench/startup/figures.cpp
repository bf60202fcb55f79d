#include "startup/figures.h"

#include <algorithm>
#include <cstdio>

std::optional<double> Figures::median() const {
    if (values.empty())
        return std::nullopt;
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t n = sorted.size();
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

QString Figures::summary(int decimals) const {
    if (values.empty())
        return missing.isEmpty() ? QStringLiteral("not measured") : "not measured: " + missing;
    const auto [least, most] = std::minmax_element(values.begin(), values.end());
    return QStringLiteral("%1 (%2-%3)")
        .arg(*median(), 0, 'f', decimals)
        .arg(*least, 0, 'f', decimals)
        .arg(*most, 0, 'f', decimals);
}

void PrintTable(const QString& title, const std::vector<std::vector<QString>>& rows) {
    std::vector<qsizetype> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    }
    std::printf("\n%s\n", title.toUtf8().constData());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        QString line;
        for (std::size_t i = 0; i < rows[r].size(); ++i)
            line += (i ? QStringLiteral(" | ") : QString()) + rows[r][i].leftJustified(widths[i]);
        std::printf("%s\n", line.trimmed().toUtf8().constData());
        if (r == 0) {
            QString rule;
            for (std::size_t i = 0; i < widths.size(); ++i)
                rule += (i ? QStringLiteral("-|-") : QString()) + QString(widths[i], u'-');
            std::printf("%s\n", rule.toUtf8().constData());
        }
    }
    std::fflush(stdout);
}
