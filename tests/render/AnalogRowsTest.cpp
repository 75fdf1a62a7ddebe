#include "RenderFixtures.h"

#include "render/AnalogScale.h"
#include "render/RowLayout.h"
#include "render/WaveRender.h"

#include <gtest/gtest.h>

namespace seiran {
namespace {

using namespace test;

// A compressed 8-channel page whose only row is the 8-channel "Analog1" row.
std::unique_ptr<PageState> analogPage(const std::vector<Record>& records)
{
    auto page = MakeRecordPage(8, records);
    MakeBusRow(*page, 0, 8, QStringLiteral("Analog1"));
    return page;
}

TEST(AnalogRows, EightChannelRowNumbers)
{
    auto page = analogPage({{0, 100}});
    auto view = MakeView(*page);
    UpdateAnalogRows(*page, *view);
    const AnalogRowView& a = view->analog[0];
    ASSERT_TRUE(a.visible);
    EXPECT_EQ(a.analogMid, 128);
    EXPECT_EQ(a.analogScale, 8192);
    // Its last band's low level: 55 + 7 × 20.
    EXPECT_EQ(a.analogBottomY, 195 + 2);
    EXPECT_EQ(a.analogTopY, 195 - 160 + 4);
    EXPECT_EQ(a.analogCentreY, (39 + 197) / 2);
    EXPECT_EQ(AnalogY(a, 0, 0, 1) - AnalogY(a, 256, 0, 1), 128); // the full range at V zoom 1
    EXPECT_FALSE(view->analog[1].visible);
}

TEST(AnalogRows, ScaleNumbersByWidthAndZoom)
{
    AnalogScaleParams p;
    const struct {
        int channels;
        int vZoom;
        std::int64_t step;
    } cases[] = {
        {8, 1, 50000},  {8, 2, 20000}, // 25000 contains "25": 4/5 of it
        {8, 8, 5000},   {8, 16, 2000}, // zoom 8 divides by 10, zoom 16 by 20 (2500 → 2000)
        {6, 1, 20000},  {10, 1, 200000}, {16, 1, 10000000},
    };
    for (const auto& c : cases) {
        p.channels = c.channels;
        p.vZoom = c.vZoom;
        EXPECT_EQ(AnalogScaleStep(p), c.step) << c.channels << " " << c.vZoom;
    }
    p = AnalogScaleParams{};
    EXPECT_EQ(AnalogFirstLine(p, 50000), 0.0);
    p.minimumMicroVolts = 500; // fewer digits than minimum + span
    EXPECT_EQ(AnalogFirstLine(p, 50000), -100000.0);
    p.minimumMicroVolts = -500000; // minimum − step = −550000, one step further down
    EXPECT_EQ(AnalogFirstLine(p, 50000), -600000.0);
    p.minimumMicroVolts = 300000;
    EXPECT_EQ(AnalogFirstLine(p, 50000), 200000.0);
}

TEST(AnalogRows, VoltageLabels)
{
    EXPECT_EQ(VoltageLabel(0), QStringLiteral("0.000μV"));
    EXPECT_EQ(VoltageLabel(999), QStringLiteral("999.000μV"));
    EXPECT_EQ(VoltageLabel(50000), QStringLiteral("50.000mV"));
    EXPECT_EQ(VoltageLabel(-1500000), QStringLiteral("-1.500V"));
}

TEST(AnalogRows, SixScaleLinesOfAnEightChannelRow)
{
    auto page = analogPage({{0, 100}});
    auto view = MakeView(*page);
    UpdateAnalogRows(*page, *view);
    const AnalogRowView& a = view->analog[0];
    const std::vector<QString> labels{"0.000μV",   "50.000mV",  "100.000mV",
                                      "150.000mV", "200.000mV", "250.000mV"};
    const int values[] = {0, 50, 100, 150, 200, 250};
    ASSERT_EQ(a.scaleLineCount, 6);
    for (int i = 0; i < 6; ++i) {
        const AnalogScaleLine& line = a.scaleLines[std::size_t(i)];
        EXPECT_EQ(line.label, labels[std::size_t(i)]);
        EXPECT_EQ(line.pixelY, AnalogY(a, values[i], 0, 1));
        EXPECT_DOUBLE_EQ(line.y, 118.0 - (values[i] - 128) / 2.0);
    }

    RecordingCanvas canvas(1200, 900);
    DrawAnalogScale(*page, a, canvas, 1196);
    const auto texts = canvas.texts();
    ASSERT_EQ(texts.size(), 6U);
    EXPECT_EQ(texts[1].x, 25);
    EXPECT_EQ(texts[1].y, a.scaleLines[1].pixelY - 5);
    const Segments lines = SegmentsWith(canvas, {kGridGrey, 1, true});
    ASSERT_EQ(lines.size(), 6U);
    EXPECT_EQ(lines[0], (LineSegment{32 + 30, 182, 1196, 182}));
}

TEST(AnalogRows, ZoomedScaleKeepsOnlyLinesInsideTheRow)
{
    auto page = analogPage({{0, 100}});
    page->analogVZoom[0] = 4;
    page->analogVOffset[0] = -40;
    auto view = MakeView(*page);
    UpdateAnalogRows(*page, *view);
    const AnalogRowView& a = view->analog[0];
    EXPECT_GT(a.scaleLineCount, 2);
    for (int i = 0; i < a.scaleLineCount; ++i) {
        EXPECT_GE(a.scaleLines[std::size_t(i)].pixelY, a.analogTopY);
        EXPECT_LE(a.scaleLines[std::size_t(i)].pixelY, a.analogBottomY);
    }
}

TEST(AnalogRows, CurveThroughTheRecordStartsBrokenOutsideTheRow)
{
    auto page = analogPage({{0, 100}, {255, 100}, {128, 100}});
    auto view = MakeView(*page);
    UpdateAnalogRows(*page, *view);
    const AnalogRowView& a = view->analog[0];
    RecordingCanvas canvas(1200, 900);
    DrawRecordRows(*page, *view, canvas, kBlack, false, false);
    const Segments curve = SegmentsWith(canvas, {kBlack, 1, false});
    const int y0 = int(AnalogY(a, 0, 0, 1));
    const int y255 = int(AnalogY(a, 255, 0, 1));
    const int y128 = int(AnalogY(a, 128, 0, 1));
    EXPECT_EQ(curve, (Segments{{32, y0, 132, y255}, {132, y255, 232, y128}, {232, y128, 332, y128}}));

    // Zoomed so far that the low values leave the row: no stroke crosses its bounds.
    page->analogVZoom[0] = 8;
    UpdateAnalogRows(*page, *view);
    RecordingCanvas zoomed(1200, 900);
    DrawRecordRows(*page, *view, zoomed, kBlack, false, false);
    const Segments inside = SegmentsWith(zoomed, {kBlack, 1, false});
    EXPECT_EQ(inside.size(), 1U); // only the flat end at the middle value
    for (const LineSegment& s : inside) {
        EXPECT_GE(std::min(s.y1, s.y2), view->analog[0].analogTopY);
        EXPECT_LE(std::max(s.y1, s.y2), view->analog[0].analogBottomY);
    }
}

} // namespace
} // namespace seiran
