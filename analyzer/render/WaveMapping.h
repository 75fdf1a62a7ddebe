#pragma once

#include "render/PageView.h"
#include "view/PageState.h"

#include <cstdint>

namespace seiran {

// x of a sample or record start in the "全データ" view: RoundToInt(position × span / total) +
// margin, with span = V − 45 and margin 15 on bit-plane pages, span = V − 2 × zoomStep and margin
// zoomStep on compressed pages.
std::int32_t WholeViewPosition(std::int64_t position, int span, std::int64_t total, int margin);

// ---- bit-plane pages: zoomFactor z pixels per sample, or the whole data (990)

// scrollMax of a page whose bar has just come into use: 64, 1024 or 8192 by the sample count.
std::int32_t InitialScrollMax(int dataCount);
// W: the width the data would take at the page's zoom, margins included.
std::int32_t TotalWidth(const PageState& page);
// Decides whether the horizontal bar is in use for the window and zoom: when the data fits the
// bar is disabled at position 0; otherwise a bar with no range yet gets InitialScrollMax and the
// position is kept inside 0 … scrollMax.
void UpdatePlaneScrollBar(PageState& page, PageView& view);
// After a change of zoomFactor: scales scrollPosition and scrollMax by the new zoom over
// previousZoomFactor so the same part of the data stays in view, then previousZoomFactor := z.
void RescaleScroll(PageState& page, PageView& view);

// Where the samples of a bit-plane page lie in the window.
class PlaneMapping {
public:
    // Builds the whole-view cache when the page is at "全データ" and the cache is out of date.
    PlaneMapping(const PageState& page, PageView& view);

    bool wholeView() const { return m_mode == Mode::Whole; }
    // x of the left edge of the sample at index n (n may be dataCount: the end of the data).
    int xOf(std::int64_t n) const;
    // The first sample index, 0 … dataCount, whose x is at or right of x.
    int firstSampleAtOrAfter(std::int64_t x) const;
    int sampleCount() const { return m_count; }

private:
    enum class Mode { Magnify, Reduce, Whole };
    int wholeX(std::int64_t n) const;

    Mode m_mode = Mode::Magnify;
    std::int64_t m_x0 = waveLeftMargin;
    std::int64_t m_step = 1; // pixels per sample (Magnify) or samples per pixel (Reduce)
    int m_count = 0;
    int m_wholeSpan = 0; // V − 45
    const WholeViewCache* m_cache = nullptr;
};

// ---- compressed pages: zoomCode c in 1/256 pixel per sample, or the whole data (990)

// Margins and horizontal scroll step: 128 at ×128, 64 at ×64, 32 otherwise.
int zoomStep(const PageState& page);
// px(s): pixels from the start of the data to sample s at the page's zoomCode.
std::int64_t SamplePixel(const PageState& page, std::int64_t sample);
// Scrolls so that sample a (counted from the start of the capture) is in the middle of the window;
// disables the bar when the whole data fits.
void ScrollToSample(PageState& page, PageView& view, std::int64_t sample);
// The sample under pixel x, limited to 0 … sampleCount − 1.
std::int32_t SampleAtX(const PageState& page, const PageView& view, int x);

// x of sample s (counted from the start of the capture) on a compressed page, whole view included.
int CompressedSampleX(const PageState& page, const PageView& view, std::int64_t sample);

// Where the records of the display list lie in the window.
class RecordMapping {
public:
    // compareView: the display list holds the merged compare list (its own whole-view cache).
    RecordMapping(const PageState& page, PageView& view, bool compareView);

    bool wholeView() const { return m_cache != nullptr; }
    // x of the first sample of record i (i = recCount: the end of the data).
    int recordX(int i) const;
    // x of sample s (counted from the start of the capture).
    int sampleX(std::int64_t sample) const;
    // The records from the one at the left window edge to the one at the right edge plus ten.
    int firstRecord() const { return m_first; }
    int lastRecord() const { return m_last; }

private:
    const PageState& m_page;
    const WholeViewCache* m_cache = nullptr;
    std::int64_t m_x0 = 0;
    int m_step = 32;
    int m_wholeSpan = 0; // V − 2 × zoomStep
    int m_first = 0;
    int m_last = -1;
};

} // namespace seiran
