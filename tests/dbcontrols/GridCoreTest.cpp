// The data-aware grid's drawing and layout over a real table: check boxes in both styles, the
// 3-D cell edges, texts on colours the device cannot show, the scroll bar's proportional
// position, rows moved by their pixels when the dataset scrolls, the height fitted to the rows
// at design time and the title font following the parent's.
#include "tests/db/DataSetFixture.h"
#include "tests/gui/GuiTestSupport.h"

#include "dbcontrols/ControlTexts.h"
#include "dbcontrols/DataSetParts.h"
#include "dbcontrols/GridCore.h"
#include "platform/rtl/ScopeGuard.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

// Draws the PAID column as check boxes and every cell's 3-D edges, as the published grid does,
// and counts the cells drawn per row.
class TCoreGrid : public TdwCustomDBGrid {
public:
    using TdwCustomDBGrid::TdwCustomDBGrid;

    bool CheckBoxes = false;
    bool Borders = false;
    std::map<int, int> DrawnRows;
    int AttachedHides = 0;

    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override {
        ++DrawnRows[ARow];
        TdwCustomDBGrid::DrawCell(ACol, ARow, ARect, AState);
        const int dataRow = DataRowOf(ARow);
        TField* field = Fields(DataColumnOf(ACol));
        if (CheckBoxes && field && field->FieldName() == "PAID" && dataRow >= 0 &&
            dataRow < DataLink()->RecordCount()) {
            const int old = DataLink()->ActiveRecord();
            DataLink()->SetActiveRecord(dataRow);
            const bool checked = field->AsBoolean();
            DataLink()->SetActiveRecord(old);
            DrawCheckBox(ARect, ACol, checked, ARow);
        }
        if (Borders) DrawCellBorders(ACol, ARow, ARect, AState);
    }
    void HideAttachedControl() override { ++AttachedHides; }
    // The rows of a multi-selection.
    std::set<int> SelectedRows;
    bool IsRowSelected(int DataRow) override { return SelectedRows.count(DataRow) > 0; }
};

class DwGridCoreTest : public DataSetFixture {
protected:
    void SetUp() override {
        DataSetFixture::SetUp();
        ResetKeyState();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 600, 320);
        form->Show();
    }
    void TearDown() override {
        delete form;
        table.reset();
        DataSetFixture::TearDown();
    }

    // A grid of the given size over LOANS.DBF with the names, the second and third paid.
    void Open(const std::vector<std::string>& names, int height = 200,
              TTableType type = ttDefault) {
        std::vector<std::pair<std::string, double>> rows;
        for (std::size_t i = 0; i < names.size(); ++i)
            rows.emplace_back(names[i], static_cast<double>(i + 1));
        MakeLoans("LOANS.DBF", rows);
        table = std::make_unique<TdwTable>(nullptr);
        table->SetDatabaseName(folder_.Path() + "/");
        table->SetTableName("LOANS.DBF");
        table->SetTableType(type);
        table->SetIndexName("NAME");
        table->Open();
        for (int i : {1, 2}) {
            table->First();
            table->MoveBy(i);
            table->Edit();
            table->FieldByName("PAID")->SetAsBoolean(true);
            table->Post();
        }
        table->First();
        source_.SetDataSet(table.get());
        grid = PlaceControl<TCoreGrid>(form, form, 0, 0, 560, height);
        grid->SetDataSource(&source_);
    }

    // The grid's pixels after a whole repaint.
    TColor Pixel(int x, int y) { return grid->Canvas()->Pixels(x, y); }
    void Repaint() {
        grid->Repaint();
        Application->ProcessMessages();
    }
    TRect PaidCell(int row) { return grid->CellRect(4, row); }
    // The top-left corner of the check box in a cell.
    TPoint Box(const TRect& cell) {
        return {cell.Left + (cell.Width() - 10) / 2, cell.Top + (cell.Height() - 10) / 2};
    }
    std::string Name() { return table->FieldByName("NAME")->AsString(); }

    std::unique_ptr<TdwTable> table;
    TForm* form = nullptr;
    TCoreGrid* grid = nullptr;
};

const TColor kWhite = ColorToRGB(clWhite);
const TColor kGray = ColorToRGB(clBtnShadow);

TEST_F(DwGridCoreTest, FieldsAreFoundByColumnWithinTheShownOnes) {
    Open({"ADAMS", "BAKER"});
    ASSERT_GT(grid->FieldCount(), 0);
    EXPECT_EQ(grid->Fields(0), table->Fields(0));
    EXPECT_EQ(grid->Fields(grid->FieldCount() - 1), table->Fields(grid->FieldCount() - 1));
    EXPECT_EQ(grid->Fields(grid->FieldCount()), nullptr) << "one past the last column";
    EXPECT_EQ(grid->Fields(-1), nullptr);
}

