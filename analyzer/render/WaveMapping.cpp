#include "render/WaveMapping.h"

#include "RoundToInt.h"
#include "view/PageTime.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace seiran {

namespace {

constexpr std::int64_t kCoordinateLimit = 1'000'000; // far outside any window, well inside the canvas range

int clampCoordinate(std::int64_t x)
{
    return int(std::clamp(x, -kCoordinateLimit, kCoordinateLimit));
}

std::int32_t clampToInt32(std::int64_t v)
{
    return std::int32_t(std::clamp<std::int64_t>(v, 0, std::numeric_limits<std::int32_t>::max()));
}

int planeSampleCount(const PageState& page) { return std::clamp(page.dataCount, 0, kMaxSamples); }

int recordCount(const PageState& page) { return std::clamp(page.recCount, 0, page.displayList.capacity()); }

int zoomCodeOf(const PageState& page) { return std::max(page.zoomCode, 1); }

// Fills the cache when it is not valid for these sizes; the block is allocated on first use only.
template <typename Fill>
const WholeViewCache& ensureCache(WholeViewCache& cache, WholeViewCache::List list, int entries, int boxWidth,
                                  std::int64_t total, Fill fill)
{
    entries = std::clamp(entries, 0, kWholeViewEntries);
    if (!cache.x)
        cache.x = std::make_unique<std::int32_t[]>(std::size_t(kWholeViewEntries));
    if (cache.list != list || cache.entries != entries || cache.boxWidth != boxWidth || cache.total != total) {
        fill(cache.x.get(), entries);
        cache.list = list;
        cache.entries = entries;
        cache.boxWidth = boxWidth;
        cache.total = total;
    }
    return cache;
}

} // namespace

std::int32_t WholeViewPosition(std::int64_t position, int span, std::int64_t total, int margin)
{
    if (total <= 0)
        return margin;
    return RoundToInt(double(position) * span / double(total)) + margin;
}

void ClearWholeViewCaches(PageView& view)
{
    view.wholeViewX.list = WholeViewCache::List::None;
}

// ---- bit planes

std::int32_t InitialScrollMax(int dataCount)
{
    if (dataCount <= 32000)
        return 64;
    if (dataCount <= 256000)
        return 1024;
    return 8192;
}

std::int32_t TotalWidth(const PageState& page)
{
    return RoundToInt(page.zoomFactor * page.dataCount + waveLeftMargin + waveRightMargin);
}

void UpdatePlaneScrollBar(PageState& page, PageView& view)
{
    if (page.zoomFactor == kWholeDataZoomFactor) {
        view.horizontalScrollEnabled = false;
        return;
    }
    if (TotalWidth(page) <= ViewWidth(view)) {
        view.horizontalScrollEnabled = false;
        page.scrollPosition = 0;
        return;
    }
    view.horizontalScrollEnabled = true;
    // A bar that had no range (never used, or scaled down to nothing) would divide by zero in the
    // mapping: it starts over with the range of a fresh page.
    if (page.scrollMax < 1)
        page.scrollMax = InitialScrollMax(page.dataCount);
    page.scrollPosition = std::clamp(page.scrollPosition, 0, page.scrollMax);
}

void RescaleScroll(PageState& page, PageView& view)
{
    const double z = page.zoomFactor;
    const double previous = page.previousZoomFactor;
    if (z != kWholeDataZoomFactor) {
        if (previous == kWholeDataZoomFactor || previous <= 0.0) {
            // Nothing to scale from: the whole-data view has no scroll position.
            page.scrollMax = InitialScrollMax(page.dataCount);
            page.scrollPosition = 0;
        } else {
            const double ratio = z / previous;
            page.scrollPosition = RoundToInt(page.scrollPosition * ratio);
            page.scrollMax = RoundToInt(page.scrollMax * ratio);
        }
    }
    UpdatePlaneScrollBar(page, view);
    page.previousZoomFactor = z;
}

PlaneMapping::PlaneMapping(const PageState& page, PageView& view) : m_count(planeSampleCount(page))
{
    const int v = ViewWidth(view);
    if (page.zoomFactor == kWholeDataZoomFactor) {
        m_mode = Mode::Whole;
        m_wholeSpan = v - waveLeftMargin - waveRightMargin;
        const int count = m_count;
        const int span = m_wholeSpan;
        m_cache = &ensureCache(view.wholeViewX, WholeViewCache::List::Samples, count + 1, view.waveBoxWidth, count,
                               [count, span](std::int32_t* x, int entries) {
                                   for (int n = 0; n < entries; ++n)
                                       x[n] = WholeViewPosition(n, span, count, waveLeftMargin);
                               });
        return;
    }
    const std::int64_t w = TotalWidth(page);
    if (w > v && page.scrollMax > 0)
        m_x0 = waveLeftMargin - (w - v) * std::int64_t(page.scrollPosition) / page.scrollMax;
    if (page.zoomFactor >= 1.0) {
        m_mode = Mode::Magnify;
        m_step = std::max(RoundToInt(page.zoomFactor), 1);
    } else {
        m_mode = Mode::Reduce;
        m_step = page.zoomFactor > 0.0 ? std::max(RoundToInt(1.0 / page.zoomFactor), 1) : 1;
    }
}

int PlaneMapping::wholeX(std::int64_t n) const
{
    if (n >= 0 && m_cache && n < m_cache->entries)
        return m_cache->at(int(n));
    return clampCoordinate(WholeViewPosition(n, m_wholeSpan, m_count, waveLeftMargin));
}

int PlaneMapping::xOf(std::int64_t n) const
{
    switch (m_mode) {
    case Mode::Magnify:
        return clampCoordinate(m_x0 + n * m_step);
    case Mode::Reduce:
        return clampCoordinate(m_x0 + n / m_step);
    case Mode::Whole:
        break;
    }
    return wholeX(n);
}

