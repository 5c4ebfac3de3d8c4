// Printing the amortization schedule through its report system: the setup form answered as a
// user answers it, the "PDF" printer's file read back with pdftotext, and the preview's pages.
#include "tests/advisors/AmortizationFormSupport.h"
#include "tests/gui/PdfTools.h"
#include "tests/rtl/RefusedFolder.h"

#include "report/RptDevice.h"
#include "report/RptPreviewForm.h"
#include "report/RptSetupForm.h"

#include <QImage>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {

class AmortPrint : public AmortFormTest {
protected:
    void SetUp() override {
        AmortFormTest::SetUp();
        CalculateLoan("100000", "360", "8", "010126", "020126");
        ASSERT_TRUE(form->PrintBTN->Enabled());
    }
};

TEST_F(AmortPrint, TitlePageCarriesTheLoanTerms) {
    PrintToPdf();
    const std::vector<std::string> pages = PrintedPages();
    ASSERT_GT(pages.size(), 2u);
    const std::string& title = pages[0];
    EXPECT_TRUE(Has(title, "Amortization Schedule")) << title;
    EXPECT_TRUE(Has(LineWith(title, "Initial Loan Amount:"), "$100,000.00")) << title;
    EXPECT_TRUE(Has(LineWith(title, "Initial Interest Rate:"), "8.0000"));
    EXPECT_TRUE(Has(LineWith(title, "Initial Periods:"), "360"));
    EXPECT_TRUE(Has(LineWith(title, "Points:"), "0.0000"));
    EXPECT_TRUE(Has(LineWith(title, "Origination Date:"), "01/01/26"));
    EXPECT_TRUE(Has(LineWith(title, "First Payment Due:"), "02/01/26"));
    EXPECT_TRUE(Has(LineWith(title, "Payment Method:"), "Monthly"));
    EXPECT_TRUE(Has(LineWith(title, "Compounding Method:"), "Monthly"));
    EXPECT_TRUE(Has(LineWith(title, "Amortizing Method:"), "Normal"));
    EXPECT_TRUE(Has(LineWith(title, "Rate Basis:"), "Ordinary"));
    EXPECT_TRUE(Has(LineWith(title, "Points Paid:"), "At Origination"));
    // No header or footer on the title page, and no borrower without a register account.
    EXPECT_FALSE(Has(title, "Prepared"));
    EXPECT_FALSE(Has(title, "#/Yr"));
}

TEST_F(AmortPrint, YearsFollowWithTheirTotalsUnderHeadersAndFooters) {
    PrintToPdf();
    const std::vector<std::string> pages = PrintedPages();
    ASSERT_GT(pages.size(), 2u);
    const std::string& first = pages[1];
    EXPECT_TRUE(Has(first, "Prepared On:")) << first;
    EXPECT_TRUE(Has(LineWith(first, "Prepared On:"), "Page: 2"));
    const std::string headings = LineWith(first, "#/Yr");
    EXPECT_TRUE(Has(headings, "Date") && Has(headings, "Payment") && Has(headings, "Balance"));
    // The first year begins with the origination row.
    EXPECT_TRUE(Has(LineWith(first, "Init/01"), "$100,000.00")) << first;
    EXPECT_TRUE(Has(LineWith(first, "   1/01"), "$733.76"));
    const std::string annual = LineWith(first, "Annual Totals:");
    EXPECT_TRUE(Has(annual, "$8,071.36")) << first;
    EXPECT_TRUE(Has(LineWith(first, "Running Totals:"), "$8,071.36"));
    // Footers: no borrower, the owner from the host.
    const std::string footer = LineWith(first, "Prepared For:");
    EXPECT_TRUE(Has(footer, "Prepared By: Ann Owner")) << first;
    // Every later page has its header and footer; the last one ends the loan.
    std::string all;
    for (std::size_t k = 1; k < pages.size(); ++k) {
        EXPECT_TRUE(Has(pages[k], "Page: " + std::to_string(k + 1))) << k;
        EXPECT_TRUE(Has(pages[k], "#/Yr")) << k;
        EXPECT_TRUE(Has(pages[k], "Prepared By: Ann Owner")) << k;
        all += pages[k];
    }
    EXPECT_TRUE(Has(pages.back(), "360/30   01/01/56")) << pages.back();
    // Thirty-one years of totals, each row once.
    std::size_t years = 0;
    for (std::size_t at = all.find("Annual Totals:"); at != std::string::npos;
         at = all.find("Annual Totals:", at + 1))
        ++years;
    EXPECT_EQ(years, 31u);
    EXPECT_EQ(LineWith(all, "  13/02").empty(), false);
}

TEST_F(AmortPrint, APageEndsWithRoomForItsFooter) {
    PrintToPdf();
    const std::vector<std::string> pages = PrintedPages();
    ASSERT_GT(pages.size(), 2u);
    // A year that does not fit goes on over the page: its rows continue on the next page
    // under a new header, and no row is printed after the footer.
    for (std::size_t k = 1; k + 1 < pages.size(); ++k) {
        const std::string& page = pages[k];
        const std::size_t footer = page.find("Prepared For:");
        ASSERT_NE(footer, std::string::npos) << k;
        EXPECT_EQ(page.find('/', page.find('\n', footer)), std::string::npos) << page;
    }
    bool continued = false;
    for (std::size_t k = 2; k < pages.size(); ++k) {
        const std::size_t headings = pages[k].find("#/Yr");
        const std::size_t totals = pages[k].find("Totals:");
        const std::size_t row = pages[k].find("/0", headings);
        if (row != std::string::npos && (totals == std::string::npos || row < totals))
            continued = true;
    }
    EXPECT_TRUE(continued);
}

