#include "RenderFixtures.h"

#include "render/TimeAxis.h"
#include "render/WaveMapping.h"
#include "render/WaveRender.h"

#include <gtest/gtest.h>

namespace seiran {
namespace {

using namespace test;

const Pen kGridPen{kGridGrey, 1, true};

TEST(TimeAxis, GridStepsByZoom)
{
    const std::pair<double, int> cases[] = {
        {1.0 / 256, 20000}, {1.0 / 128, 10000}, {1.0 / 64, 5000}, {1.0 / 32, 5000}, {1.0 / 16, 2000},
        {1.0 / 8, 1000},    {1.0 / 4, 500},     {1.0 / 2, 200},   {1, 100},         {2, 50},
        {4, 20},            {8, 10},            {16, 5},          {32, 5},          {64, 2},
        {128, 1}};
    for (auto [factor, step] : cases)
        EXPECT_EQ(GridStep(factor * 256.0), step) << factor;
}

TEST(TimeAxis, WholeDataStepIsARoundNumber)
{
    const std::pair<std::int64_t, std::int64_t> cases[] = {
        {1024, 200}, {262144, 50000}, {4096, 1000}, {36000, 5000}, {2000, 500}, {100000, 20000}, {3, 1}};
    for (auto [count, step] : cases)
        EXPECT_EQ(WholeDataGridStep(count), step) << count;
}

TEST(TimeAxis, WholeDataViewOf1024Samples)
{
    auto page = MakePlanePage(8, 1024);
    page->zoomFactor = kWholeDataZoomFactor;
    auto view = MakeView(*page);
    RecordingCanvas canvas(1200, 900);
    DrawTimeAxis(*page, *view, canvas, QStringLiteral("10nS"));

    ASSERT_GE(canvas.calls().size(), 1U);
    EXPECT_EQ(canvas.calls().front().kind, RecordingCanvas::Kind::FillRect);
    EXPECT_EQ(canvas.calls().front().colour, kWhite);

    const auto texts = canvas.texts();
    const std::vector<QString> expected{"0", "2μS", "4μS", "6μS", "8μS", "10μS"};
    ASSERT_EQ(TextsOf(canvas), expected);
    const Segments grid = SegmentsWith(canvas, kGridPen);
    ASSERT_EQ(grid.size(), 6U);
    for (int i = 0; i < 6; ++i) {
        const int x = WholeViewPosition(i * 200, 1196 - 45, 1024, 15);
        EXPECT_EQ(texts[std::size_t(i)].x, i == 0 ? x - 2 : x - 10) << i;
        EXPECT_EQ(texts[std::size_t(i)].y, timeLabelY);
        EXPECT_EQ(grid[std::size_t(i)], (LineSegment{x, cursorLineTop, x, 899})) << i;
    }
}

TEST(TimeAxis, BitPlaneLabelsAroundTheTrigger)
{
    auto page = MakePlanePage(8, 1024);
    page->triggerPosition = 300;
    auto view = MakeView(*page); // ×1, fits: x(n) = 15 + n
    RecordingCanvas canvas(1200, 900);
    DrawTimeAxis(*page, *view, canvas, QStringLiteral("10nS"));

    const std::vector<QString> expected{"-3μS", "-2μS", "-1μS", "0",   "1μS", "2μS",
                                        "3μS",  "4μS",  "5μS",  "6μS", "7μS"};
    EXPECT_EQ(TextsOf(canvas), expected);
    const auto texts = canvas.texts();
    EXPECT_EQ(texts[0].x, 15 + 0 - 15);   // negative: x − 15
    EXPECT_EQ(texts[3].x, 15 + 300 - 2);  // "0": x − 2
    EXPECT_EQ(texts[4].x, 15 + 400 - 10); // positive: x − 10
    const Segments grid = SegmentsWith(canvas, kGridPen);
    ASSERT_EQ(grid.size(), 11U);
    EXPECT_EQ(grid.front().x1, 15);
    EXPECT_EQ(grid.back().x1, 15 + 1000);
}

TEST(TimeAxis, OnlyTheWindowIsLabelledAtFineZoom)
{
    auto page = MakePlanePage(8, 262144);
    page->zoomFactor = 128.0; // a grid line every sample
    page->triggerPosition = 131072;
    auto view = MakeView(*page);
    page->scrollPosition = page->scrollMax / 2;
    RecordingCanvas canvas(1200, 900);
    DrawTimeAxis(*page, *view, canvas, QStringLiteral("10nS"));

    const auto texts = canvas.texts();
    EXPECT_GE(texts.size(), 9U);
    EXPECT_LE(texts.size(), 11U);
    for (const auto& t : texts) {
        EXPECT_GE(t.x, -30 - 15);
        EXPECT_LE(t.x, 1196);
    }
    for (const LineSegment& l : SegmentsWith(canvas, kGridPen)) {
        EXPECT_GE(l.x1, 0);
        EXPECT_LE(l.x1, 1196);
    }
}

TEST(TimeAxis, CompressedLabelsStandTwoPixelsPerCharacterLeft)
{
    auto page = MakeRecordPage(8, {{0, 1000}, {1, 4000}});
    page->recTriggerSample = 1000;
    auto view = MakeView(*page); // ×1, scroll disabled: x(s) = 32 + s
    RecordingCanvas canvas(1200, 900);
    DrawTimeAxis(*page, *view, canvas, QStringLiteral("10nS"));

    const auto texts = canvas.texts();
    ASSERT_EQ(texts.size(), 12U); // s = 0, 100, ..., 1100; 1200 is right of V
    EXPECT_EQ(texts.front().text, QStringLiteral("-10μS"));
    EXPECT_EQ(texts.front().x, 32 - 2 * 5);
    EXPECT_EQ(texts[10].text, QStringLiteral("0"));
    EXPECT_EQ(texts[10].x, 32 + 1000 - 2);
    EXPECT_EQ(texts[11].text, QStringLiteral("1μS"));
    EXPECT_EQ(texts[11].x, 32 + 1100 - 2 * 3);
    EXPECT_EQ(SegmentsWith(canvas, kGridPen).size(), 12U);
}

} // namespace
} // namespace seiran
