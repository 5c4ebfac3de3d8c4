// Canvas output in device pixels on a 100 dpi printer whose printable area starts a quarter
// inch into the sheet: text at tab stops in every unit, tab boxes and shading, line merging,
// format codes, block text, shapes, the device font cache and pass-through data.
#include "RptTestSupport.h"

#include "platform/rtl/Streams.h"

#include <cmath>

namespace {

using RptCanvas = ReportTest;

// The band of pixel rows of the current line.
TRect LineBand(TBitmapReport& r) {
    return Rect(0, r.YU2D(r.LineTop()), 800, r.YU2D(r.LineBottom()) + 2);
}

TRect Columns(const TRect& band, int left, int right) {
    return Rect(left, band.Top, right, band.Bottom);
}

class RptUnits : public ReportTest, public ::testing::WithParamInterface<TPrintUnits> {};

TEST_P(RptUnits, TextAtTabStopsLandsOnItsPixels) {
    TBitmapReport r;
    r.SetUnits(GetParam());
    const double f = r.UnitsFactor();
    r.SetMarginLeft(0.5 * f);
    r.SetMarginTop(1.0 * f);
    TRect band;
    r.Run([&](TBaseReport& rep) {
        rep.SetTab(1.0 * f, pjLeft, 2.0 * f, 0, 0, 0);
        rep.SetTab(-1, pjRight, 2.0 * f, 10, 0, 0);
        rep.SetTab(-1, pjCenter, 2.0 * f, 0, 0, 0);
        band = LineBand(r);
        EXPECT_EQ(band.Top, 75);
        rep.PrintLn("HHH\tHHH\tHHH\tHHH");
        EXPECT_EQ(rep.LineNum(), 2);
        EXPECT_NEAR(rep.LineTop(), (1.0 + 1.0 / 6.0) * f, 1e-9);
    });
    const TRect first = r.Ink(Columns(band, 0, 70));
    const TRect second = r.Ink(Columns(band, 70, 200));
    const TRect third = r.Ink(Columns(band, 300, 470));
    const TRect fourth = r.Ink(Columns(band, 480, 700));
    EXPECT_NEAR(first.Left, 25, 2);
    EXPECT_NEAR(second.Left, 75, 2);
    // Right-justified against the stop's right edge (5 inches) less its margin of 0.1 inch.
    EXPECT_NEAR(third.Right, 465, 2);
    EXPECT_NEAR((fourth.Left + fourth.Right) / 2.0, 575, 2);
    // The baseline: line 1 of a section starting at 1 inch ends 1/6 inch lower.
    EXPECT_LE(first.Bottom, 93);
    EXPECT_GE(first.Top, 75);
}

INSTANTIATE_TEST_SUITE_P(RptEveryUnit, RptUnits, ::testing::Values(unInch, unMM, unCM, unPoint));

TEST_F(RptCanvas, TabWithoutStopLeftGoesLeftJustifiedAtTheCursor) {
    TBitmapReport r;
    r.SetMarginLeft(0.5);
    r.SetMarginTop(1.0);
    TRect band;
    double afterFirst = 0.0;
    r.Run([&](TBaseReport& rep) {
        rep.SetTab(3.0, pjLeft, 0, 0, 0, 0);
        band = LineBand(r);
        rep.Print("AB\tCD");
        afterFirst = rep.XPos();
        const double ef = rep.TextWidth("EF");
        rep.Print("\tEF");
        // A tab with no stop left moves nothing: "EF" ends its own width after "CD".
        EXPECT_NEAR(rep.XPos(), afterFirst + ef, 1e-9);
    });
    EXPECT_EQ(r.Calls("TextOut").back().Args.at(0), r.XU2D(afterFirst));
    // "AB" at the cursor, "CD" at the only stop, "EF" (no stop left) where "CD" ended.
    EXPECT_NEAR(r.Ink(Columns(band, 0, 200)).Left, 25, 2);
    EXPECT_NEAR(r.Ink(Columns(band, 250, 320)).Left, 275, 2);
    const TRect ef = r.Ink(Columns(band, r.XU2D(afterFirst) - 1, 800));
    EXPECT_NEAR(ef.Left, r.XU2D(afterFirst), 2);
    EXPECT_GT(afterFirst, 3.0);
}

TEST_F(RptCanvas, TabBoxesShadeAndShareMergedLines) {
    TBitmapReport r;
    r.SetMarginTop(1.0);
    r.SetTabShade(10);
    int drawnBeforePageEnd = -1;
    r.Run([&](TBaseReport& rep) {
        rep.SetTab(1.0, pjLeft, 2.0, 0, BOXLINEALL, 0);
        rep.SetTab(-1, pjLeft, 2.0, 0, BOXLINEALL, 40);
        rep.PrintLn("\t\t");
        drawnBeforePageEnd = static_cast<int>(r.Calls("LineTo").size());
    });
    EXPECT_EQ(drawnBeforePageEnd, 0);
    const auto lines = r.Calls("LineTo");
    // Three vertical strokes (the shared one at 3 inches once) and two horizontal ones.
    ASSERT_EQ(lines.size(), 5u);
    int at275 = 0;
    const auto& calls = r.Page.Calls();
    for (std::size_t i = 1; i < calls.size(); ++i)
        if (calls[i].Name == "LineTo" && calls[i - 1].Name == "MoveTo" && calls[i].Args[0] == 275 &&
            calls[i - 1].Args[0] == 275)
            ++at275;
    EXPECT_EQ(at275, 1);
    // Shading: 10 percent of black is grey 229; the stop's own 40 percent wins over TabShade.
    EXPECT_EQ(r.Pixel(150, 85), static_cast<TColor>(RGB(229, 229, 229)));
    EXPECT_EQ(r.Pixel(350, 85), static_cast<TColor>(RGB(153, 153, 153)));
    EXPECT_EQ(r.Pixel(75, 85), clBlack);
    EXPECT_EQ(r.Pixel(275, 85), clBlack);
    EXPECT_EQ(r.Pixel(200, 75), clBlack);
}

TEST_F(RptCanvas, ShadedBoxReachesThePrinterPage) {
    backend->SetKeepPageImages(true);
    TReportWriter r(nullptr);
    r.SetMarginTop(1.0);
    r.SetTabShade(10);
    r.OnPrint = [&](TObject*) {
        r.SetTab(1.0, pjLeft, 2.0, 0, BOXLINEALL, 0);
        r.PrintLn("\t");
    };
    r.Execute();
    const auto& page = LastDocument().Pages.at(0);
    ASSERT_TRUE(page.Image);
    TCanvas* image = page.Image->Canvas();
    EXPECT_EQ(image->Pixels(150, 85), static_cast<TColor>(RGB(229, 229, 229)));
    EXPECT_EQ(image->Pixels(75, 85), clBlack);
    EXPECT_EQ(image->Pixels(275, 85), clBlack);
    EXPECT_EQ(image->Pixels(150, 75), clBlack);
    EXPECT_EQ(image->Pixels(150, 92), clBlack);
    EXPECT_EQ(image->Pixels(300, 85), clWhite);
}

TEST_F(RptCanvas, NoShadingWithoutTabShadeAndExplicitLineWidths) {
    TBitmapReport r;
    r.SetMarginTop(1.0);
    r.Run([&](TBaseReport& rep) {
        rep.SetTab(1.0, pjLeft, 2.0, 0, BOXLINENONE, 0);
        rep.TabBox(3, 0, NA, NA, NA);
    });
    EXPECT_EQ(r.Pixel(150, 85), clWhite);
    // Only the left side, three pixels wide, is drawn.
    const auto lines = r.Calls("LineTo");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].PenWidth, 3);
    EXPECT_EQ(lines[0].Args[0], 75);
}