int PlaneMapping::firstSampleAtOrAfter(std::int64_t x) const
{
    std::int64_t n = 0;
    switch (m_mode) {
    case Mode::Magnify:
        n = x <= m_x0 ? 0 : (x - m_x0 + m_step - 1) / m_step;
        break;
    case Mode::Reduce:
        n = x <= m_x0 ? 0 : (x - m_x0) * m_step;
        break;
    case Mode::Whole: {
        if (m_wholeSpan <= 0 || m_count <= 0)
            return x <= waveLeftMargin ? 0 : m_count;
        const double guess = std::floor((double(x) - waveLeftMargin - 0.5) * m_count / m_wholeSpan);
        n = std::int64_t(std::clamp(guess, 0.0, double(m_count)));
        while (n > 0 && wholeX(n - 1) >= x)
            --n;
        while (n < m_count && wholeX(n) < x)
            ++n;
        break;
    }
    }
    return int(std::clamp<std::int64_t>(n, 0, m_count));
}

// ---- compressed pages

int zoomStep(const PageState& page)
{
    if (page.zoomCode == 32768)
        return 128;
    if (page.zoomCode == 16384)
        return 64;
    return 32;
}

std::int64_t SamplePixel(const PageState& page, std::int64_t sample)
{
    const int c = zoomCodeOf(page);
    return c < 256 ? sample * c / 256 : sample * (c / 256);
}

void ScrollToSample(PageState& page, PageView& view, std::int64_t sample)
{
    const int v = ViewWidth(view);
    const int step = zoomStep(page);
    const int c = zoomCodeOf(page);
    const std::int64_t total = std::max(page.sampleCount, 0);
    const std::int64_t width = c == kWholeDataZoomCode ? 0 : (c < 256 ? total / (256 / c) : total * (c / 256));
    if (c == kWholeDataZoomCode || width + 2 * step <= v) {
        view.horizontalScrollEnabled = false;
        page.scrollPosition = 0;
        page.scrollMax = 0;
        return;
    }
    std::int64_t max = width / step + 2 + (width % step != 0 ? 1 : 0) - v / step;
    page.scrollMax = std::max<std::int32_t>(clampToInt32(max), 1);
    const double position = double(SamplePixel(page, sample) - v / 2) / step + 1.0;
    page.scrollPosition = std::clamp(RoundToInt(position), 0, page.scrollMax);
    view.horizontalScrollEnabled = true;
}

std::int32_t SampleAtX(const PageState& page, const PageView& view, int x)
{
    if (page.sampleCount <= 0)
        return 0;
    const int c = zoomCodeOf(page);
    const int step = zoomStep(page);
    double s = 0.0;
    if (c == kWholeDataZoomCode) {
        // The inverse of the whole-view mapping; the zoom code itself is no scale there.
        const double scale = double(ViewWidth(view) - 2 * step) / page.sampleCount;
        s = scale > 0.0 ? (x - step) / scale : 0.0;
    } else {
        const double a = x + (double(page.scrollPosition) - 1.0) * step;
        s = c < 256 ? a * (256 / c) : a / (c / 256);
    }
    return RoundToInt(std::clamp(s, 0.0, double(page.sampleCount - 1)));
}

int CompressedSampleX(const PageState& page, const PageView& view, std::int64_t sample)
{
    const int step = zoomStep(page);
    if (page.zoomCode == kWholeDataZoomCode)
        return clampCoordinate(WholeViewPosition(sample, ViewWidth(view) - 2 * step, page.sampleCount, step));
    const std::int64_t x0 = -(std::int64_t(page.scrollPosition) - 1) * step;
    return clampCoordinate(x0 + SamplePixel(page, sample));
}

RecordMapping::RecordMapping(const PageState& page, PageView& view, bool compareView)
    : m_page(page), m_step(zoomStep(page))
{
    const int count = recordCount(page);
    const int v = ViewWidth(view);
    if (page.zoomCode == kWholeDataZoomCode) {
        const std::int64_t total = page.sampleCount;
        m_wholeSpan = v - 2 * m_step;
        const int step = m_step;
        const int span = m_wholeSpan;
        const auto starts = page.displayList.starts();
        const auto list = compareView ? WholeViewCache::List::CompareRecords : WholeViewCache::List::Records;
        m_cache = &ensureCache(view.wholeViewX, list, count + 1, view.waveBoxWidth, total,
                               [&starts, total, step, span](std::int32_t* x, int entries) {
                                   for (int i = 0; i < entries; ++i) {
                                       const std::int64_t start = std::size_t(i) < starts.size() ? starts[std::size_t(i)] : 0;
                                       x[i] = WholeViewPosition(start, span, total, step);
                                   }
                               });
        m_first = 0;
        m_last = count - 1;
        return;
    }
    m_x0 = -(std::int64_t(page.scrollPosition) - 1) * m_step;
    if (count == 0)
        return;
    m_first = FindRecordAt(page, SampleAtX(page, view, 0));
    m_last = std::min(FindRecordAt(page, SampleAtX(page, view, v)) + 10, count - 1);
}

int RecordMapping::recordX(int i) const
{
    if (m_cache) {
        if (i >= 0 && i < m_cache->entries)
            return m_cache->at(i);
        return sampleX(m_page.displayList.start(i));
    }
    return sampleX(m_page.displayList.start(i));
}

int RecordMapping::sampleX(std::int64_t sample) const
{
    if (m_page.zoomCode == kWholeDataZoomCode)
        return clampCoordinate(WholeViewPosition(sample, m_wholeSpan, m_page.sampleCount, m_step));
    return clampCoordinate(m_x0 + SamplePixel(m_page, sample));
}

} // namespace seiran
