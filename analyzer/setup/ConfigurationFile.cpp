#include "ConfigurationFile.h"

#include "Cp932Text.h"

#include <QFile>
#include <QStringView>

#include <algorithm>
#include <optional>

namespace seiran {

namespace {

// One cell's value, or -1 when its three characters hold no number from 0 to 255.
int cellValue(QStringView cell)
{
    bool ok = false;
    const int value = cell.trimmed().toInt(&ok);
    return ok && value >= 0 && value <= 255 ? value : -1;
}

bool appendCells(QStringView line, qsizetype cellCount, std::vector<std::uint8_t>& out, long long& sum)
{
    for (qsizetype c = 0; c < cellCount; ++c) {
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

ConfigurationImage parseConfigurationFile(QByteArrayView bytes, int cellsPerLine)
{
    ConfigurationImage image;
    if (cellsPerLine != 16 && cellsPerLine != 77)
        return image;
    image.cellsPerLine = cellsPerLine;
    if (bytes.size() > kMaxConfigurationFileBytes)
        return image;
    const std::optional<QString> text = decodeCp932(bytes);
    if (!text)
        return image;
    const std::vector<QStringView> lines = splitTextLines(*text);
    if (lines.empty())
        return image;

    // The size limit above keeps the line count and the sum far inside their types.
    const qsizetype dataLines = qsizetype(lines.size()) - 1;
    image.dataLineCount = int(dataLines);
    // Each data line takes at least 4 characters a cell: reserving by the text's length keeps a
    // file of empty lines from reserving many times its size.
    image.data.reserve(std::size_t(std::min(dataLines * cellsPerLine, text->size() / 4)));
    for (qsizetype i = 0; i < dataLines; ++i) {
        const QStringView line = lines[std::size_t(i)];
        // A data line that is not exactly one row of the format cannot be sent as one.
        if (line.size() / 4 != cellsPerLine || !appendCells(line, cellsPerLine, image.data, image.sum))
            return image;
    }
    const QStringView last = lines.back();
    if (!appendCells(last, (last.size() + 1) / 4, image.trailer, image.sum))
        return image;
    image.valid = true;
    return image;
}

ConfigurationImage readConfigurationFile(const QString& path, int cellsPerLine)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // One byte over the limit is enough to refuse the file; the rest is never read.
    const QByteArray bytes = file.read(kMaxConfigurationFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return {};
    return parseConfigurationFile(bytes, cellsPerLine);
}

} // namespace seiran