TEST_F(RptCanvas, PrintTabCutsTextToTheCell) {
    TBitmapReport r;
    r.SetMarginTop(1.0);
    TRect band, longBand;
    std::string fitted;
    r.Run([&](TBaseReport& rep) {
        rep.SetTab(1.0, pjLeft, 0.5, 0, 0, 0);
        rep.SetTab(-1, pjLeft, 0.0, 0, 0, 0);
        band = LineBand(r);
        rep.PrintTab("WWWWWWWWWWWWWWWW");
        std::string text = "WWWWWWWWWWWWWWWW";
        while (rep.TextWidth(text) > 0.5)
            text.pop_back();
        fitted = text;
        rep.PrintTab("nothing in a cell without width");
        // A long text is cut as quickly as a short one.
        rep.NewLine();
        longBand = LineBand(r);
        rep.PrintTab(std::string(200000, 'W'));
    });
    const TRect ink = r.Ink(band);
    EXPECT_NEAR(ink.Left, 75, 2);
    EXPECT_LE(ink.Right, 126);
    EXPECT_FALSE(fitted.empty());
    EXPECT_LT(fitted.size(), 16u);
    const TRect longInk = r.Ink(longBand);
    EXPECT_EQ(longInk.Left, ink.Left);
    EXPECT_EQ(longInk.Right, ink.Right);
}

