#pragma once

#include "view/Pages.h"

#include "view/SampleStorage.h"

#include <cstdint>
#include <array>
#include <vector>

namespace seiran {

class AnalyzerState;
struct PageState;

// The merged compare list of a compressed page: the capture and the reference laid onto one time
// line, one entry per stretch in which neither changes. Entries 0 to count - 1 are in time order,
// entry count is the end entry (relTime and start of the end of the line). A side that has no
// samples in a stretch (the other waveform runs longer or starts earlier) has value 0 and run 0
// there. The arrays are allocated on the page's first compare and reused from then on.
struct MergedCompareList {
    static constexpr int kCapacity = kDisplayRecords; // entries, without the end entry

    std::vector<std::uint64_t> measValue;
    std::vector<std::uint64_t> refValue;
    std::vector<std::int32_t> measRun;
    std::vector<std::int32_t> refRun;
    std::vector<std::int64_t> relTime; // samples from the trigger, negative before it
    std::vector<std::int64_t> start;   // samples from the start of the line
    std::vector<std::uint8_t> error;   // 1 where both sides have samples and differ
    std::int32_t count = 0;
    std::int32_t sampleTotal = 0;
    std::int32_t triggerSample = 0;

    bool allocated() const { return !measValue.empty(); }
    void allocate();
    // No entries, no marks (keeps the storage).
    void clear();
    // The length of entry i: its capture run, or its reference run where the capture has none.
    std::int32_t length(int i) const { return measRun[std::size_t(i)] != 0 ? measRun[std::size_t(i)] : refRun[std::size_t(i)]; }
    // Index of the first marked entry, or -1.
    int firstError() const;
};

// The merged compare lists of the four analyzer pages, owned by the state object.
struct CompareLists {
    std::array<MergedCompareList, kAnalyzerPageCount> pages;
};

// Merges a capture and a reference record list into `out` (allocating it when needed) and sets
// the marks. Returns the index of the first marked entry, or -1 when the two agree wherever both
// have samples. Entries are cut at the trigger, so one entry always begins there.
int MergeRecordLists(const RecordListView& capture, const RecordListView& reference, MergedCompareList& out);

// The merged list of analyzer page 0-3 of this state (empty until its first compare).
MergedCompareList& CompareListOf(AnalyzerState& state, int page);
// Gives back the merged lists of a state that is going away.
void ReleaseCompareLists(AnalyzerState& state);
// Clears the merged compare marks of a page, for a new reference.
void ClearCompareMarks(AnalyzerState& state, int page);

// Bit-plane compare: every sample of every channel against the reference; compareErrorBits gets
// the differences. Logs the first difference in sample order with its time and channel (from 1).
bool CompareBitPlanes(AnalyzerState& state, int page);
// Record-list compare of a compressed page: builds the merged list, sets hasCompareResult and
// logs the time of the first marked entry.
bool CompareRecords(AnalyzerState& state, int page);

// Loads the page's display list (values, runs, starts, counters and end entry) from a merged list,
// with the reference side when `reference` is set, else with the capture side: what the drawing
// shows in "波形比較" while the page holds a compare result.
void LoadCompareView(const MergedCompareList& merged, PageState& page, bool reference);
// The same for page `page` of the state, in the form RedrawHooks::loadCompareView takes.
void LoadCompareView(AnalyzerState& state, int page, PageState& target, bool reference);

} // namespace seiran
