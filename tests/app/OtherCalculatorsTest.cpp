// The interest-due, remaining-balance, accelerated, balloon, affordable-house and refinance
// calculators driven through their fields, keys and buttons: their examples, messages, clipboard
// texts and printouts.
#include "app/AcceleratedPaymentCalculator.h"
#include "app/AffordableHouseCalculator.h"
#include "app/BalloonPaymentCalculator.h"
#include "app/InterestDueCalculator.h"
#include "app/RefinanceAdvisor.h"
#include "app/RemainingBalanceCalculator.h"
#include "controls/entry/PictureField.h"
#include "controls/entry/SimpleField.h"
#include "tests/app/AppTestSupport.h"
#include "tests/gui/PdfTools.h"

#include "finance/TextRoutines.h"
#include "platform/gui/Clipbrd.h"
#include "platform/gui/Menus.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

#include <filesystem>

namespace {

class CalcsTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        MakeMainForm();
    }
    // The calculator of the kind in slot 1, once a launcher opened it.
    template <typename T>
    T* Opened(TCalcKind kind) {
        return dynamic_cast<T*>(main->SlotForm(kind, 1));
    }
    // Fills the refinance advisor's two loans, the sale after five years, the tax bracket and
    // the discount rate.
    void EnterRefinance(TcLoReFin* f, const char* rate, const char* newPV, const char* rate2) {
        Enter(f->RemBal, "100000", f->PmtsRem, "300", f->Rate, rate, f->NewPV, newPV, f->NumPmts,
              "360", f->Rate2, rate2, f->Points, "1", f->Misc, "1500", f->SldAfter, "5",
              f->ProTaxBracket, "28", f->DiscRate, "6");
    }
    void Calculate(TCalcForm* form) {
        form->CalcBTN->Click();
        Application->ProcessMessages();
    }
    static TDayNumber DateIn(TVcPictureField* field) {
        TDayNumber value = BadDate;
        field->GetValue(&value);
        return value;
    }
    // The text of the newest PDF the "PDF" printer wrote.
    std::string PrintedText() { return PdfText(NewestPdf()); }
};

TEST_F(CalcsTest, InterestDueSimpleInterestOverAYear) {
    auto* f = (main->OpenIntDueCalc(), Opened<TcLoIntDu>(ckIntDue));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), "Compound & Simple Interest Calculator 1");
    EXPECT_EQ(main->W1->Items(0)->Caption(), "Compound && Simple Interest Calculator 1");
    EXPECT_EQ(f->CmpPYR->Text(), "Daily");
    EXPECT_EQ(f->RateBasis->Text(), "365");
    Enter(f->PV, "10000", f->Rate, "10", f->NumDays, "365");
    f->CmpPYR->SetItemIndex(0);
    Calculate(f);
    EXPECT_EQ(Shown(f->IntPaid), "$1,000.00");
    EXPECT_EQ(Shown(f->FV), "$11,000.00");
    EXPECT_EQ(Shown(f->APY), "10.0000");
    // The end date moved with the days, and shows its day name.
    EXPECT_EQ(DateIn(f->EndDate) - DateIn(f->StartDate), 365);
    EXPECT_EQ(Trim(f->EndDay->Caption()), DayName(DateIn(f->EndDate)));
}

TEST_F(CalcsTest, InterestDueMonthlyOnBasis360AndNegativeDays) {
    auto* f = (main->OpenIntDueCalc(), Opened<TcLoIntDu>(ckIntDue));
    Enter(f->PV, "10000", f->Rate, "10");
    f->CmpPYR->SetItemIndex(5);
    f->RateBasis->SetItemIndex(0);
    Enter(f->NumDays, "360");
    Calculate(f);
    EXPECT_EQ(Shown(f->FV), "$11,047.13");
    // A negative count puts the start before the end: "30" then "-" makes -30.
    Enter(f->NumDays, "30");
    TypeText(f->NumDays, "-");
    EXPECT_EQ(f->NumDays->AsInteger(), -30);
    EXPECT_EQ(DateIn(f->EndDate) - DateIn(f->StartDate), 30);
    EXPECT_EQ(Trim(f->StartDay->Caption()), DayName(DateIn(f->StartDate)));
}

