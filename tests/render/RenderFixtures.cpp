#include "RenderFixtures.h"

#include "render/RowLayout.h"
#include "render/WaveRender.h"

#include <algorithm>

namespace seiran::test {

namespace {

void setSingleRows(PageState& page, int channels)
{
    page.channelCount = channels;
    page.rowCount = channels;
    for (int r = 0; r < kMaxRows; ++r) {
        page.rowChannelCount[std::size_t(r)] = r < channels ? 1 : 0;
        page.rowRadix[std::size_t(r)] = r < channels ? QStringLiteral("HEX") : QString();
        page.signalName[std::size_t(r)] = QStringLiteral("CH%1").arg(r);
    }
}

} // namespace

std::unique_ptr<PageState> MakePlanePage(int channels, int samples)
{
    auto page = std::make_unique<PageState>();
    setSingleRows(*page, channels);
    page->dataCount = samples;
    page->hasData = true;
    page->runModeText = QStringLiteral("シングル");
    page->sampleBits.allocate();
    page->compareErrorBits.allocate();
    return page;
}

void SetHigh(PageState& page, int channel, int from, int to)
{
    for (int n = from; n < to; ++n)
        page.sampleBits.set(channel, n, true);
}

void SetBusValue(PageState& page, int firstChannel, int channels, int from, int to, std::uint64_t value)
{
    for (int k = 0; k < channels; ++k) {
        const bool high = (value >> unsigned(k)) & 1U;
        for (int n = from; n < to; ++n)
            page.sampleBits.set(firstChannel + k, n, high);
    }
}

void MakeBusRow(PageState& page, int row, int channels, const QString& radix)
{
    // Rows after `row` move up by channels − 1, as combining rows into a bus does.
    const int singlesAfter = page.channelCount - (row + channels);
    page.rowChannelCount[std::size_t(row)] = channels;
    page.rowRadix[std::size_t(row)] = radix;
    for (int r = row + 1; r < kMaxRows; ++r) {
        const bool inUse = r < row + 1 + singlesAfter;
        page.rowChannelCount[std::size_t(r)] = inUse ? 1 : 0;
        page.rowRadix[std::size_t(r)] = inUse ? QStringLiteral("HEX") : QString();
    }
    page.rowCount = row + 1 + singlesAfter;
    if (radix.contains(QStringLiteral("Analog")))
        ++page.analogCount;
}

int FillList(RecordList& list, const std::vector<Record>& records)
{
    int start = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        list.set(int(i), records[i].value, records[i].run, start);
        start += records[i].run;
    }
    list.setEnd(int(records.size()), start);
    return start;
}

std::unique_ptr<PageState> MakeRecordPage(int channels, const std::vector<Record>& records, int dataCount)
{
    auto page = std::make_unique<PageState>();
    setSingleRows(*page, channels);
    page->compressed = true;
    page->dataCount = dataCount;
    page->hasData = true;
    page->runModeText = QStringLiteral("シングル");
    page->zoomCode = 256;
    page->previousZoomCode = 256;
    page->analogMicroVoltsPerDigit.fill(1000.0f);
    page->analogMinimumMicroVolts.fill(0.0f);
    page->analogVZoom.fill(1);
    page->analogVOffset.fill(0);
    const int total = FillList(page->displayList, records);
    FillList(page->measuredList, records);
    page->recCount = page->measRecCount = int(records.size());
    page->sampleCount = page->measSampleCount = total;
    page->recTriggerSample = page->measTriggerSample = 0;
    return page;
}

std::unique_ptr<PageView> MakeView(PageState& page, int width, int height)
{
    auto view = std::make_unique<PageView>();
    view->waveBoxWidth = width;
    view->waveBoxHeight = height;
    LayoutPage(page, *view);
    return view;
}

Segments SegmentsWith(const RecordingCanvas& canvas, const Pen& pen)
{
    Segments out;
    for (const auto& s : canvas.segments()) {
        if (s.pen == pen)
            out.push_back(s.line);
    }
    return out;
}

Segments Verticals(const Segments& segments, int top, int bottom)
{
    Segments out;
    for (const LineSegment& s : segments) {
        if (s.x1 == s.x2 && std::min(s.y1, s.y2) == top && std::max(s.y1, s.y2) == bottom)
            out.push_back(s);
    }
    return out;
}

Segments Horizontals(const Segments& segments, int y)
{
    Segments out;
    for (const LineSegment& s : segments) {
        if (s.y1 == y && s.y2 == y && s.x1 != s.x2)
            out.push_back(s);
    }
    return out;
}

std::vector<QString> TextsOf(const RecordingCanvas& canvas)
{
    std::vector<QString> out;
    for (const auto& t : canvas.texts())
        out.push_back(t.text);
    return out;
}

} // namespace seiran::test