TEST_F(DwGridCoreTest, FlatCheckBoxesShowACheckMarkOnlyWhenChecked) {
    Open({"ADAMS", "BAKER", "CLARK"});
    DwIntl().SetCheckBoxInGridStyle(cbStyleCheckmark);
    grid->CheckBoxes = true;
    Repaint();
    const TPoint off = Box(PaidCell(1));
    const TPoint on = Box(PaidCell(2));
    // The sunken frame: gray and black at the top left, light and white at the bottom right.
    EXPECT_EQ(Pixel(on.X, on.Y + 5), kGray);
    EXPECT_EQ(Pixel(on.X + 1, on.Y + 5), clBlack);
    EXPECT_EQ(Pixel(on.X + 8, on.Y + 5), ColorToRGB(clGrayText));
    EXPECT_EQ(Pixel(on.X + 9, on.Y + 5), kWhite);
    // The bottom of the tick and its rising end; the corner of an X stays white.
    EXPECT_EQ(Pixel(on.X + 3, on.Y + 7), clBlack);
    EXPECT_EQ(Pixel(on.X + 7, on.Y + 2), clBlack);
    EXPECT_EQ(Pixel(on.X + 2, on.Y + 2), kWhite);
    for (int y = 2; y < 8; ++y)
        for (int x = 2; x < 8; ++x)
            ASSERT_EQ(Pixel(off.X + x, off.Y + y), kWhite) << x << "," << y;
}

TEST_F(DwGridCoreTest, XMarkedCheckBoxesAreCopiedInFromTheScratchBitmap) {
    Open({"ADAMS", "BAKER", "CLARK"});
    grid->CheckBoxes = true;
    auto restore = MakeScopeGuard([] {
        NewStyleControls = true;
        DwIntl().SetCheckBoxInGridStyle(cbStyleAuto);
    });
    // The automatic style follows the system's look.
    DwIntl().SetCheckBoxInGridStyle(cbStyleAuto);
    NewStyleControls = false;
    Repaint();
    const TPoint on = Box(PaidCell(2));
    EXPECT_EQ(Pixel(on.X, on.Y + 5), kGray);
    EXPECT_EQ(Pixel(on.X + 9, on.Y + 5), kWhite);
    // The pixel around the box is the cell's background.
    EXPECT_EQ(Pixel(on.X - 1, on.Y + 5), Pixel(on.X - 2, on.Y + 5));
    for (int i = 2; i < 8; ++i) {
        EXPECT_EQ(Pixel(on.X + i, on.Y + i), clBlack) << i;
        EXPECT_EQ(Pixel(on.X + 9 - i, on.Y + i), clBlack) << i;
    }
    EXPECT_EQ(Pixel(on.X + 3, on.Y + 7), kWhite);
    NewStyleControls = true;
    Repaint();
    EXPECT_EQ(Pixel(on.X + 3, on.Y + 7), clBlack);
    EXPECT_EQ(Pixel(on.X + 2, on.Y + 2), kWhite);
    if (const char* path = std::getenv("VANTREL_SCREENSHOT")) {
        DwIntl().SetCheckBoxInGridStyle(cbStyleXmark);
        grid->Borders = true;
        grid->SetColor(clSilver);
        Repaint();
        ASSERT_TRUE(WidgetOf(form)->grab().toImage().save(QString::fromLocal8Bit(path), "PNG"));
    }
}

// The 10 x 10 sunken check box, row by row from its top-left corner: g gray (the outer top and
// left edge), w white, k black, t the light gray text colour; a mark adds k inside.
const char* const kFlatUnchecked[] = {
    "gggggggggw", "gkkkkkkktw", "gkwwwwwwtw", "gkwwwwwwtw", "gkwwwwwwtw",
    "gkwwwwwwtw", "gkwwwwwwtw", "gkwwwwwwtw", "gttttttttw", "wwwwwwwwww"};
// The tick: two-pixel strokes from (1,4) down to (3,7) and up to (7,2).
const char* const kFlatChecked[] = {
    "gggggggggw", "gkkkkkkktw", "gkwwwwwktw", "gkwwwwkktw", "gkwwwkkwtw",
    "gkkwkkwwtw", "gkkkkwwwtw", "gkwkwwwwtw", "gttttttttw", "wwwwwwwwww"};
// The X: two diagonals two pixels thick.
const char* const kCrossChecked[] = {
    "gggggggggw", "gkkkkkkktw", "gkkkwwkktw", "gkwkkkkwtw", "gkwwkkwwtw",
    "gkwkkkkwtw", "gkkkwwkktw", "gkkwwwwktw", "gttttttttw", "wwwwwwwwww"};

TColor Shade(char c) {
    switch (c) {
    case 'g': return kGray;
    case 'w': return kWhite;
    case 'k': return clBlack;
    case 't': return ColorToRGB(clGrayText);
    case 'h': return ColorToRGB(clBtnHighlight);
    default: return ColorToRGB(clBtnFace);
    }
}

