#include "RenderFixtures.h"

#include "render/WaveMapping.h"
#include "render/WaveRender.h"

#include <gtest/gtest.h>

#include <set>

namespace seiran {
namespace {

using namespace test;

const Pen kBlackPen{kBlack, 1, false};
const Pen kRedPen{kErrorRed, 1, false};

// At ×1 with the data fitting, sample s starts at x = 32 + s.
int x(int s) { return 32 + s; }

TEST(RecordRows, TransitionsAtTheRecordsWhereAChannelChanges)
{
    // Starts 0, 100, 150, 175, 185; total 1000.
    auto page = MakeRecordPage(2, {{0, 100}, {1, 50}, {3, 25}, {2, 10}, {0, 815}});
    auto view = MakeView(*page);
    RecordingCanvas canvas(1200, 900);
    DrawRecordRows(*page, *view, canvas, kBlack, false, false);

    const Segments all = SegmentsWith(canvas, kBlackPen);
    const Segments row0{{x(0), 55, x(100), 55}, {x(100), 43, x(100), 55}, {x(100), 43, x(175), 43},
                        {x(175), 43, x(175), 55}, {x(175), 55, x(1000), 55}};
    const Segments row1{{x(0), 75, x(150), 75}, {x(150), 63, x(150), 75}, {x(150), 63, x(185), 63},
                        {x(185), 63, x(185), 75}, {x(185), 75, x(1000), 75}};
    Segments expected = row0;
    expected.insert(expected.end(), row1.begin(), row1.end());
    EXPECT_EQ(all, expected);
    EXPECT_EQ(canvas.count(RecordingCanvas::Kind::Lines), 2); // one batch a row

    RecordingCanvas red(1200, 900);
    DrawRecordRows(*page, *view, red, kErrorRed, false, false);
    EXPECT_EQ(SegmentsWith(red, kRedPen), expected);
}

TEST(RecordRows, HeavyLowLineIsASecondLineOnePixelAbove)
{
    auto page = MakeRecordPage(1, {{0, 100}, {1, 100}, {0, 100}});
    auto view = MakeView(*page);
    RecordingCanvas canvas(1200, 900);
    DrawRecordRows(*page, *view, canvas, kBlack, false, true);

    const Segments all = SegmentsWith(canvas, kBlackPen);
    EXPECT_EQ(Horizontals(all, 55), (Segments{{x(0), 55, x(100), 55}, {x(200), 55, x(300), 55}}));
    EXPECT_EQ(Horizontals(all, 54), (Segments{{x(0), 54, x(100), 54}, {x(200), 54, x(300), 54}}));
    EXPECT_EQ(Horizontals(all, 43).size(), 1U);
    EXPECT_TRUE(Horizontals(all, 42).empty());
}

TEST(RecordRows, RecordsOnOneColumnAreJoined)
{
    std::vector<Record> records;
    for (int i = 0; i < 512; ++i)
        records.push_back({std::uint64_t(i & 1), 1});
    auto page = MakeRecordPage(1, records);
    page->zoomCode = 1; // 256 samples a pixel: records 0-255 on x = 32, 256-511 on x = 33
    auto view = MakeView(*page);
    RecordingCanvas canvas(1200, 900);
    DrawRecordRows(*page, *view, canvas, kBlack, false, false);

    const Segments verticals = Verticals(SegmentsWith(canvas, kBlackPen), 43, 55);
    EXPECT_EQ(verticals, (Segments{{32, 43, 32, 55}, {33, 43, 33, 55}}));
}

TEST(RecordRows, BusCrossesJoinChangesUnderTwoPixels)
{
    auto page = MakeRecordPage(4, {{0, 100}, {10, 1}, {12, 99}, {0, 800}});
    MakeBusRow(*page, 0, 4, QStringLiteral("HEX"));
    auto view = MakeView(*page);
    RecordingCanvas canvas(1200, 900);
    DrawRecordRows(*page, *view, canvas, kBlack, false, false);

    std::set<int> crosses;
    for (const LineSegment& s : SegmentsWith(canvas, kBlackPen)) {
        if (s.x1 != s.x2 && s.y1 != s.y2)
            crosses.insert(s.x1 + 2);
    }
    EXPECT_EQ(crosses, (std::set<int>{x(100), x(200)}));
    EXPECT_EQ(TextsOf(canvas), (std::vector<QString>{"0", "C", "0"}));
}

TEST(RecordRows, CompareViewRebuildsTheWholeViewPositionsInTheSameBlock)
{
    auto page = MakeRecordPage(1, {{0, 500}, {1, 500}});
    page->zoomCode = kWholeDataZoomCode;
    auto view = MakeView(*page);
    RecordingCanvas canvas(1200, 900);
    DrawRecordRows(*page, *view, canvas, kBlack, false, false);
    EXPECT_EQ(view->wholeViewX.list, WholeViewCache::List::Records);
    const std::int32_t* block = view->wholeViewX.x.get();
    // x of the change: 500 × (1196 − 64) / 1000 + 32.
    EXPECT_EQ(Verticals(SegmentsWith(canvas, kBlackPen), 43, 55).front().x1, 566 + 32);

    // The compare list has the same counts but other starts: its positions are worked out anew.
    FillList(page->displayList, {{0, 250}, {1, 750}});
    RecordingCanvas compare(1200, 900);
    DrawRecordRows(*page, *view, compare, kBlack, true, false);
    EXPECT_EQ(view->wholeViewX.list, WholeViewCache::List::CompareRecords);
    EXPECT_EQ(view->wholeViewX.x.get(), block);
    EXPECT_EQ(Verticals(SegmentsWith(compare, kBlackPen), 43, 55).front().x1, 283 + 32);
}

} // namespace
} // namespace seiran
