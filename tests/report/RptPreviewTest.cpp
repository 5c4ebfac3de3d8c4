// The preview of a recording: page images at a zoom, the fitted zooms, rulers, shadow, page
// steps, and that the preview places words where the printer puts them.
#include "report/RptPreview.h"
#include "RptTestSupport.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Streams.h"
#include "report/RptFiler.h"
#include "tests/gui/PdfTools.h"

#include <cmath>
#include <fstream>
#include <functional>

namespace {

class RptPreviewTest : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        host = new TForm(nullptr);
        host->SetBounds(0, 0, 640, 480);
        box = MakeChild<TScrollBox>(host, "Box", host, 0, 0, 600, 400);
        box->SetAutoScroll(false);
        host->Show();
        preview = std::make_unique<TFilePreview>(nullptr);
        preview->SetScrollBox(box);
        OnStream(*preview, stream);
    }
    void TearDown() override {
        preview.reset();
        delete host;
        ReportTest::TearDown();
    }
    void Record(int Pages, const std::function<void(TBaseReport&, int)>& Page = {}) {
        TReportFiler filer(nullptr);
        OnStream(filer, stream);
        filer.OnPrint = [&](TObject*) {
            for (int page = 1; page <= Pages; ++page) {
                filer.SetFont("Arial", 12);
                filer.PrintLeft("Page " + std::to_string(page), 1.0);
                if (Page) Page(filer, page);
                if (page < Pages) filer.NewPage();
            }
        };
        filer.Execute();
    }
    TColor Pixel(int x, int y) { return preview->PageBitmap()->Canvas()->Pixels(x, y); }
    // Whether any pixel of the row from x1 to x2 (excluded) is of the colour.
    bool RowHas(int y, int x1, int x2, TColor color) {
        for (int x = x1; x < x2; ++x)
            if (Pixel(x, y) == color) return true;
        return false;
    }

    TMemoryStream stream;
    TForm* host = nullptr;
    TScrollBox* box = nullptr;
    std::unique_ptr<TFilePreview> preview;
};

TEST_F(RptPreviewTest, ZoomIsKeptWithinItsLimitsAndFits) {
    Record(1);
    preview->SetZoomFactor(5);
    EXPECT_EQ(preview->ZoomFactor(), 10.0);
    preview->SetZoomFactor(500);
    EXPECT_EQ(preview->ZoomFactor(), 200.0);
    preview->SetZoomFactor(195);
    preview->ZoomIn();
    EXPECT_EQ(preview->ZoomFactor(), 200.0);
    preview->StartJob();
    preview->SetZoomFactor(-2);
    const double width = preview->ZoomFactor();
    EXPECT_NEAR(width, preview->ZoomPageWidthFactor(), 1e-9);
    preview->SetZoomFactor(-1);
    const double page = preview->ZoomFactor();
    EXPECT_LT(page, width);
    // The whole page fits the box; the page width fits its width (less its scroll bar).
    EXPECT_LE(preview->PageBitmap()->Height(), box->Height() - 4 + 1);
    preview->SetZoomFactor(-2);
    EXPECT_LE(preview->PageBitmap()->Width(), box->ClientWidth() + 1);
    EXPECT_GT(preview->PageBitmap()->Width(), box->ClientWidth() - 30);
}

