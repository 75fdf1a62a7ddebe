#include "RenderFixtures.h"

#include "MessageLog.h"
#include "render/WaveMapping.h"
#include "render/WaveRender.h"

#include <gtest/gtest.h>

namespace seiran {
namespace {

using namespace test;

const Pen kBlackPen{kBlack, 1, false};
const Pen kRedPen{kErrorRed, 1, false};
const Pen kCursorPen{Rgb{0, 0, 255}, 1, false};

class Redraw : public ::testing::Test {
protected:
    RedrawInputs inputs(bool heavy = false) { return {QStringLiteral("10nS"), heavy, &log}; }
    MessageLog log;
    RecordingCanvas canvas{1200, 900};
};

TEST_F(Redraw, BitPlanePageDrawsRowsOnlyWithDataAndCursorsLast)
{
    auto page = MakePlanePage(2, 1024);
    SetHigh(*page, 0, 100, 200);
    page->hasData = false;
    auto view = MakeView(*page);
    int cursorPasses = 0;
    RedrawHooks hooks;
    hooks.drawCursorLines = [&](Canvas& c) {
        ++cursorPasses;
        c.setPen(kCursorPen);
        c.drawLine(115, 38, 115, 899);
    };
    RedrawPage(*page, *view, canvas, inputs(), hooks);
    EXPECT_TRUE(SegmentsWith(canvas, kBlackPen).empty());
    EXPECT_EQ(cursorPasses, 1);

    page->hasData = true;
    canvas.clear();
    RedrawPage(*page, *view, canvas, inputs(), hooks);
    EXPECT_EQ(Verticals(SegmentsWith(canvas, kBlackPen), 43, 55).size(), 2U);
    ASSERT_FALSE(canvas.calls().empty());
    EXPECT_EQ(canvas.calls().back().kind, RecordingCanvas::Kind::Line);
    EXPECT_EQ(canvas.calls().back().pen, kCursorPen);
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(Redraw, WholeViewOfALongCaptureAsksToWaitAndKeepsItsCache)
{
    auto page = MakePlanePage(2, 262144);
    SetHigh(*page, 0, 1000, 200000);
    page->zoomFactor = kWholeDataZoomFactor;
    auto view = MakeView(*page);
    RedrawPage(*page, *view, canvas, inputs());
    EXPECT_EQ(log.lastLine(), QStringLiteral("しばらくお待ちください。"));
    ASSERT_TRUE(view->wholeViewX.valid());
    const std::int32_t* block = view->wholeViewX.x.get();
    EXPECT_EQ(view->wholeViewX.at(262144), 1196 - 30);

    ClearWholeViewCaches(*view);
    EXPECT_FALSE(view->wholeViewX.valid());
    RedrawPage(*page, *view, canvas, inputs());
    EXPECT_TRUE(view->wholeViewX.valid());
    EXPECT_EQ(view->wholeViewX.x.get(), block); // allocated once

    // A narrower window rebuilds the x positions.
    ResizeWaveBox(*page, *view, 800, 900);
    RedrawPage(*page, *view, canvas, inputs());
    EXPECT_EQ(view->wholeViewX.at(262144), 796 - 30);
    EXPECT_EQ(view->wholeViewX.x.get(), block);
}

TEST_F(Redraw, CompressedPageShowsItsMeasuredList)
{
    auto page = MakeRecordPage(1, {{0, 100}, {1, 100}, {0, 300}});
    // The display list holds something else (a compare view loaded earlier).
    FillList(page->displayList, {{1, 50}, {0, 50}});
    page->recCount = 2;
    page->sampleCount = 100;
    page->cursorD = 800;
    auto view = MakeView(*page);
    RedrawPage(*page, *view, canvas, inputs());
    EXPECT_EQ(page->recCount, 3);
    EXPECT_EQ(page->sampleCount, 500);
    EXPECT_EQ(page->displayList.start(3), 500);
    EXPECT_EQ(page->cursorD, 500);
    EXPECT_EQ(page->measureTimeText, QStringLiteral("5μS"));
    EXPECT_EQ(Verticals(SegmentsWith(canvas, kBlackPen), 43, 55).size(), 2U);
    EXPECT_TRUE(SegmentsWith(canvas, kRedPen).empty());
}

TEST_F(Redraw, CompareModeWithoutResultShowsTheReferenceInRed)
{
    auto page = MakeRecordPage(1, {{0, 100}, {1, 100}, {0, 300}});
    page->runModeText = QStringLiteral("波形比較");
    auto view = MakeView(*page);
    RedrawPage(*page, *view, canvas, inputs());
    EXPECT_EQ(log.lastLine(), QStringLiteral("リファレンス波形です。"));
    EXPECT_EQ(Verticals(SegmentsWith(canvas, kRedPen), 43, 55).size(), 2U);
    EXPECT_TRUE(SegmentsWith(canvas, kBlackPen).empty());
}

TEST_F(Redraw, CompareResultDrawsTheReferenceInRedThenTheCaptureInBlack)
{
    auto page = MakeRecordPage(1, {{0, 500}});
    page->runModeText = QStringLiteral("波形比較");
    page->hasCompareResult = true;
    auto view = MakeView(*page);
    std::vector<bool> loads;
    RedrawHooks hooks;
    hooks.loadCompareView = [&](PageState& p, bool reference) {
        loads.push_back(reference);
        // The merged list: reference high from 100, capture high from 110.
        FillList(p.displayList, {{0, 100}, {reference ? 1U : 0U, 10}, {1, 390}});
        p.recCount = 3;
        p.sampleCount = 500;
    };
    RedrawPage(*page, *view, canvas, inputs(), hooks);
    EXPECT_EQ(loads, (std::vector<bool>{true, false}));
    const Segments red = Verticals(SegmentsWith(canvas, kRedPen), 43, 55);
    const Segments black = Verticals(SegmentsWith(canvas, kBlackPen), 43, 55);
    ASSERT_EQ(red.size(), 1U);
    ASSERT_EQ(black.size(), 1U);
    EXPECT_EQ(red[0].x1, 32 + 100);
    EXPECT_EQ(black[0].x1, 32 + 110);
    // Red goes first, so black is drawn over it.
    int firstRed = -1;
    int firstBlack = -1;
    for (int i = 0; i < int(canvas.calls().size()); ++i) {
        const auto& c = canvas.calls()[std::size_t(i)];
        if (c.kind != RecordingCanvas::Kind::Lines)
            continue;
        if (c.pen == kRedPen && firstRed < 0)
            firstRed = i;
        if (c.pen == kBlackPen && firstBlack < 0)
            firstBlack = i;
    }
    EXPECT_LT(firstRed, firstBlack);
}

TEST_F(Redraw, ResizeKeepsTheCentreSampleOfACompressedPage)
{
    std::vector<Record> records(1000, Record{0, 100});
    auto page = MakeRecordPage(64, records);
    auto view = MakeView(*page);
    ScrollToSample(*page, *view, 60000);
    const int before = SampleAtX(*page, *view, ViewWidth(*view) / 2);
    ResizeWaveBox(*page, *view, 700, 500);
    EXPECT_LE(std::abs(SampleAtX(*page, *view, ViewWidth(*view) / 2) - before), 17);
    EXPECT_EQ(view->rows.count, (500 - 40) / 20);
}

} // namespace
} // namespace seiran
