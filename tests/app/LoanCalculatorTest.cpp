// The loan calculator driven as a user drives it: values typed into its fields, Calculate, Copy,
// Print to the "PDF" printer, Undo and Reset, and the messages of its refusals.
#include "app/LoanCalculator.h"
#include "tests/app/AppTestSupport.h"
#include "tests/gui/PdfTools.h"

#include "platform/gui/Clipbrd.h"

#include "platform/rtl/Strings.h"

#include <filesystem>

namespace {

class LoanCalcTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        MakeMainForm();
        main->OpenLoanCalc();
        loan = dynamic_cast<TcLoLoan*>(main->SlotForm(ckLoan, 1));
        ASSERT_NE(loan, nullptr);
        Application->ProcessMessages();
    }
    void Calculate() {
        Key(loan->CalcBTN, Qt::Key_C, Qt::AltModifier);
        Application->ProcessMessages();
    }
    // 100,000 at 8 % over 360 months typed in and calculated.
    void CalculateStandardLoan() {
        Enter(loan->PV, "100000", loan->NumPmts, "360", loan->Rate, "8");
        Calculate();
    }

    TcLoLoan* loan = nullptr;
};

TEST_F(LoanCalcTest, SolvesThePaymentOfTheStandardLoan) {
    EXPECT_EQ(loan->Caption(), "Loan Calculator 1");
    EXPECT_EQ(loan->PYR->Text(), "Monthly");
    EXPECT_EQ(loan->CmpPYR->Text(), "Monthly");
    EXPECT_EQ(loan->PmtMthd->Text(), "Arrears");
    EXPECT_EQ(loan->AmortMthd->Text(), "Normal");
    CalculateStandardLoan();
    EXPECT_EQ(LastMessage(), "");
    EXPECT_EQ(Trim(loan->Pmt->Caption()), "$733.76");
    EXPECT_EQ(Trim(loan->TotInt->Caption()), "$164,153.60");
}

TEST_F(LoanCalcTest, SolvesThePeriodsAndShowsTheUnroundedCount) {
    Enter(loan->PV, "100000", loan->Rate, "8", loan->Pmt, "800");
    Calculate(); // ln 6 / ln(1 + 0.08 / 12)
    EXPECT_EQ(Trim(loan->NumPmts->Caption()), "270");
    EXPECT_EQ(loan->NumPmts2->Caption(), "269.659");
}

TEST_F(LoanCalcTest, CountsTheUnknowns) {
    Enter(loan->PV, "100000");
    Calculate();
    EXPECT_EQ(LastMessage(), "Too many unknowns. Please try again.");
    EXPECT_EQ(services.MessageBoxes.back().Type, mtWarning);
    Enter(loan->NumPmts, "360", loan->Rate, "8", loan->Pmt, "700");
    Calculate();
    EXPECT_EQ(LastMessage(), "No unknown values. Please try again.");
    EXPECT_EQ(Trim(loan->Pmt->Caption()), "$700.00");
}

TEST_F(LoanCalcTest, APaymentBelowTheInterestLeavesNoTerm) {
    Enter(loan->PV, "100000", loan->Rate, "8", loan->Pmt, "600");
    Calculate();
    EXPECT_EQ(LastMessage(), "Payment does not cover interest. Please increase payment.");
    EXPECT_EQ(Trim(loan->NumPmts->Caption()), "0");
    EXPECT_EQ(Trim(loan->TotInt->Caption()), "$0.00");
}

TEST_F(LoanCalcTest, CanadianForcesMonthlyPaymentsAndSemiAnnualCompounding) {
    loan->AmortMthd->SetItemIndex(0);
    loan->PYR->SetItemIndex(0);
    Enter(loan->PV, "100000", loan->NumPmts, "300", loan->Rate, "6");
    Calculate();
    EXPECT_EQ(loan->PYR->Text(), "Monthly");
    EXPECT_EQ(loan->CmpPYR->Text(), "SemiAnnually");
    EXPECT_EQ(Trim(loan->Pmt->Caption()), "$639.81");
}

