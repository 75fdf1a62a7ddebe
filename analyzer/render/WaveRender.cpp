#include "render/WaveRender.h"

#include "MessageLog.h"
#include "core/AnalyzerState.h"
#include "render/AnalogScale.h"
#include "render/RowLayout.h"
#include "render/WaveMapping.h"
#include "view/PageLists.h"
#include "view/PageTime.h"
#include "view/Pages.h"

#include <algorithm>

namespace seiran {

namespace {

// Drawing the whole data of a long capture used to take a while; users still see this first.
constexpr int kSlowWholeViewSamples = 40000;

bool inCompareMode(const PageState& page) { return page.runModeText == QStringLiteral("波形比較"); }

// The display list becomes the measured list again (records, counters, end entry).
void restoreMeasuredList(PageState& page)
{
    page.displayList.copyFrom(page.measuredList, page.measRecCount);
    page.recCount = std::clamp(page.measRecCount, 0, std::min(page.displayList.capacity(), page.measuredList.capacity()));
    page.sampleCount = page.measSampleCount;
    page.recTriggerSample = page.measTriggerSample;
    page.displayList.setEnd(page.recCount, page.sampleCount);
}

void limitCursors(PageState& page)
{
    for (std::int32_t* cursor : {&page.cursorA, &page.cursorB, &page.cursorC, &page.cursorD})
        *cursor = std::min(*cursor, page.sampleCount);
}

void drawAnalogScales(const PageState& page, const PageView& view, Canvas& canvas)
{
    if (page.analogCount <= 0)
        return;
    for (const AnalogRowView& a : view.analog) {
        if (a.visible)
            DrawAnalogScale(page, a, canvas, ViewWidth(view));
    }
}

void log(const RedrawInputs& inputs, const QString& line)
{
    if (inputs.log)
        inputs.log->AddMessage(line);
}

} // namespace

RedrawInputs RedrawInputsFor(AnalyzerState& state, int page)
{
    RedrawInputs inputs;
    inputs.intervalText = state.intervalText(std::clamp(page, 0, kPageCount - 1));
    inputs.heavyLowLine = state.settings.heavyLowLine;
    inputs.log = &state.log;
    return inputs;
}

void RedrawPage(PageState& page, PageView& view, Canvas& canvas, const RedrawInputs& inputs, const RedrawHooks& hooks)
{
    view.rows = LayoutRows(page, view.waveBoxHeight);
    if (!page.compressed) {
        if (page.zoomFactor == kWholeDataZoomFactor && page.dataCount > kSlowWholeViewSamples)
            log(inputs, QStringLiteral("しばらくお待ちください。"));
        DrawTimeAxis(page, view, canvas, inputs.intervalText);
        if (page.hasData)
            DrawRows(page, view, canvas, inputs.heavyLowLine);
    } else if (!inCompareMode(page) || !page.hasCompareResult) {
        restoreMeasuredList(page);
        MeasureTime(page, inputs.intervalText);
        limitCursors(page);
        UpdateAnalogRows(page, view);
        DrawTimeAxis(page, view, canvas, inputs.intervalText);
        drawAnalogScales(page, view, canvas);
        if (page.hasData) {
            // Without a compare result a compare page shows its reference: the last capture.
            const bool reference = inCompareMode(page);
            if (reference)
                log(inputs, QStringLiteral("リファレンス波形です。"));
            DrawRecordRows(page, view, canvas, reference ? kErrorRed : kBlack, false, inputs.heavyLowLine);
        }
    } else {
        if (hooks.loadCompareView)
            hooks.loadCompareView(page, true);
        UpdateAnalogRows(page, view);
        DrawTimeAxis(page, view, canvas, inputs.intervalText);
        drawAnalogScales(page, view, canvas);
        if (hooks.loadCompareView) {
            DrawRecordRows(page, view, canvas, kErrorRed, true, inputs.heavyLowLine);
            hooks.loadCompareView(page, false);
            DrawRecordRows(page, view, canvas, kBlack, true, inputs.heavyLowLine);
        }
    }
    if (hooks.drawCursorLines)
        hooks.drawCursorLines(canvas);
}

void ResizeWaveBox(PageState& page, PageView& view, int width, int height)
{
    const std::int32_t centre = page.compressed ? SampleAtX(page, view, ViewWidth(view) / 2) : 0;
    view.waveBoxWidth = width;
    view.waveBoxHeight = height;
    ClearWholeViewCaches(view);
    if (page.compressed)
        ScrollToSample(page, view, centre);
    LayoutPage(page, view);
}

} // namespace seiran
