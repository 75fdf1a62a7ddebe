#include "RenderFixtures.h"

#include "RecordingFrontEnd.h"
#include "render/WaveMapping.h"
#include "render/WavePopup.h"
#include "render/WaveRender.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace seiran {
namespace {

using namespace test;

TEST(Popup, BitPlaneZoomItems)
{
    const struct {
        double zoom;
        int samples;
        bool zoomIn;
        bool zoomOut;
    } cases[] = {
        {128, 262144, false, true},     {1, 262144, true, true},     {1.0 / 256, 262144, true, false},
        {1.0 / 128, 262144, true, true}, {1.0 / 8, 1024, true, false}, {1.0 / 4, 1024, true, true},
        {990, 262144, false, false},
    };
    for (const auto& c : cases) {
        auto page = MakePlanePage(8, c.samples);
        page->zoomFactor = c.zoom;
        auto view = MakeView(*page);
        PopupImgWave2Popup(*page, *view);
        const WavePopupMenu& m = view->popup;
        EXPECT_EQ(m.zoomIn.enabled, c.zoomIn) << c.zoom << " " << c.samples;
        EXPECT_EQ(m.zoomOut.enabled, c.zoomOut) << c.zoom << " " << c.samples;
        EXPECT_EQ(m.zoomIn.caption, QStringLiteral("Zoom In"));
        EXPECT_FALSE(m.center.visible);
        EXPECT_FALSE(m.vAll.visible);
    }
}

TEST(Popup, CompressedZoomItems)
{
    const struct {
        int code;
        int samples;
        bool zoomIn;
        bool zoomOut;
        bool center;
    } cases[] = {
        {32768, 262144, false, true, true}, {256, 262144, true, true, true}, {2, 262144, true, true, true},
        {1, 262144, true, false, true},     {32, 16384, true, false, true},  {64, 16384, true, true, true},
        {990, 262144, false, false, false},
    };
    for (const auto& c : cases) {
        auto page = MakeRecordPage(8, {{0, 100}}, c.samples);
        page->zoomCode = c.code;
        auto view = MakeView(*page);
        PopupImgWave2Popup(*page, *view);
        const WavePopupMenu& m = view->popup;
        EXPECT_EQ(m.zoomIn.enabled, c.zoomIn) << c.code;
        EXPECT_EQ(m.zoomOut.enabled, c.zoomOut) << c.code;
        EXPECT_EQ(m.center.enabled, c.center) << c.code;
        EXPECT_EQ(m.zoomIn.caption, QStringLiteral("ZoomIn"));
        EXPECT_EQ(m.center.caption, QStringLiteral("Center"));
        EXPECT_FALSE(m.vAll.visible);
        EXPECT_FALSE(m.vertical);
    }
    auto page = MakeRecordPage(8, {{0, 100}});
    page->zoomCode = 32768;
    EXPECT_EQ(zoomStep(*page), 128);
}

class AnalogPopup : public ::testing::Test {
protected:
    void SetUp() override
    {
        page = MakeRecordPage(8, {{0, 100}, {200, 100}});
        MakeBusRow(*page, 0, 8, QStringLiteral("Analog1"));
        view = MakeView(*page);
        RecordingCanvas canvas(1200, 900);
        RedrawPage(*page, *view, canvas, {QStringLiteral("10nS"), false, nullptr});
        ASSERT_TRUE(view->analog[0].visible);
        centre = view->analog[0].analogCentreY; // 118
    }

