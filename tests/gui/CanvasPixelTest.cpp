// Pixel tests of the canvas on bitmaps: GDI's edge rules, drawing modes, text placement,
// rotated and formatted text, mapping modes, clipping, saved states, blits and BMP files.
#include "tests/gui/BitmapFixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class CanvasPixel : public BitmapFixture {
protected:
    CanvasPixel() : BitmapFixture(64, 64) {}
    std::vector<TColor> Snapshot() {
        std::vector<TColor> v;
        for (int y = 0; y < bmp.Height(); ++y)
            for (int x = 0; x < bmp.Width(); ++x)
                v.push_back(c->Pixels(x, y));
        return v;
    }
};

TEST_F(CanvasPixel, FilledShapesLeaveOutRightAndBottomEdges) {
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clRed);
    c->Rectangle(2, 2, 8, 6);
    EXPECT_EQ(c->Pixels(2, 2), clBlack);
    EXPECT_EQ(c->Pixels(7, 5), clBlack);
    EXPECT_EQ(c->Pixels(4, 3), clRed);
    EXPECT_EQ(c->Pixels(8, 5), clWhite);
    EXPECT_EQ(c->Pixels(7, 6), clWhite);
    EXPECT_EQ(Ink(), Rect(2, 2, 8, 6));

    Clear(clWhite);
    c->Brush()->SetColor(clBlue);
    c->FillRect(Rect(10, 10, 20, 15));
    EXPECT_EQ(Ink(), Rect(10, 10, 20, 15));

    Clear(clWhite);
    c->Brush()->SetColor(clGreen);
    c->FrameRect(Rect(3, 4, 9, 10));
    EXPECT_EQ(Ink(), Rect(3, 4, 9, 10));
    EXPECT_EQ(c->Pixels(5, 6), clWhite);

    Clear(clWhite);
    c->Brush()->SetColor(clWhite);
    c->Ellipse(10, 20, 30, 30);
    EXPECT_EQ(Ink(), Rect(10, 20, 30, 30));

    // A rectangle with no pen fills one pixel less to the right and bottom.
    Clear(clWhite);
    c->Pen()->SetStyle(psClear);
    c->Brush()->SetColor(clRed);
    c->Rectangle(2, 2, 8, 6);
    EXPECT_EQ(Ink(), Rect(2, 2, 7, 5));
}

TEST_F(CanvasPixel, LineToLeavesOutItsEndPixelAndMovesThePen) {
    c->Pen()->SetColor(clBlack);
    c->MoveTo(1, 1);
    c->LineTo(5, 1);
    EXPECT_EQ(Ink(), Rect(1, 1, 5, 2));
    EXPECT_EQ(c->PenPos(), Point(5, 1));

    Clear(clWhite);
    c->MoveTo(10, 10);
    c->LineTo(20, 20);
    EXPECT_EQ(Ink(), Rect(10, 10, 20, 20));
    EXPECT_EQ(c->Pixels(19, 19), clBlack);
    EXPECT_EQ(c->Pixels(20, 20), clWhite);

    // A closed polyline under XOR draws each pixel once.
    Clear(clWhite);
    c->Pen()->SetMode(pmXor);
    c->Pen()->SetColor(clWhite);
    c->Polyline({{5, 5}, {15, 5}, {15, 15}, {5, 15}, {5, 5}});
    EXPECT_EQ(c->Pixels(5, 5), clBlack);
    EXPECT_EQ(c->Pixels(15, 5), clBlack);
    EXPECT_EQ(c->Pixels(15, 15), clBlack);
}

