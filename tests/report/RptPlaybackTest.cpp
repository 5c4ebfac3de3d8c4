// Reports recorded and played back against the same reports printed straight, both on the
// built-in "PDF" printer: pdftotext must find the same words in the same reading order with
// their boxes within 0.1 point, for style changes, tab columns with boxes, bitmaps and the
// largest font, with either accuracy of the recording. A bitmap drawn on every page is one image
// of the PDF, printed straight or played, and one graphic of the recording.
#include "RptTestSupport.h"
#include "platform/rtl/Streams.h"
#include "report/RptFiler.h"
#include "report/RptPlayer.h"
#include "tests/gui/PdfTools.h"

#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

namespace {

using TBody = std::function<void(TBaseReport&)>;

// One image of pdfimages -list: its page, its object and its size on the page (pixels and
// resolution).
struct TPdfImage {
    int Page = 0;
    int Object = 0;
    std::string Placement;
};

std::vector<TPdfImage> PdfImages(const std::string& file) {
    std::istringstream lines(RunTool("pdfimages -list " + ShellQuoted(file)));
    std::vector<TPdfImage> images;
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> f;
        for (std::string field; fields >> field;)
            f.push_back(field);
        // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
        if (f.size() < 14 || f[0].find_first_not_of("0123456789") != std::string::npos) continue;
        images.push_back({std::stoi(f[0]), std::stoi(f[10]), f[3] + "x" + f[4] + " " + f[12] +
                                                                  "x" + f[13]});
    }
    return images;
}

std::set<int> ImageObjects(const std::vector<TPdfImage>& images) {
    std::set<int> objects;
    for (const TPdfImage& image : images)
        objects.insert(image.Object);
    return objects;
}

// A bitmap of two colours that no image compression makes small by chance.
void PaintLogo(TBitmap& logo) {
    logo.SetSize(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            logo.Canvas()->SetPixels(x, y, (x * 7 + y * 13) % 5 < 2 ? clNavy : clYellow);
}

class RptPlayback : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        UseBackends({CreatePdfPrinterBackend()});
    }
    std::string Direct(const TBody& Body) {
        const std::string file = dir + "/direct.pdf";
        TReportWriter writer(nullptr);
        writer.SetOutputFileName(file);
        writer.OnPrint = [&](TObject*) { Body(writer); };
        writer.Execute();
        return file;
    }
    // Records the report into the memory stream, as the report system does, and plays it.
    std::string Played(const TBody& Body, TAccuracyMethod Method) {
        const std::string file = dir + (Method == amPositioning ? "/positioned.pdf" : "/looks.pdf");
        TReportFiler filer(nullptr);
        OnStream(filer, stream).SetAccuracyMethod(Method);
        filer.OnPrint = [&](TObject*) { Body(filer); };
        filer.Execute();
        TFilePrinter player(nullptr);
        OnStream(player, stream).SetOutputFileName(file);
        player.Execute();
        return file;
    }
    // The played file has the direct file's words, in its reading order, at its places.
    void ExpectSameWords(const std::string& Expected, const std::string& Actual) {
        const auto words = [](const std::string& file) {
            return PdfWords(RunTool("pdftotext -bbox " + ShellQuoted(file) + " -"));
        };
        const std::vector<TPdfWord> expected = words(Expected);
        const std::vector<TPdfWord> actual = words(Actual);
        ASSERT_FALSE(expected.empty());
        ASSERT_EQ(actual.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE("word " + std::to_string(i) + " \"" + expected[i].Text + "\"");
            ASSERT_EQ(actual[i].Text, expected[i].Text);
            EXPECT_NEAR(actual[i].XMin, expected[i].XMin, 0.1);
            EXPECT_NEAR(actual[i].XMax, expected[i].XMax, 0.1);
            EXPECT_NEAR(actual[i].YMin, expected[i].YMin, 0.1);
            EXPECT_NEAR(actual[i].YMax, expected[i].YMax, 0.1);
        }
    }
    void ExpectPlayedAsPrinted(const TBody& Body) {
        const std::string direct = Direct(Body);
        ExpectSameWords(direct, Played(Body, amPositioning));
        stream.Clear();
        ExpectSameWords(direct, Played(Body, amAppearance));
    }
    TMemoryStream stream;
};

