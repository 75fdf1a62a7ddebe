#include "CursorFixture.h"

#include "render/RowLayout.h"

namespace seiran::test {

int FillRuns(RecordList& list, const std::vector<RecordRun>& runs)
{
    int start = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        list.set(int(i), runs[i].value, runs[i].length, start);
        start += runs[i].length;
    }
    list.setEnd(int(runs.size()), start);
    return start;
}

CursorFixture::CursorFixture()
{
    state.settings.IpClockPeriod = 10;
    state.controls.currentPage = 0;
    view().waveBoxWidth = 1204;
    view().waveBoxHeight = 900;
    cursors = std::make_unique<CursorController>(state);
}

void CursorFixture::setCommonFields(int channels)
{
    PageState& p = page();
    p.PageModule = 0;
    p.intervalIndex = 0;
    p.channelCount = channels;
    p.rowCount = channels;
    for (int r = 0; r < kMaxRows; ++r) {
        p.rowChannelCount[std::size_t(r)] = r < channels ? 1 : 0;
        p.rowRadix[std::size_t(r)] = r < channels ? QStringLiteral("HEX") : QString();
        p.signalName[std::size_t(r)] = QStringLiteral("CH%1").arg(r);
    }
    p.channelSelected.fill(false);
    p.channelSelected[0] = true;
    p.hasData = true;
    p.runModeText = QStringLiteral("シングル");
    p.zoomFactor = p.previousZoomFactor = 1.0;
    p.zoomCode = p.previousZoomCode = 256;
    p.scrollPosition = 0;
    p.scrollMax = 0;
    p.firstRow = 0;
    p.cursorA = 0;
    p.cursorB = 100;
    p.cursorC = 300;
    p.cursorD = 400;
    p.voltCursor1 = 255;
    p.voltCursor2 = 0;
    p.voltCursor3 = 255;
    p.voltCursor4 = 0;
    p.atobMode = QStringLiteral("AtoB");
    p.stateCursorName = QStringLiteral("A");
    p.stateMode = QStringLiteral("HEX");
    p.stateMsb = channels - 1;
    p.stateLsb = 0;
    p.analogCount = 0;
    p.analogMicroVoltsPerDigit.fill(1000.0f);
    p.analogMinimumMicroVolts.fill(0.0f);
    p.analogVZoom.fill(1);
    p.analogVOffset.fill(0);
}

void CursorFixture::makePlanePage(int channels, int samples)
{
    setCommonFields(channels);
    page().compressed = false;
    page().dataCount = samples;
    page().sampleBits.allocate();
    page().sampleBits.clear();
    layOut();
}

void CursorFixture::makeRecordPage(int channels, const std::vector<RecordRun>& runs)
{
    setCommonFields(channels);
    PageState& p = page();
    p.compressed = true;
    p.dataCount = 262144;
    const int total = FillRuns(p.displayList, runs);
    FillRuns(p.measuredList, runs);
    p.recCount = p.measRecCount = int(runs.size());
    p.sampleCount = p.measSampleCount = total;
    p.recTriggerSample = p.measTriggerSample = 0;
    layOut();
}

void CursorFixture::setHigh(int channel, int from, int to)
{
    for (int n = from; n < to; ++n)
        page().sampleBits.set(channel, n, true);
}

void CursorFixture::layOut() { LayoutPage(page(), view()); }

} // namespace seiran::test
