#include "CursorFixture.h"

#include "cursor/CursorOverlay.h"
#include "cursor/VoltCursors.h"
#include "render/AnalogScale.h"
#include "render/RecordingCanvas.h"
#include "render/WaveMapping.h"
#include "render/WaveRender.h"

#include <algorithm>
#include <set>

namespace seiran {
namespace {

using namespace test;

const Pen kTracePen{kBlack, 1, false};

class Overlay : public CursorFixture {
protected:
    // Redraws page 0 (no heavy low line) and returns the x of every single-wire transition of
    // the first row.
    std::set<int> drawnTransitions(const RedrawHooks& hooks = {})
    {
        canvas.clear();
        RedrawPage(page(), view(), canvas, {QStringLiteral("10nS"), false, &state.log}, hooks);
        std::set<int> xs;
        for (const auto& s : canvas.segments()) {
            if (s.pen == kTracePen && s.line.x1 == s.line.x2 && std::min(s.line.y1, s.line.y2) == 43
                && std::max(s.line.y1, s.line.y2) == 55)
                xs.insert(s.line.x1);
        }
        return xs;
    }
    const TimeCursorItem& item(TimeCursor c) { return cursors->overlay(0).time[std::size_t(c)]; }
    // Moves B and C onto the first two edges of channel 0 with the step grid's ">|".
    void jumpBAndC()
    {
        page().cursorB = 0;
        page().cursorC = page().cursorB;
        cursors->stepGridMouseDown(80, 30); // ">|" of row 1 (B)
        cursors->stepGridMouseUp();
        page().cursorC = page().cursorB;
        cursors->pairSwitchClick();
        cursors->stepGridMouseDown(80, 5); // ">|" of row 0 (now C)
        cursors->stepGridMouseUp();
        cursors->pairSwitchClick();
    }

    RecordingCanvas canvas{1204, 900};
};

TEST_F(Overlay, LinesStandOnTheDrawnTransitionsAtEveryZoom)
{
    makePlanePage(4, 4000);
    setHigh(0, 150, 260);
    for (double zoom : {4.0, 1.0, 0.25, kWholeDataZoomFactor}) {
        SCOPED_TRACE(zoom);
        page().zoomFactor = zoom;
        layOut();
        jumpBAndC();
        ASSERT_EQ(page().cursorB, 150);
        ASSERT_EQ(page().cursorC, 260);
        EXPECT_EQ(drawnTransitions(), (std::set<int>{item(TimeCursor::B).x, item(TimeCursor::C).x}));
        EXPECT_TRUE(item(TimeCursor::B).lineVisible);
    }

    makeRecordPage(4, {{0, 150}, {1, 110}, {0, 3740}});
    for (int code : {1024, 256, 64, kWholeDataZoomCode}) {
        SCOPED_TRACE(code);
        page().zoomCode = code;
        ScrollToSample(page(), view(), 200);
        jumpBAndC();
        ASSERT_EQ(page().cursorB, 150);
        ASSERT_EQ(page().cursorC, 260);
        EXPECT_EQ(drawnTransitions(), (std::set<int>{item(TimeCursor::B).x, item(TimeCursor::C).x}));
    }
}

TEST_F(Overlay, LinesShowFromTenPixelsLeftToTheRightEdge)
{
    makePlanePage(4, 262144);
    page().scrollMax = 8192;
    page().scrollPosition = 4096;
    layOut();
    const int x0 = PlaneMapping(page(), view()).xOf(0);
    const int v = ViewWidth(view());
    page().cursorA = -10 - x0;
    page().cursorB = -11 - x0;
    page().cursorC = v - x0;
    page().cursorD = v + 1 - x0;
    cursors->placeCursorLines(0);
    const std::vector<std::pair<TimeCursor, int>> expected{
        {TimeCursor::A, -10}, {TimeCursor::B, -11}, {TimeCursor::C, v}, {TimeCursor::D, v + 1}};
    for (const auto& [cursor, x] : expected) {
        EXPECT_EQ(item(cursor).x, x);
        const bool shown = x >= -10 && x <= v;
        EXPECT_EQ(item(cursor).lineVisible, shown) << x;
        EXPECT_EQ(item(cursor).tagVisible, shown) << x;
    }
    EXPECT_EQ(item(TimeCursor::A).tag, (OverlayRect{-13, 4, kTimeTagWidth, kTagHeight}));
}

TEST_F(Overlay, PaintsLinesAndTagsInTheirColours)
{
    makePlanePage(4, 1000);
    cursors->placeCursorLines(0);
    cursors->setFindMark(true);
    drawCursorOverlay(canvas, cursors->overlay(0));
    const std::vector<std::pair<int, Rgb>> lines{
        {15, Rgb{0, 0, 255}}, {115, Rgb{128, 0, 0}}, {315, Rgb{255, 0, 0}}, {415, Rgb{0, 255, 0}}};
    const auto segments = canvas.segments();
    ASSERT_EQ(segments.size(), lines.size()); // no voltage lines on a bit-plane page
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(segments[i].line, (LineSegment{lines[i].first, 38, lines[i].first, 38 + 1281}));
        EXPECT_EQ(segments[i].pen, (Pen{lines[i].second, 1, false}));
    }
    const auto texts = canvas.texts();
    ASSERT_EQ(texts.size(), 5U); // B twice: bold after a find hit
    EXPECT_EQ(texts[0].text, QStringLiteral("A"));
    EXPECT_EQ(texts[0].x, 12);
    EXPECT_EQ(texts[0].y, 4);
    EXPECT_EQ(texts[2].text, QStringLiteral("B"));
    EXPECT_EQ(texts[2].x, 113);
    EXPECT_EQ(texts[2].colour, (Rgb{128, 0, 0}));