TEST_F(DwGridCoreTest, CheckBoxesAreDrawnPixelForPixel) {
    Open({"ADAMS", "BAKER", "CLARK"});
    grid->CheckBoxes = true;
    auto restore = MakeScopeGuard([] { DwIntl().SetCheckBoxInGridStyle(cbStyleAuto); });
    const auto expectBox = [&](const TPoint& at, const char* const rows[], const char* what) {
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                EXPECT_EQ(Pixel(at.X + x, at.Y + y), Shade(rows[y][x]))
                    << what << " at " << x << "," << y;
    };
    DwIntl().SetCheckBoxInGridStyle(cbStyleCheckmark);
    Repaint();
    expectBox(Box(PaidCell(1)), kFlatUnchecked, "flat, unchecked");
    expectBox(Box(PaidCell(2)), kFlatChecked, "flat, checked");
    // The X-marked box is copied in with a pixel of the cell's own colour around it.
    DwIntl().SetCheckBoxInGridStyle(cbStyleXmark);
    grid->SetColor(clYellow);
    Repaint();
    expectBox(Box(PaidCell(1)), kFlatUnchecked, "crossed, unchecked");
    expectBox(Box(PaidCell(2)), kCrossChecked, "crossed, checked");
    const TPoint on = Box(PaidCell(2));
    for (int i = -1; i <= 10; ++i) {
        EXPECT_EQ(Pixel(on.X + i, on.Y - 1), clYellow) << "above " << i;
        EXPECT_EQ(Pixel(on.X + i, on.Y + 10), clYellow) << "below " << i;
        EXPECT_EQ(Pixel(on.X - 1, on.Y + i), clYellow) << "left " << i;
        EXPECT_EQ(Pixel(on.X + 10, on.Y + i), clYellow) << "right " << i;
    }
}

TEST_F(DwGridCoreTest, ThreeDEdgesFollowTheGridColourAndTheTitleButtons) {
    Open({"ADAMS", "BAKER", "CLARK"});
    grid->Borders = true;
    grid->SetColor(clSilver);
    Repaint();
    const TRect cell = grid->CellRect(2, 2);
    const int midY = (cell.Top + cell.Bottom) / 2;
    const int midX = (cell.Left + cell.Right) / 2;
    // Raised: highlight on the left and top, shadow on the lines right and below.
    EXPECT_EQ(Pixel(cell.Left, midY), kWhite);
    EXPECT_EQ(Pixel(midX, cell.Top), kWhite);
    EXPECT_EQ(Pixel(cell.Right, midY), kGray);
    EXPECT_EQ(Pixel(midX, cell.Bottom), kGray);
    const TRect title = grid->CellRect(2, 0);
    EXPECT_EQ(Pixel(title.Right, (title.Top + title.Bottom) / 2), clBlack);
    // A title button is the title cell's frame: no edges over it.
    grid->SetTitleButtons(true);
    Repaint();
    EXPECT_EQ(Pixel(title.Right, (title.Top + title.Bottom) / 2), kGray);
    // Without the 3-D look only the title and the indicator keep their edges.
    grid->SetTitleButtons(false);
    grid->SetCtl3D(false);
    Repaint();
    EXPECT_EQ(Pixel(cell.Right, midY), ColorToRGB(clSilver));
    EXPECT_EQ(Pixel(title.Right, (title.Top + title.Bottom) / 2), clBlack);
    // A white grid draws no edges on its white cells, on the first row as on the others.
    grid->SetCtl3D(true);
    grid->SetColor(clWindow);
    Repaint();
    EXPECT_EQ(Pixel(cell.Right, midY), ColorToRGB(clSilver));
    const TRect first = grid->CellRect(2, 1);
    EXPECT_EQ(Pixel(first.Right, (first.Top + first.Bottom) / 2), ColorToRGB(clSilver));
    // Without row lines its titles are underlined in black on their last pixel row, and a
    // title's top edge is highlighted.
    grid->SetOptions(grid->Options() - TdwDBGridOptions{dgRowLines});
    Repaint();
    const TRect head = grid->CellRect(2, 0);
    for (int x = head.Left + 1; x < head.Right; ++x) {
        EXPECT_EQ(Pixel(x, head.Bottom - 1), clBlack) << x;
        EXPECT_NE(Pixel(x, head.Bottom - 2), clBlack) << x;
        EXPECT_EQ(Pixel(x, head.Top), ColorToRGB(clBtnHighlight)) << x;
    }
    const TRect data = grid->CellRect(2, 1);
    EXPECT_NE(Pixel((data.Left + data.Right) / 2, data.Bottom - 1), clBlack);
}

