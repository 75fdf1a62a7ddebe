#pragma once

#include <QString>

#include <cstdint>

namespace seiran {

struct PageState;

// Index of the display-list record holding sample s (counted from 0): 0 for s < 0 and for an
// empty list, recCount - 1 from sampleCount on.
int FindRecordAt(const PageState& page, std::int64_t sample);

// Time of a sample from the trigger, in the unit of `interval`: bit-plane pages take the sample
// index from 0 against triggerPosition, compressed pages the sample against recTriggerSample.
double SampleTime(const PageState& page, std::int64_t sample, double interval);

// interval × the page's sample total (sampleCount on compressed pages, dataCount otherwise),
// written in the interval text's unit; also stored in measureTimeText.
QString MeasureTime(PageState& page, const QString& intervalText);

} // namespace seiran