TEST_F(LoanCalcTest, CopyPutsTheAlignedSummaryOnTheClipboard) {
    CalculateStandardLoan();
    Key(loan->CopyBTN, Qt::Key_Y, Qt::AltModifier);
    const std::string expected = "Loan Calculator 1\r\n\r\n"
                                 "Amount of Loan?:              $100,000.00\r\n"
                                 "Total Periods? (#):                   360\r\n"
                                 "Annual Rate? (%):                    8.00\r\n"
                                 "Periodic Payment:                 $733.76\r\n"
                                 "Payment Period?:                  Monthly\r\n"
                                 "Compounding Period?:              Monthly\r\n"
                                 "Payment Method?:                  Arrears\r\n"
                                 "Amortizing Method?:                Normal\r\n"
                                 "Total Interest:               $164,153.60\r\n";
    EXPECT_EQ(Clipboard()->AsText(), expected);
}

TEST_F(LoanCalcTest, UndoRestoresTheLastCalculationAndCopyDoesNotChangeIt) {
    CalculateStandardLoan();
    Enter(loan->PV, "5");
    loan->CopyBTN->Click(); // copies the edit, but keeps the calculation for Undo
    EXPECT_THAT(Clipboard()->AsText(), HasSubstr("$5.00"));
    main->OpenLoanCalc(); // the other instance shows the calculated record
    auto* second = dynamic_cast<TcLoLoan*>(main->SlotForm(ckLoan, 2));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Trim(second->PV->Caption()), "$100,000.00");
    loan->UndoBTN->Click();
    EXPECT_EQ(Trim(loan->PV->Caption()), "$100,000.00");
    loan->ResetBTN->Click();
    EXPECT_EQ(Trim(loan->PV->Caption()), "$0.00");
    EXPECT_EQ(Trim(loan->TotInt->Caption()), "$164,153.60"); // Reset keeps the total
}

TEST_F(LoanCalcTest, PrintWritesTheSummaryToThePdfPrinter) {
    CalculateStandardLoan();
    Key(loan->PrintBtn, Qt::Key_P, Qt::AltModifier);
    ASSERT_TRUE(std::filesystem::exists(home / "printed"));
    const std::string pdf = NewestPdf();
    ASSERT_FALSE(pdf.empty());
    const std::string text = PdfText(pdf);
    EXPECT_THAT(text, HasSubstr("Loan Calculator 1"));
    const std::string payment = LineWith(text, "Periodic Payment:");
    EXPECT_THAT(payment, HasSubstr("$733.76")) << text;
    EXPECT_THAT(LineWith(text, "Total Interest:"), HasSubstr("$164,153.60"));
    EXPECT_THAT(LineWith(text, "Amortizing Method?:"), HasSubstr("Normal"));
    // Once printing is over the user is told where the printout went.
    ASSERT_FALSE(services.MessageBoxes.empty());
    EXPECT_EQ(services.MessageBoxes.back().Text, "The printout is in the file\n\n" + pdf);
    EXPECT_EQ(services.MessageBoxes.back().Type, mtInformation);
}

TEST_F(LoanCalcTest, HelpOpensTheCalculatorsTopic) {
    Application->SetHelpFile("vtrx2532.hlp");
    loan->HelpBTN->Click();
    ASSERT_FALSE(services.Helps.empty());
    EXPECT_EQ(services.Helps.back().Data, 125);
}

TEST_F(LoanCalcTest, ScreenshotOfTheLoanCalculator) {
    PICTURES_ONLY();
    CalculateStandardLoan();
    Screenshot(loan, "loan-calculator");
}

// A result the form cannot show is refused with a message naming its field, nothing of it is
// stored, and the calculator (and a new one, which shares the record) goes on working.
TEST_F(LoanCalcTest, AResultTooLargeForItsFieldIsRefused) {
    Enter(loan->PV, "10000000", loan->NumPmts, "32767", loan->Rate, "8");
    Calculate(); // =32767*ROUND(PMT(0.08/12,32767,-10000000),2)-10000000
    EXPECT_EQ(LastMessage(), "Total Interest would be 2,174,466,775.89,\n\nmore than its field "
                             "can show ($999,999,999.99).\n\nPlease Try Again");
    EXPECT_EQ(Trim(loan->Pmt->Caption()), "$0.00");
    EXPECT_EQ(Trim(loan->TotInt->Caption()), "$0.00");
    services.MessageBoxes.clear();
    Enter(loan->NumPmts, "360", loan->PV, "100000");
    Calculate();
    EXPECT_EQ(LastMessage(), "");
    EXPECT_EQ(Trim(loan->Pmt->Caption()), "$733.76");
    loan->CopyBTN->Click();
    EXPECT_THAT(Clipboard()->AsText(), HasSubstr("$164,153.60"));
    main->OpenLoanCalc();
    auto* second = dynamic_cast<TcLoLoan*>(main->SlotForm(ckLoan, 2));
    ASSERT_NE(second, nullptr);
    second->CalcBTN->Click();
    EXPECT_EQ(LastMessage(), "No unknown values. Please try again.");
}