TEST_F(CanvasPixel, DrawFocusRectTwiceRestoresThePixels) {
    c->Brush()->SetColor(clTeal);
    c->FillRect(Rect(4, 4, 40, 30));
    std::vector<TColor> before = Snapshot();
    c->DrawFocusRect(Rect(2, 3, 33, 20));
    EXPECT_NE(Snapshot(), before);
    EXPECT_EQ(c->Pixels(2, 4), static_cast<TColor>(0x000000)); // white inverted
    EXPECT_EQ(c->Pixels(3, 4), clWhite);                       // the dot pattern's gap
    c->DrawFocusRect(Rect(2, 3, 33, 20));
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(CanvasPixel, PenModesCombineWithKnownPixels) {
    const TColor base = 0x33CC0F, pen = 0x0FF0AA;
    struct Case {
        TPenMode Mode;
        TColor Expected;
    } cases[] = {
        {pmCopy, pen},
        {pmXor, base ^ pen},
        {pmNotXor, ~(base ^ pen) & 0xFFFFFF},
        {pmMask, base & pen},
        {pmMerge, base | pen},
        {pmNotCopy, ~pen & 0xFFFFFF},
        {pmNot, ~base & 0xFFFFFF},
    };
    for (const Case& k : cases) {
        Clear(base);
        c->Pen()->SetMode(k.Mode);
        c->Pen()->SetColor(pen);
        c->MoveTo(0, 3);
        c->LineTo(10, 3);
        EXPECT_EQ(c->Pixels(4, 3), k.Expected) << "mode " << k.Mode;
        EXPECT_EQ(c->Pixels(4, 4), base);
    }
}

TEST_F(CanvasPixel, TextAlignmentPlacesTheBaselineWhereTheMetricsSay) {
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-20);
    c->Font()->SetColor(clBlack);
    c->Brush()->SetStyle(bsClear);
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(c->Handle(), &tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_GT(tm.tmInternalLeading, 0);
    EXPECT_GT(tm.tmMaxCharWidth, tm.tmAveCharWidth);

    // The ink of "H" drawn alone at (x, y) with that alignment.
    auto drawn = [&](UINT align, int x, int y) {
        Clear(clWhite);
        c->Brush()->SetStyle(bsClear);
        SetTextAlign(c->Handle(), align);
        c->TextOut(x, y, "H");
        return Ink();
    };
    const TRect baseline = drawn(TA_BASELINE | TA_LEFT, 5, 40);
    EXPECT_EQ(baseline.Bottom, 40); // "H" stands on the baseline
    EXPECT_GE(baseline.Left, 5);
    EXPECT_EQ(drawn(TA_TOP | TA_LEFT, 5, 40 - tm.tmAscent), baseline);
    EXPECT_EQ(drawn(TA_BOTTOM | TA_LEFT, 5, 40 + tm.tmDescent), baseline);

    // Right and centre alignment end and centre the text's advance on x.
    const int w = c->TextWidth("H");
    EXPECT_EQ(drawn(TA_BASELINE | TA_RIGHT, 5 + w, 40), baseline);
    const TRect centred = drawn(TA_BASELINE | TA_CENTER, 5 + w / 2, 40);
    EXPECT_EQ(centred.Bottom, 40);
    EXPECT_LE(std::abs(centred.Left - baseline.Left), 1);
}

TEST_F(CanvasPixel, OpaqueTextFillsItsCellWithTheBrushColour) {
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-12);
    c->Brush()->SetColor(clYellow);
    c->TextOut(3, 4, "ab");
    TSize s = c->TextExtent("ab");
    EXPECT_EQ(Ink(), Bounds(3, 4, s.cx, s.cy));
    EXPECT_EQ(c->Pixels(3, 4), clYellow);
}

TEST_F(CanvasPixel, RotatedTextTurnsAboutTheReferencePoint) {
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-14);
    c->Brush()->SetStyle(bsClear);
    int width = c->TextWidth("HHHH");
    c->Font()->SetEscapement(900); // upwards
    c->TextOut(30, 60, "HHHH");
    TRect up = Ink();
    EXPECT_LE(up.Bottom, 61);
    EXPECT_GE(up.Top, 60 - width - 1);
    EXPECT_GE(up.Height(), width - 4);
    EXPECT_GE(up.Left, 30); // the top of the glyphs faces left, so the ink lies right of x
    EXPECT_LT(up.Width(), width);

    Clear(clWhite);
    c->Font()->SetEscapement(2700); // downwards
    c->Brush()->SetStyle(bsClear);
    c->TextOut(30, 2, "HHHH");
    TRect down = Ink();
    EXPECT_GE(down.Top, 2);
    EXPECT_LE(down.Bottom, 2 + width + 1);
    EXPECT_GE(down.Height(), width - 4);
    EXPECT_LE(down.Right, 30);
}