TEST_F(CalcsTest, InterestDueCopyShowsDayNamesAndDates) {
    auto* f = (main->OpenIntDueCalc(), Opened<TcLoIntDu>(ckIntDue));
    Enter(f->PV, "1000");
    f->CopyBTN->Click();
    const std::string text = Clipboard()->AsText();
    EXPECT_THAT(text, StartsWith("Compound & Simple Interest Calculator 1\r\n\r\nAmount?:"));
    // Dates are written month/day/year without blanks; the captions' column is as wide as the
    // longest caption, "Annual Percentage Yield (APY):" (30 characters).
    const TDayNumber today = CurrentDate();
    int day = 0, month = 0, year = 0;
    DateToDMY(today, day, month, year);
    const std::string date = Format("%d/%d/%d", {month, day, year});
    EXPECT_THAT(text,
                HasSubstr(Format("%-30s %-9s %-10s\r\n", {"Start Date?:", DayName(today), date})));
    EXPECT_THAT(text, HasSubstr("Daily Periodic Rate:"));
}

TEST_F(CalcsTest, RemainingBalanceAndItsMessages) {
    auto* f = (main->OpenRemBalCalc(), Opened<TcLoRemBl>(ckRemBal));
    Enter(f->PV, "100000", f->NumPmts, "360", f->Rate, "8", f->IncPer, "12");
    Calculate(f);
    EXPECT_EQ(Shown(f->RemBal), "$99,164.70");
    EXPECT_EQ(Shown(f->Pmt), "$733.76");
    Enter(f->IncPer, "360");
    Calculate(f);
    EXPECT_EQ(LastMessage(), "Balance AFTER payment number\r\rmust be less than total periods.\r");
    EXPECT_EQ(services.MessageBoxes.back().Type, mtError);
    EXPECT_EQ(Shown(f->RemBal), "$99,164.70");
    f->CopyBTN->Click();
    EXPECT_THAT(Clipboard()->AsText(), HasSubstr("Balance AFTER Payment? (#):    360\r\n"));
}

TEST_F(CalcsTest, AcceleratedPaymentSavesInterest) {
    auto* f = (main->OpenAccelCalc(), Opened<TcLoAccel>(ckAccel));
    Enter(f->PV, "100000", f->NumPmts, "360", f->Rate, "8", f->IncPer, "12", f->ExtraPd, "100");
    Calculate(f);
    EXPECT_EQ(Shown(f->PerOff), "249");
    f->AmortMthd->SetItemIndex(4);
    Calculate(f);
    EXPECT_THAT(LastMessage(), HasSubstr("Rule of 78s or Fixed Principal"));
    EXPECT_EQ(Shown(f->PerOff), "0");
    f->AmortMthd->SetItemIndex(0); // Canadian: monthly payments, semiannual compounding
    f->PYR->SetItemIndex(0);
    Calculate(f);
    EXPECT_EQ(f->PYR->Text(), "Monthly");
    EXPECT_EQ(f->CmpPYR->Text(), "SemiAnnually");
}

TEST_F(CalcsTest, BalloonPaymentAndItsRefusal) {
    auto* f = (main->OpenBalloonCalc(), Opened<TcLoBallP>(ckBalloon));
    Enter(f->PV, "100000", f->Rate, "8", f->BallPmt, "50000");
    Calculate(f);
    EXPECT_EQ(LastMessage(), "Balloon After Payment No. and Annual Rate\n\nmust be set to other "
                             "than a '0' value.");
    Enter(f->PerDue, "60");
    Calculate(f);
    EXPECT_EQ(Shown(f->Pmt), "$1,347.15");
}

