#include "PageControls.h"

#include "FrontEnd.h"
#include "capture/CaptureSettings.h"
#include "core/AnalyzerState.h"
#include "render/RowLayout.h"
#include "render/WaveMapping.h"
#include "view/PageLists.h"
#include "view/PageTime.h"

#include <algorithm>

namespace seiran::app {

namespace {

PageState& pageOf(AnalyzerState& state, int page) { return state.pages[std::size_t(page)]; }
PageView& viewOf(AnalyzerState& state, int page) { return state.pageViews[std::size_t(page)]; }

// Grid rows shown below the header: the rows of the last layout.
int visibleRows(const PageView& view) { return view.rows.count; }

void spanSelection(SignalListSelection& s)
{
    s.top = std::min(s.anchor, s.end);
    s.bottom = std::max(s.anchor, s.end);
}

void updateEdgeFlags(const PageState& page, const PageView& view, SignalListSelection& s)
{
    const int shown = visibleRows(view);
    const bool allFit = page.rowCount <= shown;
    s.selectionAtTop = !allFit && s.end == page.firstRow + 1;
    s.selectionAtBottom = !allFit && s.end == page.firstRow + shown;
}

} // namespace

AnalyzerPageControls SetUpAnalyzerPage(AnalyzerState& state, int page)
{
    PageState& p = pageOf(state, page);
    const ModuleInfo& module = state.instrument.module(p.PageModule);

    // A page without a module (no instrument, or the module check found none) has nothing to run,
    // nor has an FPGA whose last download failed.
    const bool hasModule = p.channelCount > 0 && !state.instrument.NoModule;
    const bool idle = !p.running && !p.stopRequested && !state.device.InterfaceError && hasModule
                      && !state.instrument.DownloadFailed;
    AnalyzerControls& c = state.controls.analyzer;
    c.runEnabled = idle;
    c.intervalEnabled = idle;
    c.runModeEnabled = idle;
    c.samplingEdgeEnabled = idle;
    c.stopEnabled = p.running;

    AnalyzerPageControls controls;
    controls.samplingEdgeVisible = module.ModuleEdgeSampling;
    controls.gridTop = module.ModuleEdgeSampling ? kGridTopWithSamplingEdge : kGridTop;
    controls.intervals = BuildIntervalList(page, state.pageClockPeriod(page), state.instrument.HardwareMode);
    controls.intervalIndex = std::clamp(p.intervalIndex, 0, std::max(int(controls.intervals.size()) - 1, 0));
    controls.runModes = runModeList(state, page);
    controls.runModeText = p.runModeText;
    controls.samplingEdgeText = p.samplingEdgeText.isEmpty() ? kSamplingEdgeChoices[0] : p.samplingEdgeText;
    controls.measureTime = MeasureTime(p, state.intervalText(page));
    controls.zoomItems = BuildZoomList(p);
    controls.zoomText = ZoomComboText(p);
    return controls;
}

void cmbAnaZoomChange(AnalyzerState& state, int page, int index)
{
    PageState& p = pageOf(state, page);
    PageView& view = viewOf(state, page);
    if (p.compressed) {
        const std::int32_t centre = SampleAtX(p, view, ViewWidth(view) / 2);
        if (!ZoomFromListIndex(p, index))
            return;
        p.previousZoomCode = p.zoomCode;
        ScrollToSample(p, view, centre);
    } else {
        if (!ZoomFromListIndex(p, index))
            return;
        RescaleScroll(p, view);
    }
    state.frontEnd().requestRedraw(page);
}

void scrhWaveScroll(AnalyzerState& state, int page, int position)
{
    PageState& p = pageOf(state, page);
    const PageView& view = viewOf(state, page);
    p.scrollPosition = std::clamp(position, 0, std::max(p.scrollMax, 0));
    if (p.compressed)
        p.centreSample = SampleAtX(p, view, ViewWidth(view) / 2) - p.recTriggerSample;
    state.frontEnd().requestRedraw(page);
}

void scrvWaveScroll(AnalyzerState& state, int page, int position)
{
    PageState& p = pageOf(state, page);
    p.firstRow = position;
    LayoutPage(p, viewOf(state, page));
    state.frontEnd().requestRedraw(page);
}

void sgrSignalMouseDown(const PageState& page, const PageView& view, SignalListSelection& selection, int gridRow)
{
    if (gridRow >= 1) {
        selection.anchor = selection.end = gridRow + page.firstRow;
        spanSelection(selection);
    }
    updateEdgeFlags(page, view, selection);
}

void sgrSignalMouseDrag(const PageState& page, SignalListSelection& selection, int gridRow)
{
    if (gridRow < 1)
        return;
    selection.end = gridRow + page.firstRow;
    spanSelection(selection);
}

void sgrSignalKeyDown(SignalListSelection& selection, bool shiftHeld, bool upOrDown)
{
    if (shiftHeld && upOrDown)
        selection.shiftArrowPending = true;
}

void sgrSignalSelectCell(const PageState& page, SignalListSelection& selection, int gridRow)
{
    if (gridRow < 1)
        return;
    const int row = gridRow + page.firstRow;
    if (selection.shiftArrowPending) {
        selection.end = row;
    } else {
        selection.anchor = selection.end = row;
    }
    spanSelection(selection);
}

bool sgrSignalKeyUp(PageState& page, PageView& view, SignalListSelection& selection)
{
    if (!selection.shiftArrowPending)
        return false;
    selection.shiftArrowPending = false;
    bool moved = false;
    if (selection.selectionAtTop && selection.top > 1) {
        --selection.top;
        --selection.end;
        --page.firstRow;
        moved = true;
    } else if (selection.selectionAtBottom && selection.bottom < page.rowCount) {
        ++selection.bottom;
        ++selection.end;
        ++page.firstRow;
        moved = true;
    }
    if (moved)
        LayoutPage(page, view);
    updateEdgeFlags(page, view, selection);
    return moved;
}

bool signalGridRowSelected(const PageState& page, const SignalListSelection& selection, int gridRow)
{
    const int row = gridRow + page.firstRow;
    return gridRow >= 1 && row >= selection.top && row <= selection.bottom;
}

} // namespace seiran::app