TEST_F(DwGridCoreTest, ATitleButtonIsRaisedAndSinksWhileHeldDown) {
    Open({"ADAMS", "BAKER"});
    grid->SetTitleButtons(true);
    Repaint();
    const TRect title = grid->CellRect(2, 0);
    const int midY = (title.Top + title.Bottom) / 2;
    EXPECT_EQ(Pixel(title.Left, midY), kWhite);
    EXPECT_EQ(Pixel(title.Right - 1, midY), clBlack);
    EXPECT_EQ(Pixel(title.Right - 2, midY), kGray);
    QWidget* w = WidgetOf(grid);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(title.Left + 5, 5));
    Application->ProcessMessages();
    EXPECT_EQ(Pixel(title.Left, midY), clBlack);
    EXPECT_EQ(Pixel(title.Left + 1, midY), kGray);
    EXPECT_EQ(Pixel(title.Right - 1, midY), kWhite);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(title.Left + 5, 5));
    Application->ProcessMessages();
    EXPECT_EQ(Pixel(title.Right - 1, midY), clBlack);
}

// The frame of a title button, from its top-left pixel: raised, then held down. h highlight,
// k black, g gray; the inside ('.') is the title colour.
std::vector<std::string> TitleFrame(int width, int height, bool pressed) {
    std::vector<std::string> rows(static_cast<std::size_t>(height), std::string(width, '.'));
    const auto set = [&](int x, int y, char c) {
        rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = c;
    };
    const int right = width - 1;
    const int bottom = height - 1;
    if (!pressed) {
        for (int x = 0; x < width; ++x) set(x, 0, 'h');
        for (int y = 0; y < height; ++y) set(0, y, 'h');
        for (int x = 1; x < right; ++x) set(x, bottom - 1, 'g');
        for (int y = 1; y < bottom; ++y) set(right - 1, y, 'g');
        for (int x = 0; x < width; ++x) set(x, bottom, 'k');
        for (int y = 0; y < height; ++y) set(right, y, 'k');
        return rows;
    }
    for (int x = 0; x < width; ++x) set(x, 0, 'k');
    for (int y = 0; y < height; ++y) set(0, y, 'k');
    for (int x = 1; x < right; ++x) set(x, 1, 'g');
    for (int y = 1; y < bottom; ++y) set(1, y, 'g');
    for (int x = 0; x < width; ++x) set(x, bottom, 'h');
    for (int y = 0; y < height; ++y) set(right, y, 'h');
    return rows;
}

TEST_F(DwGridCoreTest, TitleButtonFramesArePixelForPixel) {
    Open({"ADAMS", "BAKER"});
    grid->SetTitleButtons(true);
    grid->SetColWidths(2, 30); // no text reaches the frame
    grid->SetTitleColor(clYellow);
    Repaint();
    const TRect title = grid->CellRect(2, 0);
    const auto expectFrame = [&](bool pressed) {
        const auto rows = TitleFrame(title.Width(), title.Height(), pressed);
        for (int y = 0; y < title.Height(); ++y)
            for (int x = 0; x < title.Width(); ++x) {
                const char c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
                if (c == '.') continue;
                EXPECT_EQ(Pixel(title.Left + x, title.Top + y), Shade(c))
                    << (pressed ? "pressed" : "raised") << " at " << x << "," << y;
            }
    };
    expectFrame(false);
    QWidget* w = WidgetOf(grid);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(title.Left + 5, title.Top + 5));
    Application->ProcessMessages();
    expectFrame(true);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(title.Left + 5, title.Top + 5));
    Application->ProcessMessages();
    expectFrame(false);
}

// The indicator's glyphs around the centre of the current row's indicator cell.
TEST_F(DwGridCoreTest, TheIndicatorShowsAnArrowAnIBeamOrAStarPixelForPixel) {
    Open({"ADAMS", "BAKER"});
    const auto expectGlyph = [&](const std::vector<std::string>& rows, TColor ink,
                                 const char* what) {
        Repaint();
        const TRect cell = grid->CellRect(0, grid->Row());
        const int cx = (cell.Left + cell.Right) / 2;
        const int cy = (cell.Top + cell.Bottom) / 2;
        // Rows cy-5..cy+5, columns cx-4..cx+4.
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 9; ++x) {
                const bool inked = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == '#';
                const TColor seen = Pixel(cx - 4 + x, cy - 5 + y);
                if (inked)
                    EXPECT_EQ(seen, ink) << what << " at " << x - 4 << "," << y - 5;
                else
                    EXPECT_NE(seen, ink) << what << " at " << x - 4 << "," << y - 5;
            }
    };
    // The arrow: a triangle from (-2,-4) and (-2,4) to its point at (2,0).
    const std::vector<std::string> arrow = {
        ".........", "..#......", "..##.....", "..###....", "..####...", "..#####..",
        "..####...", "..###....", "..##.....", "..#......", "........."};
    expectGlyph(arrow, clBlack, "arrow");
    table->Edit();
    const std::vector<std::string> beam = {
        ".........", "..#####..", "....#....", "....#....", "....#....", "....#....",
        "....#....", "....#....", "....#....", "..#####..", "........."};
    expectGlyph(beam, clBlack, "I-beam");
    table->Cancel();
    table->Insert();
    const std::vector<std::string> star = {
        ".........", ".........", "....#....", "..#.#.#..", "...###...", ".#######.",
        "...###...", "..#.#.#..", "....#....", ".........", "........."};
    expectGlyph(star, clBlack, "star");
    table->Cancel();
    grid->SetIndicatorColor(icYellow);
    expectGlyph(arrow, clYellow, "yellow arrow");
}