TEST_F(CalcsTest, AffordableHouseAndItsSentence) {
    auto* f = (main->OpenAffordHouse(), Opened<TcLoAffHs>(ckAffHouse));
    EXPECT_EQ(f->Caption(), "Affordable House 1");
    EXPECT_EQ(f->lResult->Caption(), "Cash Available is 28.9% of House Price.");
    Calculate(f);
    EXPECT_THAT(LastMessage(), HasSubstr("must all be set to other than a '0' value."));
    EXPECT_EQ(services.MessageBoxes.back().Type, mtError);
    Enter(f->AnnualIncome, "60000", f->CashAvailable, "50000", f->Rate, "8", f->NumPmts, "360",
          f->PercentIncome, "28");
    Calculate(f);
    EXPECT_EQ(Shown(f->AmtFin), "$190,796.89");
    EXPECT_EQ(f->lResult->Caption(), "Cash Available is  20.76% of House Price.");
    f->CopyBTN->Click();
    const std::string text = Clipboard()->AsText();
    EXPECT_THAT(text,
                HasSubstr(Format("%-34s %16s\r\n", {"Buyer's Annual Income?:", "$60,000.00"})));
    EXPECT_THAT(text, HasSubstr("\r\nCash Available is  20.76% of House Price.\r\n"));
    f->ResetBTN->Click();
    EXPECT_EQ(f->lResult->Caption(), "Cash Available is 28.9% of House Price.");
    f->UndoBTN->Click();
    EXPECT_EQ(Shown(f->AnnualIncome), "$0.00");
}

TEST_F(CalcsTest, AffordableHousePrintsItsSentence) {
    auto* f = (main->OpenAffordHouse(), Opened<TcLoAffHs>(ckAffHouse));
    Enter(f->AnnualIncome, "60000", f->Rate, "8", f->NumPmts, "360", f->PercentIncome, "28");
    Calculate(f);
    f->PrintBtn->Click();
    const std::string text = PrintedText();
    EXPECT_THAT(LineWith(text, "Amount Financed:"), HasSubstr("$190,796.89")) << text;
    EXPECT_THAT(text, HasSubstr("Cash Available is   0.00% of House Price."));
}

TEST_F(CalcsTest, RefinanceWritesItsNarrative) {
    auto* f = (main->OpenRefinance(), Opened<TcLoReFin>(ckRefinance));
    EXPECT_EQ(f->Caption(), "Refinance Advisor 1");
    EXPECT_EQ(Shown(f->SldAfter), "1");
    EnterRefinance(f, "9", "100000", "7");
    Calculate(f);
    EXPECT_EQ(f->Notebook1->ActivePage(), "Results");
    ASSERT_GT(f->Memo1->Lines()->Count(), 4);
    for (int k = 0; k < f->Memo1->Lines()->Count(); ++k)
        EXPECT_LE(f->Memo1->Lines()->Strings(k).size(), 85u);
    EXPECT_THAT(f->Memo1->Lines()->Strings(0),
                StartsWith("     By the time you sell after 5 years"));
    f->CopyBTN->Click();
    const std::string text = Clipboard()->AsText();
    EXPECT_THAT(text, HasSubstr("Current Financing\r\n\r\nRemaining Balance:"));
    EXPECT_THAT(text, HasSubstr("Bottom line?"));
    f->PriorBTN->Click();
    EXPECT_EQ(f->Notebook1->ActivePage(), "DataEntry");
    f->PYR2->SetItemIndex(1);
    Calculate(f);
    EXPECT_EQ(LastMessage(), "Each loan must be for same periods per year.");
    EXPECT_EQ(f->Notebook1->ActivePage(), "DataEntry");
}