TEST_F(RptCanvas, LinesMergeAndFlushAtThePageEnd) {
    TBitmapReport r;
    std::vector<std::size_t> counts;
    r.Run([&](TBaseReport& rep) {
        rep.MoveTo(1, 1);
        rep.LineTo(1, 2); // vertical
        rep.MoveTo(1, 1.5);
        rep.LineTo(1, 3); // overlaps: joined
        rep.LineTo(2, 3); // horizontal from the pen position
        rep.LineTo(3, 4); // slanted: drawn at once
        counts.push_back(r.Calls("LineTo").size());
        rep.NewPage();
        counts.push_back(r.Calls("LineTo").size());
    });
    ASSERT_EQ(counts.size(), 2u);
    EXPECT_EQ(counts[0], 1u);
    EXPECT_EQ(counts[1], 3u);
    const auto lines = r.Calls("LineTo");
    const auto moves = r.Calls("MoveTo");
    // The joined vertical segment runs from 1 to 3 inches.
    bool joined = false;
    for (std::size_t i = 0; i + 1 < moves.size(); ++i)
        joined = joined || (moves[i].Args == std::vector<int>{75, 75});
    EXPECT_TRUE(joined);
    EXPECT_EQ(lines[1].Args, (std::vector<int>{75, 275}));
    EXPECT_EQ(LastDocument().Pages.size(), 2u);
}

TEST_F(RptCanvas, TabRectangleCoversOnePixelMoreThanRectangle) {
    TBitmapReport r;
    r.Run([&](TBaseReport& rep) {
        rep.Rectangle(1, 1, 2, 2);
        rep.TabRectangle(1, 1, 2, 2);
        rep.Ellipse(1, 1, 2, 3);
        rep.RoundRect(1, 1, 2, 2, 0.5, 0.25);
    });
    const auto rects = r.Calls("Rectangle");
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].Args, (std::vector<int>{75, 75, 175, 175}));
    EXPECT_EQ(rects[1].Args, (std::vector<int>{75, 75, 176, 176}));
    EXPECT_EQ(r.Calls("Ellipse")[0].Args, (std::vector<int>{75, 75, 175, 275}));
    EXPECT_EQ(r.Calls("RoundRect")[0].Args, (std::vector<int>{75, 75, 175, 175, 50, 25}));
}

