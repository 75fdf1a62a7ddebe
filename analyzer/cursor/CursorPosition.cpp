#include "cursor/CursorPosition.h"

#include "RoundToInt.h"
#include "cursor/CursorTable.h"

#include <algorithm>

namespace seiran {

namespace {

// Cursor lines a little left of the window still show: their tags reach into it.
constexpr int kLeftShowLimit = -10;
// x the double-click brings a cursor to (bit-plane pages: 80 less the left margin).
constexpr int kIntoViewX = 80;

bool planeWholeView(const PageState& page) { return page.zoomFactor == kWholeDataZoomFactor; }
bool recordWholeView(const PageState& page) { return page.zoomCode == kWholeDataZoomCode; }

// V − 45 and V − 2 × zoomStep: the width the whole data is spread over; at least 1, so a window
// narrower than its margins gives large steps instead of a division by zero.
int planeWholeSpan(const PageView& view) { return std::max(ViewWidth(view) - waveLeftMargin - waveRightMargin, 1); }
int recordWholeSpan(const PageState& page, const PageView& view)
{
    return std::max(ViewWidth(view) - 2 * zoomStep(page), 1);
}

std::int32_t limitToRange(const PageState& page, std::int64_t value)
{
    return std::int32_t(std::clamp<std::int64_t>(value, 0, std::max(CursorRangeEnd(page), 0)));
}

} // namespace

CursorLineMapping::CursorLineMapping(const PageState& page, PageView& view)
    : m_page(page), m_view(view)
{
    if (!page.compressed) {
        m_plane.emplace(page, view);
        m_whole = m_plane->wholeView();
    } else {
        m_whole = recordWholeView(page);
    }
}

int CursorLineMapping::xOf(std::int64_t sample) const
{
    return m_plane ? m_plane->xOf(sample) : CompressedSampleX(m_page, m_view, sample);
}

CursorLinePlace CursorLineMapping::place(std::int64_t sample) const
{
    const int x = xOf(sample);
    return {x, m_whole || (x >= kLeftShowLimit && x <= ViewWidth(m_view))};
}

std::int32_t CursorStepSize(const PageState& page, const PageView& view)
{
    if (!page.compressed) {
        const double z = page.zoomFactor;
        if (z == kWholeDataZoomFactor)
            return std::max(page.dataCount / planeWholeSpan(view), 1);
        if (z >= 1.0)
            return 1;
        return z > 0.0 ? std::max(RoundToInt(1.0 / z), 1) : 1;
    }
    const int c = page.zoomCode;
    if (c == kWholeDataZoomCode)
        return std::max(page.sampleCount / recordWholeSpan(page, view), 1);
    if (c < 256)
        return 256 / std::max(c, 1);
    return 1;
}

std::int32_t StepCursor(const PageState& page, PageView& view, std::int32_t cursor, bool left)
{
    const int direction = left ? -1 : 1;
    const std::int32_t s = CursorStepSize(page, view);
    std::int32_t moved = limitToRange(page, std::int64_t(cursor) + direction * std::int64_t(s));
    if (!page.compressed && planeWholeView(page)) {
        const PlaneMapping map(page, view);
        if (map.xOf(moved) == map.xOf(cursor))
            moved = limitToRange(page, std::int64_t(moved) + direction);
    }
    return moved;
}

std::int32_t RepeatStep(const PageState& page, const PageView& view, int tickCount, std::int32_t cursor, bool left)
{
    const std::int64_t s = CursorStepSize(page, view);
    const std::int64_t end = CursorRangeEnd(page);
    const std::int64_t n = cursor;
    if (left) {
        if (n <= 0)
            return cursor;
        std::int64_t step = s;
        if (tickCount > 75 && 40 * s < n)
            step = 20 * s;
        else if (tickCount > 25 && 10 * s < n)
            step = 5 * s;
        return limitToRange(page, n - step);
    }
    if (n >= end)
        return cursor;
    std::int64_t step = s;
    if (tickCount > 75 && n < end - 40 * s)
        step = 20 * s;
    else if (tickCount > 25 && n < end - 10 * s)
        step = 5 * s;
    return limitToRange(page, n + step);
}

std::int32_t DragToSample(const PageState& page, const PageView& view, std::int32_t cursor, int dragPixels)
{
    const std::int64_t n = cursor;
    const int d = dragPixels;
    if (page.compressed) {
        const int c = page.zoomCode;
        if (c == kWholeDataZoomCode) {
            const float ratio = float(page.sampleCount) / float(recordWholeSpan(page, view));
            return limitToRange(page, RoundToInt(double(n) + double(d) * double(ratio)));
        }
        if (c < 256)
            return limitToRange(page, n + std::int64_t(256 / std::max(c, 1)) * d);
        return limitToRange(page, RoundToInt(double(d) / double(c / 256) + double(n)));
    }
    const double z = page.zoomFactor;
    if (z == kWholeDataZoomFactor) {
        const float ratio = float(page.dataCount) / float(planeWholeSpan(view));
        return limitToRange(page, RoundToInt(double(n) + double(d) * double(ratio)));
    }
    if (z <= 0.0)
        return limitToRange(page, n);
    return limitToRange(page, RoundToInt(double(float(n) + float(d) / float(z))));
}

std::int32_t CursorIntoViewSample(const PageState& page, PageView& view)
{
    if (!page.compressed) {
        if (planeWholeView(page)) {
            const std::int64_t perPixel = std::max(page.dataCount / planeWholeSpan(view), 1);
            return limitToRange(page, perPixel * kIntoViewX + waveLeftMargin);
        }
        const double z = page.zoomFactor;
        const PlaneMapping map(page, view);
        const std::int64_t x0 = map.xOf(0);
        if (z <= 0.0)
            return 0;
        return limitToRange(page, RoundToInt(double(kIntoViewX - waveLeftMargin - x0) / z));
    }
    const int step = zoomStep(page);
    const int c = page.zoomCode;
    if (c == kWholeDataZoomCode) {
        const std::int64_t perPixel = std::max(page.sampleCount / recordWholeSpan(page, view), 1);
        return limitToRange(page, perPixel * kIntoViewX + step);
    }
    const std::int64_t a = kIntoViewX + (std::int64_t(page.scrollPosition) - 1) * step;
    if (c < 256)
        return limitToRange(page, a * (256 / std::max(c, 1)));
    return limitToRange(page, a / (c / 256));
}

} // namespace seiran
