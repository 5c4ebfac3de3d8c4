// The schedule's "Allocation by Amount" chart as the user sees it and as it prints: drawn into an
// off-screen bitmap (written as a PNG when VANTREL_SCREENSHOT_CHART names a file), and printed in
// landscape to the "PDF" printer, read back with pdfinfo and pdftotext.
#include "tests/chart/ChartTestSupport.h"
#include "tests/gui/PdfTools.h"
#include "tests/rtl/RefusedFolder.h"
#include "tests/rtl/TestFolder.h"

#include "platform/gui/PrinterBackend.h"
#include "platform/gui/Printers.h"
#include "platform/rtl/Streams.h"

#include <QImage>

#include <cstdlib>

namespace {

QImage ToImage(TBitmap& Bitmap) {
    TMemoryStream stream;
    Bitmap.SaveToStream(stream);
    return QImage::fromData(static_cast<const uchar*>(stream.Memory()),
                            static_cast<int>(stream.Size()), "BMP");
}

QColor Qt(TColor Color) {
    const COLORREF c = ColorToRGB(Color);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

// How many pixels of the image have the colour.
int CountPixels(const QImage& Image, TColor Color) {
    const QRgb wanted = Qt(Color).rgb();
    int count = 0;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            count += (Image.pixel(x, y) & 0xFFFFFF) == (wanted & 0xFFFFFF);
    return count;
}

class ChartOutput : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        saved = PrinterBackends();
    }
    void TearDown() override {
        SetPrinter(nullptr);
        SetPrinterBackends(saved);
    }
    // Makes the test printer backend with that printer the only one, and its printer current.
    std::shared_ptr<TTestPrinterBackend> UsePrinter(const TPrinterInfo& Info) {
        auto backend = std::make_shared<TTestPrinterBackend>();
        backend->AddPrinter(Info);
        SetPrinterBackends({backend});
        SetPrinter(std::make_unique<TPrinter>());
        return backend;
    }
    std::unique_ptr<TChart> AllocationChart() {
        auto chart = MakeChart(720, 440);
        FillAllocationChart(chart.get(), interest, principal, balance);
        return chart;
    }
    TTestFolder folder;
    TEnvironmentOverride home{"VANTREL_HOME", folder.Path()};
    std::vector<std::shared_ptr<TPrinterBackend>> saved;
    TBarSeries* interest = nullptr;
    TBarSeries* principal = nullptr;
    TFastLineSeries* balance = nullptr;
};

TEST_F(ChartOutput, TheAllocationChartDrawsBarsLineAxesAndLegend) {
    auto chart = AllocationChart();
    TBitmap bitmap;
    bitmap.SetSize(chart->Width(), chart->Height());
    chart->Draw(bitmap.Canvas(), Rect(0, 0, chart->Width(), chart->Height()));
    const QImage image = ToImage(bitmap);
    ASSERT_EQ(image.width(), 720);
    if (const char* path = std::getenv("VANTREL_SCREENSHOT_CHART")) {
        ASSERT_TRUE(image.save(QString::fromLocal8Bit(path), "PNG"));
    }
    // Thirty bars of each series and a blue line across the plot.
    EXPECT_GT(CountPixels(image, clRed), 30 * 20);
    EXPECT_GT(CountPixels(image, clGreen), 30 * 20);
    EXPECT_GT(CountPixels(image, clBlue), 400);
    // The first year's interest bar stands left of its principal bar, both on the bottom axis.
    const int x = interest->CalcXPos(0) + interest->BarWidth() / 2;
    const int y = chart->BottomAxis()->PosAxis() - 3;
    EXPECT_EQ(image.pixelColor(x, y), Qt(clRed));
    EXPECT_EQ(image.pixelColor(principal->CalcXPos(0) + principal->BarWidth() / 2, y), Qt(clGreen));
    EXPECT_LT(interest->CalcXPos(0), principal->CalcXPos(0));
    // The legend sits under the plot.
    EXPECT_GT(chart->Legend()->RectLegend.Top, chart->ChartRect.Bottom);
    // A second paint copies the bitmap without drawing again.
    EXPECT_FALSE(chart->RedrawNeeded());
}