TEST_F(LoanCalcTest, SolvedAmountsAndRatesMustFitTheirFields) {
    Enter(loan->NumPmts, "360", loan->Rate, "1", loan->Pmt, "9999999.99");
    Calculate(); // =PV(0.01/12,360,-9999999.99) = 3,109,070,668.96
    EXPECT_EQ(LastMessage(), "Amount of Loan would be 3,109,070,668.96,\n\nmore than its field "
                             "can show ($999,999,999.99).\n\nPlease Try Again");
    EXPECT_EQ(Trim(loan->PV->Caption()), "$0.00");
    Enter(loan->PV, "100000");
    Key(loan->Rate, Qt::Key_Backspace);
    Enter(loan->Pmt, "8333.33");
    Calculate(); // =RATE(360,-8333.33,100000)*1200 = 99.99996, shown with four decimals
    EXPECT_EQ(LastMessage(), "Annual Rate (%) would be 100.0000,\n\nmore than its field can "
                             "show (99.9999).\n\nPlease Try Again");
    EXPECT_EQ(Trim(loan->Rate->Caption()), "0.0000");
    EXPECT_EQ(Trim(loan->TotInt->Caption()), "$0.00");
}

TEST_F(LoanCalcTest, NegativeTermsAndOversizedPaymentsAreRefused) {
    Enter(loan->PV, "100000", loan->NumPmts, "-12", loan->Rate, "8");
    Calculate();
    EXPECT_EQ(LastMessage(), "Total Periods can't be negative. Please try again.");
    EXPECT_EQ(Trim(loan->Pmt->Caption()), "$0.00");
    Enter(loan->NumPmts, "360", loan->Rate, "-8");
    Calculate();
    EXPECT_EQ(LastMessage(), "Annual Rate can't be negative. Please try again.");
    EXPECT_EQ(Trim(loan->TotInt->Caption()), "$0.00");
    // 2,000 a month pays off 1,000 at 8 % within half a month.
    Enter(loan->PV, "1000");
    Key(loan->NumPmts, Qt::Key_Backspace, Qt::NoModifier);
    Enter(loan->Rate, "8", loan->Pmt, "2000");
    Calculate();
    EXPECT_EQ(LastMessage(),
              "Payment is more than the loan and its interest. Please decrease payment.");
    EXPECT_EQ(Trim(loan->NumPmts->Caption()), "0");
    EXPECT_EQ(loan->NumPmts2->Caption(), "");
}

// What is typed is what the fields hold: a minus typed first counts, and a tenth digit that the
// amount has no place for is refused with a beep.
TEST_F(LoanCalcTest, TypedSignsAndTheTenthDigit) {
    services.Beeps.clear();
    Enter(loan->PV, "1000000000");
    EXPECT_EQ(services.Beeps.size(), 1u);
    EXPECT_EQ(Trim(loan->PV->Caption()), "$100,000,000");
    Enter(loan->NumPmts, "12", loan->PV, "-5000", loan->Rate, "12");
    Calculate(); // =PMT(0.01,12,5000)
    EXPECT_EQ(Trim(loan->PV->Caption()), "-$5,000.00");
    EXPECT_EQ(Trim(loan->Pmt->Caption()), "-$444.24");
}

// Every help context a form's controls carry, and its own, has a topic in the help file.
TEST_F(LoanCalcTest, EveryHelpContextHasATopic) {
    std::vector<int> contexts = {106, 98, 125};
    for (int context : HelpContextsOf(loan))
        contexts.push_back(context);
    EXPECT_GT(contexts.size(), 15u);
    ExpectHelpTopics(contexts);
}

} // namespace