TEST_F(CanvasPixel, DrawTextBreaksWordsAndHandlesPrefixes) {
    HDC dc = c->Handle();
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-12);
    TEXTMETRIC tm;
    GetTextMetrics(c->Handle(), &tm);
    int word = c->TextWidth("Mmmm");
    TRect r = Rect(0, 0, word + word / 2, 0);
    int h = DrawText(dc, "Mmmm Mmmm Mmmm", &r, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(h, 3 * tm.tmHeight);
    EXPECT_EQ(r.Bottom, 3 * tm.tmHeight);
    EXPECT_EQ(r.Right, word);

    // The width a single line of the text measures.
    auto measured = [&](const std::string& text, UINT flags) {
        r = Rect(0, 0, 200, 0);
        DrawText(dc, text, &r, DT_CALCRECT | DT_SINGLELINE | flags);
        return r.Right;
    };
    EXPECT_EQ(measured("A&&B", 0), c->TextWidth("A&B"));
    EXPECT_EQ(measured("&File", 0), c->TextWidth("File"));
    EXPECT_EQ(measured("&File", DT_NOPREFIX), c->TextWidth("&File"));

    // The prefixed letter is underlined: a line under "F" and none under "ile".
    SetBkMode(dc, TRANSPARENT);
    r = Rect(0, 0, 60, 30);
    DrawText(dc, "&File", &r, DT_SINGLELINE);
    int under = tm.tmAscent + 1;
    int f = c->TextWidth("F");
    for (int x = 0; x < f; ++x)
        EXPECT_EQ(c->Pixels(x, under), clBlack) << x;
    EXPECT_EQ(c->Pixels(f + 1, under), clWhite);

    // Centred and bottom single lines.
    Clear(clWhite);
    SetBkMode(dc, TRANSPARENT);
    r = Rect(0, 0, 60, 40);
    DrawText(dc, "i", &r, DT_SINGLELINE | DT_CENTER | DT_BOTTOM);
    TRect ink = Ink();
    EXPECT_GT(ink.Left, 25);
    EXPECT_LE(ink.Bottom, 40 - tm.tmDescent);
    EXPECT_GT(ink.Top, 40 - tm.tmHeight);
}

TEST_F(CanvasPixel, AnisotropicMappingScalesAndMovesShapes) {
    HDC dc = c->Handle();
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 1000, 1000, nullptr);
    SetViewportExtEx(dc, 50, 25, nullptr);
    SetWindowOrgEx(dc, 100, 0, nullptr);
    SetViewportOrgEx(dc, 4, 8, nullptr);
    TPoint p[2] = {{100, 0}, {500, 400}};
    LPtoDP(dc, p, 2);
    EXPECT_EQ(p[0], Point(4, 8));
    EXPECT_EQ(p[1], Point(24, 18));
    DPtoLP(dc, p, 2);
    EXPECT_EQ(p[1], Point(500, 400));
    c->Brush()->SetColor(clRed);
    c->Pen()->SetColor(clRed);
    c->Rectangle(100, 0, 500, 400);
    // Pixels are read in logical units too.
    EXPECT_EQ(c->Pixels(100, 0), clRed);
    EXPECT_EQ(c->Pixels(80, 0), clWhite);
    // Back to MM_TEXT: extents are one to one again, origins stay.
    SetMapMode(dc, MM_TEXT);
    TSize ext;
    GetViewportExtEx(dc, &ext);
    EXPECT_EQ(ext, (TSize{1, 1}));
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    EXPECT_EQ(Ink(), Rect(4, 8, 24, 18));
}

TEST_F(CanvasPixel, ClippingAndSavedStates) {
    HDC dc = c->Handle();
    int saved = SaveDC(dc);
    EXPECT_EQ(saved, 1);
    IntersectClipRect(dc, 10, 10, 20, 20);
    ExcludeClipRect(dc, 12, 12, 14, 14);
    EXPECT_EQ(c->ClipRect(), Rect(10, 10, 20, 20));
    c->Brush()->SetColor(clBlue);
    c->FillRect(Rect(0, 0, 64, 64));
    EXPECT_EQ(c->Pixels(12, 12), -1); // outside the clip region
    EXPECT_TRUE(RestoreDC(dc, -1));
    EXPECT_FALSE(RestoreDC(dc, -1)); // nothing left to restore
    EXPECT_EQ(Ink(), Rect(10, 10, 20, 20));
    EXPECT_EQ(c->Pixels(12, 12), clWhite);
    c->FillRect(Rect(0, 0, 64, 64));
    EXPECT_EQ(Ink(), Rect(0, 0, 64, 64));
}

