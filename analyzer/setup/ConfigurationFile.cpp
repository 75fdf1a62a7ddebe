#include "ConfigurationFile.h"

namespace seiran {

namespace {

// One cell's value, or -1 when its three characters hold no number from 0 to 255.
int cellValue(QStringView cell)
{
    bool ok = false;
    const int value = cell.trimmed().toInt(&ok);
    return ok && value >= 0 && value <= 255 ? value : -1;
}

bool appendCells(QStringView line, int cellCount, std::vector<std::uint8_t>& out, long long& sum)
{
    for (int c = 0; c < cellCount; ++c) {
        const int value = cellValue(line.mid(4 * c, 3));
        if (value < 0)
            return false;
        out.push_back(std::uint8_t(value));
        sum += value;
    }
    return true;
}

} // namespace

int cellsPerDataLine(int deviceType)
{
    return deviceType <= 5 ? 77 : 16;
}

ConfigurationImage parseConfigurationLines(const QStringList& lines, int cellsPerLine)
{
    ConfigurationImage image;
    image.cellsPerLine = cellsPerLine;
    if (lines.isEmpty())
        return image;
    image.dataLineCount = int(lines.size()) - 1;
    image.data.reserve(std::size_t(image.dataLineCount) * std::size_t(cellsPerLine));
    for (int i = 0; i < image.dataLineCount; ++i) {
        const QString& line = lines[i];
        // A data line that is not exactly one row of the format cannot be sent as one.
        if (line.size() / 4 != cellsPerLine || !appendCells(line, cellsPerLine, image.data, image.sum))
            return image;
    }
    const QString& last = lines.constLast();
    if (!appendCells(last, int(last.size() + 1) / 4, image.trailer, image.sum))
        return image;
    image.valid = true;
    return image;
}

} // namespace seiran
