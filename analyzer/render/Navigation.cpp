#include "render/Navigation.h"

#include "RoundToInt.h"
#include "render/RowLayout.h"
#include "render/WaveMapping.h"
#include "view/PageLists.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace seiran {

namespace {

// An anchored zoom puts the sample under the pointer back within this many pixels of it.
constexpr int kAnchorPixels = 2;
// The bar's resolution is never raised past this: a unit of a pixel or less at any zoom.
constexpr std::int32_t kMaxScrollUnits = std::numeric_limits<std::int32_t>::max() / 4;

int lastZoomIndex(const PageState& page) { return int(BuildZoomList(page).size()) - 1; }

// Pixels the data is wider than the window on a bit-plane page (0 when it fits).
std::int64_t planeOverflow(const PageState& page, const PageView& view)
{
    return std::max<std::int64_t>(std::int64_t(TotalWidth(page)) - ViewWidth(view), 0);
}

// Pixels from the first sample to sample n at the page's zoom (bit planes, not the whole view).
std::int64_t planePixel(const PageState& page, std::int64_t n)
{
    if (page.zoomFactor >= 1.0)
        return n * std::max(RoundToInt(page.zoomFactor), 1);
    const int m = page.zoomFactor > 0.0 ? std::max(RoundToInt(1.0 / page.zoomFactor), 1) : 1;
    return n / m;
}

// Whether the horizontal bar moves the view; a bit-plane page brings its bar up to date first.
bool horizontalBarInUse(PageState& page, PageView& view)
{
    if (ShowsWholeData(page))
        return false;
    if (!page.compressed)
        UpdatePlaneScrollBar(page, view);
    return view.horizontalScrollEnabled && page.scrollMax > 0;
}

// Compressed pages remember the sample in the middle, as a move of the scroll bar does.
void afterHorizontalMove(PageState& page, const PageView& view)
{
    if (page.compressed)
        page.centreSample = SampleAtX(page, view, ViewWidth(view) / 2) - page.recTriggerSample;
}

// Compressed pages: the bar's range for the zoom, keeping the position where it is.
void updateCompressedBar(PageState& page, PageView& view)
{
    const std::int32_t position = page.scrollPosition;
    ScrollToSample(page, view, 0);
    page.scrollPosition = std::clamp(position, 0, std::max(page.scrollMax, 0));
}

// From the whole view, the list item a step in goes to: the coarsest zoom at which the data no
// longer fits the window; −1 when even ×128 fits.
int coarsestZoomWiderThanWindow(const PageState& page, const PageView& view)
{
    const int last = lastZoomIndex(page);
    const std::int64_t total = ScrollableSamples(page);
    const int v = ViewWidth(view);
    for (int i = last - 1; i >= 0; --i) {
        std::int64_t width = 0;
        if (page.compressed) {
            const std::int64_t code = std::int64_t(1) << (15 - i);
            width = (code < 256 ? total / (256 / code) : total * (code / 256)) + 2 * (i == 0 ? 128 : i == 1 ? 64 : 32);
        } else {
            width = RoundToInt(std::ldexp(double(total), 7 - i) + waveLeftMargin + waveRightMargin);
        }
        if (width > v)
            return i;
    }
    return -1;
}

} // namespace

int ZoomListIndex(const PageState& page)
{
    const int last = lastZoomIndex(page);
    if (ShowsWholeData(page))
        return last;
    const double log2 = page.compressed ? std::log2(double(std::max(page.zoomCode, 1))) : std::log2(page.zoomFactor);
    const double index = (page.compressed ? 15.0 : 7.0) - log2;
    if (index != std::floor(index) || index < 0 || index >= last)
        return -1;
    return int(index);
}

bool ShowsWholeData(const PageState& page)
{
    return page.compressed ? page.zoomCode == kWholeDataZoomCode : page.zoomFactor == kWholeDataZoomFactor;
}

std::int64_t ScrollableSamples(const PageState& page)
{
    return page.compressed ? std::max(page.sampleCount, 0) : std::clamp(page.dataCount, 0, kMaxSamples);
}

