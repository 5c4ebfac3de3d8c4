// The report object model: units and margins, the page geometry with and without a printer,
// the cursor, lines and columns, tab lists, page selection, the status text, macros and the
// error texts of misuse.
#include "RptTestSupport.h"

#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Regional.h"

#include <cmath>

namespace {

using RptReport = ReportTest;

// A report writer that answers as a recording report does (output kind 2).
class TRecordingKindReport : public TBitmapReport {
public:
    Byte OutputKind() const override { return okFiler; }
};

std::string Placeholder(int id) {
    char digits[3] = {static_cast<char>('0' + id / 10), static_cast<char>('0' + id % 10), 0};
    return std::string(1, MacroMarker) + MacroTag + digits;
}

TEST_F(RptReport, UnitsAndFactorFollowEachOther) {
    TBitmapReport r;
    EXPECT_EQ(r.Units(), unInch);
    r.SetUnitsFactor(2.54);
    EXPECT_EQ(r.Units(), unCM);
    r.SetUnitsFactor(10.0);
    EXPECT_EQ(r.Units(), unUser);
    r.SetUnitsFactor(0.0);
    r.SetUnitsFactor(-3.0);
    EXPECT_EQ(r.UnitsFactor(), 10.0);
    r.SetUnits(unPoint);
    EXPECT_EQ(r.UnitsFactor(), 72.0);
    r.SetUnits(unUser);
    EXPECT_EQ(r.UnitsFactor(), 72.0);
    r.SetLinesPerInch(0);
    EXPECT_EQ(r.LinesPerInch(), 6);
    r.SetTabShade(140);
    EXPECT_EQ(r.TabShade(), 100);
    r.SetTabShade(-5);
    EXPECT_EQ(r.TabShade(), 0);
    EXPECT_EQ(r.Version(), "2.00M (D2)");
    r.SetTitle(std::string(40, 'T'));
    EXPECT_EQ(r.Title().size(), 31u);
}

TEST_F(RptReport, MarginsInMillimetresAndPixels) {
    TBitmapReport r;
    r.SetUnits(unMM);
    r.SetMarginLeft(25.4);
    r.SetMarginRight(25.4);
    r.SetMarginTop(12.7);
    EXPECT_DOUBLE_EQ(r.MarginLeft(), 25.4);
    EXPECT_DOUBLE_EQ(r.SectionLeft(), 25.4);
    EXPECT_DOUBLE_EQ(r.SectionTop(), 12.7) << "the section follows the top margin";
    EXPECT_NEAR(r.PageWidth(), 215.9, 1e-9);
    EXPECT_NEAR(r.PageHeight(), 279.4, 1e-9);
    EXPECT_NEAR(r.SectionRight(), 215.9 - 25.4, 1e-9);
    // One inch from the sheet's edge is three quarters of an inch into the printable area.
    EXPECT_EQ(r.XU2D(25.4), 75);
    EXPECT_EQ(r.YU2D(12.7), 25);
    EXPECT_NEAR(r.XD2U(75), 25.4, 1e-9);
    r.SetUnits(unCM);
    EXPECT_EQ(r.XU2D(2.54), 75);
    r.SetUnits(unPoint);
    EXPECT_EQ(r.XU2D(72.0), 75);
    EXPECT_EQ(r.YU2D(36.0), 25);
    r.SetUnits(unInch);
    EXPECT_EQ(r.XU2D(8.25), 800);
    EXPECT_EQ(r.XDPI(), 100);
    r.SetScaleX(50.0);
    r.SetScaleY(0.0);
    EXPECT_EQ(r.XU2D(2.0), 75);
    EXPECT_NEAR(r.XD2U(75), 2.0, 1e-9);
    EXPECT_EQ(r.ScaleY(), 100.0);
    r.SetOriginX(1.0);
    EXPECT_EQ(r.XU2D(1.0), 75);
}

TEST_F(RptReport, AssignCopiesTheSetUpAndTheEvents) {
    TBitmapReport source, target;
    int prints = 0;
    source.SetUnits(unCM);
    source.SetMarginLeft(2.54);
    source.SetFirstPage(3);
    source.SetLastPage(4);
    source.SetStatusFormat("%p");
    source.StatusText()->Add("line");
    source.SetTitle("Copied");
    source.SetTabShade(20);
    source.SetTextBKMode(bkOpaque);
    source.SetLineHeightMethod(lhmFont);
    source.MacroData()->Add("user");
    source.OnPrint = [&](TObject*) { ++prints; };
    target.Assign(&source);
    EXPECT_EQ(target.Units(), unCM);
    EXPECT_DOUBLE_EQ(target.MarginLeft(), 2.54);
    EXPECT_DOUBLE_EQ(target.SectionLeft(), 2.54);
    EXPECT_EQ(target.FirstPage(), 3);
    EXPECT_EQ(target.LastPage(), 4);
    EXPECT_EQ(target.StatusFormat(), "%p");
    EXPECT_EQ(target.StatusText()->Strings(0), "line");
    EXPECT_EQ(target.Title(), "Copied");
    EXPECT_EQ(target.TabShade(), 20);
    EXPECT_EQ(target.TextBKMode(), bkOpaque);
    EXPECT_EQ(target.LineHeightMethod(), lhmFont);
    EXPECT_EQ(target.MacroValue(15), "user");
    target.Execute();
    EXPECT_EQ(prints, 1);
    TStringList notAReport;
    EXPECT_THROW(notAReport.Assign(&source), Exception);
}

TEST_F(RptReport, WithoutPrinterThePageIsLetterInEveryUnit) {
    UseBackends({});
    TBitmapReport r;
    EXPECT_EQ(r.XDPI(), 96);
    EXPECT_EQ(r.YDPI(), 96);
    r.SetUnits(unMM);
    EXPECT_NEAR(r.PageWidth(), 215.9, 1e-9);
    EXPECT_NEAR(r.PageHeight(), 279.4, 1e-9);
    r.SetMarginRight(10.0);
    r.SetMarginBottom(20.0);
    EXPECT_NEAR(r.SectionRight(), 205.9, 1e-9);
    EXPECT_NEAR(r.SectionBottom(), 259.4, 1e-9);
    r.SetUnits(unCM);
    EXPECT_NEAR(r.PageWidth(), 21.59, 1e-9);
    EXPECT_EQ(r.XU2D(2.54), 96);
}

TEST_F(RptReport, LinesColumnsAndSections) {
    TBitmapReport r;
    r.SetMarginTop(1.0);
    r.SetMarginBottom(1.0);
    r.SetMarginLeft(1.0);
    r.SetMarginRight(1.0);
    int newColumns = 0, sectionEnds = 0;
    r.OnNewColumn = [&](TObject*) { ++newColumns; };
    r.OnEndOfSection = [&](TObject*) { ++sectionEnds; };
    r.Run([&](TBaseReport& rep) {
        EXPECT_NEAR(rep.LineTop(), 1.0, 1e-9);
        EXPECT_NEAR(rep.LineBottom(), 1.0 + 1.0 / 6.0, 1e-9);
        EXPECT_NEAR(rep.YPos(), 1.0 + 1.0 / 6.0 - rep.FontRecord().Descent, 1e-9);
        EXPECT_GT(rep.FontRecord().Descent, 0.0);
        EXPECT_NEAR(rep.LineHeight(), 1.0 / 6.0, 1e-12);
        EXPECT_EQ(rep.LinesLeft(), 54);
        rep.NewLine();
        EXPECT_EQ(rep.LineNum(), 2);
        EXPECT_EQ(rep.LinesLeft(), 53);
        rep.GotoSectionBottom();
        EXPECT_NEAR(rep.LineBottom(), 10.0, 1e-9);
        EXPECT_EQ(rep.LinesLeft(), 1);
        EXPECT_EQ(sectionEnds, 0);
        rep.NewLine();
        EXPECT_EQ(rep.LinesLeft(), 0);
        EXPECT_EQ(sectionEnds, 1);

        rep.SetColumns(2);
        rep.SetLine(54);
        EXPECT_EQ(rep.LinesLeft(), 1);
        rep.NewLine();
        EXPECT_EQ(rep.ColumnNum(), 2);
        EXPECT_EQ(rep.LineNum(), 1);
        EXPECT_NEAR(rep.XPos(), 1.0 + 3.25, 1e-9);
        EXPECT_EQ(newColumns, 1);
        rep.SetLine(54);
        rep.NewLine();
        EXPECT_EQ(rep.ColumnNum(), 2);
        EXPECT_EQ(rep.LineNum(), 55);
        EXPECT_EQ(newColumns, 1);

        rep.ClearColumns();
        rep.SetSectionLeft(2.0);
        EXPECT_NEAR(rep.XPos(), 2.0, 1e-9);
        rep.SetXPos(6.0);
        rep.SetSectionRight(5.0);
        EXPECT_NEAR(rep.XPos(), 5.0, 1e-9);
        rep.PushPos();
        rep.SetYPos(3.0);
        EXPECT_TRUE(rep.PopPos());
        EXPECT_NEAR(rep.XPos(), 5.0, 1e-9);
        EXPECT_FALSE(rep.PopPos());
    });
}

TEST_F(RptReport, ClearingColumnsGoesBackToOneColumnAtItsStart) {
    TBitmapReport r;
    r.SetMarginLeft(1.0);
    r.SetMarginRight(1.0);
    r.Run([&](TBaseReport& rep) {
        rep.SetColumns(3);
        rep.SetColumn(3);
        ASSERT_EQ(rep.ColumnNum(), 3);
        rep.ClearColumns();
        EXPECT_EQ(rep.Columns(), 1);
        EXPECT_EQ(rep.ColumnNum(), 1);
        EXPECT_NEAR(rep.XPos(), 1.0, 1e-9);
    });
}

TEST_F(RptReport, TurnedTextAdvancesAlongItsAngle) {
    TBitmapReport r;
    r.Run([&](TBaseReport& rep) {
        rep.SetXPos(2.0);
        rep.SetYPos(5.0);
        rep.SetFontRotation(90);
        double w = rep.TextWidth("W");
        rep.Print("W");
        EXPECT_NEAR(rep.XPos(), 2.0, 1e-9) << "straight up";
        EXPECT_NEAR(rep.YPos(), 5.0 - w, 1e-9);
        rep.SetFontRotation(1);
        w = rep.TextWidth("W");
        rep.Print("W");
        EXPECT_NEAR(rep.XPos(), 2.0 + w * std::cos(M_PI / 180), 1e-9);
        EXPECT_NEAR(rep.YPos(), 5.0 - w - w * std::sin(M_PI / 180), 1e-9) << "a degree up";
    });
}

TEST_F(RptReport, DevicePixelsRoundToTheNearest) {
    // 100 pixels an inch, a quarter inch of the sheet outside the printable area.
    TBitmapReport r;
    EXPECT_EQ(r.XU2D(1.0057), 76) << "75.57 pixels";
    EXPECT_EQ(r.YU2D(1.0057), 76);
    r.Run([&](TBaseReport& rep) { rep.RoundRect(1, 1, 2, 2, 0.0057, 0.0157); });
    EXPECT_EQ(r.Calls("RoundRect")[0].Args, (std::vector<int>{75, 75, 175, 175, 1, 2}))
        << "corners of 0.57 and 1.57 pixels";
}

TEST_F(RptReport, TabListsArePlacedSharedAndSaved) {
    TBitmapReport r;
    r.SetMarginLeft(0.5);
    r.SetTab(-1, pjLeft, 1, 0, 0, 0);
    EXPECT_DOUBLE_EQ(r.GetTab(1)->Pos, 0.5);
    r.ClearTabs();
    r.SetTab(1, pjLeft, 2, 10, BOXLINEALL, 0);
    r.SetTab(-1, pjRight, 2, 0, 0, 0);
    EXPECT_DOUBLE_EQ(r.GetTab(2)->Pos, 3.0);
    EXPECT_NEAR(r.TabWidth(1), 1.8, 1e-12);
    EXPECT_EQ(r.TabWidth(3), 0.0);
    EXPECT_EQ(r.GetTab(3), nullptr);
    EXPECT_TRUE(r.GetTab(1)->LeftLine && r.GetTab(1)->BottomLine);

    EXPECT_FALSE(r.SaveTabs(11));
    EXPECT_FALSE(r.RestoreTabs(0));
    // The list counts its holders: the report alone, then the report and slot 10 (the last).
    EXPECT_EQ(r.GetTab(1)->RefCount, 1);
    EXPECT_TRUE(r.SaveTabs(10));
    EXPECT_TRUE(r.RestoreTabs(10));
    EXPECT_EQ(r.GetTab(1)->RefCount, 2);
    EXPECT_TRUE(r.PushTabs());
    EXPECT_EQ(r.GetTab(1)->RefCount, 3);
    EXPECT_TRUE(r.PopTabs());
    EXPECT_EQ(r.GetTab(1)->RefCount, 2);
    EXPECT_DOUBLE_EQ(r.GetTab(2)->Pos, 3.0);
    ASSERT_TRUE(r.SaveTabs(1));
    r.SetTab(-1, pjCenter, 1, 0, 0, 0); // the slot shares the list and sees the new stop
    r.ClearTabs();
    EXPECT_EQ(r.GetTab(1), nullptr);
    ASSERT_TRUE(r.RestoreTabs(1));
    ASSERT_NE(r.GetTab(3), nullptr);
    EXPECT_DOUBLE_EQ(r.GetTab(3)->Pos, 5.0);

    EXPECT_TRUE(r.PushTabs());
    r.ClearTabs();
    EXPECT_FALSE(r.PushTabs());
    EXPECT_TRUE(r.PopTabs());
    EXPECT_DOUBLE_EQ(r.GetTab(1)->Pos, 1.0);
    EXPECT_FALSE(r.PopTabs());

    r.ClearTabs();
    EXPECT_TRUE(r.SaveTabs(2)); // no list: the slot stays empty
    EXPECT_TRUE(r.RestoreTabs(2));
    EXPECT_EQ(r.GetTab(1), nullptr);

    r.SetUnits(unMM);
    r.SetTab(25.4, pjLeft, 50.8, 0, 0, 0);
    EXPECT_DOUBLE_EQ(r.GetTab(1)->Pos, 1.0);
    EXPECT_DOUBLE_EQ(r.GetTab(1)->Width, 2.0);
}

TEST_F(RptReport, TabsSetBeforeTheJobSurviveIt) {
    TBitmapReport r;
    r.SetTab(2, pjLeft, 1, 0, 0, 0);
    r.Run([](TBaseReport& rep) {
        ASSERT_NE(rep.GetTab(1), nullptr);
        EXPECT_DOUBLE_EQ(rep.GetTab(1)->Pos, 2.0);
    });
}

TEST_F(RptReport, MacrosInsertValuesOrPlaceholders) {
    TBitmapReport r;
    r.SetFirstPage(2);
    r.SetLastPage(7);
    r.MacroData()->Add("Smith");
    const std::vector<std::pair<int, std::string>> macros{
        {8, "2"},      {9, "7"},      {10, "7"}, {12, "Draft"}, {13, "DRAFT"},
        {14, "LPT2:"}, {15, "Smith"}, {16, ""},  {35, ""},      {-1, ""}};
    for (const auto& [macro, value] : macros)
        EXPECT_EQ(r.MacroValue(macro), value) << macro;
    EXPECT_EQ(r.Macro(8), "2");
    // Twenty user macros, 15 to 34: a twenty-first line of data names none.
    TBitmapReport many;
    for (int i = 0; i < 21; ++i)
        many.MacroData()->Add("u" + std::to_string(i));
    EXPECT_EQ(many.MacroValue(34), "u19");
    EXPECT_EQ(many.MacroValue(35), "");

    std::string text = "Page " + Placeholder(11) + " of " + Placeholder(9) + Placeholder(99);
    r.ExpandMacros(text);
    EXPECT_EQ(text, "Page 0 of 7");

    // A value that holds a placeholder is inserted as it stands, not expanded again.
    r.MacroData()->Add(Placeholder(16));
    text = "<" + Placeholder(16) + ">";
    r.ExpandMacros(text);
    EXPECT_EQ(text, "<" + Placeholder(16) + ">");
    // A cut placeholder at the end is removed.
    text = "x" + Placeholder(11).substr(0, 6);
    r.ExpandMacros(text);
    EXPECT_EQ(text, "x");

    TRecordingKindReport recording;
    EXPECT_EQ(recording.Macro(11), std::string("\xFD") + "$RPCM11");
    EXPECT_EQ(recording.Macro(140), "");
}

TEST_F(RptReport, DateAndTimeMacrosUseTheJobStart) {
    TManualClock clock({2026, 3, 4, 15, 7, 0, 0});
    TClockOverride use(clock);
    TBitmapReport r;
    struct TRestore {
        TFormatSettings saved = FormatSettings();
        ~TRestore() { FormatSettings() = saved; }
    } restore;
    FormatSettings().DateSeparator = '-';
    std::vector<std::string> values;
    r.Run([&](TBaseReport& rep) {
        for (int id = 0; id <= 11; ++id)
            values.push_back(rep.MacroValue(id));
    });
    ASSERT_EQ(values.size(), 12u);
    EXPECT_EQ(values[2], "03-04-26");
    EXPECT_EQ(values[3], "04-03-26");
    EXPECT_EQ(values[6], "03:07 " + FormatSettings().TimePMString);
    EXPECT_EQ(values[7], "15:07");
    EXPECT_EQ(values[11], "1");
    for (int id = 0; id <= 5; ++id)
        EXPECT_FALSE(values[id].empty()) << id;
}

TEST_F(RptReport, StatusTextPlaceholders) {
    TBitmapReport r;
    auto* label = new TLabel(&r);
    r.SetStatusLabel(label);
    r.SetStatusFormat("Page %p of %l");
    r.StatusText()->Add("first line");
    std::vector<std::string> captions;
    r.OnPrintPage = [&](TObject*, int& page) {
        captions.push_back(label->Caption());
        return page < 3;
    };
    r.Execute();
    ASSERT_EQ(captions.size(), 3u);
    EXPECT_EQ(captions[0], "Page 1 of 9999");
    EXPECT_EQ(captions[2], "Page 3 of 9999");

    r.SetStatusFormat("%x|%%|%0|%1|%d %R %t|%F|50%");
    r.OnPrintPage = nullptr;
    r.Run([](TBaseReport&) {});
    EXPECT_EQ(label->Caption(), "<ERROR-%X>|%|first line||Draft DRAFT LPT2:|1|50%");
    for (int line = 2; line <= 10; ++line)
        r.StatusText()->Add("line " + std::to_string(line));
    r.SetStatusFormat("%9");
    r.Run([](TBaseReport&) {});
    EXPECT_EQ(label->Caption(), "line 10") << "%9 is the tenth line";

    delete label;
    EXPECT_EQ(r.StatusLabel(), nullptr);
}

TEST_F(RptReport, MisuseRaisesTheEngineErrors) {
    TBitmapReport r;
    const std::string notPrinting = "Invalid method call.  ReportWriter is not printing.";
    EXPECT_EQ(ErrorOf([&] { r.PrintLn("x"); }), notPrinting);
    EXPECT_EQ(ErrorOf([&] { r.PrintLeft("x", 1); }), notPrinting);
    EXPECT_EQ(ErrorOf([&] { r.Rectangle(0, 0, 1, 1); }), notPrinting);
    EXPECT_EQ(ErrorOf([&] { r.TabBox(NA, NA, NA, NA, NA); }), notPrinting);
    EXPECT_EQ(ErrorOf([&] { r.NewPage(); }), notPrinting);
    EXPECT_EQ(ErrorOf([&] { r.CancelPage(); }), notPrinting);
    EXPECT_EQ(ErrorOf([&] { r.SetBKColor(clRed); }), notPrinting);
    EXPECT_EQ(ErrorOf([&] { r.TextWidth("x"); }), notPrinting);
    EXPECT_EQ(ErrorOf([&] { r.SetFont("Arial", 12); }), "Error!  Canvas not yet active.");
    EXPECT_EQ(ErrorOf([&] { r.SetBold(true); }), "Error!  Canvas not yet active.");
    EXPECT_EQ(ErrorOf([&] { r.SetPen(clBlack, psSolid, 1, pmCopy); }),
              "Error!  Canvas not yet active.");

    const std::string already = "Invalid method call.  ReportWriter already printing.";
    std::vector<std::string> errors;
    r.Run([&](TBaseReport& rep) {
        errors.push_back(ErrorOf([&] { rep.SetCopies(2); }));
        errors.push_back(ErrorOf([&] { rep.SetOutputFileName("a.pdf"); }));
        errors.push_back(ErrorOf([&] { rep.StartJob(); }));
        errors.push_back(ErrorOf([&] { rep.Execute(); }));
        errors.push_back(ErrorOf([&] { rep.SetFont("Courier New", 0); }));
    });
    EXPECT_EQ(errors, (std::vector<std::string>{already, already, already, already, "no error"}));
    EXPECT_EQ(backend->Documents().size(), 1u);
    EXPECT_TRUE(LastDocument().Finished);
}

TEST_F(RptReport, FontRecordOperations) {
    TBitmapReport r;
    r.Run([](TBaseReport& rep) {
        EXPECT_EQ(rep.GetFontName(), "Arial");
        EXPECT_DOUBLE_EQ(rep.GetFontSize(), 10.0);
        rep.SetFont("Courier New", 0);
        EXPECT_EQ(rep.GetFontName(), "Arial");
        rep.SetFontSize(1000.5); // past any page
        EXPECT_DOUBLE_EQ(rep.GetFontSize(), 10.0);
        rep.SetFontSize(1000);
        EXPECT_DOUBLE_EQ(rep.GetFontSize(), 1000.0) << "a thousand points is the largest";
        rep.SetFont("Courier New", 12);
        EXPECT_EQ(rep.GetFontName(), "Courier New");
        EXPECT_DOUBLE_EQ(rep.GetFontHeight(), 12.0 / 72.0);
        rep.SetBold(true);
        rep.PushFont();
        rep.SetFont("Times New Roman", 20);
        EXPECT_FALSE(rep.FontRecord().Bold);
        EXPECT_TRUE(rep.PopFont());
        EXPECT_EQ(rep.GetFontName(), "Courier New");
        EXPECT_TRUE(rep.FontRecord().Bold);
        EXPECT_FALSE(rep.PopFont());
        EXPECT_EQ(rep.GetFontName(), "Courier New");
        EXPECT_TRUE(rep.SaveFont(3));
        EXPECT_TRUE(rep.SaveFont(10));
        EXPECT_FALSE(rep.SaveFont(11));
        EXPECT_FALSE(rep.SaveFont(0));
        EXPECT_FALSE(rep.RestoreFont(11));
        rep.SetFont("Arial", 8);
        EXPECT_TRUE(rep.RestoreFont(10));
        EXPECT_EQ(rep.GetFontName(), "Courier New");
        rep.SetFont("Arial", 8);
        EXPECT_TRUE(rep.RestoreFont(3));
        EXPECT_EQ(rep.GetFontName(), "Courier New");
        rep.SetSuperscript(true);
        rep.SetSubscript(true);
        EXPECT_FALSE(rep.FontRecord().Superscript);
        EXPECT_TRUE(rep.FontRecord().Subscript);
        rep.SetFontRotation(-370);
        EXPECT_EQ(rep.FontRecord().Rotation, -10);
        // A change made on the canvas font directly is read back into the record.
        rep.GetCanvas()->Font()->SetStyle(TFontStyles{fsItalic});
        EXPECT_TRUE(rep.FontRecord().Italic);
        EXPECT_FALSE(rep.FontRecord().Bold);
        rep.GetCanvas()->Font()->SetHeight(-50);
        EXPECT_NEAR(rep.GetFontSize(), 36.0, 1e-9);
    });
}

} // namespace