// A year that starts with three lines left on a page prints its first row there, as any row is
// printed with that room: a loan first paid in December fills the first page of rows so that
// the January row after a year's totals closes it.
TEST_F(AmortPrint, AYearStartingWithThreeLinesLeftPrintsItsFirstRowThere) {
    CalculateLoan("100000", "360", "8", "110126", "120126");
    PrintToPdf();
    const std::vector<std::string> pages = PrintedPages();
    ASSERT_GT(pages.size(), 2u);
    // The month of a row's date: "  13/02   01/01/28 ..." gives "01".
    auto rowMonth = [](const std::string& line) -> std::string {
        std::istringstream words(line);
        std::string label, date;
        words >> label >> date;
        const bool row = !label.empty() && std::isdigit(static_cast<unsigned char>(label[0])) &&
                         label.find('/') != std::string::npos && date.size() == 8 &&
                         date[2] == '/' && date[5] == '/';
        return row ? date.substr(0, 2) : std::string();
    };
    std::istringstream lines(pages[1]);
    std::vector<std::string> afterTotals; // the months of the rows after the last totals
    bool totals = false;
    for (std::string line; std::getline(lines, line);) {
        if (Has(line, "Running Totals:")) {
            totals = true;
            afterTotals.clear();
        } else if (totals && !rowMonth(line).empty()) {
            afterTotals.push_back(rowMonth(line));
        }
    }
    EXPECT_TRUE(totals) << pages[1];
    EXPECT_EQ(afterTotals, std::vector<std::string>{"01"}) << pages[1];
}

TEST_F(AmortPrint, ASecondPrintWhileOneRunsIsRefusedAndRedrawingComesBack) {
    bool lockedWhilePrinting = false;
    PrintToPdf([&] {
        lockedWhilePrinting = form->TransGrid->RedrawLocked();
        form->PrintSchedule();
    });
    EXPECT_TRUE(lockedWhilePrinting);
    EXPECT_EQ(modals, (std::vector<std::string>{"TRPSetupForm"}));
    EXPECT_FALSE(form->TransGrid->RedrawLocked());
    // A cancelled setup gives the redrawing back too, and a print may run again.
    Answer = [](TCustomForm* modal) {
        if (auto* setup = dynamic_cast<TRPSetupForm*>(modal)) setup->CancelBB->Click();
    };
    form->PrintSchedule();
    EXPECT_FALSE(form->TransGrid->RedrawLocked());
    EXPECT_EQ(modals.size(), 2u);
    EXPECT_EQ(form->Years->TabIndex(), 1);
}

// Printing on a full disk: the user is told which printout could not be written, the system's
// cause and that nothing was printed, and nothing of the printout is left.
TEST_F(AmortPrint, AFullDiskTellsTheUserWhyNothingWasPrinted) {
    RUN_IN_FRESH_PROCESS();
    RPDev()->GetPrinterIndex(); // the printer list is in the profile before the disk fills
    const std::optional<std::string> shown = InRefusedFolder(
        home.Path(), TRefusal::FullDisk,
        [&] {
            PrintToPdf();
            return services.MessageBoxes.size() == 1 ? LastMessage() : "no single message";
        },
        4096);
    if (!shown) GTEST_SKIP() << "this machine cannot make a full disk for a test";
    EXPECT_EQ(*shown, "Unable to complete the print job on PDF. The file " +
                          (home / "printed/print0001.pdf") +
                          " could not be written: no space left on device.\n\nNothing was "
                          "printed.");
    EXPECT_TRUE(std::filesystem::is_empty(home / "printed"));
}

TEST_F(AmortPrint, ThePreviewShowsTheRecordedPages) {
    std::string pageLabel;
    QImage picture;
    Answer = [&](TCustomForm* modal) {
        if (auto* setup = dynamic_cast<TRPSetupForm*>(modal)) {
            setup->PreviewRB->SetChecked(true);
            setup->OKBB->Click();
        } else if (auto* preview = dynamic_cast<TRPPreviewForm*>(modal)) {
            EXPECT_EQ(preview->Caption(), "Amortization Schedule Preview");
            preview->SBNextPage->Click();
            Application->ProcessMessages();
            pageLabel = preview->PageLabel->Caption();
            picture = WidgetOf(preview->ScrollBox1)->grab().toImage();
            if (const char* folder = std::getenv("VANTREL_SCREENSHOTS"))
                picture.save(QString::fromLocal8Bit(folder) + "/amortization-preview.png", "PNG");
        }
    };
    form->PrintSchedule();
    EXPECT_EQ(modals, (std::vector<std::string>{"TRPSetupForm", "TRPPreviewForm"}));
    EXPECT_EQ(pageLabel.rfind("Page 2 of ", 0), 0u) << pageLabel;
    // The page drawn: some dark text on it.
    ASSERT_FALSE(picture.isNull());
    int dark = 0;
    for (int y = 0; y < picture.height(); y += 2)
        for (int x = 0; x < picture.width(); x += 2)
            if (qGray(picture.pixel(x, y)) < 80) ++dark;
    EXPECT_GT(dark, 50);
    EXPECT_FALSE(std::filesystem::exists(home / "printed"));
}

} // namespace
