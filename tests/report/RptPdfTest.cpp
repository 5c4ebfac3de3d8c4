// End to end on the built-in "PDF" printer: a two-page report with a title, tabbed columns of
// money, a box, a bold line and the page-number macro, checked with the PDF tools.
#include "RptTestSupport.h"
#include "tests/gui/PdfTools.h"
#include "tests/rtl/RefusedFolder.h"

#include <filesystem>
#include <iterator>

namespace {

// The column just after the end of Needle on its line.
std::size_t EndColumn(const std::string& text, const std::string& needle) {
    const std::string line = LineWith(text, needle);
    const std::size_t at = line.find(needle);
    return at == std::string::npos ? std::string::npos : at + needle.size();
}

class RptPdf : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        UseBackends({CreatePdfPrinterBackend()});
        file = dir + "/loan summary.pdf";
    }
    // What the tool prints about the report's file.
    std::string Tool(const std::string& tool) { return RunTool(tool + " " + ShellQuoted(file)); }
    std::string file;
};

void PrintPage(TBaseReport& r, const std::vector<std::pair<std::string, std::string>>& rows) {
    r.SetFont("Arial", 16);
    r.SetBold(true);
    r.PrintCenter("Loan Summary", r.PageWidth() / 2);
    r.NewLine();
    r.NewLine();
    r.SetFont("Arial", 10);
    r.ClearTabs();
    r.SetTab(1.0, pjLeft, 2.5, 5, BOXLINEALL, 0);
    r.SetTab(-1, pjRight, 1.5, 5, BOXLINEALL, 0);
    for (const auto& [label, amount] : rows)
        r.PrintLn("\t" + label + "\t" + amount);
    r.NewLine();
    r.Rectangle(0.9, r.LineTop(), 5.0, r.LineBottom());
    r.PrintLn(std::string("\x01") + "B1\x04" + "Total interest paid\x01" + "B0\x04 (bold)");
    r.GotoSectionBottom();
    r.PrintCenter("Page " + r.Macro(11) + " of 2", r.PageWidth() / 2);
}

TEST_F(RptPdf, TwoPageReportWithColumnsBoxAndPageNumbers) {
    TReportWriter r(nullptr);
    r.SetTitle("Loan Summary");
    r.SetOutputFileName(file);
    r.SetMarginTop(0.75);
    r.SetMarginLeft(1.0);
    r.SetMarginBottom(0.75);
    r.OnPrint = [&](TObject*) {
        PrintPage(r, {{"Monthly payment", "$1,234.56"}, {"Loan amount", "$150,000.00"}});
        r.NewPage();
        PrintPage(r, {{"Interest rate", "7.25%"}, {"Total of payments", "$444,444.40"}});
    };
    r.Execute();

    const std::string info = Tool("pdfinfo");
    EXPECT_EQ(PdfInfoField(info, "Pages"), "2");
    EXPECT_EQ(PdfInfoField(info, "Title"), "Loan Summary");
    EXPECT_NE(PdfInfoField(info, "Page size").find("612 x 792 pts"), std::string::npos) << info;

    const std::string text = RunTool("pdftotext -layout " + ShellQuoted(file) + " -");
    EXPECT_NE(text.find("Loan Summary"), std::string::npos) << text;
    EXPECT_NE(LineWith(text, "Monthly payment").find("$1,234.56"), std::string::npos) << text;
    EXPECT_NE(LineWith(text, "Total of payments").find("$444,444.40"), std::string::npos);
    // The money column is right-justified: the amounts end in the same column.
    EXPECT_EQ(EndColumn(text, "$1,234.56"), EndColumn(text, "$150,000.00")) << text;
    EXPECT_NEAR(static_cast<double>(EndColumn(text, "7.25%")),
                static_cast<double>(EndColumn(text, "$444,444.40")), 1.0)
        << text;
    EXPECT_LT(LineWith(text, "Monthly payment").find("Monthly"),
              LineWith(text, "Monthly payment").find("$1,234.56"));
    EXPECT_NE(text.find("Total interest paid (bold)"), std::string::npos) << text;
    EXPECT_NE(text.find("Page 1 of 2"), std::string::npos) << text;
    EXPECT_NE(text.find("Page 2 of 2"), std::string::npos) << text;
    EXPECT_LT(text.find("Page 1 of 2"), text.find("Interest rate"));

    const std::string fonts = Tool("pdffonts");
    EXPECT_NE(fonts.find("Bold"), std::string::npos) << fonts;

    const std::string check = Tool("qpdf --check");
    EXPECT_NE(check.find("No syntax or stream encoding errors"), std::string::npos) << check;
    EXPECT_NE(check.find("status=0"), std::string::npos) << check;
}