    std::unique_ptr<PageState> page;
    std::unique_ptr<PageView> view;
    RecordingFrontEnd frontEnd;
    int centre = 0;
};

TEST_F(AnalogPopup, ItemsActOnTheRowUnderTheMouse)
{
    imgWave2MouseDown(*view, 300, centre - 20);
    PopupImgWave2Popup(*page, *view);
    const WavePopupMenu& m = view->popup;
    EXPECT_TRUE(m.vertical);
    EXPECT_EQ(view->selectedAnalog, 0);
    EXPECT_EQ(m.zoomIn.caption, QStringLiteral("V ZoomIn"));
    EXPECT_EQ(m.zoomOut.caption, QStringLiteral("V ZoomOut"));
    EXPECT_EQ(m.center.caption, QStringLiteral("V Center"));
    EXPECT_TRUE(m.vAll.visible);
    EXPECT_TRUE(m.zoomIn.enabled);
    EXPECT_FALSE(m.zoomOut.enabled); // already at V zoom 1

    // The edges of the row are not inside it.
    imgWave2MouseDown(*view, 300, view->analog[0].analogTopY);
    PopupImgWave2Popup(*page, *view);
    EXPECT_FALSE(view->popup.vertical);

    page->analogVZoom[0] = 16;
    imgWave2MouseDown(*view, 300, centre);
    PopupImgWave2Popup(*page, *view);
    EXPECT_FALSE(view->popup.zoomIn.enabled);
    EXPECT_TRUE(view->popup.zoomOut.enabled);
}

TEST_F(AnalogPopup, VerticalZoomMovesTheValueUnderTheMouseToTheCentre)
{
    imgWave2MouseDown(*view, 300, centre - 20);
    pmnuZoomInClick(*page, *view, frontEnd, 2);
    // 20 pixels × 16384 / 8192 / zoom 1 = 40 counts.
    EXPECT_EQ(page->analogVOffset[0], -40);
    EXPECT_EQ(page->analogVZoom[0], 2);
    EXPECT_EQ(frontEnd.redrawCount(2), 1);

    pmnuCenterClick(*page, *view, frontEnd, 2); // V Center at zoom 2: 20 counts more
    EXPECT_EQ(page->analogVOffset[0], -60);
    EXPECT_EQ(page->analogVZoom[0], 2);

    pmnuZoomOutClick(*page, *view, frontEnd, 2);
    EXPECT_EQ(page->analogVOffset[0], -80);
    EXPECT_EQ(page->analogVZoom[0], 1);

    pmnuVAllClick(*page, *view, frontEnd, 2);
    EXPECT_EQ(page->analogVOffset[0], 0);
    EXPECT_EQ(page->analogVZoom[0], 1);
    EXPECT_EQ(frontEnd.redrawCount(2), 4);

    pmnuZoomOutClick(*page, *view, frontEnd, 2); // disabled at V zoom 1
    EXPECT_EQ(page->analogVOffset[0], 0);
    EXPECT_EQ(frontEnd.redrawCount(2), 4);
}

TEST(PopupActions, BitPlaneZoomKeepsTheScrollFraction)
{
    auto page = MakePlanePage(8, 262144);
    auto view = MakeView(*page);
    page->scrollPosition = 100;
    RecordingFrontEnd frontEnd;
    pmnuZoomInClick(*page, *view, frontEnd, 0);
    EXPECT_EQ(page->zoomFactor, 2.0);
    EXPECT_EQ(page->previousZoomFactor, 2.0);
    EXPECT_EQ(page->scrollPosition, 200);
    EXPECT_EQ(page->scrollMax, 16384);
    pmnuZoomOutClick(*page, *view, frontEnd, 0);
    pmnuZoomOutClick(*page, *view, frontEnd, 0);
    EXPECT_EQ(page->zoomFactor, 0.5);
    EXPECT_EQ(frontEnd.redrawCount(0), 3);

    page->zoomFactor = 128.0;
    pmnuZoomInClick(*page, *view, frontEnd, 0);
    EXPECT_EQ(page->zoomFactor, 128.0);
    EXPECT_EQ(frontEnd.redrawCount(0), 3);
}

TEST(PopupActions, CompressedZoomCentresTheSampleUnderTheMouse)
{
    std::vector<Record> records(1000, Record{0, 100});
    auto page = MakeRecordPage(8, records);
    auto view = MakeView(*page);
    ScrollToSample(*page, *view, 40000);
    imgWave2MouseDown(*view, 900, 400);
    const int underMouse = SampleAtX(*page, *view, 900);
    RecordingFrontEnd frontEnd;
    pmnuZoomInClick(*page, *view, frontEnd, 1);
    EXPECT_EQ(page->zoomCode, 512);
    EXPECT_EQ(page->previousZoomCode, 512);
    EXPECT_LE(std::abs(SampleAtX(*page, *view, ViewWidth(*view) / 2) - underMouse), 17);

    imgWave2MouseDown(*view, 100, 400);
    const int left = SampleAtX(*page, *view, 100);
    pmnuCenterClick(*page, *view, frontEnd, 1);
    EXPECT_EQ(page->zoomCode, 512);
    EXPECT_LE(std::abs(SampleAtX(*page, *view, ViewWidth(*view) / 2) - left), 17);
    EXPECT_EQ(frontEnd.redrawCount(1), 2);
}

} // namespace
} // namespace seiran