TEST_F(CanvasPixel, BlitsApplyTheRasterOperations) {
    const TColor s = 0x00FF3C, d = 0x330FF0;
    TBitmap src;
    src.SetSize(4, 4);
    src.Canvas()->Brush()->SetColor(s);
    src.Canvas()->FillRect(Rect(0, 0, 4, 4));
    struct Case {
        DWORD Rop;
        TColor Expected;
    } cases[] = {
        {SRCCOPY, s},
        {SRCPAINT, s | d},
        {SRCAND, s & d},
        {SRCINVERT, s ^ d},
        {SRCERASE, s & (~d & 0xFFFFFF)},
        {NOTSRCCOPY, ~s & 0xFFFFFF},
        {NOTSRCERASE, ~(s | d) & 0xFFFFFF},
        {MERGEPAINT, (~s & 0xFFFFFF) | d},
        {DSTINVERT, ~d & 0xFFFFFF},
        {BLACKNESS, 0},
        {WHITENESS, 0xFFFFFF},
    };
    for (const Case& k : cases) {
        Clear(d);
        BitBlt(c->Handle(), 10, 10, 4, 4, src.Canvas()->Handle(), 0, 0, k.Rop);
        EXPECT_EQ(c->Pixels(11, 11), k.Expected) << std::hex << k.Rop;
        EXPECT_EQ(c->Pixels(14, 11), d);
    }
    // CopyRect stretches with the copy mode.
    Clear(d);
    c->SetCopyMode(SRCINVERT);
    c->CopyRect(Rect(0, 0, 8, 8), src.Canvas(), Rect(0, 0, 4, 4));
    EXPECT_EQ(Ink(d), Rect(0, 0, 8, 8));
    EXPECT_EQ(c->Pixels(7, 7), s ^ d);
}

TEST_F(CanvasPixel, MonochromeMasksAndTransparentDrawing) {
    TBitmap glyph;
    glyph.SetSize(4, 4);
    glyph.Canvas()->Brush()->SetColor(clFuchsia);
    glyph.Canvas()->FillRect(Rect(0, 0, 4, 4));
    glyph.Canvas()->Brush()->SetColor(clNavy);
    glyph.Canvas()->FillRect(Rect(1, 1, 3, 3));
    glyph.SetTransparent(true); // the bottom-left pixel gives the colour
    EXPECT_EQ(glyph.TransparentColor(), clFuchsia);
    c->Draw(20, 20, &glyph);
    EXPECT_EQ(Ink(), Rect(21, 21, 23, 23));

    TBitmap mask;
    mask.Assign(&glyph);
    mask.Mask(clFuchsia);
    EXPECT_TRUE(mask.Monochrome());
    EXPECT_EQ(mask.Canvas()->Pixels(0, 0), clWhite);
    EXPECT_EQ(mask.Canvas()->Pixels(1, 1), clBlack);

    // BrushCopy paints the given colour in the brush.
    Clear(clWhite);
    c->Brush()->SetColor(clLime);
    c->BrushCopy(Rect(0, 0, 4, 4), &glyph, Rect(0, 0, 4, 4), clFuchsia);
    EXPECT_EQ(c->Pixels(0, 0), clLime);
    EXPECT_EQ(c->Pixels(1, 1), clNavy);
}

