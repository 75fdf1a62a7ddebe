#include "Compare.h"

#include "core/AnalyzerState.h"
#include "view/Pages.h"
#include "view/TimeText.h"

#include <algorithm>
#include <bit>
#include <map>
#include <memory>
#include <utility>

namespace seiran {

namespace {

// Walks one record list along the merged time line.
class ListCursor {
public:
    explicit ListCursor(const RecordListView& list) : m_list(list) {}

    bool empty() const { return m_list.count() <= 0; }
    std::int64_t first() const { return m_list.relTime(0); }
    std::int64_t end() const { return m_list.relTime(m_list.count()); }
    bool covers(std::int64_t t) const { return !empty() && t >= first() && t < end(); }

    // Moves to the record covering t (records of no length are passed over).
    void seek(std::int64_t t)
    {
        while (m_index + 1 < m_list.count() && m_list.relTime(m_index + 1) <= t)
            ++m_index;
    }
    std::uint64_t value() const { return m_list.value(m_index); }
    // The next change after t on this list, or `limit` when there is none before it.
    std::int64_t nextChange(std::int64_t t, std::int64_t limit) const
    {
        if (empty())
            return limit;
        if (t < first())
            return std::min(first(), limit);
        if (t >= end())
            return limit;
        return std::min(m_list.relTime(m_index + 1), limit);
    }

private:
    const RecordListView& m_list;
    int m_index = 0;
};

void logFirstDifference(AnalyzerState& state, int page, double steps, const QString& tail)
{
    const QString t = state.intervalText(page);
    state.log.AddMessage(QStringLiteral("波形比較エラー 時刻=") + FormatTimeText(t, steps * ParseTimeText(t)) + tail);
}

} // namespace

void MergedCompareList::allocate()
{
    if (allocated())
        return;
    const std::size_t n = std::size_t(kCapacity) + 1;
    measValue.assign(n, 0);
    refValue.assign(n, 0);
    measRun.assign(n, 0);
    refRun.assign(n, 0);
    relTime.assign(n, 0);
    start.assign(n, 0);
    error.assign(n, 0);
}

void MergedCompareList::clear()
{
    if (allocated()) {
        // Only the entries in use can hold anything.
        const auto used = std::ptrdiff_t(std::min(count, kCapacity)) + 1;
        std::fill_n(measValue.begin(), used, 0);
        std::fill_n(refValue.begin(), used, 0);
        std::fill_n(measRun.begin(), used, 0);
        std::fill_n(refRun.begin(), used, 0);
        std::fill_n(relTime.begin(), used, 0);
        std::fill_n(start.begin(), used, 0);
        std::fill_n(error.begin(), used, 0);
    }
    count = 0;
    sampleTotal = 0;
    triggerSample = 0;
}

int MergedCompareList::firstError() const
{
    for (int k = 0; k < count; ++k)
        if (error[std::size_t(k)])
            return k;
    return -1;
}

int MergeRecordLists(const RecordListView& capture, const RecordListView& reference, MergedCompareList& out)
{
    out.allocate();
    out.clear();
    ListCursor meas(capture);
    ListCursor ref(reference);
    if (meas.empty() && ref.empty())
        return -1;

    std::int64_t t = meas.empty() ? ref.first() : ref.empty() ? meas.first() : std::min(meas.first(), ref.first());
    const std::int64_t hi = meas.empty() ? ref.end() : ref.empty() ? meas.end() : std::max(meas.end(), ref.end());
    std::int64_t lineStart = 0;
    int k = 0;
    while (t < hi && k < MergedCompareList::kCapacity) {
        meas.seek(t);
        ref.seek(t);
        // Cut at the trigger too, so that one entry begins there.
        const std::int64_t limit = t < 0 ? std::min<std::int64_t>(0, hi) : hi;
        const std::int64_t next = std::min(meas.nextChange(t, limit), ref.nextChange(t, limit));
        const bool hasMeas = meas.covers(t);
        const bool hasRef = ref.covers(t);
        if (hasMeas || hasRef) {
            const auto run = std::int32_t(next - t);
            const auto i = std::size_t(k);
            out.measValue[i] = hasMeas ? meas.value() : 0;
            out.refValue[i] = hasRef ? ref.value() : 0;
            out.measRun[i] = hasMeas ? run : 0;
            out.refRun[i] = hasRef ? run : 0;
            out.relTime[i] = t;
            out.start[i] = lineStart;
            out.error[i] = hasMeas && hasRef && out.measValue[i] != out.refValue[i] ? 1 : 0;
            if (t == 0)
                out.triggerSample = std::int32_t(lineStart);
            lineStart += run;
            ++k;
        }
        t = next;
    }
    out.count = k;
    out.sampleTotal = std::int32_t(lineStart);
    out.relTime[std::size_t(k)] = k > 0 ? out.relTime[std::size_t(k - 1)] + out.length(k - 1) : 0;
    out.start[std::size_t(k)] = lineStart;
    return out.firstError();
}

MergedCompareList& CompareListOf(AnalyzerState& state, int page)
{
    // Made on the first compare: about 21 MiB a page that only compare runs need.
    if (!state.compareLists)
        state.compareLists = std::make_unique<CompareLists>();
    return state.compareLists->pages[std::size_t(std::clamp(page, 0, kAnalyzerPageCount - 1))];
}

void ReleaseCompareLists(AnalyzerState& state)
{
    state.compareLists.reset();
}

void ClearCompareMarks(AnalyzerState& state, int page)
{
    MergedCompareList& list = CompareListOf(state, page);
    if (list.allocated())
        std::fill_n(list.error.begin(), std::ptrdiff_t(std::min(list.count, MergedCompareList::kCapacity)), 0);
}

bool CompareBitPlanes(AnalyzerState& state, int page)
{
    PageState& p = state.pages[std::size_t(page)];
    const int channels = std::clamp(p.channelCount, 0, kMaxChannels);
    const int samples = std::clamp(p.dataCount, 0, kMaxSamples);
    const int words = (samples + 63) / 64;
    int firstIndex = samples; // first difference in sample order, then channel order
    int firstChannel = 0;
    for (int c = 0; c < channels; ++c) {
        const auto measured = std::as_const(p.sampleBits).words(c);
        const auto reference = std::as_const(p.referenceBits).words(c);
        auto errors = p.compareErrorBits.words(c);
        for (int w = 0; w < words; ++w) {
            const auto i = std::size_t(w);
            const int inWord = std::min(64, samples - 64 * w);
            const std::uint64_t mask = inWord == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << inWord) - 1;
            const std::uint64_t diff = (measured[i] ^ reference[i]) & mask;
            errors[i] = (errors[i] & ~mask) | diff;
            if (diff != 0) {
                const int index = 64 * w + std::countr_zero(diff);
                if (index < firstIndex) {
                    firstIndex = index;
                    firstChannel = c;
                }
            }
        }
    }
    if (firstIndex == samples)
        return false;
    logFirstDifference(state, page, double(firstIndex - p.triggerPosition),
                       QStringLiteral(" CH=") + QString::number(firstChannel + 1));
    return true;
}

bool CompareRecords(AnalyzerState& state, int page)
{
    PageState& p = state.pages[std::size_t(page)];
    MergedCompareList& merged = CompareListOf(state, page);
    const int first = MergeRecordLists(p.displayRecords(), p.referenceRecords(), merged);
    p.hasCompareResult = true;
    if (first < 0)
        return false;
    logFirstDifference(state, page, double(merged.relTime[std::size_t(first)]), QString());
    return true;
}

void LoadCompareView(const MergedCompareList& merged, PageState& page, bool reference)
{
    const int count = std::min(merged.count, page.displayList.capacity());
    for (int k = 0; k < count; ++k) {
        const auto i = std::size_t(k);
        page.displayList.set(k, reference ? merged.refValue[i] : merged.measValue[i],
                             reference ? merged.refRun[i] : merged.measRun[i], std::int32_t(merged.start[i]));
    }
    page.displayList.setEnd(count, merged.sampleTotal);
    page.recCount = count;
    page.sampleCount = merged.sampleTotal;
    page.recTriggerSample = merged.triggerSample;
}

void LoadCompareView(AnalyzerState& state, int page, PageState& target, bool reference)
{
    LoadCompareView(CompareListOf(state, page), target, reference);
}

} // namespace seiran