TEST_F(DwGridCoreTest, TextOnAColourTheDeviceOnlyApproximatesIsWrittenOffScreen) {
    Open({"AB CD EF", "BAKER"});
    grid->SetOptions(grid->Options() - TdwDBGridOptions{dgWordWrap});
    grid->SetRowHeightPercent(300);
    grid->SetColWidths(1, grid->Canvas()->TextWidth("AB CD") + 4);
    TColor brush = clWhite;
    grid->OnCalcCellColors = [&](TObject*, TField*, TGridDrawState, bool, TFont*, TBrush* b) {
        b->SetColor(brush);
    };
    // Drawn on a monochrome device, where light gray shows as white.
    TBitmap mono;
    mono.SetMonochrome(true);
    mono.SetSize(grid->ClientWidth(), grid->ClientHeight());
    const TRect cell = grid->CellRect(1, 1);
    const int line = grid->Canvas()->TextHeight("W");
    auto inkOnSecondLine = [&] {
        mono.Canvas()->Brush()->SetColor(clWhite);
        mono.Canvas()->FillRect(TRect{0, 0, mono.Width(), mono.Height()});
        TCanvas* canvas = grid->Canvas();
        const HDC own = canvas->RawHandle();
        canvas->SetHandle(mono.Canvas()->Handle());
        auto back = MakeScopeGuard([&] { canvas->SetHandle(own); });
        grid->DrawCell(1, 1, cell, {});
        for (int y = cell.Top + 2 + line; y < cell.Top + 2 + 2 * line; ++y)
            for (int x = cell.Left; x < cell.Right; ++x)
                if (mono.Canvas()->Pixels(x, y) == clBlack) return true;
        return false;
    };
    // A pure colour writes one clipped line; an impure one goes through the scratch bitmap,
    // which breaks the words.
    EXPECT_FALSE(inkOnSecondLine());
    brush = RGB(200, 200, 200);
    EXPECT_TRUE(inkOnSecondLine());
}

TEST_F(DwGridCoreTest, ASequenceNumberedTableShowsItsPositionInTwoHundredSteps) {
    Open({"ADAMS", "BAKER", "CLARK", "DAVIS"}, 200, ttParadox);
    int low = -1;
    int high = -1;
    ASSERT_TRUE(GetScrollRange(grid->Handle(), SB_VERT, low, high));
    EXPECT_EQ(high, 200);
    EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 0);
    table->Next();
    EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 66);
    table->Next();
    EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 133);
    table->Last();
    EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 200);
}

TEST_F(DwGridCoreTest, OtherTablesShowTheirPositionInFiveSteps) {
    Open({"ADAMS", "BAKER", "CLARK", "DAVIS"});
    int low = -1;
    int high = -1;
    ASSERT_TRUE(GetScrollRange(grid->Handle(), SB_VERT, low, high));
    EXPECT_EQ(high, 4);
    table->Next();
    EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 2);
    table->Last();
    EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 4);
}

TEST_F(DwGridCoreTest, AScrollByAScreenfulOrLessRedrawsOnlyTheRowsThatCameIntoView) {
    Open({"A01", "A02", "A03", "A04", "A05", "A06", "A07", "A08", "A09", "A10",
          "A11", "A12", "A13", "A14", "A15", "A16", "A17", "A18", "A19", "A20"},
         100);
    const int visible = grid->VisibleRowCount();
    ASSERT_GE(visible, 3);
    int topChanges = 0;
    grid->OnTopRowChanged = [&](TObject*) { ++topChanges; };
    table->MoveBy(visible - 1);
    Repaint();
    grid->DrawnRows.clear();
    grid->AttachedHides = 0;
    table->Next();
    EXPECT_EQ(Name(), "A" + std::string(visible < 9 ? "0" : "") + std::to_string(visible + 1));
    EXPECT_EQ(topChanges, 1);
    EXPECT_EQ(grid->AttachedHides, 1);
    // Only the bottom row, which came into view and holds the indicator, is drawn again.
    EXPECT_EQ(grid->DrawnRows.count(1), 0u);
    EXPECT_EQ(grid->DrawnRows.count(0), 0u) << "the titles stay";
    EXPECT_EQ(grid->DrawnRows[visible], grid->ColCount());
    // The moved pixels and the new row make the same picture as a whole repaint.
    const QImage scrolled = grid->Impl()->Buffer().copy();
    Repaint();
    EXPECT_TRUE(scrolled == grid->Impl()->Buffer());
    // Upwards the top row comes into view.
    table->MoveBy(-(visible - 1));
    Repaint();
    grid->DrawnRows.clear();
    table->Prior();
    EXPECT_EQ(topChanges, 2);
    EXPECT_EQ(grid->DrawnRows.count(visible), 0u);
    EXPECT_EQ(grid->DrawnRows[1], grid->ColCount());
    const QImage upwards = grid->Impl()->Buffer().copy();
    Repaint();
    EXPECT_TRUE(upwards == grid->Impl()->Buffer());
    // More than a screenful repaints every row.
    grid->DrawnRows.clear();
    table->MoveBy(visible + 1);
    for (int row = 1; row <= visible; ++row)
        EXPECT_GT(grid->DrawnRows[row], 0) << row;
    // Also when the current record stays on the bottom row.
    ASSERT_EQ(grid->Row(), visible);
    grid->DrawnRows.clear();
    table->MoveBy(visible + 1);
    EXPECT_EQ(grid->Row(), visible);
    for (int row = 1; row <= visible; ++row)
        EXPECT_GT(grid->DrawnRows[row], 0) << row;
    const QImage jumped = grid->Impl()->Buffer().copy();
    Repaint();
    EXPECT_TRUE(jumped == grid->Impl()->Buffer());
}

