#include "render/RowLayout.h"

#include "render/WaveMapping.h"

#include <algorithm>

namespace seiran {

namespace {

int usedRowCount(const PageState& page) { return std::clamp(page.rowCount, 0, kMaxRows); }

int rowChannels(const PageState& page, int row) { return page.rowChannelCount[std::size_t(row)]; }

// Space above the first row: the grid header and its line.
constexpr int kHeaderPixels = signalHeaderHeight + 1;

} // namespace

bool IsAnalogRow(const PageState& page, int row)
{
    if (row < 0 || row >= kMaxRows)
        return false;
    return rowChannels(page, row) > 1 && page.rowRadix[std::size_t(row)].contains(QStringLiteral("Analog"));
}

int AnalogSlot(const PageState& page, int row)
{
    if (row < 0 || row >= kMaxRows)
        return 0;
    return page.rowRadix[std::size_t(row)].contains(QStringLiteral("Analog2")) ? 1 : 0;
}

int RowPixels(const PageState& page, int row)
{
    return IsAnalogRow(page, row) ? rowChannels(page, row) * rowPitch : rowPitch;
}

RowLayout LayoutRows(const PageState& page, int boxHeight)
{
    RowLayout layout;
    const int rows = usedRowCount(page);
    int channel = 0;
    for (int r = 0; r < std::min(page.firstRow, rows); ++r)
        channel += std::max(rowChannels(page, r), 0);

    int used = kHeaderPixels;
    int extra = 0;
    for (int r = std::max(page.firstRow, 0); r < rows; ++r) {
        const int channels = rowChannels(page, r);
        if (channels <= 0)
            break; // rows from here on are not in use
        const int pixels = RowPixels(page, r);
        if (used + pixels > boxHeight)
            break;
        used += pixels;
        const bool analog = IsAnalogRow(page, r);
        if (analog)
            extra += (channels - 1) * rowPitch;
        VisibleRow& v = layout.rows[std::size_t(layout.count)];
        v.row = r;
        v.firstChannel = channel;
        v.channels = channels;
        v.analog = analog;
        v.highY = layout.count * rowPitch + highLevelOffset + extra;
        v.lowY = layout.count * rowPitch + lowLevelOffset + extra;
        v.gridHeight = analog ? channels * rowPitch - 1 : rowHeight;
        ++layout.count;
        channel += channels;
    }
    return layout;
}

std::int32_t RowScrollMax(const PageState& page, int boxHeight)
{
    const int rows = usedRowCount(page);
    int used = kHeaderPixels;
    int fitting = 0;
    for (int r = rows - 1; r >= 0; --r) {
        const int pixels = RowPixels(page, r);
        if (used + pixels > boxHeight)
            break;
        used += pixels;
        ++fitting;
    }
    return std::max(rows - fitting, 0);
}

void LayoutPage(PageState& page, PageView& view)
{
    page.rowScrollMax = RowScrollMax(page, view.waveBoxHeight);
    page.firstRow = std::clamp(page.firstRow, 0, page.rowScrollMax);
    view.rows = LayoutRows(page, view.waveBoxHeight);
    if (!page.compressed)
        UpdatePlaneScrollBar(page, view);
}

void ComputeAnalogLayout(AnalogRowView& analog, int channels, int lowY)
{
    const int d = std::clamp(channels, 1, 30);
    analog.analogMid = std::int32_t((std::int64_t(1) << d) / 2);
    analog.analogBottomY = lowY + 2;
    analog.analogTopY = lowY - d * rowPitch + 4;
    analog.analogCentreY = (analog.analogTopY + analog.analogBottomY) / 2;
    if (d < 8)
        analog.analogScale = 16384;
    else if (d <= 13)
        analog.analogScale = 16384 >> (d - 7);
    else
        analog.analogScale = std::max(16384 >> std::min(d - 8, 14), 1);
}

std::int64_t AnalogY(const AnalogRowView& analog, std::int64_t value, int vOffset, int vZoom)
{
    return analog.analogCentreY
           - (value + vOffset - analog.analogMid) * analog.analogScale * std::int64_t(vZoom) / 16384;
}

double AnalogYExact(const AnalogRowView& analog, double value, int vOffset, int vZoom)
{
    return analog.analogCentreY - (value + vOffset - analog.analogMid) * analog.analogScale * double(vZoom) / 16384.0;
}

} // namespace seiran
