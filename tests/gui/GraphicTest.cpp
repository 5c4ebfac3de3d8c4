// Colours, pictures, icons, metafiles, the recording canvas and the GDI object rules.
#include "platform/gui/Graphics.h"
#include "platform/gui/QtApp.h"
#include "platform/gui/RecordingCanvas.h"
#include "platform/rtl/Streams.h"

#include <QPainter>
#include <QPainterPath>
#include <QPicture>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

class Graphic : public ::testing::Test {
protected:
    void SetUp() override { EnsureQtApp(); }
};

TEST_F(Graphic, SystemColoursResolveThroughTheClassicPalette) {
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(192, 192, 192));
    EXPECT_EQ(ColorToRGB(clBtnShadow), RGB(128, 128, 128));
    EXPECT_EQ(ColorToRGB(clBtnHighlight), RGB(255, 255, 255));
    EXPECT_EQ(ColorToRGB(clHighlight), RGB(0, 0, 128));
    EXPECT_EQ(ColorToRGB(clWindow), RGB(255, 255, 255));
    EXPECT_EQ(ColorToRGB(clWindowText), 0u);
    EXPECT_EQ(ColorToRGB(clInfoBk), RGB(255, 255, 225));
    EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
    EXPECT_EQ(ColorToRGB(clNone), 0u);
    EXPECT_EQ(static_cast<Cardinal>(clBtnFace), 0x8000000Fu);
    EXPECT_EQ(GetSysColor(99), 0u);
    LOGBRUSH lb;
    ASSERT_TRUE(GetObject(GetSysColorBrush(COLOR_BTNSHADOW), lb));
    EXPECT_EQ(lb.lbColor, RGB(128, 128, 128));
    EXPECT_EQ(GetSysColorBrush(COLOR_BTNSHADOW), GetSysColorBrush(COLOR_BTNSHADOW));
    EXPECT_EQ(GetSysColorBrush(-1), nullptr);
    EXPECT_EQ(GetNearestColor(GetScreenDC(), 0x123456), 0x123456u);
    EXPECT_EQ(GetDeviceCaps(GetScreenDC(), SIZEPALETTE), 0); // no palette device
    EXPECT_EQ(GetDeviceCaps(GetScreenDC(), LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(GetScreenDC(), CLIPCAPS), CP_RECTANGLE);
}

// A 2 x 2 icon file: one 32-bit image, opaque red and blue pixels.
std::vector<Byte> IconFile() {
    std::vector<Byte> f = {0, 0, 1, 0, 1, 0, // header: icon, 1 image
                           2, 2, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 22, 0, 0, 0}; // entry
    std::vector<Byte> dib = {40, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0,
                             0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0};
    // Pixels bottom-up, BGRA: red red / blue blue.
    for (int i = 0; i < 2; ++i)
        dib.insert(dib.end(), {255, 0, 0, 255});
    for (int i = 0; i < 2; ++i)
        dib.insert(dib.end(), {0, 0, 255, 255});
    dib.insert(dib.end(), 8, 0); // the AND mask: two rows of 4 bytes, all shown
    PutLE<LongWord>(f, 14, static_cast<LongWord>(dib.size()));
    f.insert(f.end(), dib.begin(), dib.end());
    return f;
}

TEST_F(Graphic, IconsLoadDrawAndSave) {
    std::vector<Byte> file = IconFile();
    TMemoryStream in;
    in.WriteBuffer(file.data(), static_cast<LongInt>(file.size()));
    in.SetPosition(0);
    TIcon icon;
    icon.LoadFromStream(in);
    EXPECT_EQ(in.Position(), in.Size());
    EXPECT_EQ(icon.Width(), 2);
    TBitmap target;
    target.SetSize(4, 4);
    target.Canvas()->Draw(1, 1, &icon);
    EXPECT_EQ(target.Canvas()->Pixels(1, 1), clRed);
    EXPECT_EQ(target.Canvas()->Pixels(2, 2), clBlue);
    EXPECT_EQ(target.Canvas()->Pixels(0, 0), clWhite);

    TMemoryStream out;
    icon.SaveToStream(out);
    out.SetPosition(0);
    TIcon back;
    back.LoadFromStream(out);
    EXPECT_EQ(back.Height(), 2);
    EXPECT_THROW(icon.SetWidth(5), EInvalidGraphicOperation);

    TMemoryStream junk;
    const Byte bad[] = {0, 0, 1, 0, 1, 0, 2, 2, 0, 0, 1, 0, 32, 0, 0xFF, 0xFF, 0xFF, 0x7F, 22, 0};
    junk.WriteBuffer(bad, sizeof bad);
    junk.SetPosition(0);
    EXPECT_THROW(back.LoadFromStream(junk), EInvalidGraphic);
}