// The fitted zooms of a Letter page (8.5 x 11 inches at 96 pixels an inch: 816 x 1056) with
// margins of 5 percent of the page's width. Scaled margins widen the page by a tenth and heighten
// it by 81.6 pixels; fixed ones are 40.8 pixels (41) on each side. The whole page keeps 4 pixels.
TEST_F(RptPreviewTest, FittedZoomsInFigures) {
    Record(1);
    box->SetBounds(0, 0, 300, 450);
    const int border = box->Width() - box->ClientWidth();
    box->VertScrollBar()->SetRange(5000);
    const int bar = box->Width() - border - box->ClientWidth();
    box->VertScrollBar()->SetRange(0);
    preview->SetMarginPercent(5.0);
    preview->SetMarginMethod(mmScaled);
    preview->StartJob();
    // Narrow and tall: the width decides, (300 - 4) / 897.6; the height would give
    // (450 - 4) / 1137.6 = 39.2 percent.
    EXPECT_NEAR(preview->ZoomPageFactor(), 296.0 / 897.6 * 100.0, 1e-9);
    // The page's width less the box's border: 1056 x 0.33 + 2 x 13 < 450, no vertical bar.
    EXPECT_NEAR(preview->ZoomPageWidthFactor(), (300.0 - border) / 897.6 * 100.0, 1e-9);
    preview->SetMarginMethod(mmFixed);
    EXPECT_NEAR(preview->ZoomPageFactor(), (296.0 - 82.0) / 816.0 * 100.0, 1e-9);
    EXPECT_NEAR(preview->ZoomPageWidthFactor(), (300.0 - border - 82.0) / 816.0 * 100.0, 1e-9);
    // Wide and low: the height decides the whole page, (200 - 4 - 82) / 1056; the width's fit
    // would make the page taller than the box, so the vertical bar's width is taken off.
    box->SetBounds(0, 0, 560, 200);
    EXPECT_NEAR(preview->ZoomPageFactor(), 114.0 / 1056.0 * 100.0, 1e-9);
    EXPECT_NEAR(preview->ZoomPageWidthFactor(), (560.0 - border - bar - 82.0) / 816.0 * 100.0,
                1e-9);
    preview->SetMarginMethod(mmScaled);
    EXPECT_NEAR(preview->ZoomPageFactor(), 196.0 / 1137.6 * 100.0, 1e-9);
    EXPECT_NEAR(preview->ZoomPageWidthFactor(), (560.0 - border - bar) / 897.6 * 100.0, 1e-9);
    EXPECT_GT(bar, 0);
}

TEST_F(RptPreviewTest, PageImageAtTheZoom) {
    Record(1);
    preview->StartJob();
    EXPECT_EQ(preview->PageBitmap()->Width(), 816);
    EXPECT_EQ(preview->PageBitmap()->Height(), 1056);
    // "Page 1" at one inch: ink from about 96 pixels across.
    const TRect ink = InkRect(*preview->PageBitmap()->Canvas(), Rect(1, 1, 815, 200));
    EXPECT_NEAR(ink.Left, 96, 2);
    preview->SetZoomFactor(150);
    EXPECT_EQ(preview->PageBitmap()->Width(), 1224);
    EXPECT_EQ(preview->PageBitmap()->Height(), 1584);
    const TRect wide = InkRect(*preview->PageBitmap()->Canvas(), Rect(1, 1, 1223, 300));
    EXPECT_NEAR(wide.Left, 144, 2);
    EXPECT_NEAR(wide.Width(), ink.Width() * 1.5, 3);
    // The image shows the page at the margin (5 percent of the width is none here: 0).
    EXPECT_EQ(preview->PageImage()->Width(), 1224);
    EXPECT_EQ(box->HorzScrollBar()->Range(), 1224);
}

TEST_F(RptPreviewTest, InchRulersWithNumbersAndCorner) {
    Record(1);
    preview->SetRulerType(rtBothIn);
    preview->StartJob();
    TBitmap* page = preview->PageBitmap();
    EXPECT_EQ(page->Width(), 836);
    EXPECT_EQ(page->Height(), 1076);
    EXPECT_EQ(ColorToRGB(Pixel(5, 5)), RGB(192, 192, 192));
    EXPECT_EQ(ColorToRGB(Pixel(60, 15)), RGB(255, 255, 128)); // ruler face
    // Whole-inch ticks of 18 pixels at every inch along the top, 1 to 8, none at 9.
    for (int inch = 1; inch <= 8; ++inch)
        EXPECT_EQ(Pixel(20 + 96 * inch, 4), clBlack) << inch;
    // The half-inch tick is shorter: 15 pixels.
    EXPECT_EQ(Pixel(20 + 48, 6), clBlack);
    EXPECT_NE(Pixel(20 + 48, 4), clBlack);
    // Down the left, 1 to 10.
    for (int inch = 1; inch <= 10; ++inch)
        EXPECT_EQ(Pixel(4, 20 + 96 * inch), clBlack) << inch;
    // A number stands left of its tick on the top ruler.
    EXPECT_TRUE(RowHas(5, 20 + 96 - 8, 20 + 96 - 1, clBlack));
    // The page is shifted by the rulers: "Page 1" starts about an inch from the page's edge.
    const TRect ink = InkRect(*page->Canvas(), Rect(21, 21, 835, 200));
    EXPECT_NEAR(ink.Left, 20 + 96, 2);
}

