#include "view/PageState.h"

#include "view/PageLists.h"
#include "view/PageTime.h"
#include "view/Pages.h"
#include "view/TimeText.h"

#include <algorithm>

namespace seiran {

namespace {

// Samples of the instrument memory a compressed module does not deliver with ModuleTrimBlock.
constexpr int kTrimBlockRecords = 128;

constexpr int kDefaultGeneratorInterval = 3; // "100nS" with a 10 nS clock

struct TriggerDefaults {
    const char* position;
    const char* channel0;
    const char* rowName0; // nullptr: the ordinary row name
};

// By module kind: sampling-enable, edge-sampling, any other.
constexpr TriggerDefaults kSamplingEnableTrigger{"", "H", "Sampling Enable"};
constexpr TriggerDefaults kEdgeSamplingTrigger{"", "Rise", "Edge Sampling"};
constexpr TriggerDefaults kPlainTrigger{"左", "Rise", nullptr};

const TriggerDefaults& triggerDefaultsFor(const ModuleInfo* module)
{
    if (module && module->ModuleSamplingEnable)
        return kSamplingEnableTrigger;
    if (module && module->ModuleEdgeSampling)
        return kEdgeSamplingTrigger;
    return kPlainTrigger;
}

void setSetupDefaults(PageState& page, const PageSetup& setup, const TriggerDefaults& trigger)
{
    page.PageModule = setup.PageModule;
    page.compressed = IsAnalyzerPage(setup.page) && setup.module && setup.module->ModuleCompressed;
    page.channelCount = setup.channelCount;
    page.dataCount = setup.dataCount;
    page.intervalIndex = IsGeneratorPage(setup.page) ? kDefaultGeneratorInterval : 0;
    page.runModeText = IsAnalyzerPage(setup.page) ? QStringLiteral("シングル")
                       : IsGeneratorPage(setup.page) ? QStringLiteral("1回")
                                                     : QString();
    page.samplingEdgeText = QStringLiteral("立上り位置の");
    page.triggerText.fill(QStringLiteral("-"));
    page.triggerText[0] = QString::fromUtf8(trigger.position);
    page.triggerText[1] = QString::fromUtf8(trigger.channel0);
    page.triggerPosition = 0;
    page.runStartWord = 0;
    page.repeatCount = 0;
    page.running = false;
    page.stopRequested = false;
    page.hasData = false;
    page.hasCompareResult = false;
}

void setRowDefaults(PageState& page, const PageSetup& setup, const TriggerDefaults& trigger)
{
    page.rowCount = setup.channelCount;
    for (int r = 0; r < kMaxRows; ++r) {
        const bool inUse = r < setup.channelCount;
        page.signalName[std::size_t(r)] = QStringLiteral("CH%1").arg(r + setup.channelOrigin);
        page.rowChannelCount[std::size_t(r)] = inUse ? 1 : 0;
        page.rowRadix[std::size_t(r)] = inUse ? QStringLiteral("HEX") : QString();
    }
    if (trigger.rowName0)
        page.signalName[0] = QString::fromUtf8(trigger.rowName0);
    page.channelSelected.fill(false);
    page.channelSelected[0] = true;

    page.analogCount = 0;
    page.analogMvPerDigitText.fill(QStringLiteral("1"));
    page.analogMinimumText.fill(QStringLiteral("0"));
    page.analogMicroVoltsPerDigit.fill(1000.0f);
    page.analogMinimumMicroVolts.fill(0.0f);
    page.analogVZoom.fill(1);
    page.analogVOffset.fill(0);
}

void setDisplayDefaults(PageState& page, const PageSetup& setup)
{
    page.zoomFactor = 1.0;
    page.previousZoomFactor = 1.0;
    page.zoomCode = 256;
    page.previousZoomCode = 256;
    page.scrollPosition = 0;
    page.scrollMax = 0;
    page.firstRow = 0;
    page.rowScrollMax = 0;
    page.centreSample = 0;
    page.cursorA = page.triggerPosition;
    page.cursorB = page.cursorA + 100;
    page.cursorC = page.cursorA + 300;
    page.cursorD = page.cursorA + 400;
    page.voltCursor1 = 255;
    page.voltCursor2 = 0;
    page.voltCursor3 = 255;
    page.voltCursor4 = 0;
    page.atobMode = QStringLiteral("AtoB");
    page.atobText.clear();
    page.stateCursorName = QStringLiteral("A");
    page.stateMode = QStringLiteral("HEX");
    page.stateMsb = setup.channelCount - 1 + setup.channelOrigin;
    page.stateLsb = setup.channelOrigin;
}

void setGeneratorDefaults(PageState& page, const PageSetup& setup)
{
    static_cast<GeneratorPageFields&>(page) = GeneratorPageFields{};
    if (!IsGeneratorPage(setup.page))
        return;
    const QString interval = IntervalText(setup.clockPeriod, page.intervalIndex);
    page.GenDataCount = setup.dataCount;
    page.GenTimeText = FormatTimeText(interval, ParseTimeText(interval) * page.GenDataCount);
    page.GenSelectTimeText = FormatTimeText(interval, 0);
    page.GenStartText = QStringLiteral("0");
    page.GenStartCell = 0;
    page.GenEndText = TimeNumberText(page.GenTimeText);
    page.GenEndCell = setup.dataCount - 1;
}

// Allocates what the module's sample form uses; the other form is allocated on its first write.
void reserveStorage(PageState& page, const PageSetup& setup)
{
    if (!setup.module)
        return;
    if (IsGeneratorPage(setup.page)) {
        page.sampleBits.allocate();
    } else if (IsAnalyzerPage(setup.page) && page.compressed) {
        page.displayList.allocate();
        page.measuredList.allocate();
        page.referenceList.allocate();
    } else if (IsAnalyzerPage(setup.page)) {
        page.sampleBits.allocate();
        page.referenceBits.allocate();
        page.compareErrorBits.allocate();
    }
}

void setRecordListDefaults(PageState& page, const PageSetup& setup)
{
    page.referenceList.clear();
    page.refRecCount = 0;
    page.refSampleCount = 0;
    page.refTriggerSample = 0;
    if (page.compressed) {
        const int trim = setup.module->ModuleTrimBlock ? kTrimBlockRecords : 0;
        SetQuietRecordLists(page, setup.dataCount - trim, setup.dataCount);
    } else {
        SetQuietRecordLists(page, 0, 0);
    }
}

void setQuietList(RecordList& list, int count)
{
    for (int i = 0; i < count; ++i)
        list.set(i, 0, 1, i);
    list.setEnd(count, count);
}

} // namespace

std::size_t PageState::storageBytes() const
{
    return sampleBits.allocatedBytes() + referenceBits.allocatedBytes() + compareErrorBits.allocatedBytes()
           + displayList.allocatedBytes() + measuredList.allocatedBytes() + referenceList.allocatedBytes();
}

void SetPageToDefaults(PageState& page, const PageSetup& setup)
{
    const TriggerDefaults& trigger = triggerDefaultsFor(setup.module);
    setSetupDefaults(page, setup, trigger);
    setRowDefaults(page, setup, trigger);
    setDisplayDefaults(page, setup);
    setGeneratorDefaults(page, setup);
    reserveStorage(page, setup);
    ClearPagePlanes(page);
    setRecordListDefaults(page, setup);
    if (IsAnalyzerPage(setup.page) && setup.module)
        MeasureTime(page, IntervalText(setup.clockPeriod, page.intervalIndex));
    else
        page.measureTimeText.clear();
}

void CopySamplesToReference(PageState& page)
{
    if (page.compressed) {
        page.referenceList.copyFrom(page.displayList, page.recCount);
        page.refRecCount = std::clamp(page.recCount, 0, page.referenceList.capacity());
        // A display list longer than the reference list (the compare view) is cut at its capacity.
        page.refSampleCount = page.refRecCount < page.recCount ? page.referenceList.start(page.refRecCount)
                                                               : page.sampleCount;
        page.refTriggerSample = page.recTriggerSample;
        return;
    }
    page.referenceBits.copyFrom(page.sampleBits, page.channelCount, page.dataCount);
}

void ClearPagePlanes(PageState& page)
{
    page.sampleBits.clear();
    page.referenceBits.clear();
    page.compareErrorBits.clear();
}

void SetQuietRecordLists(PageState& page, int displaySamples, int measuredSamples)
{
    const int display = std::clamp(displaySamples, 0, page.displayList.capacity());
    const int measured = std::clamp(measuredSamples, 0, page.measuredList.capacity());
    if (display > 0 || page.displayList.allocated())
        setQuietList(page.displayList, display);
    if (measured > 0 || page.measuredList.allocated())
        setQuietList(page.measuredList, measured);
    page.recCount = display;
    page.sampleCount = display;
    page.recTriggerSample = 0;
    page.measRecCount = measured;
    page.measSampleCount = measured;
    page.measTriggerSample = 0;
}

} // namespace seiran
