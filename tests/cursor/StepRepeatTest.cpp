#include "CursorFixture.h"

#include "core/Timers.h"
#include "cursor/CursorPosition.h"
#include "render/WaveMapping.h"

namespace seiran {
namespace {

using namespace test;

// Press points of the step grid: column × 25 + 5, row 0 at y = 5, row 1 at y = 30.
constexpr int kColumnX[4] = {5, 30, 55, 80};
constexpr int kRow0Y = 5;
constexpr int kRow1Y = 30;

class StepGrid : public CursorFixture {
protected:
    ClockTimer& timer() { return clock.timer(kTimMoveCursor); }
    void press(int column, int y = kRow0Y) { cursors->stepGridMouseDown(kColumnX[column], y); }
};

TEST_F(StepGrid, NoStepAndNoRepeatAtTheEnds)
{
    makePlanePage(8, 1000);
    page().cursorA = 0;
    press(1); // "<-" at 0
    EXPECT_EQ(page().cursorA, 0);
    EXPECT_FALSE(timer().isRunning());
    EXPECT_TRUE(cursors->movingCursorName().isEmpty());
    cursors->stepGridMouseUp();

    page().cursorA = 1000; // one past the last sample: the end of the range
    press(2);
    EXPECT_EQ(page().cursorA, 1000);
    EXPECT_FALSE(timer().isRunning());
    cursors->stepGridMouseUp();

    // A step that reaches the end moves but starts no repeat.
    page().cursorA = 999;
    press(2);
    EXPECT_EQ(page().cursorA, 1000);
    EXPECT_FALSE(timer().isRunning());
    cursors->stepGridMouseUp();

    page().cursorA = 500;
    press(1);
    EXPECT_EQ(page().cursorA, 499);
    EXPECT_EQ(timer().interval(), 150);
    EXPECT_EQ(cursors->movingCursorName(), QStringLiteral("A"));
    cursors->stepGridMouseUp();
    EXPECT_FALSE(timer().isRunning());
}

TEST_F(StepGrid, RowsFollowThePairAndEdgeCellsJumpWithoutRepeat)
{
    makePlanePage(8, 1000);
    setHigh(0, 200, 600);
    page().cursorB = 100;
    press(3, kRow1Y); // ">|" of row 1: B
    EXPECT_EQ(page().cursorB, 200);
    EXPECT_FALSE(timer().isRunning());
    press(3, kRow1Y);
    EXPECT_EQ(page().cursorB, 600);
    press(0, kRow1Y);
    EXPECT_EQ(page().cursorB, 200);
    cursors->stepGridMouseUp();

    cursors->pairSwitchClick(); // rows now act on C and D
    EXPECT_EQ(cursors->acCaption(0), QStringLiteral("C"));
    EXPECT_EQ(cursors->bdCaption(0), QStringLiteral("D"));
    EXPECT_EQ(cursors->pairCaption(0), QStringLiteral("CtoD"));
    page().cursorC = 700;
    press(0, kRow0Y);
    EXPECT_EQ(page().cursorC, 600);
    EXPECT_EQ(page().cursorB, 200);
    cursors->stepGridMouseUp();

    // Outside the four columns nothing happens.
    cursors->stepGridMouseDown(100, kRow0Y);
    EXPECT_EQ(page().cursorC, 600);
}

TEST_F(StepGrid, HeldButtonAcceleratesOnTheClock)
{
    makePlanePage(8, 262144);
    page().cursorA = 0;
    press(2);
    ASSERT_EQ(page().cursorA, 1);
    clock.advance(149);
    EXPECT_EQ(page().cursorA, 1) << "the first repeat waits 150 ms";
    std::vector<int> steps;
    int previous = page().cursorA;
    clock.advance(1); // tick 1 at 150 ms
    for (int tick = 1; tick <= 100; ++tick) {
        if (tick > 1)
            clock.advance(50);
        steps.push_back(page().cursorA - previous);
        previous = page().cursorA;
    }
    EXPECT_EQ(cursors->moveTickCount(), 100);
    for (int tick = 1; tick <= 100; ++tick) {
        const int expected = tick <= 25 ? 1 : (tick <= 75 ? 5 : 20);
        EXPECT_EQ(steps[std::size_t(tick - 1)], expected) << "tick " << tick;
    }
    EXPECT_EQ(clock.nowMs(), 150 + 99 * 50);
    cursors->stepGridMouseUp();
    const int stopped = page().cursorA;
    clock.advance(1000);
    EXPECT_EQ(page().cursorA, stopped);
    EXPECT_EQ(stopped, 1 + 25 + 50 * 5 + 25 * 20);
    EXPECT_EQ(page().atobText, QStringLiteral("-6.76μS")); // B 100 − A 776, at 10 nS
}

TEST_F(StepGrid, AcceleratedStepsSlowDownNearTheEnds)
{
    makePlanePage(8, 1000);
    struct Case {
        int tick;
        std::int32_t cursor;
        bool left;
        std::int32_t expected;
    };
    for (const Case& c : std::vector<Case>{
             {100, 959, false, 979},  // 20 while 40 clear of the end
             {100, 960, false, 965},  // then 5 while 10 clear
             {100, 989, false, 994},
             {100, 990, false, 991},  // within 10 of the end: 1
             {100, 999, false, 1000},
             {100, 1000, false, 1000},
             {30, 500, false, 505},
             {25, 500, false, 501},
             {76, 500, false, 520},
             {75, 500, false, 505},
             {100, 41, true, 21},
             {100, 40, true, 35},
             {100, 11, true, 6},
             {100, 10, true, 9},
             {100, 0, true, 0},
         }) {
        SCOPED_TRACE(testing::Message() << "tick " << c.tick << " cursor " << c.cursor << (c.left ? " left" : " right"));
        EXPECT_EQ(RepeatStep(page(), view(), c.tick, c.cursor, c.left), c.expected);
    }

    // Held to the end, the cursor lands exactly on it and stays.
    page().cursorA = 0;
    press(2);
    clock.advance(150 + 200 * 50);
    EXPECT_EQ(page().cursorA, 1000);
    cursors->stepGridMouseUp();
}

TEST_F(StepGrid, StepSizeIsOnePixelOfTheZoom)
{
    makePlanePage(8, 262144);
    struct Case {
        double zoom;
        std::int32_t step;
    };
    for (const Case& c : std::vector<Case>{{128, 1}, {1, 1}, {0.5, 2}, {0.0625, 16}, {0.00390625, 256}}) {
        page().zoomFactor = c.zoom;
        EXPECT_EQ(CursorStepSize(page(), view()), c.step) << c.zoom;
    }
    // The whole data over V − 45 = 1155 pixels: 226 samples a step, and one more where that would
    // leave the line on its pixel, so every press moves the line.
    page().zoomFactor = kWholeDataZoomFactor;
    EXPECT_EQ(CursorStepSize(page(), view()), 226);
    const PlaneMapping map(page(), view());
    for (std::int32_t n = 0; n < 262144 - 300; n += 3) {
        const std::int32_t moved = StepCursor(page(), view(), n, false);
        EXPECT_TRUE(moved == n + 226 || moved == n + 227) << n;
        EXPECT_NE(map.xOf(moved), map.xOf(n)) << n;
    }

    makeRecordPage(8, {{0, 5000}, {1, 5000}});
    struct CodeCase {
        std::int32_t code;
        std::int32_t step;
    };
    for (const CodeCase& c : std::vector<CodeCase>{{32768, 1}, {256, 1}, {64, 4}, {1, 256}, {990, 10000 / 1136}}) {
        page().zoomCode = c.code;
        EXPECT_EQ(CursorStepSize(page(), view()), c.step) << c.code;
    }
}

TEST_F(StepGrid, AStepRepaintsTheOverlayOnly)
{
    makePlanePage(8, 1000);
    std::vector<unsigned> refreshes;
    cursors->setListener([&](int p, unsigned what) {
        EXPECT_EQ(p, 0);
        refreshes.push_back(what);
    });
    page().cursorA = 10;
    press(2);
    clock.advance(150 + 50 * 5);
    ASSERT_FALSE(refreshes.empty());
    for (unsigned what : refreshes)
        EXPECT_EQ(what, unsigned(kRefreshOverlay));
    EXPECT_EQ(cursors->overlay(0).time[0].x, 15 + page().cursorA);
    EXPECT_EQ(frontEnd.count(RecordingFrontEnd::EventKind::RequestRedraw), 0);
    // Difference and state follow on release.
    refreshes.clear();
    cursors->stepGridMouseUp();
    unsigned all = 0;
    for (unsigned what : refreshes)
        all |= what;
    EXPECT_EQ(all, unsigned(kRefreshDifference | kRefreshState));
}

} // namespace
} // namespace seiran