// The numbers of the left ruler stand at its left, each ending a pixel above its inch's tick:
// the number's text box runs from (2, tick - 1 - text height) down to tick - 1. Between the
// inches nothing but ticks, which start 5 pixels in or further, is drawn.
TEST_F(RptPreviewTest, LeftRulerNumbersEndAPixelAboveTheirTicks) {
    Record(1);
    preview->SetRulerType(rtBothIn);
    preview->StartJob();
    // The number "1" drawn on its own with the ruler's font, its text box at the top left.
    TBitmap alone;
    alone.SetSize(40, 40);
    TCanvas* c = alone.Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(Rect(0, 0, 40, 40));
    c->Font()->SetName("Arial");
    c->Font()->SetSize(7);
    c->Font()->SetColor(clBlack);
    c->TextOut(0, 0, "1");
    const TRect glyph = InkRect(*c, Rect(0, 0, 40, 40));
    const int height = c->TextHeight("1");
    ASSERT_GT(glyph.Bottom, glyph.Top);
    auto blackRows = [&](int x1, int x2, int y1, int y2) {
        int top = -1, bottom = -1;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x)
                if (Pixel(x, y) == clBlack) {
                    if (top < 0) top = y;
                    bottom = y + 1;
                }
        return std::pair{top, bottom};
    };
    const int tick = 20 + 96; // the first inch
    // Inside the ruler's outline (column 0), left of the quarter-inch ticks (10 pixels in).
    const auto [top, bottom] = blackRows(1, 10, tick - 30, tick);
    EXPECT_EQ(top, tick - 1 - height + glyph.Top);
    EXPECT_EQ(bottom, tick - 1 - height + glyph.Bottom);
    // Between the first and the second inch's number, the first 5 columns stay clear.
    EXPECT_EQ(blackRows(1, 5, tick + 1, tick + 96 - 1 - height).first, -1);
}

TEST_F(RptPreviewTest, CentimetreRulerTicksEveryMillimetre) {
    Record(1);
    preview->SetRulerType(rtHorizCm);
    preview->StartJob();
    const double mm = 96 * 0.03937;
    // 8.5 inches hold 21 whole centimetres: 18-pixel ticks at 1 to 21.
    for (int cm = 1; cm <= 21; ++cm)
        EXPECT_EQ(Pixel(static_cast<int>(std::lround(cm * 10 * mm)), 4), clBlack) << cm;
    EXPECT_GT(22 * 10 * mm, 816);
    EXPECT_EQ(Pixel(static_cast<int>(std::lround(5 * mm)), 6), clBlack);  // half: 15 pixels
    EXPECT_EQ(Pixel(static_cast<int>(std::lround(1 * mm)), 16), clBlack); // others: 5 pixels
    EXPECT_NE(Pixel(static_cast<int>(std::lround(1 * mm)), 14), clBlack);
    EXPECT_EQ(preview->PageBitmap()->Width(), 816); // no left ruler
}