// Arcs and fills take user units to device pixels (100 dpi, a quarter inch unprintable: one
// inch is pixel 75); rectangles and point lists given in device pixels pass unchanged.
TEST_F(RptCanvas, ArcsFillsAndOutlinesReachTheCanvasInDevicePixels) {
    TBitmapReport r;
    r.Run([&](TBaseReport& rep) {
        rep.Arc(1, 1, 2, 2, 1.5, 1, 1, 1.5);
        rep.Chord(1, 1, 3, 2, 2, 1, 1, 2);
        rep.Pie(0.5, 1, 1.5, 2, 1.5, 1.5, 1, 1);
        rep.FloodFill(2, 3, clRed, fsBorder);
        rep.DrawFocusRect(Rect(10, 20, 30, 40));
        rep.FillRect(Rect(11, 21, 31, 41));
        rep.FrameRect(Rect(12, 22, 32, 42));
        rep.Polygon({{1, 2}, {30, 4}, {5, 60}});
        rep.Polyline({{7, 8}, {90, 10}});
    });
    EXPECT_EQ(r.Calls("Arc").at(0).Args, (std::vector<int>{75, 75, 175, 175, 125, 75, 75, 125}));
    EXPECT_EQ(r.Calls("Chord").at(0).Args,
              (std::vector<int>{75, 75, 275, 175, 175, 75, 75, 175}));
    EXPECT_EQ(r.Calls("Pie").at(0).Args, (std::vector<int>{25, 75, 125, 175, 125, 125, 75, 75}));
    EXPECT_EQ(r.Calls("FloodFill").at(0).Args,
              (std::vector<int>{175, 275, static_cast<int>(clRed), static_cast<int>(fsBorder)}));
    EXPECT_EQ(r.Calls("DrawFocusRect").at(0).Args, (std::vector<int>{10, 20, 30, 40}));
    EXPECT_EQ(r.Calls("FillRect").back().Args, (std::vector<int>{11, 21, 31, 41}));
    EXPECT_EQ(r.Calls("FrameRect").at(0).Args, (std::vector<int>{12, 22, 32, 42}));
    EXPECT_EQ(r.Calls("Polygon").at(0).Args, (std::vector<int>{1, 2, 30, 4, 5, 60}));
    EXPECT_EQ(r.Calls("Polyline").at(0).Args, (std::vector<int>{7, 8, 90, 10}));
}

TEST_F(RptCanvas, AScaledBitmapTakesItsSizeRoundedToTheNearestPixel) {
    TBitmap logo;
    logo.SetSize(3, 5);
    TBitmapReport r;
    r.Run([&](TBaseReport& rep) { rep.PrintBitmap(1, 1, 1.9, 1.5, &logo); });
    // 3 x 1.9 = 5.7 pixels wide, 5 x 1.5 = 7.5 high (halves to even: 8).
    EXPECT_EQ(r.Calls("StretchDraw").at(0).Args, (std::vector<int>{75, 75, 81, 83}));
}

TEST_F(RptCanvas, TextReachesThePrinterWithItsPlacementAndFont) {
    TReportWriter r(nullptr);
    r.SetMarginTop(1.0);
    int baseline = 0, lineBottom = 0, textTop = 0, superscript = 0;
    r.OnPrint = [&](TObject*) {
        baseline = r.YU2D(r.YPos());
        lineBottom = r.YU2D(r.LineBottom());
        textTop = r.YU2D(r.TextTop());
        superscript = r.YU2D((r.TextTop() + r.LineTop()) / 2.0);
        r.PrintLeft("Left", 1);
        r.PrintRight("Right", 5);
        r.PrintCenter("Centre", 4);
        r.SetFontColor(clBlue);
        r.SetBold(true);
        r.PrintLeft("Bold", 6);
        r.SetFontAlign(2);
        r.PrintLeft("Bottom", 6.5);
        r.SetFontAlign(1);
        r.PrintLeft("Top", 7);
        r.SetFontAlign(0);
        r.SetSubscript(true);
        r.PrintLeft("low", 7.5);
        r.SetSuperscript(true);
        r.PrintLeft("2", 8);
    };
    r.Execute();
    const auto& texts = LastDocument().Pages.at(0).Texts;
    ASSERT_EQ(texts.size(), 8u);
    EXPECT_EQ(texts[0].X, 75);
    EXPECT_EQ(texts[0].Y, baseline + 1);
    EXPECT_EQ(texts[0].Align, TA_LEFT | TA_BASELINE);
    EXPECT_EQ(texts[0].Font.lfHeight, -14);
    EXPECT_EQ(texts[0].Font.lfFaceName, "Arial");
    EXPECT_EQ(texts[0].Font.lfWeight, FW_NORMAL);
    EXPECT_EQ(texts[0].Color, 0u);
    EXPECT_EQ(texts[1].X, 475);
    EXPECT_EQ(texts[1].Align, TA_RIGHT | TA_BASELINE);
    EXPECT_EQ(texts[2].X, 375);
    EXPECT_EQ(texts[2].Align, TA_CENTER | TA_BASELINE);
    EXPECT_EQ(texts[3].Font.lfWeight, FW_BOLD);
    EXPECT_EQ(texts[3].Color, ColorToRGB(clBlue));
    EXPECT_EQ(texts[4].Align, TA_LEFT | TA_BOTTOM);
    EXPECT_EQ(texts[4].Y, lineBottom + 1);
    EXPECT_EQ(texts[5].Align, TA_LEFT | TA_TOP);
    EXPECT_NEAR(texts[5].Y, textTop, 1);
    EXPECT_EQ(texts[6].Align, TA_LEFT | TA_BOTTOM);
    EXPECT_EQ(texts[6].Font.lfHeight, -8);
    EXPECT_EQ(texts[7].Align, TA_LEFT | TA_TOP);
    // Superscript: its top halfway between the top of normal text and the top of the line.
    EXPECT_EQ(texts[7].Y, superscript);
    EXPECT_LT(texts[7].Y, textTop);
}

