#include "RenderFixtures.h"

#include "render/RowLayout.h"

#include <gtest/gtest.h>

namespace seiran {
namespace {

using namespace test;

TEST(Layout, RowsThatFitUnderTheHeader)
{
    auto page = MakePlanePage(64, 1024);
    const struct {
        int height;
        int rows;
    } cases[] = {{59, 0}, {60, 1}, {900, 43}, {2000, 64}};
    for (const auto& c : cases)
        EXPECT_EQ(LayoutRows(*page, c.height).count, c.rows) << c.height;

    const RowLayout layout = LayoutRows(*page, 900);
    for (int v = 0; v < layout.count; ++v) {
        const VisibleRow& row = layout.rows[std::size_t(v)];
        EXPECT_EQ(row.row, v);
        EXPECT_EQ(row.firstChannel, v);
        EXPECT_EQ(row.highY, v * 20 + 43);
        EXPECT_EQ(row.lowY, v * 20 + 55);
        EXPECT_EQ(row.gridHeight, 19);
    }
}

TEST(Layout, ScrollMaximumAndFirstRowFollowTheHeight)
{
    auto page = MakePlanePage(64, 1024);
    page->firstRow = 30;
    auto view = MakeView(*page, 1200, 900);
    EXPECT_EQ(page->rowScrollMax, 64 - 43);
    EXPECT_EQ(page->firstRow, 21); // a taller list shows rows that were scrolled past
    EXPECT_EQ(view->rows.count, 43);
    EXPECT_EQ(view->rows.rows[0].row, 21);
    EXPECT_EQ(view->rows.rows[42].row, 63);
}

TEST(Layout, AnalogRowsTakeOneBandPerChannel)
{
    auto page = MakeRecordPage(16, {{0, 100}});
    // Rows: CH0, an 8-channel "Analog1" from channel 1, then single wires from channel 9.
    page->rowChannelCount[1] = 8;
    page->rowRadix[1] = QStringLiteral("Analog1");
    for (int r = 2; r < kMaxRows; ++r)
        page->rowChannelCount[std::size_t(r)] = r < 9 ? 1 : 0;
    page->rowCount = 9;
    page->analogCount = 1;

    const RowLayout layout = LayoutRows(*page, 900);
    ASSERT_EQ(layout.count, 9);
    EXPECT_EQ(layout.rows[1].firstChannel, 1);
    EXPECT_TRUE(layout.rows[1].analog);
    EXPECT_EQ(layout.rows[1].gridHeight, 8 * 20 - 1);
    EXPECT_EQ(layout.rows[1].lowY, 20 + 55 + 140);
    EXPECT_EQ(layout.rows[2].firstChannel, 9);
    EXPECT_EQ(layout.rows[2].highY, 40 + 43 + 140);
    EXPECT_EQ(RowPixels(*page, 1), 160);

    // The analog row only fits whole.
    EXPECT_EQ(LayoutRows(*page, 40 + 20 + 159).count, 1);
    EXPECT_EQ(LayoutRows(*page, 40 + 20 + 160).count, 2);
}

} // namespace
} // namespace seiran