TEST_F(RptPdf, UnwritableOutputFileStopsTheJobWithOneError) {
    TReportWriter r(nullptr);
    int printCalls = 0;
    r.OnPrint = [&](TObject*) { ++printCalls; };
    r.SetOutputFileName(dir + "/missing folder/out.pdf");
    EXPECT_EQ(ErrorOf([&] { r.Execute(); }),
              "Unable to start the print job on \"" + dir +
                  "/missing folder/out.pdf\". The file cannot be written: no such file or "
                  "directory.\n\nNothing was printed.");
    EXPECT_EQ(printCalls, 0);
    EXPECT_FALSE(r.Printing());
    EXPECT_FALSE(RPDev()->Printing());
    EXPECT_TRUE(services.MessageBoxes.empty());
    r.SetOutputFileName(file);
    r.Execute();
    EXPECT_EQ(printCalls, 1);
    EXPECT_EQ(PdfInfoField(Tool("pdfinfo"), "Pages"), "1");
}

// A folder that refuses the printout as the system refuses it (a read-only mount, no leave to
// write, a full disk) stops the job with a message naming the folder of printouts or the file,
// and the system's cause, and leaves nothing of the printout: a file named keeps what it held.
// On a full disk the job starts, even with no room left (the file is made, its bytes are not
// written), and fails when it ends.
TEST_F(RptPdf, ARefusedPrintoutNamesWhereAndWhy) {
    RUN_IN_FRESH_PROCESS();
    RPDev()->GetPrinterIndex(); // the printer list is in the profile before writes are refused
    WriteAll(file, "an earlier printout");
    const std::string start = "Unable to start the print job on ";
    const std::string printouts = " where printouts go cannot be written: ";
    const std::string complete = "Unable to complete the print job on PDF. The file ";
    const std::string full = " could not be written: no space left on device.";
    const struct {
        TRefusal Refusal;
        std::string Output;
        std::string Message;
        std::size_t Room = 0;
    } refusals[] = {
        // No folder of printouts yet: it cannot be made.
        {TRefusal::ReadOnlyMount, "",
         start + "PDF. The folder " + dir + "/printed" + printouts + "read-only file system."},
        // The folder is there, a numbered file cannot be made in it.
        {TRefusal::NotTheUsers, "",
         start + "PDF. The folder " + dir + "/printed" + printouts + "permission denied."},
        {TRefusal::ReadOnlyMount, file,
         start + "\"" + file + "\". The file cannot be written: read-only file system."},
        {TRefusal::ClosedFiles, file,
         start + "\"" + file + "\". The file cannot be written: permission denied."},
        {TRefusal::FullDisk, "", complete + dir + "/printed/print0001.pdf" + full, 4096},
        {TRefusal::FullDisk, file, complete + file + full, 4096},
        {TRefusal::FullDisk, "", complete + dir + "/printed/print0001.pdf" + full},
        {TRefusal::FullDisk, file, complete + file + full},
    };
    const auto entries = [&] {
        return std::ranges::distance(std::filesystem::directory_iterator(dir));
    };
    int ran = 0;
    for (const auto& refusal : refusals) {
        const std::string which = refusal.Message + " room " + std::to_string(refusal.Room);
        SCOPED_TRACE(which);
        const auto before = entries();
        const std::optional<std::string> said = InRefusedFolder(
            dir, refusal.Refusal,
            [&] {
                TReportWriter r(nullptr);
                r.SetOutputFileName(refusal.Output);
                // More than a full disk has room for, with the earlier printout's room too.
                r.OnPrint = [&](TObject*) {
                    for (int line = 1; line <= 1000; ++line)
                        r.PrintLn("Line " + std::to_string(line));
                };
                return ErrorOf([&] { r.Execute(); });
            },
            refusal.Room);
        EXPECT_EQ(entries(), before); // no partial printout beside the file
        std::filesystem::create_directory(dir + "/printed");
        if (!Ran(said, which)) continue;
        ++ran;
        EXPECT_EQ(*said, refusal.Message + "\n\nNothing was printed.");
    }
    if (ran == 0) GTEST_SKIP() << "this machine does not let a test refuse writes in a folder";
    EXPECT_TRUE(std::filesystem::is_empty(dir + "/printed"));
    EXPECT_EQ(ReadAll(file), "an earlier printout");
}

} // namespace