TEST_F(CanvasPixel, BitmapsRoundTripThroughBmpStreams) {
    TBitmap b;
    b.SetSize(5, 3);
    b.Canvas()->Pixels(0, 0);
    b.Canvas()->SetPixels(0, 0, clRed);
    b.Canvas()->SetPixels(4, 2, 0x123456);
    TMemoryStream stream;
    b.SaveToStream(stream);
    stream.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(stream);
    EXPECT_EQ(back.Width(), 5);
    EXPECT_EQ(back.Height(), 3);
    EXPECT_EQ(back.Canvas()->Pixels(0, 0), clRed);
    EXPECT_EQ(back.Canvas()->Pixels(4, 2), 0x123456);
    EXPECT_EQ(back.Canvas()->Pixels(1, 1), clWhite);
    EXPECT_EQ(stream.Position(), stream.Size());

    TMemoryStream junk;
    const char bad[] = "BM\x40\x00\x00\x00 this is not a bitmap at all.........";
    junk.WriteBuffer(bad, sizeof bad);
    junk.SetPosition(0);
    EXPECT_THROW(back.LoadFromStream(junk), EInvalidGraphic);
    EXPECT_EQ(back.Width(), 5); // unchanged
}

TEST_F(CanvasPixel, HatchedBrushesLeaveTheirGapsUnlessTheBackgroundIsOpaque) {
    c->Brush()->SetColor(clBlue);
    c->Brush()->SetStyle(bsHorizontal);
    c->FillRect(Rect(0, 0, 16, 16));
    int blue = 0, white = 0;
    for (int y = 0; y < 16; ++y)
        (c->Pixels(3, y) == clBlue ? blue : white)++;
    EXPECT_EQ(blue, 2); // one line in eight
    EXPECT_EQ(white, 14);
    // An opaque background fills the gaps with the background colour.
    SetBkMode(c->Handle(), OPAQUE);
    SetBkColor(c->Handle(), ColorToRGB(clYellow));
    c->FillRect(Rect(20, 0, 36, 16));
    for (int y = 0; y < 16; ++y)
        EXPECT_NE(c->Pixels(23, y), clWhite);
}

TEST_F(CanvasPixel, ExtTextOutClipsAndFillsItsRectangle) {
    HDC dc = c->Handle();
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-16);
    dc = c->Handle();
    SetBkColor(dc, ColorToRGB(clLime));
    TRect r = Rect(10, 10, 30, 30);
    ExtTextOut(dc, 12, 12, ETO_OPAQUE | ETO_CLIPPED, &r, "WWWWWWWW");
    EXPECT_EQ(Ink(), r); // the opaque rectangle, and no text outside it
    EXPECT_EQ(c->Pixels(10, 10), clLime);

    // Character spacing and justification widen the text.
    TSize plain, spaced;
    GetTextExtentPoint(dc, "a b c", &plain);
    SetTextCharacterExtra(dc, 2);
    GetTextExtentPoint(dc, "a b c", &spaced);
    EXPECT_EQ(spaced.cx, plain.cx + 10);
    SetTextCharacterExtra(dc, 0);
    SetTextJustification(dc, 7, 2);
    GetTextExtentPoint(dc, "a b c", &spaced);
    EXPECT_EQ(spaced.cx, plain.cx + 7);
    SetTextJustification(dc, 0, 0);

    // TextRect with a solid brush fills the rectangle, with a clear one only draws the text.
    Clear(clWhite);
    c->Brush()->SetColor(clAqua);
    c->TextRect(Rect(0, 40, 20, 60), 2, 42, "Text");
    EXPECT_EQ(Ink(), Rect(0, 40, 20, 60));
}

TEST_F(CanvasPixel, AColourToMonochromeBlitMakesAMaskOfTheBackgroundColour) {
    TBitmap picture;
    picture.SetSize(4, 1);
    for (int x = 0; x < 4; ++x)
        picture.Canvas()->SetPixels(x, 0, x % 2 ? clFuchsia : clNavy);
    TBitmap mask;
    mask.SetMonochrome(true);
    mask.SetSize(4, 1);
    SetBkColor(picture.Canvas()->Handle(), ColorToRGB(clFuchsia));
    BitBlt(mask.Canvas()->Handle(), 0, 0, 4, 1, picture.Canvas()->RawHandle(), 0, 0, SRCCOPY);
    EXPECT_EQ(mask.Canvas()->Pixels(0, 0), clBlack);
    EXPECT_EQ(mask.Canvas()->Pixels(1, 0), clWhite);
    // And back: monochrome onto colour takes the text colour for 0 and background for 1.
    SetTextColor(c->Handle(), ColorToRGB(clRed));
    SetBkColor(c->Handle(), ColorToRGB(clGreen));
    BitBlt(c->Handle(), 0, 0, 4, 1, mask.Canvas()->Handle(), 0, 0, SRCCOPY);
    EXPECT_EQ(c->Pixels(0, 0), clRed);
    EXPECT_EQ(c->Pixels(1, 0), clGreen);
}