TEST_F(Graphic, MetafilesRecordAndPlayBackScaled) {
    TMetafile meta;
    meta.SetWidth(10);
    meta.SetHeight(10);
    EXPECT_TRUE(meta.Empty());
    {
        std::unique_ptr<TCanvas> c = meta.CreateCanvas();
        c->Brush()->SetColor(clRed);
        c->FillRect(Rect(0, 0, 5, 5));
    }
    EXPECT_FALSE(meta.Empty());
    TMemoryStream stream;
    meta.SaveToStream(stream);
    stream.SetPosition(0);
    TMetafile copy;
    copy.LoadFromStream(stream);
    EXPECT_EQ(copy.Width(), 10);
    TBitmap target;
    target.SetSize(40, 40);
    target.Canvas()->StretchDraw(Rect(0, 0, 40, 40), &copy);
    EXPECT_EQ(target.Canvas()->Pixels(5, 5), clRed);
    EXPECT_EQ(target.Canvas()->Pixels(18, 18), clRed);
    EXPECT_EQ(target.Canvas()->Pixels(22, 22), clWhite);

    TMemoryStream bad;
    bad.WriteBuffer("VPMF\x0a\0\0\0\x0a\0\0\0\xff\xff\xff\x7f", 16);
    bad.SetPosition(0);
    EXPECT_THROW(copy.LoadFromStream(bad), EInvalidGraphic);
}

// A metafile stream holding a recording of one path from (1, 1) to (7, 5); with a bad kind the
// line's element kind is replaced by a number that is no kind of element (the recording's
// checksum made right again).
std::string MetafileWithPath(bool badKind) {
    QPainterPath path(QPointF(1, 1));
    path.lineTo(7, 5);
    QPicture picture;
    {
        QPainter painter(&picture);
        painter.drawPath(path);
    }
    QByteArray data(picture.data(), static_cast<qsizetype>(picture.size()));
    // A line element: its kind (1) and the two coordinates, as the recording writes them.
    const QByteArray line = QByteArray::fromHex("00000001401c0000000000004014000000000000");
    const qsizetype at = data.indexOf(line);
    if (badKind && at > 6) {
        data[at + 2] = 0x6E;
        const quint16 sum = qChecksum(QByteArrayView(data.constData() + 6, data.size() - 6));
        data[4] = static_cast<char>(sum >> 8);
        data[5] = static_cast<char>(sum & 0xFF);
    }
    std::string stream = std::string("VPMF\x0a\0\0\0\x0a\0\0\0", 12);
    const auto size = static_cast<quint32>(data.size());
    for (int shift = 0; shift < 32; shift += 8)
        stream += static_cast<char>((size >> shift) & 0xFF);
    return at > 6 ? stream + data.toStdString() : std::string();
}

TEST_F(Graphic, MetafilesThatCouldNotBeDrawnAreRefused) {
    for (bool bad : {false, true}) {
        const std::string bytes = MetafileWithPath(bad);
        ASSERT_FALSE(bytes.empty());
        TMemoryStream stream;
        stream.WriteBuffer(bytes.data(), static_cast<LongInt>(bytes.size()));
        stream.SetPosition(0);
        TMetafile meta;
        if (bad) {
            EXPECT_THROW(meta.LoadFromStream(stream), EInvalidGraphic);
            EXPECT_TRUE(meta.Empty());
            continue;
        }
        meta.LoadFromStream(stream);
        TBitmap target;
        target.SetSize(10, 10);
        target.Canvas()->StretchDraw(Rect(0, 0, 10, 10), &meta);
        EXPECT_EQ(target.Canvas()->Pixels(4, 3), clBlack);
    }
}

TEST_F(Graphic, PicturesHoldOneGraphic) {
    TPicture picture;
    EXPECT_TRUE(picture.Empty());
    int changes = 0;
    picture.OnChange = [&](TObject*) { ++changes; };
    picture.Bitmap()->SetSize(3, 2);
    EXPECT_FALSE(picture.Empty());
    EXPECT_EQ(picture.Width(), 3);
    TPicture other;
    other.Assign(&picture);
    EXPECT_EQ(other.Height(), 2);
    EXPECT_NE(other.Graphic(), picture.Graphic());
    picture.Icon(); // replaces the bitmap by an empty icon
    EXPECT_TRUE(picture.Empty());
    EXPECT_GE(changes, 2);
    EXPECT_THROW(picture.LoadFromFile("/tmp/picture.gif"), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile("/nonexistent/picture.bmp"), EFOpenError);
}

