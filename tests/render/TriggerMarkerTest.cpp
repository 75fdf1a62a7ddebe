// The trigger's mark on the time axis: where it stands on both kinds of page, and when it is left out.

#include "RenderFixtures.h"

#include "render/Navigation.h"
#include "render/TimeAxis.h"
#include "render/WaveMapping.h"
#include "render/WaveRender.h"

#include <gtest/gtest.h>

namespace seiran {
namespace {

using namespace test;

const Pen kMarkerPen{kTriggerMarkerColour, 1, false};

// The marker's rows, top to bottom: widest at the top, one pixel at the tip above the grid.
Segments expectedMarker(int x)
{
    Segments rows;
    for (int k = 0; k < kTriggerMarkerHeight; ++k) {
        const int half = kTriggerMarkerHeight - 1 - k;
        const int y = cursorLineTop - kTriggerMarkerHeight + k;
        rows.push_back({x - half, y, x + half, y});
    }
    return rows;
}

TEST(TriggerMarker, StandsOnTheTriggerSampleOfBothKindsOfPage)
{
    auto plane = MakePlanePage(4, 32768);
    plane->triggerPosition = 16384; // "中央"
    auto view = MakeView(*plane);
    ASSERT_TRUE(GoToTrigger(*plane, *view));
    RecordingCanvas canvas(1200, 900);
    DrawTimeAxis(*plane, *view, canvas, QStringLiteral("10nS"));
    const int x = PlaneMapping(*plane, *view).xOf(16384);
    EXPECT_EQ(SegmentsWith(canvas, kMarkerPen), expectedMarker(x));

    auto records = MakeRecordPage(4, {{0, 100}, {1, 100}, {0, 100}});
    records->recTriggerSample = 100;
    auto recordView = MakeView(*records);
    ScrollToSample(*records, *recordView, 150);
    RecordingCanvas recordCanvas(1200, 900);
    DrawTimeAxis(*records, *recordView, recordCanvas, QStringLiteral("10nS"));
    EXPECT_EQ(SegmentsWith(recordCanvas, kMarkerPen), expectedMarker(CompressedSampleX(*records, *recordView, 100)));
}

TEST(TriggerMarker, LeftOutWithoutDataAndOutsideTheWindow)
{
    auto page = MakePlanePage(4, 32768);
    page->triggerPosition = 16384;
    auto view = MakeView(*page);
    ScrollSampleToX(*page, *view, 0, waveLeftMargin); // the trigger lies far right of the window
    RecordingCanvas canvas(1200, 900);
    DrawTimeAxis(*page, *view, canvas, QStringLiteral("10nS"));
    EXPECT_TRUE(SegmentsWith(canvas, kMarkerPen).empty());

    GoToTrigger(*page, *view);
    page->hasData = false;
    canvas.clear();
    DrawTimeAxis(*page, *view, canvas, QStringLiteral("10nS"));
    EXPECT_TRUE(SegmentsWith(canvas, kMarkerPen).empty());
}

} // namespace
} // namespace seiran
