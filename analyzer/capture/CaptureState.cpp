#include "CaptureState.h"

namespace seiran {

namespace {

// One list of the group-dependent fields, used in both directions.
template <typename From, typename To>
void copyFields(const From& from, To& to)
{
    to.intervalIndex = from.intervalIndex;
    to.measureTimeText = from.measureTimeText;
    to.runModeText = from.runModeText;
    to.triggerText = from.triggerText;
    to.signalName = from.signalName;
    to.rowCount = from.rowCount;
    to.rowChannelCount = from.rowChannelCount;
    to.rowRadix = from.rowRadix;
    to.channelSelected = from.channelSelected;
    to.zoomCode = from.zoomCode;
    to.previousZoomCode = from.previousZoomCode;
    to.scrollPosition = from.scrollPosition;
    to.scrollMax = from.scrollMax;
    to.firstRow = from.firstRow;
    to.rowScrollMax = from.rowScrollMax;
    to.centreSample = from.centreSample;
    to.cursorA = from.cursorA;
    to.cursorB = from.cursorB;
    to.cursorC = from.cursorC;
    to.cursorD = from.cursorD;
    to.atobMode = from.atobMode;
    to.atobText = from.atobText;
    to.stateCursorName = from.stateCursorName;
    to.stateMode = from.stateMode;
    to.stateMsb = from.stateMsb;
    to.stateLsb = from.stateLsb;
    to.hasData = from.hasData;
    to.hasCompareResult = from.hasCompareResult;
    if (from.hasData && from.measRecCount > 0) {
        to.measuredList.copyFrom(from.measuredList, from.measRecCount + 1);
        to.measRecCount = from.measRecCount;
        to.measSampleCount = from.measSampleCount;
        to.measTriggerSample = from.measTriggerSample;
    }
}

} // namespace

void saveGroupFields(const PageState& page, GroupFields& store)
{
    copyFields(page, store);
}

void loadGroupFields(const GroupFields& store, PageState& page)
{
    copyFields(store, page);
}

} // namespace seiran
