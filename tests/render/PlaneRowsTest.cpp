#include "RenderFixtures.h"

#include "render/WaveMapping.h"
#include "render/WaveRender.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace seiran {
namespace {

using namespace test;

const Pen kThin{kBlack, 1, false};
const Pen kWide{kBlack, 2, false};
const Pen kRed{kErrorRed, 1, false};
const Pen kRedWide{kErrorRed, 2, false};
constexpr int kHigh = 43; // row 0
constexpr int kLow = 55;

// At ×1 on a 1024-sample page the data fits and sample n starts at x = 15 + n.
int x(int n) { return 15 + n; }

TEST(PlaneRows, TransitionsWhereTheSamplesChange)
{
    auto page = MakePlanePage(1, 1024);
    SetHigh(*page, 0, 100, 200);
    SetHigh(*page, 0, 300, 301);
    SetHigh(*page, 0, 302, 303);
    auto view = MakeView(*page);
    RecordingCanvas canvas(1200, 900);
    DrawRows(*page, *view, canvas, false);

    const Segments expected{
        {x(0), kLow, x(100), kLow},    {x(100), kHigh, x(100), kLow}, {x(100), kHigh, x(200), kHigh},
        {x(200), kHigh, x(200), kLow}, {x(200), kLow, x(300), kLow},  {x(300), kHigh, x(300), kLow},
        {x(300), kHigh, x(301), kHigh}, {x(301), kHigh, x(301), kLow}, {x(301), kLow, x(302), kLow},
        {x(302), kHigh, x(302), kLow}, {x(302), kHigh, x(303), kHigh}, {x(303), kHigh, x(303), kLow},
        {x(303), kLow, x(1024), kLow}};
    EXPECT_EQ(SegmentsWith(canvas, kThin), expected);
    EXPECT_EQ(canvas.count(RecordingCanvas::Kind::Lines), 1); // the whole row in one call
}

TEST(PlaneRows, ChangesOnOnePixelColumnMakeOneVerticalLine)
{
    auto page = MakePlanePage(1, 4096);
    page->zoomFactor = 0.25; // four samples a pixel: x(n) = 15 + n div 4
    for (int n = 400; n < 480; n += 2)
        SetHigh(*page, 0, n, n + 1); // a change at every sample of columns 115 … 134
    SetHigh(*page, 0, 1000, 1003);   // one pulse inside column 265
    auto view = MakeView(*page);
    RecordingCanvas canvas(1200, 900);
    DrawRows(*page, *view, canvas, false);

    const Segments verticals = Verticals(SegmentsWith(canvas, kThin), kHigh, kLow);
    std::vector<int> xs;
    for (const LineSegment& s : verticals)
        xs.push_back(s.x1);
    std::vector<int> expected;
    for (int c = 115; c <= 134; ++c)
        expected.push_back(c);
    expected.push_back(265);
    EXPECT_EQ(xs, expected);
    // Each column ends low, so the trace never climbs between the columns.
    EXPECT_TRUE(Horizontals(SegmentsWith(canvas, kThin), kHigh).empty());
}

TEST(PlaneRows, HeavyLowLineUsesATwoPixelPen)
{
    auto page = MakePlanePage(1, 1024);
    SetHigh(*page, 0, 100, 200);
    auto view = MakeView(*page);
    RecordingCanvas canvas(1200, 900);
    DrawRows(*page, *view, canvas, true);

    const Segments wide{{x(0), kLow, x(100), kLow}, {x(200), kLow, x(1024), kLow}};
    EXPECT_EQ(SegmentsWith(canvas, kWide), wide);
    EXPECT_TRUE(Horizontals(SegmentsWith(canvas, kThin), kLow).empty());
    EXPECT_EQ(Horizontals(SegmentsWith(canvas, kThin), kHigh).size(), 1U);
    EXPECT_EQ(Verticals(SegmentsWith(canvas, kThin), kHigh, kLow).size(), 2U);
}

TEST(PlaneRows, CompareErrorsAreDrawnRedOnlyInCompareMode)
{
    auto page = MakePlanePage(1, 1024);
    SetHigh(*page, 0, 100, 200);
    for (int n = 150; n < 160; ++n)
        page->compareErrorBits.set(0, n, true);
    for (int n = 195; n < 205; ++n)
        page->compareErrorBits.set(0, n, true);
    auto view = MakeView(*page);

    RecordingCanvas single(1200, 900);
    DrawRows(*page, *view, single, false);
    EXPECT_TRUE(SegmentsWith(single, kRed).empty());

    page->runModeText = QStringLiteral("波形比較");
    RecordingCanvas compare(1200, 900);
    DrawRows(*page, *view, compare, false);
    const Segments red{{x(150), kHigh, x(160), kHigh},
                       {x(195), kHigh, x(200), kHigh},
                       {x(200), kHigh, x(200), kLow},
                       {x(200), kLow, x(205), kLow}};
    EXPECT_EQ(SegmentsWith(compare, kRed), red);
    const Segments black{{x(0), kLow, x(100), kLow},     {x(100), kHigh, x(100), kLow},
                         {x(100), kHigh, x(150), kHigh}, {x(160), kHigh, x(195), kHigh},
                         {x(205), kLow, x(1024), kLow}};
    EXPECT_EQ(SegmentsWith(compare, kThin), black);

    RecordingCanvas heavy(1200, 900);
    DrawRows(*page, *view, heavy, true);
    EXPECT_EQ(SegmentsWith(heavy, kRedWide), (Segments{{x(200), kLow, x(205), kLow}}));
}

TEST(PlaneRows, OnlyTheSamplesInsideTheWindowAreWalked)
{
    auto page = MakePlanePage(1, 262144);
    for (int n = 0; n < 262144; n += 14)
        SetHigh(*page, 0, n, n + 7); // a change every 7 samples over the whole capture
    auto view = MakeView(*page);     // ×1, scrolled to the middle
    page->scrollPosition = page->scrollMax / 2;
    RecordingCanvas canvas(1200, 900);
    DrawRows(*page, *view, canvas, false);

    const Segments all = SegmentsWith(canvas, kThin);
    int left = 1 << 30;
    int right = -(1 << 30);
    for (const LineSegment& s : all) {
        left = std::min({left, s.x1, s.x2});
        right = std::max({right, s.x1, s.x2});
    }
    EXPECT_LE(left, 0);
    EXPECT_GE(left, -1);
    EXPECT_GE(right, 1196);
    EXPECT_LE(right, 1196 + 11);
    const std::size_t verticals = Verticals(all, kHigh, kLow).size();
    EXPECT_GE(verticals, 1196U / 7);
    EXPECT_LE(verticals, 1207U / 7 + 1);
}

struct BusCase {
    const char* radix;
    int channels;
    std::vector<std::pair<int, std::uint64_t>> runs; // (first sample, value) in order
    std::vector<QString> texts;
};

TEST(PlaneRows, BusValuesDashesAndEmptyGaps)
{
    const BusCase cases[] = {
        // 10 shows "A"; a 6-pixel gap is too narrow for a 7-pixel "5" and shows "-"; 5 pixels show nothing.
        {"HEX", 4, {{0, 0}, {100, 10}, {200, 5}, {206, 6}, {211, 0}}, {"0", "A", "-", "0"}},
        {"HEX", 8, {{0, 0x3C}, {500, 0xF0}}, {"3C", "F0"}},
        {"DEC", 8, {{0, 200}, {300, 7}}, {"200", "7"}},
    };
    for (const BusCase& c : cases) {
        auto page = MakePlanePage(8, 1024);
        MakeBusRow(*page, 0, c.channels, QString::fromUtf8(c.radix));
        for (std::size_t i = 0; i < c.runs.size(); ++i) {
            const int to = i + 1 < c.runs.size() ? c.runs[i + 1].first : 1024;
            SetBusValue(*page, 0, c.channels, c.runs[i].first, to, c.runs[i].second);
        }
        auto view = MakeView(*page);
        RecordingCanvas canvas(1200, 900);
        DrawRows(*page, *view, canvas, false);
        EXPECT_EQ(TextsOf(canvas), c.texts) << c.radix << c.channels;
        for (const auto& t : canvas.texts())
            EXPECT_EQ(t.y, kHigh + 1);
    }
}

TEST(PlaneRows, BusCrossesAndTextPlaces)
{
    auto page = MakePlanePage(8, 1024);
    MakeBusRow(*page, 0, 4, QStringLiteral("HEX"));
    SetBusValue(*page, 0, 4, 100, 200, 10);
    SetBusValue(*page, 0, 4, 200, 201, 3); // changes 1 pixel apart join one cross
    SetBusValue(*page, 0, 4, 201, 300, 12);
    auto view = MakeView(*page);
    RecordingCanvas canvas(1200, 900);
    DrawRows(*page, *view, canvas, false);

    const Segments lines = SegmentsWith(canvas, kThin);
    std::set<int> crosses;
    for (const LineSegment& s : lines) {
        if (s.x1 != s.x2 && s.y1 != s.y2) {
            EXPECT_EQ(s.x2 - s.x1, 4);
            crosses.insert(s.x1 + 2);
        }
    }
    EXPECT_EQ(crosses, (std::set<int>{x(100), x(200), x(300)}));
    const auto texts = canvas.texts();
    ASSERT_EQ(texts.size(), 4U);
    EXPECT_EQ(texts[1].text, QStringLiteral("A"));
    EXPECT_EQ(texts[1].x, x(100) + (100 - 7) / 2);
    EXPECT_EQ(texts[2].text, QStringLiteral("C")); // the value after the joined change
    // The band between the crosses: top and bottom lines 2 pixels clear of each cross.
    EXPECT_NE(std::find(lines.begin(), lines.end(), LineSegment{x(100) + 2, kHigh - 1, x(200) - 2, kHigh - 1}),
              lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), LineSegment{x(100) + 2, kLow + 1, x(200) - 2, kLow + 1}),
              lines.end());
}

TEST(PlaneRows, OneBatchPerRowAndPen)
{
    auto page = MakePlanePage(3, 1024);
    for (int c = 0; c < 3; ++c)
        SetHigh(*page, c, 100 * (c + 1), 100 * (c + 2));
    auto view = MakeView(*page);
    RecordingCanvas thin(1200, 900);
    DrawRows(*page, *view, thin, false);
    EXPECT_EQ(thin.count(RecordingCanvas::Kind::Lines), 3);
    RecordingCanvas heavy(1200, 900);
    DrawRows(*page, *view, heavy, true);
    EXPECT_EQ(heavy.count(RecordingCanvas::Kind::Lines), 6);
}

} // namespace
} // namespace seiran