void StyleChanges(TBaseReport& r) {
    r.SetFont("Arial", 12);
    r.SetBold(true);
    r.PrintLn("Loan summary for the second quarter");
    r.PrintLn("A later line of the same size");
    r.SetBold(false);
    r.PrintLn("Regular words after the bold lines");
    r.SetFont("Times New Roman", 11);
    r.SetItalic(true);
    r.PrintLn("Italic serif words follow here");
    r.SetItalic(false);
    r.SetFont("Courier New", 9);
    r.PrintLn("Fixed pitch 1,234.56 and 7,890.12");
    r.SetFont("Arial", 10);
    r.SetUnderline(true);
    r.Print("Underlined start ");
    r.SetUnderline(false);
    r.SetBold(true);
    r.PrintLn("then bold on the same line");
    r.PrintCenter("A centred title in bold", r.PageWidth() / 2);
    r.NewLine();
    r.SetBold(false);
    r.SetItalic(true);
    r.PrintRight("Total of payments 444,444.40", 7.5);
    r.NewLine();
    r.SetFont("Arial", 14);
    r.SetBold(true);
    r.SetItalic(false);
    r.PrintLn("Bold before a change of size");
    r.SetFont("Arial", 8);
    r.PrintLn("and small regular text at the end");
}

TEST_F(RptPlayback, StyleChangesPlayAsPrinted) {
    ExpectPlayedAsPrinted(StyleChanges);
}

// The schedule's way: tab columns of every justification with boxes and shading, cells of
// several words, a bold column and a serif one, over two pages.
void TabColumns(TBaseReport& r) {
    for (int page = 1; page <= 2; ++page) {
        r.SetFont("Arial", 9);
        r.ClearTabs();
        r.SetTab(0.75, pjLeft, 2.2, 4, BOXLINEALL, 0);
        r.SetTab(-1, pjRight, 1.3, 4, BOXLINEALL, 10);
        r.SetTab(-1, pjCenter, 1.4, 4, BOXLINEALL, 0);
        r.SetTab(-1, pjRight, 1.6, 4, BOXLINEALL, 0);
        for (int row = 1; row <= 12; ++row) {
            r.Print("\tPayment " + std::to_string(row) + " of the loan");
            r.SetBold(true);
            r.Print("\t" + std::to_string(row * 1234 % 9000) + ".56");
            r.SetBold(false);
            r.SetFont("Times New Roman", 9);
            r.Print("\tJan " + std::to_string(row) + ", 2027");
            r.SetFont("Arial", 9);
            r.PrintLn("\tbalance " + std::to_string(98765 - row * 321) + ".43");
        }
        r.Rectangle(0.7, r.LineTop(), 7.3, r.LineBottom());
        r.PrintLn("\tTotals in a box\t12,345.67\tall dates\t0.00");
        if (page == 1) r.NewPage();
    }
}

TEST_F(RptPlayback, TabColumnsWithBoxesPlayAsPrinted) {
    ExpectPlayedAsPrinted(TabColumns);
}