std::int64_t SampleUnderX(const PageState& page, PageView& view, int x)
{
    const std::int64_t total = ScrollableSamples(page);
    if (total <= 0)
        return 0;
    if (page.compressed)
        return SampleAtX(page, view, x);
    const PlaneMapping map(page, view);
    // The last sample that starts at or left of x.
    return std::clamp<std::int64_t>(map.firstSampleAtOrAfter(std::int64_t(x) + 1) - 1, 0, total - 1);
}

int SampleX(const PageState& page, PageView& view, std::int64_t sample)
{
    if (page.compressed)
        return CompressedSampleX(page, view, sample);
    return PlaneMapping(page, view).xOf(sample);
}

void RefineScrollResolution(PageState& page, PageView& view, int maxUnitPixels)
{
    if (page.compressed || !horizontalBarInUse(page, view))
        return;
    const std::int64_t overflow = planeOverflow(page, view);
    const std::int64_t limit = std::max(maxUnitPixels, 1);
    while (overflow > limit * page.scrollMax && page.scrollMax <= kMaxScrollUnits) {
        page.scrollMax *= 2;
        page.scrollPosition *= 2;
    }
}

void KeepScrollStepsWithinScreen(PageState& page, PageView& view)
{
    // A quarter of a screen: the three lines a wheel turn on the bar moves stay inside one screen.
    RefineScrollResolution(page, view, std::max(ViewWidth(view) / 4, 1));
}

int ScrollUnitsPerScreen(const PageState& page, PageView& view)
{
    const int v = std::max(ViewWidth(view), 1);
    if (page.compressed)
        return std::max(v / std::max(zoomStep(page), 1), 1);
    const std::int64_t overflow = planeOverflow(page, view);
    if (overflow <= 0 || page.scrollMax <= 0)
        return 1;
    const std::int64_t units = std::int64_t(v) * page.scrollMax / overflow;
    return int(std::clamp<std::int64_t>(units, 1, std::numeric_limits<int>::max()));
}

bool ScrollSampleToX(PageState& page, PageView& view, std::int64_t sample, int x)
{
    if (ShowsWholeData(page))
        return false;
    const std::int32_t before = page.scrollPosition;
    if (page.compressed) {
        ScrollToSample(page, view, sample); // the bar's range for this zoom
        if (!view.horizontalScrollEnabled)
            return before != page.scrollPosition;
        const int step = std::max(zoomStep(page), 1);
        const double position = double(SamplePixel(page, sample) - x) / step + 1.0;
        page.scrollPosition = std::clamp(RoundToInt(position), 0, page.scrollMax);
        afterHorizontalMove(page, view);
        return before != page.scrollPosition;
    }
    RefineScrollResolution(page, view, kAnchorPixels);
    if (!horizontalBarInUse(page, view))
        return false;
    // X0 = 15 − overflow × position / scrollMax, and the sample stands at X0 + its pixel.
    const std::int64_t overflow = planeOverflow(page, view);
    const double position =
        double(waveLeftMargin - x + planePixel(page, sample)) * page.scrollMax / double(std::max<std::int64_t>(overflow, 1));
    page.scrollPosition = std::clamp(RoundToInt(std::clamp(position, -1.0, double(page.scrollMax) + 1.0)), 0, page.scrollMax);
    return before != page.scrollPosition;
}

bool CentreOnSample(PageState& page, PageView& view, std::int64_t sample)
{
    return ScrollSampleToX(page, view, sample, ViewWidth(view) / 2);
}

bool SampleInView(const PageState& page, PageView& view, std::int64_t sample)
{
    const int x = SampleX(page, view, sample);
    return x >= 0 && x <= ViewWidth(view);
}

