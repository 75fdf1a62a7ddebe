// Cursor steps and the cursor overlay on a 64-channel analyzer page of 262144 samples, all 64
// channels selected. Every channel changes at multiples of 8192 samples, so from a cursor in the
// middle between two changes the edge lies 4096 samples away in both directions wherever the
// cursor is: the runs at the start, the middle and near the end of the capture show that the cost
// of an edge search follows the distance to the edge, not the cursor's place in the capture.
// The Quiet runs search a page without any edge from its end: the whole capture, the worst case.
// StepGrid is the whole ">|" press and release of the window (edge search, overlay, difference
// and state value); Overlay the recomputation of the overlay items a cursor move costs.

#include "NullFrontEnd.h"
#include "Clock.h"
#include "FrontEnd.h"
#include "ManualClock.h"
#include "core/AnalyzerState.h"
#include "cursor/CursorController.h"
#include "cursor/EdgeSearch.h"
#include "cursor/Measurement.h"
#include "render/RowLayout.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace seiran;

constexpr int kSamples = 262144;
constexpr int kChannels = 64;
constexpr int kEdgeSpacing = 8192;
constexpr std::uint64_t kAllChannels = ~std::uint64_t(0);

struct Bench {
    ManualClock clock;
    NullFrontEnd frontEnd;
    AnalyzerState state{clock, frontEnd, QStringLiteral(".")};
    std::unique_ptr<CursorController> cursors;

    // quiet: no channel ever changes.
    Bench(bool compressed, bool quiet)
    {
        PageState& p = state.pages[0];
        p.channelCount = kChannels;
        p.rowCount = kChannels;
        for (int r = 0; r < kMaxRows; ++r) {
            p.rowChannelCount[std::size_t(r)] = 1;
            p.rowRadix[std::size_t(r)] = QStringLiteral("HEX");
        }
        p.channelSelected.fill(true);
        p.dataCount = kSamples;
        p.hasData = true;
        p.runModeText = QStringLiteral("シングル");
        p.atobMode = QStringLiteral("AtoB");
        p.stateCursorName = QStringLiteral("B");
        p.stateMode = QStringLiteral("HEX");
        p.stateMsb = kChannels - 1;
        p.stateLsb = 0;
        p.compressed = compressed;
        if (!compressed) {
            for (int c = 0; c < kChannels; ++c) {
                auto words = p.sampleBits.words(c);
                for (int w = 0; w < kSamples / 64; ++w)
                    words[std::size_t(w)] = !quiet && (w * 64 / kEdgeSpacing) % 2 ? ~std::uint64_t(0) : 0;
            }
        } else {
            // Records of 64 samples; the levels change every 128 records.
            const int records = kSamples / 64;
            for (int i = 0; i < records; ++i) {
                const std::uint64_t value = !quiet && (i * 64 / kEdgeSpacing) % 2 ? kAllChannels : 0;
                p.displayList.set(i, value, 64, i * 64);
                p.measuredList.set(i, value, 64, i * 64);
            }
            p.displayList.setEnd(records, kSamples);
            p.measuredList.setEnd(records, kSamples);
            p.recCount = p.measRecCount = records;
            p.sampleCount = p.measSampleCount = kSamples;
        }
        PageView& view = state.pageViews[0];
        view.waveBoxWidth = 1204;
        view.waveBoxHeight = 900;
        LayoutPage(p, view);
        cursors = std::make_unique<CursorController>(state);
    }
};

// Between two changes: 4096 samples from the edge on either side.
std::int32_t probe(std::int64_t position)
{
    return std::int32_t(position / kEdgeSpacing * kEdgeSpacing + kEdgeSpacing / 2);
}

// The second and the middle pair of changes, and the last pair before the end of the capture.
void searchArgs(benchmark::internal::Benchmark* b)
{
    b->Arg(probe(kEdgeSpacing))->Arg(probe(kSamples / 2))->Arg(probe(kSamples - kEdgeSpacing - 1));
    b->Unit(benchmark::kMicrosecond);
}