TEST_F(RptPlayback, BitmapsAndTheLargestFontPlayAsPrinted) {
    TBitmap logo;
    PaintLogo(logo);
    const TBody body = [&](TBaseReport& r) {
        r.SetFont("Arial", 10);
        r.PrintLn("Above the logo");
        r.PrintBitmapRect(1.0, 1.0, 2.0, 1.75, &logo);
        r.PrintBitmap(3.0, 1.0, 2.0, 2.0, &logo);
        r.SetYPos(2.5);
        r.PrintLn("Below the logo");
        // The documented largest size: 1000 points, one letter on the page.
        r.SetFont("Arial", 1000);
        r.SetYPos(10.0);
        r.PrintLeft("I", 1.0);
    };
    const std::string direct = Direct(body);
    const std::string played = Played(body, amPositioning);
    ExpectSameWords(direct, played);
    const std::vector<TPdfImage> printed = PdfImages(direct);
    const std::vector<TPdfImage> replayed = PdfImages(played);
    ASSERT_EQ(printed.size(), 2u);
    ASSERT_EQ(replayed.size(), 2u);
    for (std::size_t i = 0; i < printed.size(); ++i)
        EXPECT_EQ(replayed[i].Placement, printed[i].Placement);
    // The letter is 1000 points tall: the word's box spans the font's whole height.
    const std::vector<TPdfWord> words = PdfWords(RunTool("pdftotext -bbox " + ShellQuoted(played) + " -"));
    ASSERT_EQ(words.back().Text, "I");
    EXPECT_GT(words.back().YMax - words.back().YMin, 1000.0);
}

TEST_F(RptPlayback, ABitmapOnEveryPageIsStoredOnce) {
    TBitmap logo;
    PaintLogo(logo);
    // No use of the graphic registry: the same bitmap is simply drawn on every page.
    const TBody body = [&](TBaseReport& r) {
        for (int page = 1; page <= 5; ++page) {
            r.PrintBitmapRect(0.5, 0.5, 1.5, 1.25, &logo);
            r.PrintLn("Page " + std::to_string(page));
            if (page < 5) r.NewPage();
        }
    };
    const std::vector<TPdfImage> printed = PdfImages(Direct(body));
    ASSERT_EQ(printed.size(), 5u);
    EXPECT_EQ(ImageObjects(printed).size(), 1u);
    const std::vector<TPdfImage> replayed = PdfImages(Played(body, amPositioning));
    ASSERT_EQ(replayed.size(), 5u);
    EXPECT_EQ(ImageObjects(replayed).size(), 1u);
    // The recording holds the bitmap's bytes once: a 64 x 48 bitmap saves 9,270 bytes.
    EXPECT_LT(stream.Size(), 2 * 9270);
    EXPECT_GT(stream.Size(), 9270);
}

// The player keeps the graphics it read, up to 32 MiB of them, so a graphic drawn again is the
// same picture for the printer, which stores it once. Three bitmaps of 12 MiB each: the third
// lets the first go, and the second, drawn again, is still kept: three images in the PDF.
TEST_F(RptPlayback, GraphicsKeptWhileTheyFitThirtyTwoMebibytes) {
    std::vector<std::unique_ptr<TBitmap>> large;
    for (TColor color : {clRed, clGreen, clBlue}) {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetSize(2048, 2048);
        bitmap->Canvas()->Brush()->SetColor(color);
        bitmap->Canvas()->FillRect(Rect(0, 0, 2048, 2048));
        large.push_back(std::move(bitmap));
    }
    // The second is registered: drawn again, the recording refers to the one stored.
    const TBody body = [&](TBaseReport& r) {
        r.PrintBitmapRect(0.5, 0.5, 1.0, 1.0, large[0].get());
        r.PrintBitmapRect(1.5, 0.5, 2.0, 1.0, large[1].get());
        r.RegisterGraphic(1);
        r.PrintBitmapRect(2.5, 0.5, 3.0, 1.0, large[2].get());
        r.ReuseGraphic(1);
        r.PrintBitmapRect(1.5, 1.5, 2.0, 2.0, large[1].get());
    };
    const std::vector<TPdfImage> replayed = PdfImages(Played(body, amPositioning));
    ASSERT_EQ(replayed.size(), 4u);
    EXPECT_EQ(ImageObjects(replayed).size(), 3u);
}

} // namespace