TEST_F(ChartOutput, PrintingInLandscapeWritesOnePdfPageTitledWithTheChartName) {
    SetPrinterBackends({CreatePdfPrinterBackend()});
    SetPrinter(std::make_unique<TPrinter>());
    const std::string file = folder / "allocation.pdf";
    Printer()->SetFileName(file);
    auto chart = AllocationChart();
    ASSERT_EQ(Printer()->Orientation(), poPortrait);
    chart->PrintLandscape();
    EXPECT_EQ(Printer()->Orientation(), poPortrait);
    const std::string info = RunTool("pdfinfo " + ShellQuoted(file));
    EXPECT_EQ(PdfInfoField(info, "Title"), "AllocationByAmount") << info;
    EXPECT_EQ(PdfInfoField(info, "Pages"), "1") << info;
    EXPECT_EQ(PdfInfoField(info, "Page size"), "792 x 612 pts (letter)") << info;
    const std::string text = RunTool("pdftotext -layout " + ShellQuoted(file) + " -");
    for (const char* expected : {"Allocation by Amount", "Interest", "Principal", "Balance", "Year",
                                 "140,000", "12,000", "30"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    if (const char* path = std::getenv("VANTREL_PRINTED_CHART"))
        std::filesystem::copy_file(file, path, std::filesystem::copy_options::overwrite_existing);
}

TEST_F(ChartOutput, DefaultMarginsLeaveFifteenPerCentOfThePage) {
    UsePrinter(TTestPrinterBackend::StandardPrinter());
    auto chart = AllocationChart();
    const int pw = Printer()->PageWidth();
    const int ph = Printer()->PageHeight();
    const TRect r = chart->ChartPrintRect();
    EXPECT_EQ(r, Rect(static_cast<int>(std::lround(pw * 0.15)),
                      static_cast<int>(std::lround(ph * 0.15)),
                      pw - static_cast<int>(std::lround(pw * 0.15)),
                      ph - static_cast<int>(std::lround(ph * 0.15))));
}

TEST_F(ChartOutput, PrintMarginsRoundToTheNearestPixel) {
    // A page 4870 pixels wide (letter at 600 dpi less 115 pixels each side) and 6300 high.
    TPrinterInfo printer = TTestPrinterBackend::StandardPrinter();
    printer.MarginLeft = printer.MarginRight = 115;
    UsePrinter(printer);
    auto chart = AllocationChart();
    chart->PrintMargins = {7, 15, 7, 10};
    ASSERT_EQ(Printer()->PageWidth(), 4870);
    ASSERT_EQ(Printer()->PageHeight(), 6300);
    // 7 per cent of 4870 is 340.9; 15 and 10 per cent of 6300 are 945 and 630.
    EXPECT_EQ(chart->ChartPrintRect(), Rect(341, 945, 4870 - 341, 6300 - 630));
}

TEST_F(ChartOutput, AFailedPrintJobIsAbortedAndTheOrientationComesBack) {
    const auto backend = UsePrinter(TTestPrinterBackend::StandardPrinter());
    auto chart = AllocationChart();
    backend->FailNextStart();
    EXPECT_THROW(chart->PrintLandscape(), EPrinter);
    EXPECT_EQ(Printer()->Orientation(), poPortrait);
    EXPECT_FALSE(Printer()->Printing());
    // A drawing that fails inside the job aborts the job and reaches the caller unchanged.
    chart->OnAfterDraw = [](TObject*) { throw EInvalidOperation("drawing failed"); };
    EXPECT_THROW(chart->PrintLandscape(), EInvalidOperation);
    EXPECT_EQ(Printer()->Orientation(), poPortrait);
    EXPECT_FALSE(Printer()->Printing());
    ASSERT_FALSE(backend->Documents().empty());
    EXPECT_TRUE(backend->Documents().back().Aborted);
    EXPECT_FALSE(chart->CanvasDrawing());
    EXPECT_TRUE(chart->BufferedDisplay());
}

// A print the printer cannot complete (a full disk) names the printout and the system's cause,
// leaves nothing of it, and gives the orientation back.
TEST_F(ChartOutput, APrintOnAFullDiskNamesThePrintoutAndTheCause) {
    RUN_IN_FRESH_PROCESS();
    SetPrinterBackends({CreatePdfPrinterBackend()});
    SetPrinter(std::make_unique<TPrinter>());
    Printer()->PrinterIndex(); // the printer list is in the profile before the disk fills
    auto chart = AllocationChart();
    const std::optional<std::string> said = InRefusedFolder(
        folder.Path(), TRefusal::FullDisk,
        [&] { return RaisedMessage<EPrinter>([&] { chart->PrintLandscape(); }); }, 4096);
    if (!said) GTEST_SKIP() << "this machine cannot make a full disk for a test";
    EXPECT_EQ(*said, "The print job could not be completed. The file " +
                         (folder / "printed/print0001.pdf") +
                         " could not be written: no space left on device.\n\nNothing was printed.");
    EXPECT_TRUE(std::filesystem::is_empty(folder / "printed"));
    EXPECT_EQ(Printer()->Orientation(), poPortrait);
    EXPECT_FALSE(Printer()->Printing());
}

} // namespace
