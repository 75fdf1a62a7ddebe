// Row drawing of compressed pages. The records inside the window (plus ten) are walked once for
// all rows: the changed channels of a record are the XOR with the record before, and records that
// fall on one pixel column are joined before any row looks at them, so the cost is one word
// operation a record plus the lines drawn. Each row goes out in one batch.

#include "render/AnalogScale.h"
#include "render/RowLayout.h"
#include "render/Traces.h"
#include "render/WaveMapping.h"
#include "render/WaveRender.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace seiran {

namespace {

std::uint64_t channelMask(int channels)
{
    return channels >= 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << unsigned(channels)) - 1U;
}

std::uint64_t rowValue(std::uint64_t word, const VisibleRow& row)
{
    return (word >> unsigned(row.firstChannel)) & channelMask(row.channels);
}

// One analog curve: a polyline through the first sample of every record (and the end of the
// last), broken where it leaves the row; records on one column make one vertical stroke.
void drawAnalog(const PageState& page, const RecordMapping& map, std::span<const std::uint64_t> values,
                const VisibleRow& row, const AnalogRowView& analog, std::vector<LineSegment>& out)
{
    const std::size_t slot = std::size_t(AnalogSlot(page, row.row));
    const int vOffset = page.analogVOffset[slot];
    const int vZoom = std::max(page.analogVZoom[slot], 1);
    const int first = map.firstRecord();
    const int last = map.lastRecord();

    struct Column {
        int x = 0;
        std::int64_t lastY = 0;
        bool lastInside = false;
        std::int64_t minY = std::numeric_limits<std::int64_t>::max();
        std::int64_t maxY = std::numeric_limits<std::int64_t>::min();
    };
    auto inside = [&](std::int64_t y) { return y >= analog.analogTopY && y <= analog.analogBottomY; };
    auto stroke = [&](const Column& c) {
        if (c.minY < c.maxY)
            out.push_back({c.x, int(c.minY), c.x, int(c.maxY)});
    };

    Column column;
    for (int i = first; i <= last + 1; ++i) {
        const std::uint64_t word = values[std::size_t(std::min(i, last))];
        const int x = map.recordX(i);
        const std::int64_t y = AnalogY(analog, std::int64_t(rowValue(word, row)), vOffset, vZoom);
        const bool in = inside(y);
        if (i > first && x == column.x) {
            if (in) {
                column.minY = std::min(column.minY, y);
                column.maxY = std::max(column.maxY, y);
            }
            column.lastY = y;
            column.lastInside = in;
            continue;
        }
        if (i > first) {
            stroke(column);
            if (column.lastInside && in)
                out.push_back({column.x, int(column.lastY), x, int(y)});
        }
        column = Column{};
        column.x = x;
        column.lastY = y;
        column.lastInside = in;
        if (in)
            column.minY = column.maxY = y;
    }
    stroke(column);
}

} // namespace

void UpdateAnalogRows(const PageState& page, PageView& view)
{
    for (AnalogRowView& a : view.analog) {
        a.visible = false;
        a.scaleLineCount = 0;
    }
    for (int i = 0; i < view.rows.count; ++i) {
        const VisibleRow& row = view.rows.rows[std::size_t(i)];
        if (!row.analog)
            continue;
        const int slot = AnalogSlot(page, row.row);
        AnalogRowView& a = view.analog[std::size_t(slot)];
        if (a.visible)
            continue; // a second row of the same name is not an analog row of its own
        ComputeAnalogLayout(a, row.channels, row.lowY);
        a.visible = true;
        a.row = row.row;
        ComputeAnalogScale(page, slot, row.channels, a);
    }
}

