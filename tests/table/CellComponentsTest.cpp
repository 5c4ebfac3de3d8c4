// Cell components: attributes, text placement, headings, the per-cell store and the entry-field
// cells' painting.
#include "TableSupport.h"

#include "controls/entry/DayNumberDates.h"
#include "platform/gui/RecordingCanvas.h"
#include "platform/gui/WinGdi.h"

namespace {

using CellsTest = TableFormTest;

TEST(CellTextFormatTest, PlacesTextByAdjustAndFallsBackToLeft) {
    EXPECT_EQ(CellTextFormat(otaCenterRight, false, false),
              static_cast<UINT>(DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_RIGHT));
    // A right-adjusted text wider than its cell is drawn from the left edge.
    EXPECT_EQ(CellTextFormat(otaBottomRight, false, true),
              static_cast<UINT>(DT_NOPREFIX | DT_SINGLELINE | DT_BOTTOM | DT_LEFT));
    EXPECT_EQ(CellTextFormat(otaTopCenter, false, false),
              static_cast<UINT>(DT_NOPREFIX | DT_SINGLELINE | DT_TOP | DT_CENTER));
    // Word wrap has no vertical placement and keeps its alignment.
    EXPECT_EQ(CellTextFormat(otaBottomRight, true, true),
              static_cast<UINT>(DT_NOPREFIX | DT_WORDBREAK | DT_RIGHT));
    EXPECT_EQ(CellTextFormat(otaDefault, false, false),
              static_cast<UINT>(DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_LEFT));
}

TEST_F(CellsTest, AttributesComeFromCellTableAndStateInOrder) {
    Configure(20, 6);
    TVcTCString bare(form.get());
    TVcCellAttributes attr;
    TFont font;
    attr.Font = &font;
    bare.ResolveAttributes(1, 1, attr);
    EXPECT_EQ(attr.Access, otxNormal);
    EXPECT_EQ(attr.Adjust, otaCenterLeft);
    EXPECT_EQ(attr.Color, clBtnFace);
    Show();
    const auto resolve = [&](TVcBaseTableCell* cell, LongInt r, LongInt c) {
        TVcCellAttributes a;
        a.Font = &font;
        cell->ResolveAttributes(r, c, a);
        return a;
    };
    text->SetColor(clYellow);
    EXPECT_EQ(resolve(text, 1, 1).Color, colors().ActiveFocused());
    EXPECT_EQ(resolve(text, 2, 1).Color, clYellow);
    EXPECT_EQ(resolve(heading, 0, 1).Color, colors().Locked());
    EXPECT_EQ(resolve(heading, 0, 1).Access, otxReadOnly);
    table->TableCells()->SetCellColor(3, 1, clAqua);
    table->TableCells()->SetCellAccess(3, 1, otxInvisible);
    EXPECT_EQ(resolve(text, 3, 1).Color, clAqua);
    EXPECT_EQ(resolve(text, 3, 1).Access, otxInvisible);
    table->Selection()->SelectArea(4, 1, 4, 1);
    EXPECT_EQ(resolve(text, 4, 1).Color, colors().Selected());
    table->OnGetCellAttributes = [](TObject*, LongInt r, LongInt, TVcCellAttributes& a) {
        if (r == 5) a.Adjust = otaBottomRight;
    };
    EXPECT_EQ(resolve(text, 5, 1).Adjust, otaBottomRight);
    other->SetFocus();
    Settle();
    EXPECT_EQ(resolve(text, 1, 1).Color, colors().ActiveUnfocused());
    table->SetOptions({otoBrowseRow});
    EXPECT_EQ(resolve(text, 1, 4).Color, colors().ActiveUnfocused());
    EXPECT_TRUE(table->Options().Contains(otoNoSelection));
    EXPECT_TRUE(table->Options().Contains(otoNoColResizing));
}

TEST_F(CellsTest, TableFontIsFetchedOnceTheTableHasAWindow) {
    Configure(20, 6);
    table->Font()->SetName("Courier New");
    EXPECT_TRUE(text->TableFont());
    EXPECT_NE(text->Font()->Name(), "Courier New");
    Show();
    EXPECT_EQ(text->Font()->Name(), "Courier New");
    TFont own;
    own.SetName("Arial");
    text->SetFont(&own);
    EXPECT_FALSE(text->TableFont());
    EXPECT_TRUE(text->FontStored());
    text->SetColor(clRed);
    EXPECT_FALSE(text->TableColor());
    // Going back to the table's colour repaints the cells at once.
    Settle();
    table->ResetCellsPainted();
    text->SetTableColor(true);
    Settle();
    EXPECT_GT(table->CellsPainted(), 0);
    text->SetMargin(-3);
    EXPECT_EQ(text->Margin(), 4);
    EXPECT_EQ(text->Version(), "2.13.00");
}

TEST_F(CellsTest, HeadingTriangleMarksTheActiveColumn) {
    Configure(20, 6);
    heading->SetShowActiveCol(true);
    heading->SetAdjust(otaTopLeft);
    Show();
    // Side 30 div 3 = 10, at the margin from the top-left corner.
    EXPECT_EQ(PaintHeading(1).back().ToString(), "Polygon(4,4,14,4,9,14)");
    for (const auto& call : PaintHeading(2))
        EXPECT_NE(call.Name, "Polygon");
    // The other placements: at the margin from the right or bottom, or centred.
    const auto triangle = [&](TVcTblAdjust adjust, TRect cell) {
        return PaintHeading(1, cell, adjust).back().ToString();
    };
    EXPECT_EQ(triangle(otaTopRight, {0, 0, 60, 30}), "Polygon(46,4,56,4,51,14)");
    EXPECT_EQ(triangle(otaCenter, {0, 0, 60, 30}), "Polygon(25,10,35,10,30,20)");
    EXPECT_EQ(triangle(otaBottomRight, {0, 0, 60, 30}), "Polygon(46,16,56,16,51,26)");
    EXPECT_EQ(triangle(otaBottomCenter, {0, 0, 60, 30}), "Polygon(25,16,35,16,30,26)");
    EXPECT_EQ(triangle(otaCenterLeft, {0, 0, 24, 60}), "Polygon(4,26,12,26,8,34)")
        << "a tall cell takes a third of its width";
}

TEST_F(CellsTest, HeadingsShowTheirOwnTextsWithoutLetters) {
    Configure(20, 6);
    heading->SetShowLetters(false);
    heading->Headings()->SetCommaText("No.,Payee,Payment");
    const auto texts = [&](LongInt col) {
        std::vector<std::string> out;
        for (const auto& call : PaintHeading(col))
            if (!call.Text.empty()) out.push_back(call.Text);
        return out;
    };
    EXPECT_EQ(texts(1), std::vector<std::string>{"Payee"});
    EXPECT_EQ(texts(2), std::vector<std::string>{"Payment"});
    for (const std::string& t : texts(4))
        EXPECT_TRUE(t.empty() || t == " ") << "no heading past the list: " << t;
    EXPECT_EQ(text->EditHandle(), HWND{0}) << "no editor is open";
}

TEST_F(CellsTest, HeadingsFollowAppendedDeletedAndExchangedColumns) {
    heading->Headings()->SetCommaText("a,b,c");
    heading->AdjustHeadings(0, -1, tbaAppend); // a column before the first
    EXPECT_EQ(heading->Headings()->CommaText(), ",a,b,c");
    heading->AdjustHeadings(4, -1, tbaAppend); // a column right after the last heading
    EXPECT_EQ(heading->Headings()->CommaText(), ",a,b,c,");
    heading->AdjustHeadings(9, -1, tbaAppend); // far past them: nothing to shift
    heading->AdjustHeadings(5, -1, tbaDelete); // one past the last: nothing to delete
    heading->AdjustHeadings(-1, -1, tbaDelete);
    EXPECT_EQ(heading->Headings()->Count(), 5);
    heading->AdjustHeadings(0, -1, tbaDelete);
    EXPECT_EQ(heading->Headings()->CommaText(), "a,b,c,");
    heading->AdjustHeadings(0, 6, tbaExchange); // headings are added up to the farther column
    EXPECT_EQ(heading->Headings()->CommaText(), ",b,c,,,,a");
    heading->AdjustHeadings(-1, 0, tbaExchange);
    heading->AdjustHeadings(0, -1, tbaExchange);
    EXPECT_EQ(heading->Headings()->Count(), 7);
}

TEST_F(CellsTest, RaisedAndLoweredTextsHaveALightCopyOnePixelOff) {
    std::array<char, 256> data{2, 'H', 'i'};
    TFont font;
    TVcCellAttributes attr;
    attr.Font = &font;
    attr.FontColor = clNavy;
    attr.FontHiColor = clWhite;
    // Each text drawn: its rectangle and colour. The cell is inset by half the margin of 4.
    const auto drawn = [&](TVcTextStyle style) {
        attr.TextStyle = style;
        TRecordingCanvas canvas(100, 40);
        text->Paint(&canvas, {0, 0, 60, 20}, 1, 1, attr, data.data());
        std::vector<std::string> out;
        for (const auto& call : canvas.Calls())
            if (call.Name == "DrawText")
                out.push_back(std::to_string(call.Args[0]) + "," + std::to_string(call.Args[1]) +
                              "," + std::to_string(call.Args[2]) + "," +
                              std::to_string(call.Args[3]) +
                              (call.FontColor == clWhite ? " light" : " text"));
        return out;
    };
    EXPECT_EQ(drawn(tsFlat), std::vector<std::string>{"2,2,58,18 text"});
    EXPECT_EQ(drawn(tsRaised), (std::vector<std::string>{"1,1,57,17 light", "2,2,58,18 text"}));
    EXPECT_EQ(drawn(tsLowered), (std::vector<std::string>{"3,3,59,19 light", "2,2,58,18 text"}));
    // The background is filled solid whatever brush the canvas had.
    TRecordingCanvas canvas(100, 40);
    canvas.Brush()->SetStyle(bsClear);
    text->Paint(&canvas, {0, 0, 60, 20}, 1, 1, attr, data.data());
    ASSERT_FALSE(canvas.Calls().empty());
    EXPECT_EQ(canvas.Calls().front().Name, "FillRect");
    EXPECT_EQ(canvas.Calls().front().BrushStyle, bsSolid);
}

TEST_F(CellsTest, PerCellStoreFollowsRowsAndColumns) {
    Configure(20, 6);
    TVcTableCells& cells = *table->TableCells();
    TFont bold;
    bold.SetStyle(TFontStyles{fsBold});
    cells.SetCellColor(2, 3, clRed);
    cells.SetCellFont(2, 3, &bold);
    cells.SetCell(2, 4, text);
    const int uses = text->References();
    EXPECT_EQ(cells.RecordCount(), 2);
    cells.InsertRow(1);
    EXPECT_EQ(cells.GetCellAttr(3, 3).Color, clRed);
    EXPECT_EQ(cells.GetCellAttr(2, 3).Color, clVcCellNone);
    cells.ExchangeCols(3, 0);
    EXPECT_TRUE(cells.CellFont(3, 0)->Style().Contains(fsBold));
    cells.DeleteCol(4);
    EXPECT_EQ(text->References(), uses - 1);
    EXPECT_EQ(cells.RecordCount(), 1);
    cells.DeleteRow(0);
    EXPECT_EQ(cells.GetCellAttr(2, 0).Color, clRed);
    cells.RemoveCell(text);
    EXPECT_EQ(cells.Cell(2, 0), nullptr);
}

TEST_F(CellsTest, DateCellsPaintTheirDisplayText) {
    Configure(20, 6);
    date->SetDataType(pftDate);
    date->SetPictureMask("mm/dd/YY");
    DateAt(2, 3) = DMYToDate(15, 3, 2001, 1950);
    Show();
    TRecordingCanvas canvas(100, 40);
    TVcCellAttributes attr;
    TFont font;
    attr.Font = &font;
    date->ResolveAttributes(2, 3, attr);
    date->Paint(&canvas, {0, 0, 80, 20}, 2, 3, attr, &DateAt(2, 3));
    EXPECT_EQ(date->PaintField()->GetDisplayString(), "03/15/01");
    date->SetPictureMask("mm-dd-YY");
    date->Paint(&canvas, {0, 0, 80, 20}, 2, 3, attr, &DateAt(2, 3));
    EXPECT_EQ(date->PaintField()->GetDisplayString(), "03-15-01");
    EXPECT_EQ(date->EditField()->Mask(), "mm-dd-YY");
    // Without data only the background is filled.
    canvas.ClearCalls();
    date->Paint(&canvas, {0, 0, 80, 20}, 2, 3, attr, nullptr);
    EXPECT_EQ(canvas.Log().size(), 1u);
}

TEST_F(CellsTest, FullNumericCellMovesToTheNextCell) {
    Configure(20, 6);
    number->SetDataType(nftLongInt);
    number->SetPictureMask("###");
    number->SetAutoAdvanceChar(true);
    Show();
    table->SetActiveCol(2);
    Type("123");
    EXPECT_EQ(table->ActiveCol(), 3);
    EXPECT_FALSE(table->IsEditing() && table->EditedCell() == number);
    LongInt stored = 0;
    std::memcpy(&stored, &NumberAt(1, 2), sizeof stored); // a LongInt cell takes 4 bytes
    EXPECT_EQ(stored, 123);
}

} // namespace
