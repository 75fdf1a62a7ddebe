#include "cursor/VoltCursors.h"

#include "cursor/CursorTable.h"
#include "render/AnalogScale.h"
#include "render/RowLayout.h"

#include <algorithm>

namespace seiran {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");
const QString kFullWidthSpace = QStringLiteral("\u3000");

struct ReadoutLabels {
    QString first, second, difference;
};

const std::array<ReadoutLabels, kMaxAnalogRows> kReadoutLabels{{
    {QStringLiteral("V1="), QStringLiteral("V2="), QStringLiteral("V1-V2=")},
    {QStringLiteral("V3="), QStringLiteral("V4="), QStringLiteral("V3-V4=")},
}};

const std::array<QString, kMaxAnalogRows> kAnalogRadix{QStringLiteral("Analog1"), QStringLiteral("Analog2")};

std::size_t slotIndex(int slot) { return std::size_t(std::clamp(slot, 0, kMaxAnalogRows - 1)); }

int usedRows(const PageState& page) { return std::clamp(page.rowCount, 0, kMaxRows); }

int vZoomOf(const PageState& page, int slot) { return page.analogVZoom[slotIndex(slot)]; }

} // namespace

QString BareSignalName(const QString& name)
{
    const qsizetype cut = name.indexOf(kLineBreak);
    return cut < 0 ? name : name.left(cut);
}

int FindAnalogRowExact(const PageState& page, int slot)
{
    const QString& radix = kAnalogRadix[slotIndex(slot)];
    for (int r = std::max(page.firstRow, 0); r < usedRows(page); ++r) {
        if (page.rowRadix[std::size_t(r)] == radix)
            return r;
    }
    return -1;
}

std::int64_t VoltCursorY(const PageState& page, const AnalogRowView& analog, int slot, std::int64_t level)
{
    return AnalogY(analog, level, page.analogVOffset[slotIndex(slot)], vZoomOf(page, slot));
}

bool VoltLevelInsideRow(const PageState& page, const AnalogRowView& analog, int slot, std::int64_t level)
{
    const std::int64_t y = VoltCursorY(page, analog, slot, level);
    return y >= analog.analogTopY && y <= analog.analogBottomY;
}

void ShowVoltReadout(PageState& page, std::int32_t first, std::int32_t second, int slot)
{
    const std::size_t k = slotIndex(slot);
    int row = -1;
    for (int r = std::max(page.firstRow, 0); r < usedRows(page); ++r) {
        if (page.rowRadix[std::size_t(r)].contains(kAnalogRadix[k])) {
            row = r;
            break;
        }
    }
    if (row < 0)
        return;
    const double perCount = page.analogMicroVoltsPerDigit[k];
    const double minimum = page.analogMinimumMicroVolts[k];
    const ReadoutLabels& labels = kReadoutLabels[k];
    QString& name = page.signalName[std::size_t(row)];
    name = BareSignalName(name) + kLineBreak + labels.first + kLineBreak + kFullWidthSpace
           + VoltageLabel(first * perCount + minimum) + kLineBreak + labels.second + kLineBreak + kFullWidthSpace
           + VoltageLabel(second * perCount + minimum) + kLineBreak + labels.difference + kLineBreak
           + kFullWidthSpace + VoltageLabel((double(first) - double(second)) * perCount);
}

std::int32_t VoltDragLevel(const PageState& page, const AnalogRowView& analog, int slot, std::int32_t oldLevel,
                           int dragStartY, int tagTopY)
{
    // A row drawn before its layout was known has no scale yet; it then moves one count a pixel.
    const std::int64_t scale = std::max<std::int64_t>(analog.analogScale, 1);
    const std::int64_t zoom = std::max<std::int64_t>(vZoomOf(page, slot), 1);
    const std::int64_t level = oldLevel + (std::int64_t(dragStartY - tagTopY) * 16384) / scale / zoom;
    const std::int64_t top = std::max<std::int64_t>(2 * std::int64_t(analog.analogMid) - 1, 0);
    return std::int32_t(std::clamp<std::int64_t>(level, 0, top));
}

} // namespace seiran
