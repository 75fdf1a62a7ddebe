// Wheel and keyboard navigation on the page's own scroll fields: zoom around a sample, scroll by
// parts of a screen, rows, and the trigger or a sample brought into the middle of the window.

#include "RenderFixtures.h"

#include "render/Navigation.h"
#include "render/WaveMapping.h"
#include "view/PageLists.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace seiran {
namespace {

using namespace test;

constexpr int kBoxWidth = 1200; // V = 1196
constexpr int kV = kBoxWidth - 4;

// A compressed page of one record per 8 samples: total samples given.
std::unique_ptr<PageState> recordPage(int samples)
{
    std::vector<Record> records;
    for (int s = 0; s < samples; s += 8)
        records.push_back({std::uint64_t((s / 8) & 1), 8});
    return MakeRecordPage(4, records, samples);
}

std::unique_ptr<PageState> pageOfKind(bool compressed, int samples)
{
    return compressed ? recordPage(samples) : MakePlanePage(4, samples);
}

// The pixel error a zoom around the pointer may leave: the bar's unit on compressed pages
// (zoomStep pixels, so half of that after rounding), two pixels on bit-plane pages.
int anchorTolerance(const PageState& page) { return page.compressed ? zoomStep(page) / 2 + 1 : 2; }

struct ZoomCase {
    bool compressed;
    int samples;
    int x;        // the pointer
    int steps;    // per turn
    int turns;
};

TEST(Navigation, ZoomAroundThePointerKeepsTheSampleUnderIt)
{
    const std::vector<ZoomCase> cases{
        {false, 262144, 300, 1, 6},  {false, 262144, 1000, -1, 6}, {false, 32768, 50, 1, 7},
        {false, 4096, 600, 2, 3},    {true, 262144, 300, 1, 6},    {true, 262144, 900, -1, 5},
        {true, 32768, 640, 1, 7},
    };
    for (const ZoomCase& c : cases) {
        auto page = pageOfKind(c.compressed, c.samples);
        auto view = MakeView(*page, kBoxWidth);
        // Somewhere in the middle of the data first.
        ASSERT_TRUE(CentreOnSample(*page, *view, c.samples / 3) || c.samples < 2000);
        for (int turn = 0; turn < c.turns; ++turn) {
            const std::int64_t anchor = SampleUnderX(*page, *view, c.x);
            const int before = ZoomListIndex(*page);
            if (!ZoomAroundX(*page, *view, c.x, c.steps))
                break;
            EXPECT_EQ(ZoomListIndex(*page), before - c.steps) << c.samples << " turn " << turn;
            // Only where the bar has room to put it there: not pinned at either end.
            if (page->scrollPosition > 0 && page->scrollPosition < page->scrollMax) {
                EXPECT_LE(std::abs(SampleX(*page, *view, anchor) - c.x), anchorTolerance(*page))
                    << (c.compressed ? "records " : "planes ") << c.samples << " turn " << turn << " zoom "
                    << ZoomComboText(*page).toStdString();
            }
        }
    }
}

TEST(Navigation, ZoomStepsWalkTheListIntoAndOutOfTheWholeView)
{
    for (const bool compressed : {false, true}) {
        auto page = pageOfKind(compressed, 262144);
        auto view = MakeView(*page, kBoxWidth);
        const int whole = int(BuildZoomList(*page).size()) - 1;
        ASSERT_TRUE(ZoomFromListIndex(*page, whole - 1)); // ×1/256
        EXPECT_TRUE(ZoomAroundX(*page, *view, 100, -1));
        EXPECT_TRUE(ShowsWholeData(*page));
        EXPECT_FALSE(ZoomAroundX(*page, *view, 100, -1)); // nothing coarser

        // A step in from the whole view goes to the coarsest zoom that no longer fits the window:
        // 262144 samples at ×1/256 take 1024 pixels and fit in 1196, at ×1/128 they do not.
        EXPECT_TRUE(ZoomAroundX(*page, *view, 100, 1));
        EXPECT_EQ(ZoomComboText(*page), QStringLiteral("×1/128")) << compressed;

        ASSERT_TRUE(ZoomFromListIndex(*page, 0)); // ×128
        EXPECT_FALSE(ZoomAroundX(*page, *view, 100, 1));

        // A zoom that is no list item (a file can hold one) steps from the nearest item.
        if (compressed)
            page->zoomCode = 300; // near ×1
        else
            page->zoomFactor = 3.0; // near ×4
        EXPECT_TRUE(ZoomAroundX(*page, *view, 100, 1));
        EXPECT_EQ(ZoomComboText(*page), compressed ? QStringLiteral("×2") : QStringLiteral("×8"));
        EXPECT_TRUE(ZoomToWholeData(*page, *view));
        EXPECT_TRUE(ShowsWholeData(*page));
        EXPECT_FALSE(view->horizontalScrollEnabled);
    }
}

struct ScrollCase {
    bool compressed;
    int samples;
    int zoomIndex; // in the page's zoom list
    bool fromWholeView; // the bar starts over, as it does when leaving "全データ"
};

// Every step of ScrollByScreens and every unit of the bar stays within one screen, and a step
// moves the picture: at the coarse bar a bit-plane page starts with at ×128 (64 units for 4.2
// million pixels) one unit alone would jump over fifty screens.
TEST(Navigation, ScrollStepsNeverJumpOverMoreThanOneScreen)
{
    const std::vector<ScrollCase> cases{
        {false, 32000, 0, true},  {false, 32000, 7, false}, {false, 262144, 0, true}, {false, 262144, 7, false},
        {false, 262144, 14, false}, {false, 4096, 2, true},  {true, 262144, 0, false}, {true, 262144, 7, false},
        {true, 262144, 14, false},
    };
    for (const ScrollCase& c : cases) {
        auto page = pageOfKind(c.compressed, c.samples);
        auto view = MakeView(*page, kBoxWidth);
        if (c.fromWholeView) {
            ASSERT_TRUE(ZoomToWholeData(*page, *view));
        }
        ASSERT_TRUE(ZoomFromListIndex(*page, c.zoomIndex));
        if (c.compressed)
            ScrollToSample(*page, *view, 0);
        else
            RescaleScroll(*page, *view);
        for (const double screens : {1.0, 0.25, -0.25, -1.0, 1.0}) {
            const bool atEnd = screens > 0 ? page->scrollPosition == page->scrollMax : page->scrollPosition == 0;
            const std::int64_t probe = SampleUnderX(*page, *view, kV / 2);
            const int before = SampleX(*page, *view, probe);
            EXPECT_EQ(ScrollByScreens(*page, *view, screens), !atEnd) << c.samples << " " << c.zoomIndex;
            const int moved = before - SampleX(*page, *view, probe);
            EXPECT_LE(std::abs(moved), kV) << c.samples << " zoom " << c.zoomIndex << " by " << screens;
            if (!atEnd) {
                EXPECT_GT(moved * screens, 0.0) << c.samples << " zoom " << c.zoomIndex << " by " << screens;
            }
        }
        KeepScrollStepsWithinScreen(*page, *view);
        const int perScreen = ScrollUnitsPerScreen(*page, *view);
        ASSERT_GE(perScreen, 4) << c.samples << " zoom " << c.zoomIndex;
        page->scrollPosition = 0;
        const std::int64_t probe = SampleUnderX(*page, *view, kV / 2);
        const int before = SampleX(*page, *view, probe);
        page->scrollPosition = std::min(page->scrollPosition + perScreen, page->scrollMax);
        EXPECT_LE(std::abs(before - SampleX(*page, *view, probe)), kV) << c.samples << " zoom " << c.zoomIndex;
    }
}

TEST(Navigation, RowsScrollInsideTheirRange)
{
    auto page = MakePlanePage(64, 1024);
    auto view = MakeView(*page, kBoxWidth, 400);
    ASSERT_GT(page->rowScrollMax, 10);
    EXPECT_TRUE(ScrollRows(*page, *view, 3));
    EXPECT_EQ(page->firstRow, 3);
    EXPECT_EQ(view->rows.rows[0].row, 3);
    EXPECT_TRUE(ScrollRows(*page, *view, 1000));
    EXPECT_EQ(page->firstRow, page->rowScrollMax);
    EXPECT_FALSE(ScrollRows(*page, *view, 1));
    EXPECT_TRUE(ScrollRows(*page, *view, -1000));
    EXPECT_EQ(page->firstRow, 0);
}

TEST(Navigation, TriggerAndSamplesComeToTheMiddle)
{
    for (const bool compressed : {false, true}) {
        auto page = pageOfKind(compressed, 262144);
        auto view = MakeView(*page, kBoxWidth);
        if (compressed)
            page->recTriggerSample = 131072;
        else
            page->triggerPosition = 131072;
        ScrollSampleToX(*page, *view, 0, 0);
        ASSERT_FALSE(SampleInView(*page, *view, 131072));
        EXPECT_TRUE(GoToTrigger(*page, *view));
        EXPECT_LE(std::abs(SampleX(*page, *view, 131072) - kV / 2), anchorTolerance(*page)) << compressed;

        EXPECT_TRUE(GoToSample(*page, *view, 200000));
        EXPECT_LE(std::abs(SampleX(*page, *view, 200000) - kV / 2), anchorTolerance(*page)) << compressed;
        // The last sample cannot come to the middle: the bar stops at its end.
        GoToSample(*page, *view, 262143);
        EXPECT_EQ(page->scrollPosition, page->scrollMax);
        EXPECT_TRUE(SampleInView(*page, *view, 262143));
    }
}

TEST(Navigation, NewCaptureRevealsATriggerOutsideTheWindowOnce)
{
    auto page = MakePlanePage(4, 262144);
    auto view = MakeView(*page, kBoxWidth);
    page->triggerPosition = 262143; // "右"
    page->hasData = false;
    page->running = true;

    bool expected = false;
    EXPECT_FALSE(RevealTriggerOfNewCapture(*page, *view, expected)); // nothing expected yet
    expected = true;
    EXPECT_FALSE(RevealTriggerOfNewCapture(*page, *view, expected)); // still running, no data
    EXPECT_TRUE(expected);
    page->running = false;
    page->hasData = true;
    EXPECT_TRUE(RevealTriggerOfNewCapture(*page, *view, expected));
    EXPECT_FALSE(expected);
    EXPECT_TRUE(SampleInView(*page, *view, 262143));

    // Once shown, the user's own scrolling is left alone.
    ScrollSampleToX(*page, *view, 0, 15);
    EXPECT_FALSE(RevealTriggerOfNewCapture(*page, *view, expected));
    EXPECT_FALSE(SampleInView(*page, *view, 262143));

    // A trigger already in view stays where it is.
    page->triggerPosition = 10;
    expected = true;
    const std::int32_t position = page->scrollPosition;
    EXPECT_FALSE(RevealTriggerOfNewCapture(*page, *view, expected));
    EXPECT_EQ(page->scrollPosition, position);
}

} // namespace
} // namespace seiran