// A date typed into the interest-due calculator stays as typed while the days follow it, and a
// count of days typed with its sign first or last counts back from the end date.
TEST_F(CalcsTest, InterestDueDatesAndNegativeDaysTypeAsTyped) {
    auto* f = (main->OpenIntDueCalc(), Opened<TcLoIntDu>(ckIntDue));
    const TDayNumber today = CurrentDate();
    Key(f->PV, Qt::Key_T, Qt::AltModifier);
    ASSERT_TRUE(f->EndDate->Focused());
    Key(f->EndDate, Qt::Key_Home);
    TypeText(f->EndDate, "03152027");
    EXPECT_EQ(f->EndDate->EditString(), "03/15/2027");
    EXPECT_EQ(DateIn(f->EndDate), DMYToDate(15, 3, 2027, 0));
    EXPECT_EQ(f->NumDays->AsInteger(), DMYToDate(15, 3, 2027, 0) - today);
    EXPECT_EQ(Trim(f->EndDay->Caption()), "Monday");
    // Typed over the whole date, selected as the field is entered.
    Key(f->PV, Qt::Key_T, Qt::AltModifier);
    ASSERT_EQ(f->EndDate->SelectionLength(), 10);
    TypeText(f->EndDate, "06302027");
    EXPECT_EQ(DateIn(f->EndDate), DMYToDate(30, 6, 2027, 0));
    EXPECT_EQ(Trim(f->EndDay->Caption()), "Wednesday");
    // The start date likewise, digit by digit over the selected date.
    Key(f->PV, Qt::Key_S, Qt::AltModifier);
    ASSERT_TRUE(f->StartDate->Focused());
    TypeText(f->StartDate, "12242026");
    EXPECT_EQ(f->StartDate->EditString(), "12/24/2026");
    EXPECT_EQ(DateIn(f->StartDate), DMYToDate(24, 12, 2026, 0));
    EXPECT_EQ(Trim(f->StartDay->Caption()), "Thursday");

    // Between 01/15/2027 and 03/15/2027, -45 days typed with the sign first or last move the
    // start date back from the end date, which stays as typed, to 01/29/2027.
    for (const char* typed : {"-45", "45-"}) {
        f->ResetBTN->Click();
        TypeText(f->StartDate, "01152027");
        TypeText(f->EndDate, "03152027");
        Key(f->PV, Qt::Key_N, Qt::AltModifier);
        ASSERT_TRUE(f->NumDays->Focused());
        TypeText(f->NumDays, typed);
        EXPECT_EQ(Trim(f->NumDays->Caption()), "-45") << typed;
        Key(f->NumDays, Qt::Key_Tab);
        EXPECT_EQ(f->NumDays->AsInteger(), -45) << typed;
        EXPECT_EQ(DateIn(f->StartDate), DMYToDate(29, 1, 2027, 0)) << typed;
        EXPECT_EQ(DateIn(f->EndDate), DMYToDate(15, 3, 2027, 0)) << typed;
        EXPECT_EQ(Trim(f->StartDay->Caption()), "Friday") << typed;
    }
}

// The copy and the printout give the daily rate computed, to seven decimals, not the six the
// field shows: 18.78 % / 365 = 0.000514521.
TEST_F(CalcsTest, InterestDueDailyRateFromItsValue) {
    auto* f = (main->OpenIntDueCalc(), Opened<TcLoIntDu>(ckIntDue));
    Enter(f->PV, "1000", f->Rate, "18.78", f->NumDays, "30");
    Calculate(f);
    EXPECT_EQ(Shown(f->DailyRate), "0.000515");
    f->CopyBTN->Click();
    EXPECT_THAT(Clipboard()->AsText(),
                HasSubstr(Format("%-30s %16s\r\n", {"Daily Periodic Rate:", "0.0005145"})));
    f->PrintBtn->Click();
    EXPECT_THAT(LineWith(PrintedText(), "Daily Periodic Rate:"), HasSubstr("0.0005145"))
        << PrintedText();
}