TEST_F(DwGridCoreTest, AScrollByExactlyAScreenfulMovesPixelsAndLeavesTheTitles) {
    std::vector<std::string> names;
    for (int i = 1; i <= 30; ++i)
        names.push_back("N" + std::string(i < 10 ? "0" : "") + std::to_string(i));
    Open(names, 100);
    const int visible = grid->VisibleRowCount();
    ASSERT_GE(visible, 3);
    table->MoveBy(visible - 1); // the current record on the bottom row
    Repaint();
    grid->DrawnRows.clear();
    int topChanges = 0;
    grid->OnTopRowChanged = [&](TObject*) { ++topChanges; };
    table->MoveBy(visible); // a whole page: every row shows another record
    EXPECT_EQ(topChanges, 1);
    EXPECT_EQ(grid->Row(), visible);
    for (int row = 1; row <= visible; ++row)
        EXPECT_GT(grid->DrawnRows[row], 0) << row;
    EXPECT_EQ(grid->DrawnRows.count(0), 0u) << "a page scroll leaves the titles";
    const QImage scrolled = grid->Impl()->Buffer().copy();
    Repaint();
    EXPECT_TRUE(scrolled == grid->Impl()->Buffer());
    EXPECT_EQ(Name(), names[2 * visible - 1]);
}

TEST_F(DwGridCoreTest, AClosedDatasetLeavesOneEmptyRowAndReopeningFillsTheGrid) {
    Open({"ADAMS", "BAKER", "CLARK", "DAVIS", "EVANS"}, 200);
    ASSERT_EQ(grid->RowCount(), 6);
    table->Close();
    EXPECT_EQ(grid->RowCount(), 2) << "the titles and a single empty row";
    table->Open();
    EXPECT_EQ(grid->RowCount(), 6);
    grid->SetRowHeightPercent(150);
    grid->SetRowHeightPercent(0);
    EXPECT_EQ(grid->RowHeightPercent(), 100) << "a percentage below 1 means 100";
}

TEST_F(DwGridCoreTest, ShrinkingBelowTheCurrentRowMovesTheTopRecord) {
    Open({"ADAMS", "BAKER", "CLARK", "DAVIS", "EVANS"}, 200);
    table->MoveBy(3);
    int topChanges = 0;
    grid->OnTopRowChanged = [&](TObject*) { ++topChanges; };
    const int chrome = grid->Height() - grid->ClientHeight();
    grid->SetHeight(chrome + grid->RowHeights(0) + 1 + 2 * (grid->DefaultRowHeight() + 1) + 2);
    Application->ProcessMessages();
    EXPECT_EQ(grid->VisibleRowCount(), 2);
    EXPECT_GE(topChanges, 1);
    EXPECT_EQ(Name(), "DAVIS");
    EXPECT_EQ(grid->Row(), 2);
}

TEST_F(DwGridCoreTest, APerfectRowFitGridTakesTheHeightOfItsRowsAtDesignTime) {
    Open({"ADAMS", "BAKER", "CLARK", "DAVIS"}, 60);
    const auto fitted = [&] {
        return grid->CellRect(0, grid->RowCount() - 1).Bottom + grid->DefaultRowHeight() + 1 + 4;
    };
    grid->SetOptions(grid->Options() + TdwDBGridOptions{dgPerfectRowFit});
    EXPECT_FALSE(grid->FitToRowsWanted());
    EXPECT_EQ(grid->Height(), 60);
    grid->SetDesigning(true);
    grid->SetAlign(alClient);
    EXPECT_FALSE(grid->FitToRowsWanted());
    grid->SetAlign(alNone);
    grid->SetBounds(0, 0, 560, 60);
    Application->ProcessMessages();
    ASSERT_TRUE(grid->FitToRowsWanted());
    // The grid grew row by row until every record shows, with room for one row more.
    EXPECT_EQ(grid->RowCount(), 5);
    EXPECT_EQ(grid->Height(), fitted());
    // Columns wider than the grid bring the horizontal scroll bar, which is counted.
    grid->SetBounds(0, 0, 120, 60);
    Application->ProcessMessages();
    EXPECT_EQ(grid->Height(), fitted() + GetSystemMetrics(SM_CYHSCROLL));
}