TEST_F(Graphic, TheRecordingCanvasKeepsEachCallWithItsState) {
    TRecordingCanvas c(50, 50);
    c.Pen()->SetColor(clRed);
    c.Pen()->SetWidth(2);
    c.MoveTo(1, 2);
    c.LineTo(30, 2);
    c.Brush()->SetStyle(bsClear);
    c.Font()->SetName("Arial");
    c.TextOut(5, 6, "Total");
    c.Pie(0, 0, 20, 20, 20, 10, 10, 0);
    c.Polygon({{1, 1}, {5, 1}, {3, 4}});
    EXPECT_EQ(c.Log(),
              (std::vector<std::string>{"MoveTo(1,2)", "LineTo(30,2)", "TextOut(5,6,\"Total\")",
                                        "Pie(0,0,20,20,20,10,10,0)", "Polygon(1,1,5,1,3,4)"}));
    EXPECT_EQ(c.Calls()[1].PenColor, clRed);
    EXPECT_EQ(c.Calls()[1].PenWidth, 2);
    EXPECT_EQ(c.Calls()[2].BrushStyle, bsClear);
    EXPECT_EQ(c.Calls()[2].FontName, "Arial");
    // The calls reach the bitmap too: the pen moved and text is measured.
    EXPECT_EQ(c.PenPos(), Point(30, 2));
    EXPECT_GT(c.TextWidth("Total"), 20);
    EXPECT_EQ(c.Bitmap()->Canvas()->Pixels(10, 2), clRed);
    c.ClearCalls();
    EXPECT_TRUE(c.Calls().empty());
}

TEST_F(Graphic, TheRecordingCanvasKeepsCallsMadeOnItsHandle) {
    TRecordingCanvas c(80, 40);
    c.Font()->SetName("Arial");
    c.Rectangle(0, 0, 10, 10);
    // A component drawing through the handle, with a font and colours of its own.
    HDC dc = c.Handle();
    LOGFONT lf;
    lf.lfFaceName = "Courier New";
    lf.lfHeight = -12;
    lf.lfWeight = FW_BOLD;
    HFONT font = CreateFontIndirect(lf);
    HGDIOBJ previous = SelectObject(dc, font);
    SetTextColor(dc, RGB(0, 0, 255));
    TRect cell = Rect(2, 3, 70, 20);
    DrawText(dc, "Balance due", &cell, DT_SINGLELINE | DT_END_ELLIPSIS);
    DrawEdge(dc, &cell, EDGE_SUNKEN, BF_RECT);
    ExtTextOut(dc, 4, 5, ETO_CLIPPED, &cell, "12.50");
    const TPoint line[] = {{0, 30}, {40, 30}};
    Polyline(dc, line, 2);
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &cell, brush);
    DeleteObject(brush);
    SelectObject(dc, previous);
    DeleteObject(font);
    // Each call once, by the name it was made with: the canvas's Rectangle does not show its
    // context call, DrawText not the text outputs it makes.
    EXPECT_EQ(c.Log(), (std::vector<std::string>{
                           "Rectangle(0,0,10,10)", "DrawText(2,3,70,20,32800,\"Balance due\")",
                           "DrawEdge(2,3,70,20,10,15)", "ExtTextOut(4,5,4,2,3,70,20,\"12.50\")",
                           "Polyline(0,30,40,30)", "FillRect(2,3,70,20,255)"}));
    EXPECT_EQ(c.Calls()[1].FontName, "Courier New");
    EXPECT_EQ(c.Calls()[1].FontHeight, -12);
    EXPECT_TRUE(c.Calls()[1].FontStyle.Contains(fsBold));
    EXPECT_EQ(c.Calls()[1].FontColor, static_cast<TColor>(RGB(0, 0, 255)));
    // The calls drew on the bitmap as well.
    EXPECT_EQ(c.Bitmap()->Canvas()->Pixels(20, 10), clRed);
}