// A label shows an "&" that belongs to its text, and the copy keeps it; a range error names the
// field and the values it takes.
TEST_F(CalcsTest, AmpersandsInCaptionsAndFieldsNamedInMessages) {
    auto* f = (main->OpenAffordHouse(), Opened<TcLoAffHs>(ckAffHouse));
    EXPECT_EQ(StripHotkey(f->lEstTaxIns->Caption()), "Est. Taxes & Insurance?:");
    f->CopyBTN->Click();
    EXPECT_THAT(Clipboard()->AsText(), HasSubstr("Est. Taxes & Insurance?:"));
    EXPECT_EQ(FieldCaption(f->EstTaxIns), "Est. Taxes & Insurance");
    EXPECT_EQ(FieldCaption(f->NumPmts), "Number of Periods (#)");
    Enter(f->NumPmts, "40000");
    Key(f->NumPmts, Qt::Key_Tab);
    DispatchPostedMessages();
    EXPECT_EQ(LastMessage(),
              "Value is not within required range\n\nNumber of Periods (#): -9,999 to 32,767");
}

// The refinance advisor explains itself in whole sentences and prints them inside the page.
TEST_F(CalcsTest, RefinanceNarrativeReadsAndPrintsWhole) {
    auto* f = (main->OpenRefinance(), Opened<TcLoReFin>(ckRefinance));
    EXPECT_EQ(StripHotkey(f->lDeduct->Caption()), "Interest & Points are?:");
    EnterRefinance(f, "10", "120000", "6");
    Calculate(f);
    const std::string text = JoinedWords(f->Memo1->Lines()->Text());
    EXPECT_THAT(text, HasSubstr(". Therefore, you will be saving $"));
    EXPECT_THAT(text, HasSubstr(". However, the interest savings will increase your taxes by $"));
    EXPECT_THAT(text, Not(HasSubstr("  ")));
    EXPECT_THAT(text, Not(HasSubstr(".By")));
    f->PrintBtn->Click();
    const std::string pdf = NewestPdf();
    EXPECT_THAT(JoinedWords(PrintedText()), HasSubstr(JoinedWords(f->Memo1->Lines()->Strings(0))));
    // Every word inside the page's one-inch right margin (612 - 72 points).
    EXPECT_LE(RightmostWordEdge(RunTool("pdftotext -bbox " + ShellQuoted(pdf) + " -")), 540.5);
}

// Every help context a calculator's controls carry, and its own, has a topic in the help file.
TEST_F(CalcsTest, EveryHelpContextHasATopic) {
    Application->SetHelpFile("vtrx2532.hlp");
    main->OpenIntDueCalc();
    main->OpenRemBalCalc();
    main->OpenAccelCalc();
    main->OpenBalloonCalc();
    main->OpenAffordHouse();
    main->OpenRefinance();
    for (TCalcKind kind : {ckIntDue, ckRemBal, ckAccel, ckBalloon, ckAffHouse, ckRefinance}) {
        TCalcForm* form = main->SlotForm(kind, 1);
        ASSERT_NE(form, nullptr);
        std::vector<int> contexts = HelpContextsOf(form);
        form->HelpBTN->Click();
        contexts.push_back(static_cast<int>(services.Helps.back().Data));
        ExpectHelpTopics(contexts, form->Caption());
    }
}

TEST_F(CalcsTest, ScreenshotsOfTheCalculators) {
    PICTURES_ONLY();
    Screenshot((main->OpenIntDueCalc(), Opened<TcLoIntDu>(ckIntDue)), "interest-due");
    Screenshot((main->OpenRemBalCalc(), Opened<TcLoRemBl>(ckRemBal)), "remaining-balance");
    Screenshot((main->OpenAccelCalc(), Opened<TcLoAccel>(ckAccel)), "accelerated-payment");
    Screenshot((main->OpenBalloonCalc(), Opened<TcLoBallP>(ckBalloon)), "balloon-payment");
    Screenshot((main->OpenAffordHouse(), Opened<TcLoAffHs>(ckAffHouse)), "affordable-house");
    Screenshot((main->OpenRefinance(), Opened<TcLoReFin>(ckRefinance)), "refinance");
}

} // namespace
