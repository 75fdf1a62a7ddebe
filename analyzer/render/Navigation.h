#pragma once

#include "render/PageView.h"
#include "view/PageState.h"

#include <cstdint>

namespace seiran {

// Moving around a waveform the way the mouse wheel and the keyboard do it: zoom through the zoom
// list around a sample, scroll by parts of a screen, scroll the rows, and bring the trigger or a
// cursor into the middle of the window. Everything works on the page's own scroll fields, so the
// scroll bars, the popup menu and the data file see the same view.
//
// Bit-plane pages scroll in bar units whose width in pixels follows from scrollMax; where a unit
// is too coarse for a step the bar's resolution is raised (scrollMax and scrollPosition doubled
// together, which leaves the view where it is). Compressed pages scroll in zoomStep pixels.

// The page's place in its zoom list ("×128" is 0, "全データ" the last item); −1 for a zoom that
// is not in the list.
int ZoomListIndex(const PageState& page);
// The page shows the whole data ("全データ").
bool ShowsWholeData(const PageState& page);

// The sample whose span covers pixel x, limited to the data (either kind of page, whole view
// included).
std::int64_t SampleUnderX(const PageState& page, PageView& view, int x);
// x of the left edge of a sample in the window as it is scrolled now.
int SampleX(const PageState& page, PageView& view, std::int64_t sample);
// The sample total the view scrolls over: dataCount, or sampleCount on compressed pages.
std::int64_t ScrollableSamples(const PageState& page);

// Bit-plane pages: doubles the bar's resolution until one unit is at most maxUnitPixels wide.
void RefineScrollResolution(PageState& page, PageView& view, int maxUnitPixels);
// Bar units that make up one screen, rounded down and at least 1; after
// KeepScrollStepsWithinScreen there are at least four, so a page step of this many units is
// never more than a screen.
int ScrollUnitsPerScreen(const PageState& page, PageView& view);
// A bar unit is at most a quarter of the window wide: the scroll bar's arrows, page steps and the
// three lines of a wheel turn on it then never jump over data. Called before the page is drawn.
void KeepScrollStepsWithinScreen(PageState& page, PageView& view);

// Scrolls so that the sample stands at pixel x, as near as the bar allows; nothing to do in the
// whole view or when the data fits. True when the view moved.
bool ScrollSampleToX(PageState& page, PageView& view, std::int64_t sample, int x);
// The sample in the middle of the window (ScrollToSample of either kind of page).
bool CentreOnSample(PageState& page, PageView& view, std::int64_t sample);
// Whether the sample's line lies inside the window.
bool SampleInView(const PageState& page, PageView& view, std::int64_t sample);

// One or more steps through the zoom list (steps > 0 zoom in), keeping the sample under pixel x
// at x. From "全データ" a step in goes to the coarsest zoom that no longer fits the window; a step
// out of the coarsest zoom goes to "全データ". True when the zoom changed.
bool ZoomAroundX(PageState& page, PageView& view, int x, int steps);
// Zoom through the list around the middle of the window (the keyboard's zoom in and out).
bool ZoomAroundCentre(PageState& page, PageView& view, int steps);
// "全データ".
bool ZoomToWholeData(PageState& page, PageView& view);

// Scrolls the time axis by a part of a screen (1: one screen right, −0.25: a quarter to the
// left). A step is at least one bar unit and never more than a screen. True when the view moved.
bool ScrollByScreens(PageState& page, PageView& view, double screens);
// Scrolls the rows (positive: down), limited to 0 … rowScrollMax. True when firstRow changed.
bool ScrollRows(PageState& page, PageView& view, int rows);

// The trigger sample: triggerPosition on bit-plane pages, recTriggerSample on compressed pages.
std::int64_t TriggerSample(const PageState& page);
// The trigger or a cursor in the middle of the window (unless the whole data is shown).
bool GoToTrigger(PageState& page, PageView& view);
bool GoToSample(PageState& page, PageView& view, std::int64_t sample);

// After RUN the window expects a capture (`expected` set); the first drawing of its data brings
// the trigger into the middle of the window when it lies outside (a capture at "中央" or "右"
// puts it far right of the left edge), and clears `expected`. True when the view was moved.
bool RevealTriggerOfNewCapture(PageState& page, PageView& view, bool& expected);

} // namespace seiran
