#include "RenderFixtures.h"

#include "render/RowLayout.h"
#include "render/TimeAxis.h"
#include "render/WaveMapping.h"
#include "view/PageTime.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace seiran {
namespace {

using namespace test;

constexpr int kBoxWidth = 1200; // V = 1196

TEST(PlaneMapping, QuarterMillionSamplesAtOneIn256)
{
    auto page = MakePlanePage(16, 262144);
    page->zoomFactor = 1.0 / 256.0;
    page->scrollPosition = 7;
    page->scrollMax = 8192;
    EXPECT_EQ(TotalWidth(*page), 1069);
    EXPECT_EQ(GridStep(page->zoomFactor * 256.0), 20000);

    auto view = MakeView(*page, kBoxWidth);
    EXPECT_FALSE(view->horizontalScrollEnabled);
    EXPECT_EQ(page->scrollPosition, 0);
    const PlaneMapping map(*page, *view);
    EXPECT_EQ(map.xOf(0), 15);
    EXPECT_EQ(map.xOf(255), 15);
    EXPECT_EQ(map.xOf(256), 16);
    EXPECT_EQ(map.xOf(262144), 15 + 1024);
    EXPECT_EQ(map.firstSampleAtOrAfter(15), 0);
    EXPECT_EQ(map.firstSampleAtOrAfter(16), 256);
    EXPECT_EQ(map.firstSampleAtOrAfter(17), 512);
    EXPECT_EQ(map.firstSampleAtOrAfter(5000), 262144);
}

TEST(PlaneMapping, FittingPageHasItsBarDisabledAndWiderPageScrolls)
{
    auto page = MakePlanePage(8, 1024);
    page->scrollPosition = 30;
    page->scrollMax = 64;
    auto view = MakeView(*page, kBoxWidth); // W = 1069 fits in V = 1196
    EXPECT_FALSE(view->horizontalScrollEnabled);
    EXPECT_EQ(page->scrollPosition, 0);
    EXPECT_EQ(PlaneMapping(*page, *view).xOf(0), waveLeftMargin);

    page->zoomFactor = 2.0; // W = 2093
    page->scrollPosition = 32;
    page->scrollMax = 0; // a bar that never had a range must not divide by zero
    LayoutPage(*page, *view);
    EXPECT_TRUE(view->horizontalScrollEnabled);
    EXPECT_EQ(page->scrollMax, 64);
    const PlaneMapping map(*page, *view);
    const int x0 = 15 - (2093 - 1196) * 32 / 64;
    EXPECT_EQ(map.xOf(0), x0);
    EXPECT_EQ(map.xOf(100), x0 + 200);
    EXPECT_EQ(map.firstSampleAtOrAfter(x0 + 201), 101);
}

TEST(PlaneMapping, RescaleScrollKeepsThePlaceAndLeavesTheWholeView)
{
    auto page = MakePlanePage(8, 4096);
    auto view = MakeView(*page, kBoxWidth);
    page->scrollPosition = 10;
    page->scrollMax = 64;

    page->zoomFactor = 2.0;
    RescaleScroll(*page, *view);
    EXPECT_EQ(page->scrollPosition, 20);
    EXPECT_EQ(page->scrollMax, 128);
    EXPECT_EQ(page->previousZoomFactor, 2.0);
    EXPECT_TRUE(view->horizontalScrollEnabled);

    page->zoomFactor = kWholeDataZoomFactor;
    RescaleScroll(*page, *view);
    EXPECT_FALSE(view->horizontalScrollEnabled);

    // There is no position to scale from the whole view: the bar starts over.
    page->zoomFactor = 1.0;
    RescaleScroll(*page, *view);
    EXPECT_TRUE(view->horizontalScrollEnabled);
    EXPECT_EQ(page->scrollPosition, 0);
    EXPECT_EQ(page->scrollMax, 64);

    page->zoomFactor = 0.25; // W = 1069: fits
    page->scrollPosition = 5;
    RescaleScroll(*page, *view);
    EXPECT_FALSE(view->horizontalScrollEnabled);
    EXPECT_EQ(page->scrollPosition, 0);
}

TEST(PlaneMapping, WholeViewInverseMatchesTheMapping)
{
    auto page = MakePlanePage(8, 262144);
    page->zoomFactor = kWholeDataZoomFactor;
    auto view = MakeView(*page, kBoxWidth);
    const PlaneMapping map(*page, *view);
    ASSERT_TRUE(map.wholeView());
    EXPECT_EQ(map.xOf(0), 15);
    EXPECT_EQ(map.xOf(262144), 1196 - 30);
    EXPECT_EQ(map.xOf(131072), 15 + 576); // 131072 × 1151 / 262144 = 575.5, rounded up
    for (int x = -5; x <= 1200; ++x) {
        const int n = map.firstSampleAtOrAfter(x);
        if (n < 262144) {
            ASSERT_GE(map.xOf(n), x) << x;
        }
        if (n > 0) {
            ASSERT_LT(map.xOf(n - 1), x) << x;
        }
    }
}

TEST(RecordMapping, ZoomStepByCode)
{
    const std::pair<int, int> cases[] = {{32768, 128}, {16384, 64}, {8192, 32}, {256, 32}, {1, 32}, {990, 32}};
    auto page = MakeRecordPage(8, {{0, 100}});
    for (auto [code, step] : cases) {
        page->zoomCode = code;
        EXPECT_EQ(zoomStep(*page), step) << code;
    }
}

TEST(RecordMapping, FittingDataStartsAtTheLeftMargin)
{
    auto page = MakeRecordPage(8, {{0, 200}, {1, 300}});
    auto view = MakeView(*page, kBoxWidth);
    page->scrollPosition = 3;
    ScrollToSample(*page, *view, 250);
    EXPECT_FALSE(view->horizontalScrollEnabled);
    EXPECT_EQ(page->scrollPosition, 0);
    for (int s : {0, 1, 99, 250, 499}) {
        EXPECT_EQ(CompressedSampleX(*page, *view, s), 32 + s);
        EXPECT_EQ(SampleAtX(*page, *view, 32 + s), s);
    }
    EXPECT_EQ(SampleAtX(*page, *view, -500), 0);
    EXPECT_EQ(SampleAtX(*page, *view, 5000), 499);
}

TEST(RecordMapping, ScrollToSampleCentresTheSampleAtEveryZoom)
{
    std::vector<Record> records(1000, Record{0, 100});
    auto page = MakeRecordPage(8, records); // 100000 samples
    auto view = MakeView(*page, kBoxWidth);
    const int v = ViewWidth(*view);
    for (int code = 1; code <= 32768; code *= 2) {
        page->zoomCode = code;
        const int step = zoomStep(*page);
        const double perPixel = code < 256 ? 256.0 / code : 256.0 / code;
        for (int s : {0, 1234, 50000, 99999}) {
            ScrollToSample(*page, *view, s);
            if (!view->horizontalScrollEnabled)
                continue;
            if (page->scrollPosition == 0 || page->scrollPosition == page->scrollMax)
                continue; // clamped at an end of the data
            const int centre = SampleAtX(*page, *view, v / 2);
            EXPECT_LE(std::abs(centre - s), (step / 2 + 1) * perPixel + 1) << code << " " << s;
            // The sample comes back where the mapping puts it.
            const int x = CompressedSampleX(*page, *view, s);
            EXPECT_LE(std::abs(SampleAtX(*page, *view, x) - s), int(perPixel) + 1) << code << " " << s;
        }
    }
}

TEST(RecordMapping, WindowRecordsReachTenPastTheRightEdge)
{
    std::vector<Record> records(1000, Record{0, 100});
    auto page = MakeRecordPage(8, records);
    auto view = MakeView(*page, kBoxWidth);
    page->zoomCode = 256;
    ScrollToSample(*page, *view, 50000);
    const RecordMapping map(*page, *view, false);
    EXPECT_EQ(map.firstRecord(), FindRecordAt(*page, SampleAtX(*page, *view, 0)));
    EXPECT_EQ(map.lastRecord(), FindRecordAt(*page, SampleAtX(*page, *view, ViewWidth(*view))) + 10);
    EXPECT_LE(map.recordX(map.firstRecord()), 0);
    EXPECT_GT(map.recordX(map.lastRecord()), ViewWidth(*view));

    page->zoomCode = kWholeDataZoomCode;
    const RecordMapping whole(*page, *view, false);
    EXPECT_EQ(whole.firstRecord(), 0);
    EXPECT_EQ(whole.lastRecord(), 999);
    EXPECT_EQ(whole.recordX(0), 32);
    EXPECT_EQ(whole.recordX(1000), 1196 - 32);
    EXPECT_EQ(whole.recordX(500), 32 + 566); // 50000 × 1132 / 100000
}

} // namespace
} // namespace seiran
