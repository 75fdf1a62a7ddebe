#pragma once

// Hand-made configuration files for the download tests.

#include <QDir>
#include <QFile>
#include <QString>

#include <vector>

namespace seiran::setuptest {

inline QString cellText(int value)
{
    return QStringLiteral("%1").arg(value, 3, 10, QLatin1Char(' '));
}

// `dataLines` lines of `cellsPerLine` cells and a trailer, all cells adding up to `sum`. Cell values
// vary along the file so that bytes sent out of order show.
struct ConfigurationFileSpec {
    int dataLines = 0;
    int cellsPerLine = 16;
    long long sum = 0;
    std::vector<int> trailer{255, 255, 255, 255, 255};
};

inline std::vector<int> configurationCells(const ConfigurationFileSpec& spec)
{
    long long remaining = spec.sum;
    for (int v : spec.trailer)
        remaining -= v;
    const long long count = static_cast<long long>(spec.dataLines) * spec.cellsPerLine;
    std::vector<int> cells(std::size_t(count), 0);
    const long long base = remaining / count;
    long long extra = remaining % count;
    for (long long i = 0; i < count; ++i)
        cells[std::size_t(i)] = int(base) + (i < extra ? 1 : 0);
    // Pairs of cells trade a little value, which keeps the sum and makes neighbours differ.
    for (long long i = 0; i + 1 < count; i += 2) {
        const int d = int(i / 2 % 7);
        if (cells[std::size_t(i)] + d <= 255 && cells[std::size_t(i + 1)] - d >= 0) {
            cells[std::size_t(i)] += d;
            cells[std::size_t(i + 1)] -= d;
        }
    }
    return cells;
}

inline void writeConfigurationFile(const QString& folder, const QString& name, const ConfigurationFileSpec& spec)
{
    const std::vector<int> cells = configurationCells(spec);
    QByteArray text;
    for (int line = 0; line < spec.dataLines; ++line) {
        for (int c = 0; c < spec.cellsPerLine; ++c)
            text += cellText(cells[std::size_t(line * spec.cellsPerLine + c)]).toLatin1() + ',';
        text += "\r\n";
    }
    for (std::size_t c = 0; c < spec.trailer.size(); ++c) {
        text += cellText(spec.trailer[c]).toLatin1();
        if (c + 1 < spec.trailer.size())
            text += ',';
    }
    text += "\r\n";
    QFile file(QDir(folder).filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
}

} // namespace seiran::setuptest
