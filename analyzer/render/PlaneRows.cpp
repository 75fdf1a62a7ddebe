// Row drawing of bit-plane pages. Only the samples inside the window (plus ten) are walked, a
// pixel column at a time: the next change is found with word operations on the packed planes,
// every further change in the same column is skipped over, and each row goes out in one batch
// per pen. The cost follows the pixels drawn, not the samples held.

#include "render/Traces.h"
#include "render/WaveMapping.h"
#include "render/WaveRender.h"

#include <algorithm>

namespace seiran {

namespace {

constexpr int kRightMarginSamples = 10;

struct SampleRange {
    int first = 0; // the sample under the left edge of the window
    int end = 0;   // one past the last sample walked
};

void flush(Canvas& canvas, const std::vector<LineSegment>& lines, const Pen& pen)
{
    if (lines.empty())
        return;
    canvas.setPen(pen);
    canvas.drawLines(lines);
}

void drawWire(const PageState& page, const PlaneMapping& map, SampleRange range, const VisibleRow& row,
              bool heavy, bool compare, TraceBuffers& buffers)
{
    const auto levels = page.sampleBits.words(row.firstChannel);
    const auto errors = page.compareErrorBits.words(row.firstChannel);
    PlaneScanner levelChanges;
    levelChanges.add(levels);
    PlaneScanner events; // level changes, and with a compare the edges of the error marks
    events.add(levels);
    if (compare)
        events.add(errors);

    WireTrace trace(row, heavy ? HeavyLow::WidePen : HeavyLow::Off, buffers.thin, buffers.heavy, buffers.red,
                    buffers.redHeavy);
    trace.start(map.xOf(range.first), PlaneBit(levels, range.first), compare && PlaneBit(errors, range.first));
    int n = range.first + 1;
    for (;;) {
        const int s = events.next(n, range.end);
        if (s >= range.end)
            break;
        const int x = map.xOf(s);
        const int columnEnd = std::clamp(map.firstSampleAtOrAfter(std::int64_t(x) + 1), s + 1, range.end);
        const bool levelAfter = PlaneBit(levels, columnEnd - 1);
        const bool redAfter = compare && PlaneBit(errors, columnEnd - 1);
        const bool levelChanged =
            PlaneBit(levels, s) != trace.level() || levelChanges.next(s + 1, columnEnd) < columnEnd;
        if (levelChanged)
            trace.change(x, levelAfter, compare && (PlaneBit(errors, s) || redAfter), redAfter);
        else
            trace.recolour(x, redAfter);
        n = columnEnd;
    }
    trace.finish(map.xOf(range.end));
}

// The bus value at sample n: its lowest channel is bit 0.
std::uint64_t busValue(const std::array<const std::uint64_t*, kMaxChannels>& planes, int channels, int n)
{
    std::uint64_t value = 0;
    const std::size_t word = std::size_t(n) >> 6;
    const unsigned bit = unsigned(n) & 63U;
    for (int k = 0; k < channels; ++k)
        value |= ((planes[std::size_t(k)][word] >> bit) & 1U) << unsigned(k);
    return value;
}

void drawBus(const PageState& page, const PlaneMapping& map, SampleRange range, const VisibleRow& row,
             Canvas& canvas, int viewWidth, std::vector<LineSegment>& out)
{
    const int channels = std::clamp(row.channels, 1, kMaxChannels - row.firstChannel);
    std::array<const std::uint64_t*, kMaxChannels> planes{};
    PlaneScanner changes;
    for (int k = 0; k < channels; ++k) {
        const auto words = page.sampleBits.words(row.firstChannel + k);
        planes[std::size_t(k)] = words.data();
        changes.add(words);
    }

    BusTrace bus(row, page.rowRadix[std::size_t(row.row)] == QStringLiteral("HEX"), canvas, out, viewWidth);
    bus.start(map.xOf(range.first), busValue(planes, channels, range.first));
    int n = range.first + 1;
    for (;;) {
        const int s = changes.next(n, range.end);
        if (s >= range.end)
            break;
        const int x = map.xOf(s);
        // Changes less than 2 pixels after the cross join it.
        const int joinedEnd = std::clamp(map.firstSampleAtOrAfter(std::int64_t(x) + 2), s + 1, range.end);
        bus.change(x, busValue(planes, channels, joinedEnd - 1));
        n = joinedEnd;
    }
    bus.finish(map.xOf(range.end));
}

} // namespace

void DrawRows(const PageState& page, PageView& view, Canvas& canvas, bool heavyLowLine)
{
    const PlaneMapping map(page, view);
    const int count = map.sampleCount();
    if (count <= 0)
        return;
    const int v = ViewWidth(view);
    SampleRange range;
    // The sample under the left edge: its x is at or left of 0.
    range.first = std::clamp(map.firstSampleAtOrAfter(1) - 1, 0, count - 1);
    range.end = std::min(map.firstSampleAtOrAfter(std::int64_t(v) + 1) + kRightMarginSamples, count);
    if (range.end <= range.first)
        return;

    const bool compare = page.runModeText == QStringLiteral("波形比較");
    canvas.setFont(kWaveFont);
    TraceBuffers& buffers = view.trace;
    for (int i = 0; i < view.rows.count; ++i) {
        const VisibleRow& row = view.rows.rows[std::size_t(i)];
        if (row.firstChannel >= kMaxChannels)
            break;
        buffers.clear();
        if (row.channels == 1) {
            drawWire(page, map, range, row, heavyLowLine, compare, buffers);
        } else {
            drawBus(page, map, range, row, canvas, v, buffers.thin);
        }
        flush(canvas, buffers.thin, {kBlack, 1, false});
        flush(canvas, buffers.heavy, {kBlack, 2, false});
        flush(canvas, buffers.red, {kErrorRed, 1, false});
        flush(canvas, buffers.redHeavy, {kErrorRed, 2, false});
    }
}

} // namespace seiran