TEST_F(RptPreviewTest, ShadowAndMonochromeExcludeEachOther) {
    Record(1);
    preview->SetShadowDepth(5);
    preview->SetMonochrome(true);
    EXPECT_FALSE(preview->Monochrome());
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text,
              "Monochrome not allowed while shadows are in effect.\nChange ShadowDepth to 0 first");
    preview->StartJob();
    TBitmap* page = preview->PageBitmap();
    const int w = page->Width(), h = page->Height();
    EXPECT_EQ(w, 821);
    EXPECT_EQ(Pixel(w - 1, h - 1), clBlack);
    EXPECT_EQ(Pixel(w - 3, 100), clBlack);
    EXPECT_EQ(ColorToRGB(Pixel(w - 3, 2)), ColorToRGB(box->Color()));
    EXPECT_EQ(ColorToRGB(Pixel(2, h - 2)), ColorToRGB(box->Color()));
    EXPECT_EQ(Pixel(w - 6, 100), clBlack); // the page's outline
    EXPECT_EQ(Pixel(w - 7, 100), clWhite);

    TFilePreview other(nullptr);
    other.SetMonochrome(true);
    other.SetShadowDepth(3);
    EXPECT_EQ(other.ShadowDepth(), 0);
    EXPECT_EQ(services.MessageBoxes.back().Text,
              "Shadows not allowed while monochrome in effect.\nChange Monochrome to false first");
}

TEST_F(RptPreviewTest, MonochromePageHoldsBlackAndWhiteOnly) {
    Record(1, [](TBaseReport& r, int) {
        r.SetBrush(clRed, bsSolid, nullptr);
        r.Rectangle(1.0, 1.0, 2.0, 2.0);
    });
    preview->SetMonochrome(true);
    preview->StartJob();
    EXPECT_TRUE(preview->PageBitmap()->Monochrome());
    EXPECT_EQ(preview->PageBitmap()->Width(), 816); // no shadow
    EXPECT_EQ(Pixel(144, 144), clBlack);            // the red square
    EXPECT_EQ(Pixel(400, 600), clWhite);
}

TEST_F(RptPreviewTest, PageStepsFollowTheLinks) {
    Record(4);
    std::vector<int> shown;
    preview->OnPageChange = [&](TObject*) { shown.push_back(preview->CurrentPage()); };
    preview->StartJob();
    preview->NextPage();
    preview->NextPage();
    EXPECT_EQ(preview->CurrentPage(), 3);
    preview->SetPageInc(2);
    preview->NextPage();
    EXPECT_EQ(preview->CurrentPage(), 4);
    preview->NextPage();
    EXPECT_EQ(preview->CurrentPage(), 4);
    preview->SetPageInc(1);
    preview->PlayPage(1);
    preview->PrevPage();
    EXPECT_EQ(preview->CurrentPage(), 1);
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 4, 1}));
    EXPECT_EQ(preview->TotalPages(), 4);
}

TEST_F(RptPreviewTest, APageLooksTheSameWhicheverPageWasShownBefore) {
    // Page 1 writes in the font it starts with; page 2 ends bold and italic in another font.
    // Recorded at 600 dots per inch, where the fonts of the screen come out wider.
    auto fine = std::make_shared<TTestPrinterBackend>();
    fine->AddPrinter(TTestPrinterBackend::StandardPrinter());
    UseBackends({fine});
    TReportFiler filer(nullptr);
    OnStream(filer, stream);
    filer.OnBeforePrint = [&](TObject*) { filer.SetFont("Arial", 36); };
    filer.OnPrint = [&](TObject*) {
        filer.PrintLeft("Monthly payment 1,023.27", 1.0);
        filer.NewPage();
        filer.SetFont("Courier New", 15);
        filer.SetBold(true);
        filer.SetItalic(true);
        filer.PrintLeft("Monthly payment 1,023.27", 1.0);
    };
    filer.Execute();
    preview->StartJob();
    const TRect first = InkRect(*preview->PageBitmap()->Canvas(), Rect(1, 1, 815, 300));
    preview->NextPage();
    preview->PrevPage();
    EXPECT_EQ(InkRect(*preview->PageBitmap()->Canvas(), Rect(1, 1, 815, 300)), first);
}

// A preview whose recording cannot be read says so and leaves the scroll box's bars as they
// were.
TEST_F(RptPreviewTest, AStartWithoutItsRecordingLeavesTheBoxAsItWas) {
    box->HorzScrollBar()->SetRange(900);
    box->VertScrollBar()->SetRange(700);
    preview->SetStreamMode(smFile);
    preview->SetFileName(dir + "/missing.rpt");
    preview->StartJob();
    EXPECT_FALSE(preview->Printing());
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text,
              "Error initializing input stream \"" + dir + "/missing.rpt\"");
    EXPECT_EQ(box->HorzScrollBar()->Range(), 900);
    EXPECT_EQ(box->VertScrollBar()->Range(), 700);
}