void BM_NextEdge(benchmark::State& s, bool compressed)
{
    Bench bench(compressed, false);
    const auto cursor = std::int32_t(s.range(0));
    for (auto _ : s)
        benchmark::DoNotOptimize(FindNextEdge(bench.state.pages[0], cursor, kAllChannels));
    s.counters["cursor"] = double(cursor);
}

void BM_PreviousEdge(benchmark::State& s, bool compressed)
{
    Bench bench(compressed, false);
    const auto cursor = std::int32_t(s.range(0));
    for (auto _ : s)
        benchmark::DoNotOptimize(FindPreviousEdge(bench.state.pages[0], cursor, kAllChannels));
    s.counters["cursor"] = double(cursor);
}

void BM_QuietPreviousEdge(benchmark::State& s, bool compressed)
{
    Bench bench(compressed, true);
    for (auto _ : s)
        benchmark::DoNotOptimize(FindPreviousEdge(bench.state.pages[0], kSamples, kAllChannels));
}

// ">|" on row 1 (cursor B) pressed and released near the end of the capture, B put back each time.
void BM_StepGridNextEdge(benchmark::State& s, bool compressed)
{
    Bench bench(compressed, false);
    PageState& page = bench.state.pages[0];
    const std::int32_t start = probe(kSamples - kEdgeSpacing - 1);
    for (auto _ : s) {
        page.cursorB = start;
        bench.cursors->stepGridMouseDown(80, 30);
        bench.cursors->stepGridMouseUp();
    }
    if (page.cursorB != start + kEdgeSpacing / 2)
        s.SkipWithError("the step did not land on the edge");
}

void BM_Overlay(benchmark::State& s, bool compressed, bool wholeView)
{
    Bench bench(compressed, false);
    PageState& page = bench.state.pages[0];
    if (wholeView) {
        page.zoomFactor = kWholeDataZoomFactor;
        page.zoomCode = kWholeDataZoomCode;
    }
    page.cursorA = probe(kSamples - kEdgeSpacing - 1);
    bench.cursors->placeCursorLines(0); // builds the whole-view positions once, as the draw does
    for (auto _ : s) {
        bench.cursors->placeCursorLines(0);
        benchmark::DoNotOptimize(bench.cursors->overlay(0).time[0].x);
    }
}

// The A-B readout with A and B at both ends of the capture: the worst case. "records_full" is a
// display list filled to its 524288 records, one sample each, channel 0 changing at every record.
// Items are samples measured.
void BM_MeasureAB(benchmark::State& s, bool compressed, bool fullList)
{
    Bench bench(compressed, false);
    PageState& page = bench.state.pages[0];
    if (fullList) {
        for (int i = 0; i < kDisplayRecords; ++i)
            page.displayList.set(i, std::uint64_t(i & 1), 1, i);
        page.displayList.setEnd(kDisplayRecords, kDisplayRecords);
        page.recCount = kDisplayRecords;
        page.sampleCount = kDisplayRecords;
    }
    page.channelSelected.fill(false);
    page.channelSelected[0] = true;
    page.cursorA = 0;
    page.cursorB = compressed ? page.sampleCount : page.dataCount;
    for (auto _ : s)
        benchmark::DoNotOptimize(MeasureCursorsAB(page));
    const EdgeMeasurement m = MeasureCursorsAB(page);
    s.counters["edges"] = double(m.rising + m.falling);
    s.SetItemsProcessed(std::int64_t(s.iterations()) * (m.to - m.from));
}

BENCHMARK_CAPTURE(BM_NextEdge, planes, false)->Apply(searchArgs);
BENCHMARK_CAPTURE(BM_PreviousEdge, planes, false)->Apply(searchArgs);
BENCHMARK_CAPTURE(BM_NextEdge, records, true)->Apply(searchArgs);
BENCHMARK_CAPTURE(BM_PreviousEdge, records, true)->Apply(searchArgs);
BENCHMARK_CAPTURE(BM_QuietPreviousEdge, planes, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_QuietPreviousEdge, records, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_StepGridNextEdge, planes, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_StepGridNextEdge, records, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Overlay, planes_x1, false, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Overlay, planes_whole, false, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Overlay, records_x1, true, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Overlay, records_whole, true, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MeasureAB, planes, false, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MeasureAB, records, true, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MeasureAB, records_full, true, true)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