TEST_F(DwGridCoreTest, AGridWithoutDataHasTheIndicatorAndOneEmptyColumn) {
    auto* empty = new TCoreGrid(form);
    EXPECT_EQ(empty->ColCount(), 2);
    EXPECT_EQ(empty->RowCount(), 2);
    empty->SetParent(form);
    empty->SetBounds(0, 0, 200, 100);
    ASSERT_NE(empty->Handle(), HWND{});
    EXPECT_EQ(empty->ColCount(), 2);
    EXPECT_EQ(empty->RowCount(), 2);
    EXPECT_EQ(empty->FixedCols(), 1);
    delete empty;
}

TEST_F(DwGridCoreTest, GridsShareTheScratchBitmapUntilTheLastOneGoes) {
    Open({"ADAMS", "BAKER", "CLARK"});
    grid->CheckBoxes = true;
    auto restore = MakeScopeGuard([] { DwIntl().SetCheckBoxInGridStyle(cbStyleAuto); });
    DwIntl().SetCheckBoxInGridStyle(cbStyleXmark);
    delete new TCoreGrid(form);
    Repaint();
    const TPoint on = Box(PaidCell(2));
    EXPECT_EQ(Pixel(on.X + 2, on.Y + 2), clBlack);
    EXPECT_EQ(Pixel(on.X + 7, on.Y + 2), clBlack);
}

TEST_F(DwGridCoreTest, ReopeningTheTableShowsTheThumbAtTheTopAgain) {
    Open({"ADAMS", "BAKER", "CLARK", "DAVIS"}, 200, ttParadox);
    table->Last();
    ASSERT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 200);
    table->Close();
    table->Open();
    EXPECT_EQ(Name(), "ADAMS");
    EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 0);
}

TEST_F(DwGridCoreTest, AClickOnTheIndicatorGoesToItsRecordAndItsTitleIsNoButton) {
    Open({"ADAMS", "BAKER", "CLARK", "DAVIS", "EVANS"});
    QWidget* w = WidgetOf(grid);
    const TRect indicator = grid->CellRect(0, 3);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier,
                      QPoint(indicator.Left + 3, indicator.Top + 3));
    EXPECT_EQ(Name(), "CLARK");
    EXPECT_EQ(grid->Row(), 3);
    // Held down, the indicator's title is pressed like a title button; let go, nothing is.
    grid->SetTitleButtons(true);
    const TRect corner = grid->CellRect(0, 0);
    const QPoint at(corner.Left + 3, corner.Top + 3);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(grid->PressedTitleColumn(), 0);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(grid->PressedTitleColumn(), -1);
    EXPECT_EQ(Name(), "CLARK");
}

TEST_F(DwGridCoreTest, WithoutRowLinesTheRowsLoseAPixelAndTheTitleGainsOne) {
    Open({"ADAMS", "BAKER"});
    const int title = grid->RowHeights(0);
    const int row = grid->DefaultRowHeight();
    grid->SetOptions(grid->Options() - TdwDBGridOptions{dgRowLines});
    EXPECT_EQ(grid->RowHeights(0), title + 1);
    EXPECT_EQ(grid->DefaultRowHeight(), row - 1);
    // Two title lines: one line's height more.
    grid->SetTitleLines(2);
    EXPECT_EQ(grid->RowHeights(0), title + 1 + grid->Canvas()->TextHeight("W"));
}

TEST_F(DwGridCoreTest, ANewTitleColourIsShownWithoutAskingForARepaint) {
    Open({"ADAMS", "BAKER"});
    Repaint();
    const TRect title = grid->CellRect(2, 0);
    const int x = title.Right - 3;
    const int y = title.Bottom - 3;
    ASSERT_EQ(Pixel(x, y), ColorToRGB(clBtnFace));
    grid->SetTitleColor(clYellow);
    Application->ProcessMessages();
    EXPECT_EQ(Pixel(x, y), clYellow);
}

TEST_F(DwGridCoreTest, TitlesAreWrittenInTheTitleFontAndCellsInTheGridsFont) {
    Open({"ADAMS", "BAKER"});
    grid->TitleFont()->SetColor(clRed);
    grid->Font()->SetColor(clBlue);
    Repaint();
    const auto inks = [&](const TRect& r, TColor ink) {
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                n += Pixel(x, y) == ink ? 1 : 0;
        return n;
    };
    const TRect title = grid->CellRect(1, 0);
    const TRect cell = grid->CellRect(1, 2);
    EXPECT_GT(inks(title, clRed), 0);
    EXPECT_EQ(inks(title, clBlue), 0);
    EXPECT_GT(inks(cell, clBlue), 0);
    EXPECT_EQ(inks(cell, clRed), 0);
}