TEST_F(RptCanvas, BitmapsAreScaledOrStretched) {
    TBitmapReport r;
    TBitmap bitmap;
    bitmap.SetSize(10, 20);
    r.Run([&](TBaseReport& rep) {
        rep.PrintBitmap(1, 1, 2.0, 0.5, &bitmap);
        rep.PrintBitmapRect(1, 1, 3, 2, &bitmap);
        TBitmap empty;
        rep.PrintBitmap(1, 1, 1, 1, &empty);
        rep.PrintBitmap(1, 1, 1, 1, nullptr);
    });
    const auto draws = r.Calls("StretchDraw");
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].Args, (std::vector<int>{75, 75, 95, 85}));
    EXPECT_EQ(draws[1].Args, (std::vector<int>{75, 75, 275, 175}));
}

TEST_F(RptCanvas, FormatCodesChangeTheFontInsideText) {
    TBitmapReport r;
    const std::string boldBig = std::string("\x01") + "B1\x02Z14\x04" + "Word";
    r.Run([&](TBaseReport& rep) {
        rep.PushFont();
        rep.SetBold(true);
        rep.SetFontSize(14);
        const int expected = rep.TextPixels("Word");
        rep.PopFont();
        EXPECT_EQ(CodesWidth(&rep, boldBig), expected);
        EXPECT_FALSE(rep.FontRecord().Bold);
        EXPECT_DOUBLE_EQ(rep.TextWidth("Word"), rep.TextPixels("Word") / 100.0);
        EXPECT_EQ(CodesWidth(&rep, std::string("\x01") + "B1\x04"), 1);

        ApplyCodes(&rep,
                   std::string("B1\x02") + "I1\x02U1\x02K1\x02" + "C255\x02HF\x02NCourier New");
        const TReportFont& f = rep.FontRecord();
        EXPECT_TRUE(f.Bold && f.Italic && f.Underline && f.Strikeout);
        EXPECT_EQ(f.Color, clRed);
        EXPECT_EQ(f.Pitch, 2);
        EXPECT_EQ(f.Name, "Courier New");
        ApplyCodes(&rep, "Z1\x03"
                         "2\x02HX\x02J9\x02"
                         "Cbad\x02Z-3");
        EXPECT_DOUBLE_EQ(rep.GetFontSize(), 12.0);
        // Sizes no page could show are ignored, so the line can still be placed.
        ApplyCodes(&rep, "Z1e300\x02Z1001\x02Z99999999999999999999");
        EXPECT_DOUBLE_EQ(rep.GetFontSize(), 12.0);
        rep.SetFontHeight(1e300);
        EXPECT_DOUBLE_EQ(rep.GetFontSize(), 12.0);
        rep.PrintLn(std::string("\x01Z1e300\x04") + "Big");
        EXPECT_EQ(rep.FontRecord().Pitch, 2);
        EXPECT_EQ(rep.FontRecord().Color, clRed);
        ApplyCodes(&rep, "r");
        EXPECT_EQ(rep.GetFontName(), "Courier New");
        EXPECT_FALSE(rep.FontRecord().Bold);
        EXPECT_EQ(rep.FontRecord().Color, clBlack);
        ApplyCodes(&rep, "P1");
        EXPECT_TRUE(rep.FontRecord().Superscript);
        ApplyCodes(&rep, "S1");
        EXPECT_TRUE(rep.FontRecord().Subscript);
        EXPECT_FALSE(rep.FontRecord().Superscript);
        ApplyCodes(&rep, "R");
        EXPECT_EQ(rep.GetFontName(), "Arial");
        EXPECT_DOUBLE_EQ(rep.GetFontSize(), 10.0);

        rep.PrintLeft(boldBig, 1);
        EXPECT_TRUE(rep.FontRecord().Bold);
        EXPECT_DOUBLE_EQ(rep.GetFontSize(), 14.0);
    });
}