    // A step press ends the bold mark.
    cursors->stepGridMouseDown(30, 5);
    cursors->stepGridMouseUp();
    EXPECT_FALSE(item(TimeCursor::B).tagBold);
}

TEST_F(Overlay, RedrawPassPlacesLinesAndPaintsThemOnlyIntoPictures)
{
    makeRecordPage(4, {{0, 500}, {1, 500}});
    page().cursorD = 5000; // beyond the capture: the redraw limits it to the sample total
    RedrawHooks screen;
    screen.drawCursorLines = cursors->redrawPass(0, false);
    drawnTransitions(screen);
    EXPECT_EQ(page().cursorD, 1000);
    EXPECT_EQ(item(TimeCursor::D).x, CompressedSampleX(page(), view(), 1000));
    for (const auto& s : canvas.segments()) {
        for (const TimeCursorInfo& info : kTimeCursors)
            EXPECT_NE(s.pen.colour, info.colour) << "no cursor line in the kept picture";
    }

    RedrawHooks picture;
    picture.drawCursorLines = cursors->redrawPass(0, true);
    drawnTransitions(picture);
    const auto segments = canvas.segments();
    const auto dLine = std::find_if(segments.begin(), segments.end(), [&](const auto& s) {
        return s.pen.colour == kCursorLime && s.line.x1 == item(TimeCursor::D).x;
    });
    EXPECT_NE(dLine, segments.end());
}

TEST_F(Overlay, HitTestPrefersTagsAndSkipsHiddenItems)
{
    makePlanePage(4, 1000);
    page().cursorB = 5; // line B at 20, tag A spans 12 … 20
    cursors->placeCursorLines(0);
    const CursorOverlay& overlay = cursors->overlay(0);
    EXPECT_EQ(HitTestCursorOverlay(overlay, 20, 8), (OverlayHit{OverlayItemKind::TimeTag, 0}));
    EXPECT_EQ(HitTestCursorOverlay(overlay, 20, 200), (OverlayHit{OverlayItemKind::TimeLine, 1}));
    EXPECT_EQ(HitTestCursorOverlay(overlay, 317, 200), (OverlayHit{OverlayItemKind::TimeLine, 2}));
    EXPECT_FALSE(HitTestCursorOverlay(overlay, 318, 200));
    EXPECT_FALSE(HitTestCursorOverlay(overlay, 315, 20)) << "above the line, right of its tag";
    EXPECT_FALSE(HitTestCursorOverlay(overlay, 5, 100 + 2)) << "hidden voltage items";
}

class Drag : public Overlay {};

TEST_F(Drag, LineDragShowsTheLiveDifferenceAndSnapsToOtherLines)
{
    makePlanePage(4, 1000);
    cursors->setUpPage(0);
    ASSERT_EQ(cursors->differenceText(0), QStringLiteral("1μS"));
    ASSERT_TRUE(cursors->dragStart({OverlayItemKind::TimeLine, 1})); // B at x 115
    EXPECT_EQ(cursors->movingCursorName(), QStringLiteral("B"));
    EXPECT_FALSE(item(TimeCursor::B).tagVisible);
    cursors->dragOver(215, 300);
    EXPECT_EQ(item(TimeCursor::B).x, 215);
    EXPECT_EQ(cursors->differenceText(0), QStringLiteral("2μS"));
    EXPECT_EQ(page().atobText, QStringLiteral("1μS")) << "atobText waits for the drop";
    EXPECT_EQ(page().cursorB, 100);
    cursors->dragOver(317, 300); // near C's line at 315
    EXPECT_EQ(item(TimeCursor::B).x, 315);
    EXPECT_EQ(cursors->differenceText(0), QStringLiteral("3μS"));
    cursors->dragEnd();
    EXPECT_EQ(page().cursorB, 300);
    EXPECT_EQ(page().atobText, QStringLiteral("3μS"));
    EXPECT_TRUE(item(TimeCursor::B).tagVisible);
    EXPECT_TRUE(cursors->movingCursorName().isEmpty());
}

TEST_F(Drag, TagDragMovesByItsLineAndOtherPairsLeaveTheField)
{
    makePlanePage(4, 1000);
    page().zoomFactor = 4.0;
    layOut();
    cursors->setUpPage(0);
    ASSERT_TRUE(cursors->dragStart({OverlayItemKind::TimeTag, 0})); // A's tag at 12
    EXPECT_EQ(cursors->movingCursorName(), QStringLiteral("nameA"));
    cursors->dragOver(55, 8);
    EXPECT_EQ(item(TimeCursor::A).x, 55);
    EXPECT_EQ(cursors->differenceText(0), QStringLiteral("900nS")); // B 100 − A 10
    cursors->dragEnd();
    EXPECT_EQ(page().cursorA, 10);

    // C is not in the pair shown: its drag leaves the field as it is.
    ASSERT_TRUE(cursors->dragStart({OverlayItemKind::TimeLine, 2}));
    cursors->dragOver(15, 300);
    EXPECT_EQ(cursors->differenceText(0), QStringLiteral("900nS"));
    cursors->dragEnd();
    EXPECT_EQ(page().cursorC, 0);
    // Dragged far past the start of the data, the cursor stops at 0.
    ASSERT_TRUE(cursors->dragStart({OverlayItemKind::TimeLine, 3}));
    cursors->dragOver(-5000, 300);
    cursors->dragEnd();
    EXPECT_EQ(page().cursorD, 0);
    EXPECT_FALSE(cursors->dragStart({OverlayItemKind::VoltLine, 0}));
}

TEST_F(Drag, DoubleClickBringsTheCursorIntoTheWindow)
{
    makePlanePage(4, 262144);
    page().scrollMax = 8192;
    page().scrollPosition = 2000;
    layOut();
    cursors->acLabelDoubleClick();
    EXPECT_EQ(item(TimeCursor::A).x, 65);
    EXPECT_EQ(page().atobText, cursors->differenceText(0));

    makeRecordPage(4, {{0, 100000}, {1, 100000}});
    page().zoomCode = 64; // 4 samples a pixel
    ScrollToSample(page(), view(), 150000);
    cursors->bdLabelDoubleClick();
    EXPECT_EQ(item(TimeCursor::B).x, 80);
    EXPECT_EQ(page().cursorB, SampleAtX(page(), view(), 80));
}

TEST_F(Drag, MouseDownOnALineKeepsThePointForThePopup)
{
    makeRecordPage(4, {{0, 1000}, {1, 1000}});
    page().cursorA = 600;
    cursors->placeCursorLines(0);
    cursors->overlayMouseDown({OverlayItemKind::TimeLine, 0}, 250);
    EXPECT_EQ(view().lastMouseX, item(TimeCursor::A).x);
    EXPECT_EQ(view().lastMouseY, 250);
    EXPECT_EQ(SampleAtX(page(), view(), view().lastMouseX), 600);
}

class VoltCursors : public Overlay {
protected:
    // Compressed page: row 0 an 8-channel "Analog1" row, then 8 single wires; drawn once so that
    // the analog layout is known.
    void makeAnalogPage(int vZoom)
    {
        std::vector<RecordRun> runs;
        for (int i = 0; i < 256; ++i)
            runs.push_back({std::uint64_t(i), 4});
        makeRecordPage(16, runs);
        PageState& p = page();
        p.rowChannelCount[0] = 8;
        p.rowRadix[0] = QStringLiteral("Analog1");
        for (int r = 1; r < kMaxRows; ++r) {
            p.rowChannelCount[std::size_t(r)] = r <= 8 ? 1 : 0;
            p.rowRadix[std::size_t(r)] = r <= 8 ? QStringLiteral("HEX") : QString();
        }
        p.rowCount = 9;
        p.analogCount = 1;
        p.analogVZoom[0] = vZoom;
        layOut();
        drawnTransitions();
        ASSERT_TRUE(view().analog[0].visible);
    }
    const VoltCursorItem& volt(int i) { return cursors->overlay(0).volt[std::size_t(i)]; }
};

TEST_F(VoltCursors, LinesFollowTheAnalogTraceAndTheReadoutTravelsInTheName)
{
    makeAnalogPage(1);
    cursors->placeCursorLines(0);
    const AnalogRowView& a = view().analog[0];
    EXPECT_EQ(volt(0).y, a.analogCentreY - 63); // (255 − 128) × 8192 div 16384
    EXPECT_EQ(volt(1).y, a.analogCentreY + 64);
    EXPECT_EQ(volt(0).left, 32 + 30);
    EXPECT_TRUE(volt(0).lineVisible && volt(1).lineVisible);
    EXPECT_EQ(volt(0).tag, (OverlayRect{5, volt(0).y - 6, kVoltTagWidth, kTagHeight}));
    EXPECT_FALSE(volt(2).lineVisible || volt(3).lineVisible) << "no Analog2 row";
    EXPECT_EQ(page().signalName[0], QStringLiteral("CH0\r\nV1=\r\n　255.000mV\r\nV2=\r\n　0.000μV\r\nV1-V2=\r\n　255.000mV"));
    EXPECT_EQ(BareSignalName(page().signalName[0]), QStringLiteral("CH0"));

    page().analogMinimumMicroVolts[0] = 1000000.0f;
    cursors->placeCursorLines(0);
    EXPECT_EQ(page().signalName[0], QStringLiteral("CH0\r\nV1=\r\n　1.255V\r\nV2=\r\n　1.000V\r\nV1-V2=\r\n　255.000mV"));
}

TEST_F(VoltCursors, DroppedBelowTheRowKeepsTheLastLevelInsideIt)
{
    makeAnalogPage(2); // one count a pixel; levels below 49 lie under the row
    page().voltCursor1 = 150;
    cursors->placeCursorLines(0);
    const AnalogRowView& a = view().analog[0];
    const int y0 = volt(0).y;
    ASSERT_TRUE(volt(0).tagVisible);
    ASSERT_TRUE(cursors->dragStart({OverlayItemKind::VoltTag, 0}));
    EXPECT_EQ(cursors->movingCursorName(), QStringLiteral("nameV1"));
    int lastInsideY = y0;
    for (int y = y0 + 10; y < a.analogBottomY + 60; y += 10) {
        cursors->dragOver(300, y);
        EXPECT_EQ(volt(0).y, y);
        if (y <= a.analogBottomY)
            lastInsideY = y;
        const std::int32_t live = std::max(150 - (y - y0), 0);
        EXPECT_TRUE(page().signalName[0].contains(VoltageLabel(live * 1000.0))) << y;
    }
    EXPECT_EQ(page().voltCursor1, 150) << "the level changes on the drop";
    cursors->dragEnd();
    EXPECT_EQ(page().voltCursor1, 150 - (lastInsideY - y0));
    EXPECT_GE(page().voltCursor1, 49);
    EXPECT_TRUE(volt(0).lineVisible);
    EXPECT_LE(volt(0).y, a.analogBottomY);

    // Dropped inside the row, the level is the one under the mouse.
    ASSERT_TRUE(cursors->dragStart({OverlayItemKind::VoltTag, 0}));
    cursors->dragOver(300, volt(0).y - 30);
    cursors->dragEnd();
    EXPECT_EQ(page().voltCursor1, 150 - (lastInsideY - y0) + 30);
}

} // namespace
} // namespace seiran
