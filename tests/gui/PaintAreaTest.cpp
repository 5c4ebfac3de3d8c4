// Painting only what was invalidated: a window paints the union of the areas invalidated since
// its last paint and keeps its other pixels; a grid draws only the cells in that area, after its
// lines, so a cell may draw over the lines at its edges. And the nearest colour a monochrome
// device shows.
#include "GridTestSupport.h"

#include "platform/gui/Graphics.h"
#include "platform/gui/Grids.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

// Paints its whole client area in one colour and notes the clip box of each paint.
class TColourPad : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    TColor Fill = clRed;
    TRect LastClip;

protected:
    void Paint() override {
        LastClip = Canvas()->ClipRect();
        Canvas()->Brush()->SetColor(Fill);
        Canvas()->FillRect(ClientRect());
    }
};

class PaintAreaTest : public TBlankFormTest {};

TEST_F(PaintAreaTest, OnlyTheInvalidatedAreasArePaintedAgain) {
    auto* pad = Make<TColourPad>(10, 10, 100, 80);
    Application->ProcessMessages();
    pad->Repaint();
    ASSERT_EQ(pad->Canvas()->Pixels(50, 50), clRed);
    pad->Fill = clBlue;
    const TRect first{10, 10, 20, 20};
    const TRect second{60, 50, 70, 60};
    InvalidateRect(pad->Handle(), &first, false);
    InvalidateRect(pad->Handle(), &second, false);
    pad->Update();
    EXPECT_EQ(pad->LastClip, (TRect{10, 10, 70, 60}));
    EXPECT_EQ(pad->Canvas()->Pixels(15, 15), ColorToRGB(clBlue));
    EXPECT_EQ(pad->Canvas()->Pixels(65, 55), ColorToRGB(clBlue));
    // Between the two areas and outside them the old pixels stay.
    EXPECT_EQ(pad->Canvas()->Pixels(40, 35), ColorToRGB(clRed));
    EXPECT_EQ(pad->Canvas()->Pixels(90, 70), ColorToRGB(clRed));
    // A whole invalidation paints everything, without a clip left from before.
    pad->Invalidate();
    pad->Update();
    EXPECT_EQ(pad->LastClip, (TRect{0, 0, 100, 80}));
    EXPECT_EQ(pad->Canvas()->Pixels(90, 70), ColorToRGB(clBlue));
}

TEST(PaintAreaGridTest, AGridDrawsOnlyTheCellsInTheAreaAndCellsMayDrawOnTheirLines) {
    TForm* form = nullptr;
    auto* grid = MakeEditingGrid<TDrawGrid>(form);
    std::set<std::pair<int, int>> drawn;
    grid->OnDrawCell = [&](TObject*, int col, int row, TRect rect, TGridDrawState) {
        drawn.insert({col, row});
        // An edge on the line to the right of the cell.
        grid->Canvas()->Pen()->SetColor(clRed);
        grid->Canvas()->MoveTo(rect.Right, rect.Top);
        grid->Canvas()->LineTo(rect.Right, rect.Bottom);
    };
    Application->ProcessMessages();
    grid->Repaint();
    const TRect cell = grid->CellRect(2, 2);
    EXPECT_EQ(grid->Canvas()->Pixels(cell.Right, cell.Top + 5), ColorToRGB(clRed));
    drawn.clear();
    grid->InvalidateCell(2, 2);
    grid->Update();
    EXPECT_EQ(drawn, (std::set<std::pair<int, int>>{{2, 2}}));
    delete form;
}

TEST(NearestColorTest, AMonochromeBitmapShowsBlackOrWhite) {
    TBitmap mono;
    mono.SetMonochrome(true);
    mono.SetSize(4, 4);
    const HDC dc = mono.Canvas()->Handle();
    EXPECT_EQ(GetNearestColor(dc, RGB(200, 200, 200)), RGB(255, 255, 255));
    EXPECT_EQ(GetNearestColor(dc, RGB(40, 0, 90)), RGB(0, 0, 0));
    TBitmap colour;
    colour.SetSize(4, 4);
    EXPECT_EQ(GetNearestColor(colour.Canvas()->Handle(), RGB(200, 100, 50)), RGB(200, 100, 50));
}

} // namespace
