#include "view/PageTime.h"

#include "view/PageState.h"
#include "view/TimeText.h"

#include <algorithm>

namespace seiran {

namespace {

// (lo + hi) / 2 rounded to the nearest integer, halves to even.
int midpoint(int lo, int hi)
{
    const int sum = lo + hi;
    int mid = sum / 2;
    if ((sum & 1) && (mid & 1))
        ++mid;
    return mid;
}

} // namespace

int FindRecordAt(const PageState& page, std::int64_t sample)
{
    // The count can come from a data file: never search beyond the list.
    const int count = std::min(page.recCount, page.displayList.capacity());
    if (count <= 0 || sample < 0)
        return 0;
    if (sample >= page.sampleCount)
        return count - 1;
    const RecordList& list = page.displayList;
    int lo = 0;
    int hi = count;
    while (hi >= lo) {
        const int mid = midpoint(lo, hi);
        if (list.start(mid) > sample) {
            // Record 0 starting after the sample (a list not starting at 0): no record before it.
            if (mid > 0 && list.start(mid - 1) <= sample)
                return mid - 1;
            hi = mid - 1;
        } else {
            lo = mid + 1;
        }
    }
    return 0;
}

double SampleTime(const PageState& page, std::int64_t sample, double interval)
{
    const std::int64_t origin = page.compressed ? page.recTriggerSample : page.triggerPosition;
    return double(sample - origin) * interval;
}

QString MeasureTime(PageState& page, const QString& intervalText)
{
    const std::int32_t total = page.compressed ? page.sampleCount : page.dataCount;
    page.measureTimeText = FormatTimeText(intervalText, ParseTimeText(intervalText) * total);
    return page.measureTimeText;
}

} // namespace seiran
