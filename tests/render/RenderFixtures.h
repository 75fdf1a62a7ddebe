#pragma once

#include "render/PageView.h"
#include "render/RecordingCanvas.h"
#include "view/PageState.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace seiran::test {

// A bit-plane analyzer page: `channels` single-wire rows, `samples` samples all L, hasData set,
// trigger at sample 0, zoom ×1, run mode "シングル".
std::unique_ptr<PageState> MakePlanePage(int channels, int samples);
// Samples [from, to) of the channel become H.
void SetHigh(PageState& page, int channel, int from, int to);
// Samples [from, to) of a bus of `channels` channels from firstChannel hold `value`.
void SetBusValue(PageState& page, int firstChannel, int channels, int from, int to, std::uint64_t value);
// Rows 0 … of the page become one bus of `channels` channels followed by single wires.
void MakeBusRow(PageState& page, int row, int channels, const QString& radix);

struct Record {
    std::uint64_t value;
    int run;
};
// A compressed analyzer page whose display and measured lists hold the records (trigger at
// sample 0), hasData set, zoomCode 256.
std::unique_ptr<PageState> MakeRecordPage(int channels, const std::vector<Record>& records, int dataCount = 262144);
// Writes records into a list with its end entry; returns the sample total.
int FillList(RecordList& list, const std::vector<Record>& records);

// A view of the given wave box size laid out for the page.
std::unique_ptr<PageView> MakeView(PageState& page, int width = 1200, int height = 900);

using Segments = std::vector<LineSegment>;
// Segments drawn with the given pen, in drawing order.
Segments SegmentsWith(const RecordingCanvas& canvas, const Pen& pen);
Segments Verticals(const Segments& segments, int top, int bottom);
Segments Horizontals(const Segments& segments, int y);
// Texts drawn, in order.
std::vector<QString> TextsOf(const RecordingCanvas& canvas);

} // namespace seiran::test
