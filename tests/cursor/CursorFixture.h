#pragma once

#include "ManualClock.h"
#include "RecordingFrontEnd.h"
#include "core/AnalyzerState.h"
#include "cursor/CursorController.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace seiran::test {

struct RecordRun {
    std::uint64_t value;
    int length;
};

// Writes runs into a record list with its end entry; returns the sample total.
int FillRuns(RecordList& list, const std::vector<RecordRun>& runs);

// The analyzer state on a manual clock with a recording front end, page 0 shown, interval
// "10nS" (user clock 10 nS, interval index 0), wave box 1204 × 900 (V = 1200), and the cursor
// controller the window would own.
class CursorFixture : public ::testing::Test {
protected:
    CursorFixture();

    PageState& page() { return state.pages[0]; }
    PageView& view() { return state.pageViews[0]; }

    // Page 0 becomes a bit-plane page: `channels` single-wire rows, `samples` samples all L,
    // hasData set, zoom ×1, cursors at 0, 100, 300, 400, channel 0 selected, state range
    // (channels − 1)-0 in HEX on cursor A.
    void makePlanePage(int channels, int samples);
    // Page 0 becomes a compressed page holding the runs in its display and measured lists.
    void makeRecordPage(int channels, const std::vector<RecordRun>& runs);
    void setHigh(int channel, int from, int to);
    // Lays the page out again for its wave box (after zoom or row changes).
    void layOut();

    ManualClock clock;
    RecordingFrontEnd frontEnd;
    AnalyzerState state{clock, frontEnd, QStringLiteral(".")};
    std::unique_ptr<CursorController> cursors;

private:
    void setCommonFields(int channels);
};

} // namespace seiran::test