TEST_F(RptCanvas, CodeGrammarSplitsSegmentsAndCodes) {
    const std::string text = std::string("ab\x01") + "B1\x02N" + "Ar\x03ial\x04" + "cd\x01Z9";
    int pos = 1;
    std::string plain, codes;
    NextSegment(text, pos, plain, codes);
    EXPECT_EQ(plain, "ab");
    EXPECT_TRUE(codes.empty());
    NextSegment(text, pos, plain, codes);
    EXPECT_TRUE(plain.empty());
    EXPECT_EQ(codes, std::string("B1\x02N") + "Ar\x03ial");
    int at = 1;
    char letter = 0;
    std::string argument;
    NextCode(codes, at, letter, argument);
    EXPECT_EQ(letter, 'B');
    EXPECT_EQ(argument, "1");
    NextCode(codes, at, letter, argument);
    EXPECT_EQ(letter, 'N');
    EXPECT_EQ(argument, "Arial");
    NextCode(codes, at, letter, argument);
    EXPECT_EQ(letter, ' ');
    NextSegment(text, pos, plain, codes);
    EXPECT_EQ(plain, "cd");
    NextSegment(text, pos, plain, codes); // a block without its end runs to the text's end
    EXPECT_EQ(codes, "Z9");
    EXPECT_EQ(pos, static_cast<int>(text.size()) + 1);
    EXPECT_FALSE(HasCodes("plain"));
}

TEST_F(RptCanvas, CodedTextLandsWherePlainTextWould) {
    TBitmapReport r;
    r.SetMarginTop(1.0);
    const std::string coded = std::string("\x01") + "B0\x04" + "MMMM";
    TRect plainCentre, codedCentre, plainRight, codedRight;
    r.Run([&](TBaseReport& rep) {
        // The ink of the text centred on 4 inches, or ending at 6, on a line of its own.
        auto printed = [&](const std::string& text, bool centred) {
            centred ? rep.PrintCenter(text, 4) : rep.PrintRight(text, 6);
            const TRect ink = r.Ink(LineBand(r));
            rep.NewLine();
            rep.NewLine();
            return ink;
        };
        plainCentre = printed("MMMM", true);
        codedCentre = printed(coded, true);
        plainRight = printed("MMMM", false);
        codedRight = printed(coded, false);
    });
    EXPECT_NEAR(codedCentre.Left, plainCentre.Left, 1);
    EXPECT_NEAR(codedCentre.Right, plainCentre.Right, 1);
    EXPECT_NEAR(codedRight.Right, plainRight.Right, 1);
    EXPECT_NEAR(plainRight.Right, 575, 2);
}

TEST_F(RptCanvas, CodedSegmentsStayContiguousInMillimetres) {
    TBitmapReport r;
    r.SetUnits(unMM);
    r.Run([&](TBaseReport& rep) {
        const double bold = [&] {
            rep.PushFont();
            rep.SetBold(true);
            double w = rep.TextWidth("AB");
            rep.PopFont();
            return w;
        }();
        const double plain = rep.TextWidth("CD");
        rep.PrintLeft(std::string("\x01") + "B1\x04" + "AB\x01" + "B0\x04" + "CD", 25.4);
        EXPECT_NEAR(rep.XPos(), 25.4 + bold + plain, 1e-9);
    });
}

TEST_F(RptCanvas, EmptyTextMovesOnePixel) {
    TBitmapReport r;
    r.Run([&](TBaseReport& rep) {
        rep.PrintLeft("", 1);
        EXPECT_NEAR(rep.XPos(), 1.01, 1e-9);
        rep.PrintCenter("", 2);
        EXPECT_NEAR(rep.XPos(), 2.005, 1e-9);
        rep.PrintRight("", 3);
        EXPECT_NEAR(rep.XPos(), 3.0, 1e-9);
    });
    EXPECT_EQ(r.Ink(Rect(0, 0, 800, 1050)).Right, -1);
}

