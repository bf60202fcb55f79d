// A set of measurements of one kind and the table they are printed in.
#pragma once

#include <QString>
#include <optional>
#include <vector>

struct Figures {
    std::vector<double> values;
    // Why there are none, when there are none.
    QString missing;

    void add(double value) { values.push_back(value); }
    // The middle value, or the mean of the two middle ones.
    std::optional<double> median() const;
    // "median (min–max)" with the given decimals, or the reason for none.
    QString summary(int decimals = 0) const;
};

// Rows of cells printed with aligned columns; the first row is the header.
void PrintTable(const QString& title, const std::vector<std::vector<QString>>& rows);