TEST_F(RptPreviewTest, WithoutScrollBoxTheStartIsRefused) {
    Record(1);
    preview->SetScrollBox(nullptr);
    EXPECT_EQ(ErrorOf([&] { preview->StartJob(); }),
              "ScrollBox must be assigned for FilePreview component");
}

// ---- The preview shows what prints

// A PPM image (P6) as pdftoppm writes it.
struct TPpm {
    int Width = 0, Height = 0;
    std::vector<unsigned char> Data;
    bool Dark(int x, int y) const {
        const std::size_t at = (static_cast<std::size_t>(y) * Width + x) * 3;
        return Data[at] + Data[at + 1] + Data[at + 2] < 3 * 150;
    }
};

TPpm ReadPpm(const std::string& path) {
    TPpm image;
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int max = 0;
    in >> magic >> image.Width >> image.Height >> max;
    in.get();
    image.Data.resize(static_cast<std::size_t>(image.Width) * image.Height * 3);
    in.read(reinterpret_cast<char*>(image.Data.data()), static_cast<long>(image.Data.size()));
    return image;
}

TEST_F(RptPreviewTest, WordsStandWhereThePrinterPutsThem) {
    UseBackends({CreatePdfPrinterBackend()});
    const std::string pdf = dir + "/schedule.pdf";
    TReportFiler filer(nullptr);
    OnStream(filer, stream).SetAccuracyMethod(amPositioning);
    filer.SetOutputFileName(pdf);
    filer.OnPrint = [&](TObject*) {
        filer.SetFont("Arial", 10);
        filer.SetTab(0.75, pjLeft, 0.8, 0, 0, 0);
        filer.SetTab(-1, pjRight, 1.4, 0, 0, 0);
        filer.SetTab(-1, pjRight, 1.4, 0, 0, 0);
        filer.SetTab(-1, pjRight, 1.4, 0, 0, 0);
        for (int row = 1; row <= 30; ++row)
            filer.PrintLn("\t" + std::to_string(row) + "\t1,234.56\t" + std::to_string(row * 37) +
                          ".25\t99,876.5" + std::to_string(row % 10));
    };
    filer.Execute();
    TFilePrinter player(nullptr);
    OnStream(player, stream).SetOutputFileName(pdf);
    player.Execute();
    ASSERT_EQ(
        RunTool("pdftoppm -r 96 -f 1 -l 1 " + ShellQuoted(pdf) + " " + ShellQuoted(dir + "/page"))
            .substr(0, 0),
        "");
    const TPpm printed = ReadPpm(dir + "/page-1.ppm");
    ASSERT_EQ(printed.Width, 816);
    preview->StartJob();
    TBitmap* shown = preview->PageBitmap();
    // Every word of pdftotext's boxes: its first dark column in both images.
    const std::string boxes = RunTool("pdftotext -bbox " + ShellQuoted(pdf) + " -");
    int words = 0;
    for (const TPdfWord& w : PdfWords(boxes)) {
        const auto px = [](double points) { return static_cast<int>(points * 96 / 72); };
        const int x1 = px(w.XMin) - 3, y1 = px(w.YMin), x2 = px(w.XMax) + 3, y2 = px(w.YMax);
        auto firstDark = [&](auto dark) {
            for (int x = x1; x < x2; ++x)
                for (int y = y1; y <= y2; ++y)
                    if (dark(x, y)) return x;
            return -1;
        };
        const int pdfX = firstDark([&](int x, int y) { return printed.Dark(x, y); });
        const int previewX = firstDark([&](int x, int y) {
            const COLORREF c = ColorToRGB(shown->Canvas()->Pixels(x, y));
            return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 150;
        });
        EXPECT_NEAR(previewX, pdfX, 1) << w.Text;
        ++words;
    }
    EXPECT_EQ(words, 120);
}

} // namespace
