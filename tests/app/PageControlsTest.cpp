// The row selection of the signal list, without a window: Shift+arrow at the edge of the rows
// shown moves the rows, elsewhere it only extends the selection.

#include "PageControls.h"
#include "render/PageView.h"
#include "render/RowLayout.h"
#include "view/PageState.h"

#include <gtest/gtest.h>

namespace seiran {
namespace {

struct ListRig {
    ListRig(int rows, int shown, int firstRow)
    {
        page.rowCount = rows;
        page.firstRow = firstRow;
        for (int r = 0; r < rows; ++r)
            page.rowChannelCount[std::size_t(r)] = 1;
        view.waveBoxHeight = signalHeaderHeight + 1 + shown * rowPitch;
        view.waveBoxWidth = 400;
        LayoutPage(page, view);
    }
    // Shift+arrow as the grid reports it: key down, the move (when there is a row to move to), key up.
    bool shiftArrow(bool down)
    {
        app::sgrSignalKeyDown(selection, true, true);
        const int gridRow = selection.end - page.firstRow + (down ? 1 : -1);
        if (gridRow >= 1 && gridRow <= view.rows.count)
            app::sgrSignalSelectCell(page, selection, gridRow);
        return app::sgrSignalKeyUp(page, view, selection);
    }
    PageState page;
    PageView view;
    app::SignalListSelection selection;
};

TEST(SignalListSelection, ShiftArrowMovesTheRowsOnlyFromTheEdge)
{
    ListRig rig(32, 16, 0);
    ASSERT_EQ(rig.view.rows.count, 16);
    app::sgrSignalMouseDown(rig.page, rig.view, rig.selection, 15); // row 15 of 32
    EXPECT_FALSE(rig.shiftArrow(true)); // onto the last row shown: a move inside the list
    EXPECT_EQ(rig.selection.bottom, 16);
    EXPECT_EQ(rig.page.firstRow, 0);
    EXPECT_TRUE(rig.shiftArrow(true)); // from the last row shown: the rows move
    EXPECT_EQ(rig.page.firstRow, 1);
    EXPECT_EQ(rig.selection.top, 15);
    EXPECT_EQ(rig.selection.bottom, 17);
    EXPECT_TRUE(app::signalGridRowSelected(rig.page, rig.selection, 16));
    EXPECT_FALSE(app::signalGridRowSelected(rig.page, rig.selection, 13));
}

TEST(SignalListSelection, ShiftUpAtTheTopStopsAtTheFirstRow)
{
    ListRig rig(32, 16, 2);
    app::sgrSignalMouseDown(rig.page, rig.view, rig.selection, 1); // row 3, the first shown
    EXPECT_TRUE(rig.selection.selectionAtTop);
    EXPECT_TRUE(rig.shiftArrow(false));
    EXPECT_TRUE(rig.shiftArrow(false));
    EXPECT_EQ(rig.page.firstRow, 0);
    EXPECT_EQ(rig.selection.top, 1);
    EXPECT_EQ(rig.selection.bottom, 3);
    EXPECT_FALSE(rig.shiftArrow(false)); // nothing above row 1
    EXPECT_EQ(rig.page.firstRow, 0);
    EXPECT_EQ(rig.selection.top, 1);
}

TEST(SignalListSelection, RowsThatAllFitNeverMove)
{
    ListRig rig(8, 16, 0);
    app::sgrSignalMouseDown(rig.page, rig.view, rig.selection, 8);
    EXPECT_FALSE(rig.selection.selectionAtBottom);
    EXPECT_FALSE(rig.shiftArrow(true));
    EXPECT_EQ(rig.page.firstRow, 0);
    // A plain move selects one row again.
    app::sgrSignalSelectCell(rig.page, rig.selection, 3);
    EXPECT_EQ(rig.selection.top, 3);
    EXPECT_EQ(rig.selection.bottom, 3);
}

} // namespace
} // namespace seiran