TEST_F(CanvasPixel, EdgesDrawTheirRingsInTheClassicColours) {
    HDC dc = c->Handle();
    TRect r = Rect(2, 2, 12, 10);
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    EXPECT_EQ(r, Rect(4, 4, 10, 8));
    EXPECT_EQ(c->Pixels(2, 2), static_cast<TColor>(ColorToRGB(cl3DLight)));
    EXPECT_EQ(c->Pixels(11, 9), static_cast<TColor>(ColorToRGB(cl3DDkShadow)));
    EXPECT_EQ(c->Pixels(11, 2), static_cast<TColor>(ColorToRGB(cl3DDkShadow))); // top right
    EXPECT_EQ(c->Pixels(3, 3), static_cast<TColor>(ColorToRGB(clBtnHighlight)));
    EXPECT_EQ(c->Pixels(10, 8), static_cast<TColor>(ColorToRGB(clBtnShadow)));
    EXPECT_EQ(c->Pixels(5, 5), clWhite); // no middle asked for

    // Only the sides asked for: an etched line at the top.
    Clear(clTeal);
    r = Rect(20, 20, 40, 30);
    DrawEdge(dc, &r, EDGE_ETCHED, BF_TOP);
    EXPECT_EQ(Ink(clTeal), Rect(20, 20, 39, 22));
    EXPECT_EQ(c->Pixels(25, 20), static_cast<TColor>(ColorToRGB(clBtnShadow)));
    EXPECT_EQ(c->Pixels(25, 21), static_cast<TColor>(ColorToRGB(clBtnHighlight)));
}

TEST_F(CanvasPixel, FloodFillStopsAtTheBorder) {
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetStyle(bsClear);
    c->Rectangle(10, 10, 30, 30);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clRed);
    c->FloodFill(15, 15, clBlack, fsBorder);
    EXPECT_EQ(c->Pixels(11, 11), clRed);
    EXPECT_EQ(c->Pixels(28, 28), clRed);
    EXPECT_EQ(c->Pixels(10, 10), clBlack);
    EXPECT_EQ(c->Pixels(31, 31), clWhite);
    // The surface form fills the pixels of one colour that touch the start.
    c->Brush()->SetColor(clBlue);
    c->FloodFill(15, 15, clRed, fsSurface);
    EXPECT_EQ(c->Pixels(28, 11), clBlue);
    EXPECT_EQ(c->Pixels(10, 10), clBlack);
    EXPECT_EQ(c->Pixels(40, 40), clWhite);
}

} // namespace

namespace {

TEST_F(CanvasPixel, WhatAComponentSetsOnTheHandleStaysUntilTheCanvasChanges) {
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-14);
    c->Brush()->SetColor(clYellow);
    // A transparent background set on the handle survives the next text output.
    SetBkMode(c->Handle(), TRANSPARENT);
    c->TextOut(2, 2, "W");
    EXPECT_EQ(c->Pixels(2, 2), clWhite);
    // A brush change brings the canvas's background mode back.
    c->Brush()->SetColor(clAqua);
    c->TextOut(20, 2, "W");
    EXPECT_EQ(c->Pixels(20, 2), clAqua);

    // A rotated font selected on the handle draws until it is put back.
    Clear(clWhite);
    LOGFONT lf;
    ASSERT_TRUE(GetObject(c->Font()->Handle(), lf));
    lf.lfEscapement = 900;
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    HFONT rotated = CreateFontIndirect(lf);
    HGDIOBJ old = SelectObject(c->Handle(), rotated);
    SetBkMode(c->Handle(), TRANSPARENT);
    ::TextOut(c->Handle(), 30, 60, "WWWW");
    TRect ink = Ink();
    EXPECT_GT(ink.Height(), ink.Width());
    SelectObject(c->Handle(), old);
    DeleteObject(rotated);
}

} // namespace