TEST_F(Graphic, PiesRunCounterClockwiseFromStartToEnd) {
    TBitmap b;
    b.SetSize(40, 40);
    TCanvas* c = b.Canvas();
    c->Pen()->SetStyle(psClear);
    c->Brush()->SetColor(clBlack);
    // From three o'clock to twelve o'clock counter-clockwise: the upper right quarter.
    c->Pie(0, 0, 40, 40, 40, 20, 20, 0);
    EXPECT_EQ(c->Pixels(30, 10), clBlack);
    EXPECT_EQ(c->Pixels(10, 10), clWhite);
    EXPECT_EQ(c->Pixels(30, 30), clWhite);
    // Swapping the radials takes the other three quarters.
    c->Brush()->SetColor(clWhite);
    c->FillRect(Rect(0, 0, 40, 40));
    c->Brush()->SetColor(clBlack);
    c->Pie(0, 0, 40, 40, 20, 0, 40, 20);
    EXPECT_EQ(c->Pixels(30, 10), clWhite);
    EXPECT_EQ(c->Pixels(10, 10), clBlack);
    EXPECT_EQ(c->Pixels(30, 30), clBlack);
}

TEST_F(Graphic, DeadHandlesAreRefused) {
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_NE(SelectObject(dc, pen), nullptr);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(SelectObject(dc, pen), nullptr);
    EXPECT_TRUE(LineTo(dc, 1, 1)); // the context keeps the deleted pen's settings
    // A bitmap selected into a context stays until it is deselected.
    HBITMAP bmp = CreateBitmap(4, 4, false);
    HGDIOBJ old = SelectObject(dc, bmp);
    EXPECT_FALSE(DeleteObject(bmp));
    SelectObject(dc, old);
    EXPECT_TRUE(DeleteObject(bmp));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 0);
    TEXTMETRIC tm;
    EXPECT_FALSE(GetTextMetrics(dc, &tm));
    TCanvas plain;
    EXPECT_THROW(plain.Rectangle(0, 0, 1, 1), EInvalidOperation);
}

} // namespace

namespace {

TEST_F(Graphic, ExtremeValuesAreRefusedOrBounded) {
    TBitmap b;
    b.SetSize(20, 20);
    HDC dc = b.Canvas()->Handle();
    LOGFONT lf;
    lf.lfFaceName = std::string(100, 'x'); // cut to 31 characters
    lf.lfHeight = INT_MIN;
    HFONT huge = CreateFontIndirect(lf);
    LOGFONT back;
    GetObject(huge, back);
    EXPECT_EQ(back.lfFaceName.size(), 31u);
    SelectObject(dc, huge);
    TEXTMETRIC tm;
    EXPECT_TRUE(GetTextMetrics(dc, &tm));
    EXPECT_LE(tm.tmHeight, 3 * 8192);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(huge);

    HPEN wide = CreatePen(PS_SOLID, INT_MAX, 0);
    SelectObject(dc, wide);
    EXPECT_TRUE(LineTo(dc, INT_MAX, INT_MIN));
    EXPECT_TRUE(Ellipse(dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(wide);
    // One-pixel lines and frames far beyond the bitmap.
    EXPECT_TRUE(MoveToEx(dc, INT_MIN, 5, nullptr));
    EXPECT_TRUE(LineTo(dc, INT_MAX, 5));
    EXPECT_EQ(b.Canvas()->Pixels(10, 5), clBlack);
    TRect far = Rect(-100000000, 2, 100000000, 4);
    EXPECT_TRUE(Rectangle(dc, far.Left, far.Top, far.Right, far.Bottom));
    EXPECT_TRUE(DrawFocusRect(dc, &far));

    // Extents of 0 are refused; negative ones turn the axis over.
    SetMapMode(dc, MM_ANISOTROPIC);
    EXPECT_FALSE(SetWindowExtEx(dc, 0, 10, nullptr));
    EXPECT_TRUE(SetWindowExtEx(dc, 10, 10, nullptr));
    EXPECT_TRUE(SetViewportExtEx(dc, 10, -10, nullptr));
    SetViewportOrgEx(dc, 0, 19, nullptr);
    b.Canvas()->Refresh();
    b.Canvas()->Brush()->SetColor(clRed);
    // Logical rows 0..5 lie on device rows 19..14; the device rectangle leaves out its bottom.
    b.Canvas()->FillRect(Rect(0, 0, 5, 5));
    SetMapMode(dc, MM_TEXT);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    EXPECT_EQ(b.Canvas()->Pixels(0, 19), clWhite);
    EXPECT_EQ(b.Canvas()->Pixels(0, 18), clRed);
    EXPECT_EQ(b.Canvas()->Pixels(0, 14), clRed);
    EXPECT_EQ(b.Canvas()->Pixels(0, 13), clWhite);

    EXPECT_THROW(b.SetSize(32767, 32767), EOutOfMemory);
    EXPECT_EQ(b.Width(), 20);
}

} // namespace