TEST_F(DwGridCoreTest, TheFocusedCellOfASelectedRecordHasADottedFrameUnlessRowsAreSelected) {
    Open({"ADAMS", "BAKER"});
    grid->SetFocus();
    grid->SelectedRows = {0};
    grid->SetOptions(grid->Options() + TdwDBGridOptions{dgMultiSelect});
    const auto dotted = [&](int col) {
        Repaint();
        const TRect r = grid->CellRect(col, grid->Row());
        const TColor inverted = ColorToRGB(clHighlight) ^ 0xFFFFFF;
        int n = 0;
        for (int x = r.Left; x < r.Right; ++x)
            n += (Pixel(x, r.Top) == inverted) + (Pixel(x, r.Bottom - 1) == inverted);
        return n;
    };
    // Every other pixel of the top and bottom edges of the focused cell, highlighted as its
    // record is selected; none on the record's other cells.
    EXPECT_GE(dotted(grid->Col()), grid->CellRect(grid->Col(), grid->Row()).Width() - 1);
    EXPECT_EQ(dotted(grid->Col() + 1), 0);
    grid->SetOptions(grid->Options() + TdwDBGridOptions{dgRowSelect});
    EXPECT_EQ(dotted(grid->Col()), 0);
}

TEST_F(DwGridCoreTest, RightAlignedTextOffScreenKeepsThreePixelsFromTheEdge) {
    Open({"AB CD", "BAKER"});
    table->FieldByName("NAME")->SetAlignment(taRightJustify);
    grid->SetOptions(grid->Options() - TdwDBGridOptions{dgWordWrap});
    grid->SetRowHeightPercent(300);
    grid->SetColWidths(1, grid->Canvas()->TextWidth("AB CD") + 3);
    grid->OnCalcCellColors = [&](TObject*, TField*, TGridDrawState, bool, TFont*, TBrush* b) {
        b->SetColor(RGB(200, 200, 200));
    };
    // Drawn on a monochrome device, where light gray is no pure colour.
    TBitmap mono;
    mono.SetMonochrome(true);
    mono.SetSize(grid->ClientWidth(), grid->ClientHeight());
    mono.Canvas()->Brush()->SetColor(clWhite);
    mono.Canvas()->FillRect(TRect{0, 0, mono.Width(), mono.Height()});
    const TRect cell = grid->CellRect(1, 1);
    TCanvas* canvas = grid->Canvas();
    const HDC own = canvas->RawHandle();
    canvas->SetHandle(mono.Canvas()->Handle());
    {
        auto back = MakeScopeGuard([&] { canvas->SetHandle(own); });
        grid->DrawCell(1, 1, cell, {});
    }
    const int line = grid->Canvas()->TextHeight("W");
    int lastInk = -1;
    bool secondLine = false;
    for (int y = cell.Top; y < cell.Bottom; ++y)
        for (int x = cell.Left; x < cell.Right; ++x)
            if (mono.Canvas()->Pixels(x, y) == clBlack) {
                lastInk = std::max(lastInk, x);
                secondLine = secondLine || y >= cell.Top + 2 + line;
            }
    // The text just fits the width less the three pixels: one line, ending before them.
    EXPECT_FALSE(secondLine);
    EXPECT_GE(lastInk, cell.Left);
    EXPECT_LT(lastInk, cell.Right - 3);
}

TEST_F(DwGridCoreTest, TitlesFollowTheParentFontUntilTheirOwnFontIsSet) {
    Open({"ADAMS", "BAKER"});
    grid->SetParentFont(true);
    const int titleHeight = grid->RowHeights(0);
    const int rowHeight = grid->DefaultRowHeight();
    form->Font()->SetHeight(-24);
    EXPECT_EQ(grid->TitleFont()->Height(), -24);
    EXPECT_TRUE(grid->ParentFont());
    EXPECT_GT(grid->RowHeights(0), titleHeight);
    EXPECT_GT(grid->DefaultRowHeight(), rowHeight);
    // A title font of its own: the grid no longer follows the parent.
    grid->TitleFont()->SetHeight(-40);
    EXPECT_FALSE(grid->ParentFont());
    const int bigTitle = grid->RowHeights(0);
    form->Font()->SetHeight(-11);
    EXPECT_EQ(grid->TitleFont()->Height(), -40);
    EXPECT_EQ(grid->Font()->Height(), -24);
    EXPECT_EQ(grid->RowHeights(0), bigTitle);
    // The grid's own font lays the rows out again.
    grid->Font()->SetHeight(-11);
    EXPECT_EQ(grid->DefaultRowHeight(), rowHeight);
}

} // namespace