TEST_F(RptCanvas, BlockTextFillsItsWidth) {
    TBitmapReport r;
    r.SetMarginTop(1.0);
    TRect word, words;
    r.Run([&](TBaseReport& rep) {
        rep.PrintBlock("ABC", 1, 3);
        word = r.Ink(LineBand(r));
        rep.NewLine();
        rep.PrintBlock("one  two three", 1, 5);
        words = r.Ink(LineBand(r));
    });
    EXPECT_NEAR(word.Left, 75, 2);
    EXPECT_NEAR(word.Right, 375, 3);
    EXPECT_NEAR(words.Left, 75, 2);
    EXPECT_NEAR(words.Right, 575, 3);
    // The letters of the single word stand apart: blank columns between them.
    int blankColumns = 0;
    for (int x = word.Left; x < word.Right; ++x)
        if (r.Ink(Rect(x, word.Top, x + 1, word.Bottom)).Right < 0) ++blankColumns;
    EXPECT_GT(blankColumns, 150);
}

TEST_F(RptCanvas, DeviceFontCacheKeysOnEverythingButColour) {
    TBitmapReport r;
    r.Run([&](TBaseReport& rep) {
        HFONT black = rep.DeviceFont();
        rep.SetFontColor(clBlue);
        EXPECT_EQ(rep.DeviceFont(), black);
        rep.SetBold(true);
        HFONT bold = rep.DeviceFont();
        EXPECT_NE(bold, black);
        rep.SetBold(false);
        EXPECT_EQ(rep.DeviceFont(), black);
        r.SetZoom(50);
        rep.SetFontColor(clBlack);
        HFONT zoomed = rep.DeviceFont();
        EXPECT_NE(zoomed, black);
        r.SetZoom(100);
        rep.SetFontColor(clRed);
        EXPECT_EQ(rep.DeviceFont(), black);
        const int dpi = rep.YDPI();
        r.SetResolution(dpi, 2 * dpi);
        rep.SetFontColor(clBlack);
        EXPECT_NE(rep.DeviceFont(), black);
        r.SetResolution(2 * dpi, dpi);
        rep.SetFontColor(clRed);
        EXPECT_NE(rep.DeviceFont(), black);
        r.SetResolution(dpi, dpi);
        rep.SetFontColor(clBlack);
        EXPECT_EQ(rep.DeviceFont(), black);
    });
}

TEST_F(RptCanvas, PassThroughDataIsCutAndChunked) {
    TReportWriter r(nullptr);
    r.OnPrint = [](TObject* sender) {
        auto* rep = static_cast<TReportWriter*>(sender);
        rep->PrintData(std::string(300, 'x'));
        TMemoryStream stream;
        std::string data(5000, 'y');
        stream.Write(data.data(), static_cast<LongInt>(data.size()));
        stream.SetPosition(1000);
        rep->PrintDataStream(stream, 0);
        stream.SetPosition(0);
        rep->PrintDataStream(stream, 10);
    };
    r.Execute();
    const std::string& raw = LastDocument().Pages.at(0).RawData;
    EXPECT_EQ(raw, std::string(255, 'x') + std::string(4000, 'y') + std::string(10, 'y'));
}

TEST_F(RptCanvas, OutputFilterAndSuppressedPagesDrawNothing) {
    TBitmapReport r;
    r.Run([&](TBaseReport& rep) {
        rep.OutputToPreviewOnly();
        rep.Rectangle(1, 1, 2, 2);
        rep.OutputToAll();
        rep.Rectangle(1, 1, 2, 2);
        rep.OutputToPrinterOnly();
        rep.Rectangle(1, 1, 2, 2);
        rep.CancelPage();
        EXPECT_EQ(rep.CurrentPage(), 0);
        rep.Rectangle(1, 1, 2, 2);
        rep.PrintLn("\tnothing");
    });
    EXPECT_EQ(r.Calls("Rectangle").size(), 2u);
}

} // namespace