void DrawRecordRows(const PageState& page, PageView& view, Canvas& canvas, Rgb colour, bool compareView,
                    bool heavyLowLine)
{
    const RecordMapping map(page, view, compareView);
    const int first = map.firstRecord();
    const int last = map.lastRecord();
    const auto values = page.displayList.values();
    if (last < first || values.empty())
        return;
    const int v = ViewWidth(view);
    canvas.setFont(kWaveFont);

    std::array<WireTrace, kMaxChannels> wires{};
    std::uint64_t wireMask = 0;
    std::array<BusTrace, kMaxRows> buses{};
    std::array<int, kMaxRows> busRows{};
    std::array<std::uint64_t, kMaxRows> busMask{};
    int busCount = 0;

    const int startX = map.recordX(first);
    const std::uint64_t startWord = values[std::size_t(first)];
    const HeavyLow heavy = heavyLowLine ? HeavyLow::SecondLine : HeavyLow::Off;
    for (int i = 0; i < view.rows.count; ++i) {
        const VisibleRow& row = view.rows.rows[std::size_t(i)];
        std::vector<LineSegment>& out = view.rowLines[std::size_t(i)];
        out.clear();
        if (row.analog || row.firstChannel >= kMaxChannels)
            continue;
        if (row.channels == 1) {
            const int c = row.firstChannel;
            wires[std::size_t(c)] = WireTrace(row, heavy, out, out, out, out);
            wires[std::size_t(c)].start(startX, (startWord >> unsigned(c)) & 1U);
            wireMask |= std::uint64_t(1) << unsigned(c);
        } else {
            const bool hex = page.rowRadix[std::size_t(row.row)] == QStringLiteral("HEX");
            buses[std::size_t(busCount)] = BusTrace(row, hex, canvas, out, v, colour);
            buses[std::size_t(busCount)].start(startX, rowValue(startWord, row));
            busMask[std::size_t(busCount)] = channelMask(row.channels) << unsigned(row.firstChannel);
            busRows[std::size_t(busCount)] = i;
            ++busCount;
        }
    }

    auto column = [&](int x, std::uint64_t changed, std::uint64_t word) {
        for (std::uint64_t bits = changed & wireMask; bits; bits &= bits - 1) {
            const int c = std::countr_zero(bits);
            wires[std::size_t(c)].change(x, (word >> unsigned(c)) & 1U, false, false);
        }
        for (int b = 0; b < busCount; ++b) {
            if (changed & busMask[std::size_t(b)])
                buses[std::size_t(b)].change(x, rowValue(word, view.rows.rows[std::size_t(busRows[std::size_t(b)])]));
        }
    };

    if (wireMask != 0 || busCount > 0) {
        int columnX = startX;
        std::uint64_t changed = 0;
        std::uint64_t word = startWord;
        for (int i = first + 1; i <= last; ++i) {
            const int x = map.recordX(i);
            if (x != columnX) {
                if (changed)
                    column(columnX, changed, word);
                columnX = x;
                changed = 0;
            }
            changed |= values[std::size_t(i)] ^ values[std::size_t(i) - 1];
            word = values[std::size_t(i)];
        }
        if (changed)
            column(columnX, changed, word);
    }

    const int endX = map.recordX(last + 1);
    for (std::uint64_t bits = wireMask; bits; bits &= bits - 1)
        wires[std::size_t(std::countr_zero(bits))].finish(endX);
    for (int b = 0; b < busCount; ++b)
        buses[std::size_t(b)].finish(endX);
    for (int i = 0; i < view.rows.count; ++i) {
        const VisibleRow& row = view.rows.rows[std::size_t(i)];
        if (!row.analog)
            continue;
        const AnalogRowView& a = view.analog[std::size_t(AnalogSlot(page, row.row))];
        if (a.visible && a.row == row.row)
            drawAnalog(page, map, values, row, a, view.rowLines[std::size_t(i)]);
    }

    canvas.setPen({colour, 1, false});
    for (int i = 0; i < view.rows.count; ++i) {
        const std::vector<LineSegment>& out = view.rowLines[std::size_t(i)];
        if (!out.empty())
            canvas.drawLines(out);
    }
}

} // namespace seiran