bool ZoomAroundX(PageState& page, PageView& view, int x, int steps)
{
    const int last = lastZoomIndex(page);
    const int from = ZoomListIndex(page);
    if (steps == 0 || last < 1)
        return false;
    int to = 0;
    if (from < 0) {
        // A zoom from a file that is no list item: from the nearest item.
        const double log2 = page.compressed ? std::log2(double(std::max(page.zoomCode, 1)))
                                            : std::log2(std::max(page.zoomFactor, 1e-9));
        const int nearest = std::clamp(int(std::lround((page.compressed ? 15.0 : 7.0) - log2)), 0, last - 1);
        to = std::clamp(nearest - steps, 0, last);
    } else if (from == last && steps > 0) {
        to = coarsestZoomWiderThanWindow(page, view);
        if (to < 0)
            return false; // the whole view already magnifies more than ×128
    } else {
        to = std::clamp(from - steps, 0, last);
    }
    if (to == from)
        return false;

    const std::int64_t anchor = SampleUnderX(page, view, x);
    if (!ZoomFromListIndex(page, to))
        return false;
    // As the zoom box does it (previous zoom, bar range), then the anchor back under the pointer.
    if (page.compressed)
        page.previousZoomCode = page.zoomCode;
    else
        RescaleScroll(page, view);
    if (ShowsWholeData(page))
        ScrollToSample(page, view, anchor); // disables the bar of a compressed page
    else
        ScrollSampleToX(page, view, anchor, x);
    return true;
}

bool ZoomAroundCentre(PageState& page, PageView& view, int steps)
{
    return ZoomAroundX(page, view, ViewWidth(view) / 2, steps);
}

bool ZoomToWholeData(PageState& page, PageView& view)
{
    if (ShowsWholeData(page) || !ZoomFromListIndex(page, lastZoomIndex(page)))
        return false;
    if (page.compressed) {
        page.previousZoomCode = page.zoomCode;
        ScrollToSample(page, view, 0);
    } else {
        RescaleScroll(page, view);
    }
    return true;
}

bool ScrollByScreens(PageState& page, PageView& view, double screens)
{
    if (screens == 0.0 || ShowsWholeData(page))
        return false;
    if (!page.compressed) {
        // Fine enough that the step's part of a screen is a whole number of units.
        const double part = std::min(std::abs(screens), 1.0);
        RefineScrollResolution(page, view, std::max(int(ViewWidth(view) * part / 4), 1));
    } else {
        updateCompressedBar(page, view);
    }
    if (!horizontalBarInUse(page, view))
        return false;
    const int perScreen = ScrollUnitsPerScreen(page, view);
    const double wanted = std::clamp(screens, -1.0, 1.0) * perScreen;
    int units = int(std::trunc(wanted));
    if (units == 0)
        units = screens > 0 ? 1 : -1;
    const std::int32_t before = page.scrollPosition;
    page.scrollPosition = std::clamp(std::int32_t(std::int64_t(page.scrollPosition) + units), 0, page.scrollMax);
    afterHorizontalMove(page, view);
    return before != page.scrollPosition;
}

bool ScrollRows(PageState& page, PageView& view, int rows)
{
    const std::int32_t before = page.firstRow;
    page.firstRow = std::clamp(std::int32_t(std::int64_t(page.firstRow) + rows), 0, std::max(page.rowScrollMax, 0));
    if (before == page.firstRow)
        return false;
    LayoutPage(page, view);
    return before != page.firstRow;
}

std::int64_t TriggerSample(const PageState& page)
{
    return page.compressed ? page.recTriggerSample : page.triggerPosition;
}

bool GoToTrigger(PageState& page, PageView& view) { return GoToSample(page, view, TriggerSample(page)); }

bool GoToSample(PageState& page, PageView& view, std::int64_t sample)
{
    return CentreOnSample(page, view, std::clamp<std::int64_t>(sample, 0, ScrollableSamples(page)));
}

bool RevealTriggerOfNewCapture(PageState& page, PageView& view, bool& expected)
{
    if (!expected || !page.hasData || (page.running && page.repeatCount == 0))
        return false;
    expected = false;
    if (ShowsWholeData(page) || SampleInView(page, view, TriggerSample(page)))
        return false;
    return GoToTrigger(page, view);
}

} // namespace seiran
