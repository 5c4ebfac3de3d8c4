// The GDI-level calls on bitmaps: formatted text, the current position, saved-state levels,
// shapes' bounds, inversion, pattern brushes, stretched and mirrored blits, pixel access and
// the bitmap's own properties.
#include "platform/gui/QtPaint.h"
#include "tests/gui/BitmapFixture.h"
#include "tests/rtl/TestFolder.h"

#include <gtest/gtest.h>

namespace {

class Gdi : public BitmapFixture {
protected:
    Gdi() : BitmapFixture(80, 60) {}
    void SetUp() override {
        BitmapFixture::SetUp();
        dc = c->Handle();
    }
    HDC dc = nullptr;
};

TEST_F(Gdi, DrawTextPlacesLinesByItsFlags) {
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-12);
    dc = c->Handle();
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    // Line breaks in the text start new lines; CR LF counts as one.
    TRect r = Rect(0, 0, 80, 0);
    EXPECT_EQ(DrawText(dc, "one\r\ntwo\nthree", &r, DT_CALCRECT), 3 * tm.tmHeight);
    EXPECT_EQ(r.Right, c->TextWidth("three"));
    // A single line ignores them.
    r = Rect(0, 0, 80, 0);
    EXPECT_EQ(DrawText(dc, "one\r\ntwo", &r, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
    EXPECT_EQ(r.Right, c->TextWidth("onetwo"));
    // Tabs expand to stops eight average characters apart.
    r = Rect(0, 0, 200, 0);
    DrawText(dc, "a\tb", &r, DT_CALCRECT | DT_EXPANDTABS);
    EXPECT_EQ(r.Right, 8 * tm.tmAveCharWidth + c->TextWidth("b"));
    // A word longer than the line stays whole on a line of its own.
    r = Rect(0, 0, 10, 0);
    EXPECT_EQ(DrawText(dc, "Payments due", &r, DT_CALCRECT | DT_WORDBREAK), 2 * tm.tmHeight);
    EXPECT_EQ(r.Right, c->TextWidth("Payments"));

    // The ink of a single line of the text drawn alone in Box, on a transparent background.
    auto drawn = [&](const std::string& text, TRect box, UINT flags) {
        Clear();
        SetBkMode(dc, TRANSPARENT);
        DrawText(dc, text, &box, DT_SINGLELINE | flags);
        return Ink();
    };
    // Right and vertically centred text.
    const TRect ink = drawn("x", Rect(0, 0, 80, 60), DT_RIGHT | DT_VCENTER);
    EXPECT_LE(ink.Right, 80);
    EXPECT_GE(ink.Left, 80 - c->TextWidth("x"));
    EXPECT_GE(ink.Top, (60 - tm.tmHeight) / 2);
    EXPECT_LE(ink.Bottom, (60 + tm.tmHeight) / 2 + 1);
    // An ellipsis ends text that does not fit.
    EXPECT_LE(drawn("A long account name", Rect(0, 0, 30, 20), DT_END_ELLIPSIS).Right, 30);
    // Without clipping text may run past the rectangle.
    EXPECT_GT(drawn("WWWW", Rect(0, 0, 10, 20), DT_NOCLIP).Right, 10);
}

TEST_F(Gdi, EndEllipsisKeepsTheLongestBeginningThatFits) {
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-12);
    dc = c->Handle();
    std::vector<std::string> shown;
    DeviceContext(dc)->OnText = [&](TDeviceContext&, int, int, const std::string& text) {
        shown.push_back(text);
    };
    auto check = [&](const std::string& text, int width) {
        shown.clear();
        TRect r = Rect(0, 0, width, 20);
        DrawText(dc, text, &r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        ASSERT_EQ(shown.size(), 1u);
        const std::string& cut = shown[0];
        ASSERT_GE(cut.size(), 3u);
        EXPECT_EQ(cut.substr(cut.size() - 3), "...");
        const std::size_t kept = cut.size() - 3;
        EXPECT_EQ(cut.substr(0, kept), text.substr(0, kept));
        EXPECT_LE(c->TextWidth(cut), width);
        EXPECT_GT(c->TextWidth(text.substr(0, kept + 1) + "..."), width);
    };
    check("A long account name", 60);
    // A text of two hundred thousand characters is cut as quickly as a short one.
    std::string longText;
    for (int i = 0; longText.size() < 200000; ++i)
        longText += "Payment " + std::to_string(i) + "; ";
    check(longText, 75);
    DeviceContext(dc)->OnText = nullptr;
}

TEST_F(Gdi, TheCurrentPositionFollowsTextWhenAsked) {
    c->Font()->SetName("Arial");
    dc = c->Handle();
    SetTextAlign(dc, TA_UPDATECP);
    MoveToEx(dc, 5, 10, nullptr);
    TextOut(dc, 0, 0, "abc");
    TPoint p;
    GetCurrentPositionEx(dc, &p);
    EXPECT_EQ(p, Point(5 + c->TextWidth("abc"), 10));
    SetTextAlign(dc, TA_UPDATECP | TA_RIGHT);
    TextOut(dc, 0, 0, "abc");
    GetCurrentPositionEx(dc, &p);
    EXPECT_EQ(p, Point(5, 10));
    EXPECT_EQ(GetTextAlign(dc), static_cast<UINT>(TA_UPDATECP | TA_RIGHT));
}

TEST_F(Gdi, SavedStatesRestoreByLevel) {
    SetTextColor(dc, 1);
    EXPECT_EQ(SaveDC(dc), 1);
    SetTextColor(dc, 2);
    EXPECT_EQ(SaveDC(dc), 2);
    SetTextColor(dc, 3);
    EXPECT_EQ(SaveDC(dc), 3);
    SetTextColor(dc, 4);
    EXPECT_FALSE(RestoreDC(dc, 4));
    EXPECT_FALSE(RestoreDC(dc, 0));
    EXPECT_TRUE(RestoreDC(dc, 2)); // drops the third save as well
    EXPECT_EQ(GetTextColor(dc), 2u);
    EXPECT_FALSE(RestoreDC(dc, 2));
    EXPECT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(GetTextColor(dc), 1u);
    // Mapping and clipping come back too.
    SaveDC(dc);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetViewportExtEx(dc, 2, 2, nullptr);
    IntersectClipRect(dc, 0, 0, 1, 1);
    RestoreDC(dc, -1);
    EXPECT_EQ(GetMapMode(dc), MM_TEXT);
    TRect box;
    EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
    EXPECT_EQ(box, Rect(0, 0, 80, 60));
    EXPECT_TRUE(PtVisible(dc, 79, 59));
    EXPECT_FALSE(PtVisible(dc, 80, 59));
}

TEST_F(Gdi, ShapesStayInsideTheirBoxes) {
    c->Brush()->SetColor(clRed);
    c->RoundRect(4, 4, 40, 30, 10, 10);
    EXPECT_EQ(Ink(), Rect(4, 4, 40, 30));
    EXPECT_EQ(c->Pixels(4, 4), clWhite); // the corner is rounded off
    Clear();
    c->Chord(0, 0, 40, 40, 40, 20, 0, 20); // the upper half
    EXPECT_EQ(Ink(), Rect(0, 0, 40, 21));
    Clear();
    c->Arc(0, 0, 40, 40, 0, 20, 40, 20); // the lower half, outline only
    TRect ink = Ink();
    EXPECT_GE(ink.Top, 19);
    EXPECT_EQ(ink.Bottom, 40);
    EXPECT_EQ(c->Pixels(20, 30), clWhite);
    // A thick inside-frame pen keeps within the box.
    Clear();
    c->Pen()->SetStyle(psInsideFrame);
    c->Pen()->SetWidth(6);
    c->Ellipse(10, 10, 50, 50);
    ink = Ink();
    EXPECT_GE(ink.Left, 10);
    EXPECT_LE(ink.Right, 50);
}

TEST_F(Gdi, InversionPatternsAndMirroredBlits) {
    c->Brush()->SetColor(clBlack);
    c->FillRect(Rect(0, 0, 10, 10));
    TRect r = Rect(5, 5, 15, 15);
    InvertRect(dc, &r);
    EXPECT_EQ(c->Pixels(6, 6), clWhite);
    EXPECT_EQ(c->Pixels(12, 12), clBlack);
    EXPECT_EQ(c->Pixels(15, 15), clWhite);

    // A pattern brush repeats its 8 x 8 bitmap from the device origin.
    TBitmap pattern;
    pattern.SetSize(8, 8);
    pattern.Canvas()->SetPixels(0, 0, clBlue);
    Clear();
    c->Brush()->SetBitmap(&pattern);
    c->FillRect(Rect(20, 20, 40, 40));
    EXPECT_EQ(c->Pixels(24, 24), clBlue);
    EXPECT_EQ(c->Pixels(32, 32), clBlue);
    EXPECT_EQ(c->Pixels(25, 24), clWhite);
    c->Brush()->SetBitmap(nullptr);

    // PATINVERT with a white brush inverts; a negative source width mirrors.
    Clear();
    TBitmap src;
    src.SetSize(4, 1);
    src.Canvas()->SetPixels(0, 0, clRed);
    src.Canvas()->SetPixels(3, 0, clLime);
    StretchBlt(c->Handle(), 0, 0, 8, 2, src.Canvas()->Handle(), 3, 0, -4, 1, SRCCOPY);
    EXPECT_EQ(c->Pixels(0, 0), clLime);
    EXPECT_EQ(c->Pixels(7, 1), clRed);
    c->Brush()->SetColor(clWhite);
    PatBlt(c->Handle(), 0, 0, 1, 1, PATINVERT);
    EXPECT_EQ(c->Pixels(0, 0), static_cast<TColor>(~clLime & 0xFFFFFF));
    EXPECT_FALSE(PatBlt(c->Handle(), 0, 0, 1, 1, SRCCOPY)); // needs a source
}

TEST_F(Gdi, PixelsOutsideTheBitmapOrTheClipAreRefused) {
    EXPECT_EQ(GetPixel(dc, -1, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(dc, 80, 0, 0), CLR_INVALID);
    IntersectClipRect(dc, 0, 0, 5, 5);
    EXPECT_EQ(SetPixel(dc, 6, 6, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(dc, 4, 4, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(dc, 4, 4), RGB(1, 2, 3));
}

TEST_F(Gdi, BitmapsKeepTheirPixelsAndSettings) {
    c->SetPixels(3, 3, clRed);
    bmp.SetSize(100, 100); // grows: old pixels stay, new ones are white
    EXPECT_EQ(c->Pixels(3, 3), clRed);
    EXPECT_EQ(c->Pixels(90, 90), clWhite);
    bmp.SetWidth(2); // shrinks
    EXPECT_EQ(c->Pixels(3, 3), -1);
    EXPECT_EQ(GetDeviceCaps(c->Handle(), HORZRES), 2);

    // A side given while the other is 0 is kept: width then height makes the whole bitmap, and
    // a copy of a bitmap without pixels keeps the side it was given.
    TBitmap sides;
    sides.SetWidth(30);
    EXPECT_EQ(sides.Width(), 30);
    EXPECT_TRUE(sides.Empty());
    TBitmap early;
    early.Assign(&sides);
    EXPECT_EQ(early.Width(), 30);
    sides.SetHeight(12);
    EXPECT_EQ(sides.Width(), 30);
    EXPECT_EQ(sides.Height(), 12);
    EXPECT_EQ(sides.Canvas()->Pixels(29, 11), clWhite);
    sides.SetHeight(0);
    EXPECT_EQ(sides.Width(), 30);
    EXPECT_EQ(sides.Height(), 0);

    TBitmap grey;
    grey.SetSize(2, 1);
    grey.Canvas()->SetPixels(0, 0, clSilver);
    grey.SetMonochrome(true); // everything not white turns black
    EXPECT_EQ(grey.Canvas()->Pixels(0, 0), clBlack);
    EXPECT_EQ(grey.Canvas()->Pixels(1, 0), clWhite);
    EXPECT_EQ(grey.PixelFormat(), pf1bit);
    // Drawing on a monochrome bitmap takes the nearer of black and white.
    grey.Canvas()->Brush()->SetColor(clYellow);
    grey.Canvas()->FillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(grey.Canvas()->Pixels(0, 0), clWhite);
    grey.Canvas()->Pen()->SetColor(clNavy);
    grey.Canvas()->MoveTo(0, 0);
    grey.Canvas()->LineTo(1, 0);
    EXPECT_EQ(grey.Canvas()->Pixels(0, 0), clBlack);
    grey.SetTransparentColor(clBlack);
    EXPECT_EQ(grey.TransparentMode(), tmFixed);
    EXPECT_EQ(grey.TransparentColor(), clBlack);

    TBitmap copy;
    copy.Assign(&grey);
    EXPECT_TRUE(copy.Monochrome());
    EXPECT_EQ(copy.TransparentColor(), clBlack);
    EXPECT_EQ(copy.Canvas()->Pixels(0, 0), clBlack);

    // Through a file; a monochrome bitmap stays monochrome.
    TTestFolder folder;
    std::string file = folder / "mask.bmp";
    grey.SaveToFile(file);
    TPicture picture;
    picture.LoadFromFile(file);
    ASSERT_NE(picture.Bitmap(), nullptr);
    EXPECT_TRUE(picture.Bitmap()->Monochrome());
    EXPECT_EQ(picture.Width(), 2);
    TBitmap empty;
    TMemoryStream out;
    EXPECT_THROW(empty.SaveToStream(out), EInvalidGraphic);
}

} // namespace
