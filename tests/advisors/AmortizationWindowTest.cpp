// The amortization schedule window driven as a user drives it: a loan typed in, Calc, the year
// tabs and their buttons and keys, the totals, the options dialog and the charts.
#include "tests/advisors/AmortizationFormSupport.h"

#include "advisors/AmortizationCharts.h"
#include "advisors/ProgressForm.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"
#include "tests/gui/PdfTools.h"

#include <filesystem>

namespace {

class AmortForm : public AmortFormTest {
protected:
    // Calculates 100,000 at 8 % over 360 monthly payments, made on 1 January 2026, first paid on
    // 1 February.
    void CalculateStandardLoan() { CalculateLoan("100000", "360", "8", "010126", "020126"); }
    std::vector<std::string> Tabs() const {
        std::vector<std::string> tabs;
        for (int k = 0; k < form->Years->Tabs()->Count(); ++k)
            tabs.push_back(form->Years->Tabs()->Strings(k));
        return tabs;
    }
    int Tab() const { return form->Years->TabIndex(); }
};

TEST_F(AmortForm, StartsEmptyWithTodaysDatesAndMonthlyChoices) {
    EXPECT_EQ(form->ClientWidth(), 600);
    EXPECT_EQ(form->ClientHeight(), 430);
    EXPECT_EQ(form->PYR->Text(), "Monthly");
    EXPECT_EQ(form->CmpPYR->Text(), "Monthly");
    EXPECT_EQ(form->lPV->Caption(), "&Amount of Loan?:");
    EXPECT_EQ(form->lAnnualTotals->Caption(), "Annual Totals:");
    TDayNumber origination = 0, first = 0;
    form->OrgDate->GetValue(&origination);
    form->FrstPmtDate->GetValue(&first);
    EXPECT_EQ(origination, CurrentDate());
    int day, month, year;
    DateToDMY(first, day, month, year);
    EXPECT_EQ(day, 1);
    EXPECT_GT(first, origination);
    EXPECT_FALSE(form->TransGrid->Visible());
    EXPECT_FALSE(form->Years->Visible());
    EXPECT_FALSE(form->PrintBTN->Enabled());
    EXPECT_FALSE(form->NextBTN->Enabled());
    // Print and Charts do nothing without a schedule.
    form->PrintSchedule();
    form->ShowCharts();
    EXPECT_TRUE(modals.empty());
}

TEST_F(AmortForm, CalcShowsTheFirstYearWithItsTotals) {
    CalculateStandardLoan();
    ASSERT_EQ(LastMessage(), "");
    ASSERT_TRUE(form->TransGrid->Visible());
    EXPECT_TRUE(form->PrintBTN->Enabled());
    const std::vector<std::string> tabs = Tabs();
    ASSERT_EQ(tabs.size(), 32u); // "All", 2026 .. 2056
    EXPECT_EQ(tabs[0], "All");
    EXPECT_EQ(tabs[1], "26");
    EXPECT_EQ(tabs[31], "56");
    EXPECT_EQ(Tab(), 1);
    // 2026: the origination and the payments of February to December.
    EXPECT_EQ(form->TransGrid->RowLimit(), 13);
    EXPECT_EQ(CellText(1), "Init/01");
    EXPECT_EQ(CellText(2), "   1/01");
    EXPECT_DOUBLE_EQ(CellMoney(2, 2), 733.76);
    EXPECT_DOUBLE_EQ(CellMoney(1, 4), 0.0); // a regular first period has no odd interest
    const TYearTotals totals = form->Schedule.YearTotals(1);
    EXPECT_NEAR(totals.YearPayment, 11 * 733.76, 1e-6);
    EXPECT_EQ(form->TotalPmt->Caption(), "$8,071.36");
    EXPECT_EQ(form->RunningTotalPmt->Caption(), "$8,071.36");
    EXPECT_EQ(form->TotalInterest->Caption(), FloatToStrF(totals.YearInterest, ffCurrency, 15, 2));
    // The next year: its sums, and the running totals since the origination.
    Key(form->NextBTN, Qt::Key_Space);
    EXPECT_EQ(Tab(), 2);
    EXPECT_EQ(CellText(1), "  12/01");
    EXPECT_EQ(CellText(2), "  13/02");
    EXPECT_EQ(form->TransGrid->RowLimit(), 13);
    EXPECT_EQ(form->TotalPmt->Caption(), "$8,805.12");
    EXPECT_EQ(form->RunningTotalPmt->Caption(), "$16,876.48");
}

TEST_F(AmortForm, AllShowsEveryRowAndTheLastYearEndsTheLoan) {
    CalculateStandardLoan();
    Key(form->FirstBTN, Qt::Key_Space); // from the first year to "All"
    EXPECT_EQ(Tab(), 0);
    EXPECT_EQ(form->TransGrid->RowLimit(), 362); // heading, Init/01 and 360 payments
    EXPECT_EQ(CellText(1), "Init/01");
    EXPECT_EQ(CellText(361), " 360/30");
    EXPECT_DOUBLE_EQ(CellMoney(361, 5), 0.0);
    Key(form->FirstBTN, Qt::Key_Space); // and back to the first year
    EXPECT_EQ(Tab(), 1);
    Key(form->LastBTN, Qt::Key_Space);
    EXPECT_EQ(Tab(), 31);
    EXPECT_EQ(CellText(1), " 360/30"); // January 2056: the last payment alone
    EXPECT_EQ(form->TransGrid->RowLimit(), 2);
    Key(form->NextBTN, Qt::Key_Space); // nothing after the last year
    EXPECT_EQ(Tab(), 31);
    EXPECT_EQ(CellText(1), " 360/30");
    Key(form->PrevBTN, Qt::Key_Space);
    EXPECT_EQ(Tab(), 30);
}

TEST_F(AmortForm, CtrlPageKeysStepThroughTheYearsAndWrap) {
    CalculateStandardLoan();
    TWinControl* grid = form->TransGrid;
    Key(grid, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(Tab(), 0);
    Key(grid, Qt::Key_PageUp, Qt::ControlModifier); // from "All" to the last year
    EXPECT_EQ(Tab(), 31);
    Key(grid, Qt::Key_PageDown, Qt::ControlModifier); // from the last year to "All"
    EXPECT_EQ(Tab(), 0);
    Key(grid, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(Tab(), 1);
    // The key is the form's: the table does not also page.
    EXPECT_EQ(form->TransGrid->TopRow(), 1);
}

TEST_F(AmortForm, AYearClickedOnItsTabIsShown) {
    CalculateStandardLoan();
    const TRect tab = form->Years->ItemRect(3);
    ASSERT_FALSE(IsRectEmpty(tab));
    QTest::mouseClick(WidgetOf(form->Years), Qt::LeftButton, Qt::NoModifier,
                      QPoint(tab.Left + 4, tab.Top + 4));
    Settle();
    EXPECT_EQ(Tab(), 3);
    EXPECT_EQ(CellText(1), "  24/02");
}

TEST_F(AmortForm, AScheduleInsideOneYearHasOneYearTab) {
    CalculateLoan("1200", "6", "12", "010126", "020126");
    EXPECT_EQ(Tabs(), (std::vector<std::string>{"All", "26"}));
    EXPECT_EQ(form->TransGrid->RowLimit(), 8);
    Key(form->TransGrid, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(Tab(), 0);
}

TEST_F(AmortForm, RefusedLoansLeaveTheScheduleAlone) {
    Calculate();
    EXPECT_EQ(LastMessage(),
              "No zero values allowed.\r\n\nEnter Amount, Initial Period or Rate\n\n");
    EXPECT_EQ(services.MessageBoxes.back().Type, mtInformation);
    EXPECT_FALSE(form->TransGrid->Visible());
    // A 30-year monthly loan first paid in 2030 is built: it ends in January 2060.
    EnterLoan("100000", "360", "8", "010130", "020130");
    const std::size_t shown = services.MessageBoxes.size();
    Calculate();
    EXPECT_EQ(services.MessageBoxes.size(), shown);
    EXPECT_TRUE(form->TransGrid->Visible());
    EXPECT_EQ(form->Schedule.LastRow, 360);
    EXPECT_EQ(Tabs().back(), "60");
}

TEST_F(AmortForm, AFirstPaymentBeforeTheOriginationIsResetAndBuilt) {
    CalculateLoan("1200", "12", "12", "030126", "020126");
    EXPECT_EQ(services.MessageBoxes.front().Text,
              "First Payment Date must be\n\nequal to or after Origination Date.\n\n"
              "Resetting First Payment Date...\n");
    TDayNumber first = 0, origination = 0;
    form->FrstPmtDate->GetValue(&first);
    form->OrgDate->GetValue(&origination);
    EXPECT_EQ(first, origination);
    // Alt+C is both the button's and the menu's: the schedule is built once.
    EXPECT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_TRUE(form->TransGrid->Visible());
    EXPECT_DOUBLE_EQ(form->Schedule.AmortRows[1].Interest, 0.0); // paid in advance
}

TEST_F(AmortForm, APeriodCountPastTheTableNamesTheFieldAndItsRange) {
    Enter(form->NumPmts, "1561");
    Key(form->NumPmts, Qt::Key_Tab);
    DispatchPostedMessages();
    EXPECT_EQ(LastMessage(),
              "Value is not within required range\n\nInitial Periods (#): 0 to 1,560");
}

TEST_F(AmortForm, APeriodCountPastTheTableIsRefusedByTheCalculation) {
    // Weekly payments reach 2059 only after 1,664 of them; the table holds 1,560.
    // A field whose range is not (yet) the table's lets the count through to the calculation.
    form->PYR->SetItemIndex(0);
    form->NumPmts->SetRangeHi("9999");
    CalculateLoan("100000", "1600", "8", "010126", "010826");
    EXPECT_EQ(LastMessage(), "Low memory condition.\n\nNot enough free memory to load this loan.");
    EXPECT_FALSE(form->TransGrid->Visible());
}

TEST_F(AmortForm, OptionsCancelKeepsThePreviousChoicesAndOkTheNewOnes) {
    Answer = [](TCustomForm* modal) {
        auto* dialog = dynamic_cast<TAmortOpt*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->AmortMthd->Text(), "Normal");
        dialog->AmortMthd->SetItemIndex(amInterestOnly);
        dialog->BitBtn2->Click(); // Cancel
    };
    form->Options1Click(nullptr);
    EXPECT_EQ(TAmortOpt::Choices().AmortMethod, amNormal);
    Answer = [](TCustomForm* modal) {
        auto* dialog = static_cast<TAmortOpt*>(modal);
        dialog->AmortMthd->SetItemIndex(amInterestOnly);
        dialog->RateBasis->SetItemIndex(rbExact365);
        dialog->BitBtn1->Click(); // OK
    };
    form->Options1Click(nullptr);
    EXPECT_EQ(TAmortOpt::Choices().AmortMethod, amInterestOnly);
    EXPECT_EQ(TAmortOpt::Choices().RateBasis, rbExact365);
    EXPECT_EQ(modals, (std::vector<std::string>{"TAmortOpt", "TAmortOpt"}));
    // The choices hold for the rest of the run: a new dialog shows them.
    Answer = [](TCustomForm* modal) {
        EXPECT_EQ(static_cast<TAmortOpt*>(modal)->AmortMthd->Text(), "Interest Only");
        EXPECT_EQ(static_cast<TAmortOpt*>(modal)->lRateBasis->Caption(), "Rate &Basis?:");
    };
    TAmortOpt again(nullptr);
    again.ShowModal();
    // Interest only: every payment is the interest, the last one repays the loan too.
    CalculateLoan("1200", "12", "12", "010126", "020126");
    EXPECT_DOUBLE_EQ(form->Schedule.AmortRows[1].Principal, 0.0);
    EXPECT_DOUBLE_EQ(form->Schedule.AmortRows[12].Principal, 1200.0);
}

// Cancel puts back every one of the three choices as they were when the dialog opened.
TEST_F(AmortForm, OptionsCancelPutsBackEachOfTheThreeChoices) {
    TAmortOptions before;
    before.AmortMethod = amRuleOf78;
    before.RateBasis = rbExact365;
    before.PointsPaidHow = ppWithFirstPayment;
    TAmortOpt::SetChoices(before);
    Answer = [](TCustomForm* modal) {
        auto* dialog = static_cast<TAmortOpt*>(modal);
        EXPECT_EQ(dialog->AmortMthd->Text(), "Rule of 78's");
        EXPECT_EQ(dialog->RateBasis->Text(), "Exact/365");
        EXPECT_EQ(dialog->PointsPaidMthd->Text(), "With 1st Payment");
        dialog->AmortMthd->SetItemIndex(amCanadian);
        dialog->RateBasis->SetItemIndex(rbOrdinary);
        dialog->PointsPaidMthd->SetItemIndex(ppAmortized);
        dialog->BitBtn2->Click(); // Cancel
    };
    form->Options1Click(nullptr);
    const TAmortOptions after = TAmortOpt::Choices();
    EXPECT_EQ(after.AmortMethod, amRuleOf78);
    EXPECT_EQ(after.RateBasis, rbExact365);
    EXPECT_EQ(after.PointsPaidHow, ppWithFirstPayment);
}

// The dialog's lists open their own help topics and end as far from the group's right edge as
// the prompts start from its left; OK and Cancel are alike in size and level.
TEST_F(AmortForm, TheOptionsDialogsListsAndButtons) {
    TAmortOpt dialog(nullptr);
    dialog.FormShow(nullptr);
    ExpectHelpTitles({{dialog.AmortMthd, "Amortizing Method"},
                      {dialog.RateBasis, "Rate Basis"},
                      {dialog.PointsPaidMthd, "Points Paid How"}});
    for (TComboBox* list : {dialog.AmortMthd, dialog.RateBasis, dialog.PointsPaidMthd}) {
        SCOPED_TRACE(list->Name());
        EXPECT_EQ(list->Parent(), dialog.GroupBox1);
        EXPECT_EQ(dialog.GroupBox1->Width() - (list->Left() + list->Width()),
                  dialog.lAmortMthd->Left());
    }
    EXPECT_EQ(dialog.BitBtn1->Width(), dialog.BitBtn2->Width());
    EXPECT_EQ(dialog.BitBtn1->Height(), dialog.BitBtn2->Height());
    EXPECT_EQ(dialog.BitBtn1->Top(), dialog.BitBtn2->Top());
    EXPECT_LT(dialog.BitBtn1->Left() + dialog.BitBtn1->Width(), dialog.BitBtn2->Left());
    EXPECT_LE(dialog.BitBtn2->Top() + dialog.BitBtn2->Height(), dialog.ClientHeight());
}

TEST_F(AmortForm, CanadianChoosesMonthlyPaymentsCompoundedSemiAnnuallyForTheCalculation) {
    form->PYR->SetItemIndex(2);    // quarterly payments
    form->CmpPYR->SetItemIndex(0); // daily compounding
    Answer = [](TCustomForm* modal) {
        static_cast<TAmortOpt*>(modal)->AmortMthd->SetItemIndex(amCanadian);
        static_cast<TAmortOpt*>(modal)->BitBtn1->Click();
    };
    form->Options1Click(nullptr);
    EXPECT_EQ(form->PYR->Text(), "Monthly");
    EXPECT_EQ(form->CmpPYR->Text(), "SemiAnnually");
    CalculateLoan("100000", "300", "6", "010126", "020126");
    // The choices set by the options are the ones the schedule is built with.
    EXPECT_EQ(form->Schedule.PmtsPerYear, 12);
    EXPECT_EQ(form->Schedule.CmpPerYear, 2);
    EXPECT_DOUBLE_EQ(form->Schedule.AmortRows[1].Payment, LoanPayment(300, 12, 2, 100000.0, 6.0));
}

TEST_F(AmortForm, ChartsPlotTheLastPaymentOfEachLoanYear) {
    CalculateStandardLoan();
    TAmortCharts* seen = nullptr;
    Answer = [&](TCustomForm* modal) {
        seen = dynamic_cast<TAmortCharts*>(modal);
        ASSERT_NE(seen, nullptr);
        EXPECT_EQ(seen->Caption(), "Amortization Charts");
        EXPECT_EQ(seen->Notebook1->Pages()->Strings(0), "Allocation by &Amount");
        for (int page : {0, 2}) {
            EXPECT_EQ(seen->InterestSeries[page]->Count(), 30) << page;
            EXPECT_DOUBLE_EQ(seen->Charts[page]->BottomAxis()->Minimum(), 1);
            EXPECT_DOUBLE_EQ(seen->Charts[page]->BottomAxis()->Maximum(), 30);
        }
        const TAmortRow& year1 = form->Schedule.AmortRows[12];
        EXPECT_DOUBLE_EQ(seen->InterestSeries[0]->XValue(0), 1);
        EXPECT_DOUBLE_EQ(seen->InterestSeries[0]->YValue(0), year1.Interest);
        EXPECT_DOUBLE_EQ(seen->PaymentSeries[0]->YValue(0), 733.76);
        EXPECT_DOUBLE_EQ(seen->PrincipalSeries[2]->YValue(0), year1.RunPrincipal);
        EXPECT_DOUBLE_EQ(seen->PaymentSeries[2]->YValue(29),
                         form->Schedule.AmortRows[360].RunPayment);
        // Per cent of the payment from year 0; the origination paid nothing, so no point there.
        EXPECT_DOUBLE_EQ(seen->Charts[1]->BottomAxis()->Minimum(), 0);
        ASSERT_EQ(seen->InterestSeries[1]->Count(), 30);
        EXPECT_NEAR(seen->InterestSeries[1]->YValue(0) + seen->PrincipalSeries[1]->YValue(0), 100,
                    1e-9);
        EXPECT_DOUBLE_EQ(seen->PaymentSeries[1]->YValue(0), 100);
        // Esc closes the window.
        Word key = VK_ESCAPE;
        seen->FormKeyUp(seen, key, {});
        EXPECT_EQ(key, 0);
    };
    Key(form->ChartBTN, Qt::Key_Space);
    EXPECT_EQ(modals, (std::vector<std::string>{"TAmortCharts"}));
}

TEST_F(AmortForm, ChartsOfAScheduleShorterThanAYearHaveNoYearPoints) {
    // With points paid at the origination, row 0 carries a payment: year 0 of the percentages.
    EnterLoan("1200", "6", "12", "010126", "020126");
    Enter(form->Points, "2");
    Calculate();
    bool shown = false;
    Answer = [&](TCustomForm* modal) {
        auto* charts = static_cast<TAmortCharts*>(modal);
        shown = true;
        EXPECT_EQ(charts->InterestSeries[0]->Count(), 0);
        EXPECT_EQ(charts->PaymentSeries[2]->Count(), 0);
        EXPECT_DOUBLE_EQ(charts->Charts[0]->BottomAxis()->Minimum(), 1);
        EXPECT_DOUBLE_EQ(charts->Charts[0]->BottomAxis()->Maximum(), 1);
        ASSERT_EQ(charts->InterestSeries[1]->Count(), 1);
        EXPECT_DOUBLE_EQ(charts->InterestSeries[1]->XValue(0), 0);
        EXPECT_DOUBLE_EQ(charts->InterestSeries[1]->YValue(0), 100);
        // Each chart shows its three series.
        for (std::size_t k = 0; k < charts->Charts.size(); ++k) {
            EXPECT_EQ(charts->Charts[k]->SeriesCount(), 3);
            for (TChartSeries* series : {charts->InterestSeries[k], charts->PrincipalSeries[k],
                                         charts->PaymentSeries[k]})
                EXPECT_EQ(series->ParentChart(), charts->Charts[k]);
        }
    };
    form->ShowCharts();
    EXPECT_TRUE(shown);
}

TEST(AmortChartAxis, RangesAreSetInAnOrderThatNeverRaises) {
    EnsureQtApp();
    TChart chart(nullptr);
    TChartAxis* axis = chart.BottomAxis();
    axis->SetAutomatic(false);
    SetAxisRange(axis, 1, 30);
    SetAxisRange(axis, 40, 60); // both ends above the old maximum
    EXPECT_DOUBLE_EQ(axis->Minimum(), 40);
    EXPECT_DOUBLE_EQ(axis->Maximum(), 60);
    SetAxisRange(axis, 0, 5); // both ends below the old minimum
    EXPECT_DOUBLE_EQ(axis->Minimum(), 0);
    EXPECT_DOUBLE_EQ(axis->Maximum(), 5);
    SetAxisRange(axis, 1, 0); // a loan shorter than a year
    EXPECT_DOUBLE_EQ(axis->Minimum(), 1);
    EXPECT_DOUBLE_EQ(axis->Maximum(), 1);
}

TEST(AmortMeter, ShowsThePercentageAtOnce) {
    EnsureQtApp();
    TMeterFrm meter(nullptr);
    EXPECT_EQ(meter.Caption(), "One Moment...");
    meter.Show();
    meter.SetPercent(37);
    EXPECT_EQ(meter.Percent(), 37);
    EXPECT_EQ(meter.Meter->PercentText(), "37%");
    meter.SetPercent(250);
    EXPECT_EQ(meter.Percent(), 100);
}

// Each prompt reads with its input: its text level with the text in the input's box and four
// pixels before it; each running total stands under its year total, the totals side by side.
TEST_F(AmortForm, PromptsLineUpWithTheirInputsAndTotalsWithEachOther) {
    for (TLabel* prompt : {form->lPV, form->lNumPmts, form->lRate, form->lPoints, form->lOrgDate,
                           form->lPYR, form->lFrstPmtDate, form->lCmpPYR}) {
        SCOPED_TRACE(prompt->Name());
        const TWinControl* input = prompt->FocusControl();
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(prompt->Top(), input->Top() + 4);
        EXPECT_EQ(input->Left(), prompt->Left() + prompt->Width() + 4);
    }
    const TLabel* year[] = {form->lAnnualTotals, form->TotalPmt, form->TotalPrincipal,
                            form->TotalInterest};
    const TLabel* running[] = {form->lRunningTotals, form->RunningTotalPmt,
                               form->RunningTotalPrincipal, form->RunningTotalInterest};
    for (std::size_t k = 0; k < std::size(year); ++k) {
        SCOPED_TRACE(year[k]->Name());
        EXPECT_EQ(running[k]->Left(), year[k]->Left());
        EXPECT_EQ(running[k]->Width(), year[k]->Width());
        EXPECT_GT(running[k]->Top(), year[k]->Top());
        if (k > 1) {
            EXPECT_EQ(year[k]->Left(), year[k - 1]->Left() + year[k - 1]->Width() + 4);
        }
    }
    // The totals close the schedule's panel at its foot.
    EXPECT_EQ(form->TotalPanel->Top() + form->TotalPanel->Height(), form->SchedPNL->Height());
}

TEST_F(AmortForm, EachInputAndButtonHasItsOwnHelpTopic) {
    ExpectHelpTitles({{form->PV, "Amount of Loan"},
                      {form->NumPmts, "Initial Periods"},
                      {form->Rate, "Annual Rate"},
                      {form->Points, "Points"},
                      {form->OrgDate, "Origination Date"},
                      {form->FrstPmtDate, "First Payment Date"},
                      {form->PYR, "Payment Period"},
                      {form->CmpPYR, "Compounding Period"},
                      {form->CalcBTN, "Calc"},
                      {form->PrintBTN, "Print"},
                      {form->ChartBTN, "Amortization Charts"},
                      {form->HelpBTN, "Help"}});
}

TEST_F(AmortForm, EveryHelpContextHasATopic) {
    const std::string help = ReadAll(std::string(VANTREL_SOURCE_DIR) + "/data/vtrx2532.hlp");
    ASSERT_FALSE(help.empty());
    std::vector<int> contexts = {110, 207};
    for (TComponent* owner : std::initializer_list<TComponent*>{form, options}) {
        if (owner == options) static_cast<TAmortOpt*>(owner)->FormShow(nullptr);
        for (int k = 0; k < owner->ComponentCount(); ++k)
            if (auto* control = dynamic_cast<TControl*>(owner->Components(k)))
                if (control->HelpContext() != 0) contexts.push_back(control->HelpContext());
    }
    EXPECT_GE(contexts.size(), 16u);
    for (int context : contexts) {
        std::string title, text;
        EXPECT_TRUE(FindHelpTopic(help, context, title, text)) << context;
    }
}

TEST_F(AmortForm, ThePaintedTableShowsTheYearsRows) {
    CalculateStandardLoan();
    form->TransGrid->ResetCellsPainted();
    form->TransGrid->Repaint();
    Settle();
    EXPECT_GE(form->TransGrid->CellsPainted(), 6 * 12); // every row of the year is in view
    Screenshot(form, "amortization-schedule");
    Answer = [](TCustomForm* modal) {
        if (auto* charts = dynamic_cast<TAmortCharts*>(modal)) {
            Screenshot(charts, "amortization-charts");
            charts->Notebook1->SetPageIndex(1);
            Screenshot(charts, "amortization-charts-percent");
        } else {
            Screenshot(static_cast<TWinControl*>(modal), "amortization-options");
        }
    };
    form->ShowCharts();
    form->Options1Click(nullptr);
    EXPECT_EQ(modals, (std::vector<std::string>{"TAmortCharts", "TAmortOpt"}));
}

// The table's heading row names each column: the row's cells are painted by a heading cell
// whose heading for the column is its caption.
TEST_F(AmortForm, TheTablesHeadingRowNamesItsColumns) {
    CalculateStandardLoan();
    const char* captions[] = {"#/YR", "Date", "Payment", "Principal", "Interest", "Balance"};
    for (LongInt c = 0; c < 6; ++c) {
        auto* heading = dynamic_cast<TVcTCColHead*>(form->TransGrid->CellComponent(0, c));
        ASSERT_NE(heading, nullptr) << c;
        EXPECT_EQ(heading->Headings()->Strings(c), captions[c]);
        EXPECT_FALSE(heading->ShowLetters());
    }
    EXPECT_EQ(dynamic_cast<TVcTCColHead*>(form->TransGrid->CellComponent(1, 0)), nullptr);
}

TEST_F(AmortForm, PrintingAChartPrintsThePageShownInLandscape) {
    CalculateStandardLoan();
    Answer = [](TCustomForm* modal) {
        auto* charts = static_cast<TAmortCharts*>(modal);
        charts->Notebook1->SetPageIndex(2);
        charts->PrintBTN->Click();
    };
    form->ShowCharts();
    std::string pdf;
    for (const auto& entry : std::filesystem::directory_iterator(home / "printed"))
        pdf = entry.path().string();
    ASSERT_FALSE(pdf.empty());
    const std::string info = RunTool("pdfinfo " + ShellQuoted(pdf));
    EXPECT_EQ(PdfInfoField(info, "Pages"), "1") << info;
    EXPECT_EQ(PdfInfoField(info, "Page size").rfind("792 x 612 pts", 0), 0u) << info;
    const std::string text = RunTool("pdftotext -layout " + ShellQuoted(pdf) + " -");
    EXPECT_NE(text.find("Running Totals Since Loan Origination"), std::string::npos) << text;
}

TEST_F(AmortForm, HelpAndHintsFollowTheHost) {
    Application->SetHelpFile("vtrx2532.hlp");
    form->HelpBTN->Click();
    ASSERT_FALSE(services.Helps.empty());
    EXPECT_EQ(services.Helps.back().Data, 110);
    EXPECT_FALSE(form->NextBTN->ShowHint());
    EXPECT_EQ(form->NextBTN->Hint(), "Goto Next Year [Ctrl][PgDn]");
    host.Hints = true;
    form->Hide();
    form->Show();
    EXPECT_TRUE(form->NextBTN->ShowHint());
    EXPECT_EQ(form->ChartBTN->Hint(), "Charts [Alt] [S]");
}

TEST_F(AmortForm, TheChartsButtonsShowTheirHintsWhenTheHostSaysSo) {
    CalculateStandardLoan();
    host.Hints = true;
    bool shown = false;
    Answer = [&](TCustomForm* modal) {
        auto* charts = static_cast<TAmortCharts*>(modal);
        shown = true;
        EXPECT_EQ(charts->PrintBTN->Hint(), "Print this chart");
        for (const TButton* button : {charts->PrintBTN, charts->HelpBTN, charts->CloseBTN})
            EXPECT_TRUE(button->ShowHint()) << button->Name();
    };
    form->ShowCharts();
    EXPECT_TRUE(shown);
}

TEST_F(AmortForm, TheBuildLeavesNoProgressFormAndTheCursorBack) {
    CalculateStandardLoan();
    EXPECT_EQ(Screen->Cursor(), crDefault);
    for (int k = 0; k < form->ComponentCount(); ++k)
        EXPECT_EQ(dynamic_cast<TMeterFrm*>(form->Components(k)), nullptr);
}

TEST_F(AmortForm, AnotherCountryGetsItsMoneyAndDateMasks) {
    UseSettings("iCountry=49\nsShortDate=dd.MM.yy\nsDate=.\nsCurrency=\x80\niCurrency=3\n");
    Masks = std::make_unique<TMasks>();
    {
        TcLoAmort german(nullptr, options);
        EXPECT_EQ(german.PV->PictureMask(), "###,###,###.##CC");
        EXPECT_EQ(german.OrgDate->PictureMask(), "dd/mm/yyyy");
        EXPECT_EQ(german.FrstPmtDate->PictureMask(), "dd/mm/yyyy");
        EXPECT_EQ(german.DateCell->PictureMask(), "dd/mm/yyyy");
    }
    Masks.reset();
    EXPECT_EQ(form->PV->PictureMask(), "$###,###,###.##");
}

// Under German settings the schedule takes the loan with German dates, shows its totals in euros
// and prints its terms and rows with the German separators and dates.
TEST_F(AmortForm, AGermanScheduleShowsAndPrintsGermanMoneyAndDates) {
    UseSettings("iCountry=49\nsCurrency=\xE2\x82\xAC\niCurrency=3\niNegCurr=8\nsDecimal=,\n"
                "sThousand=.\nsDate=.\nsShortDate=dd.MM.yyyy\n");
    Masks = std::make_unique<TMasks>();
    delete form;
    form = new TcLoAmort(nullptr, options);
    form->Show();
    Settle();
    CalculateLoan("100000", "360", "8", "01012026", "01022026");
    ASSERT_EQ(LastMessage(), "");
    EXPECT_EQ(Trim(form->PV->Caption()), "100.000,00 \x80");
    EXPECT_EQ(Trim(form->OrgDate->Caption()), "01.01.2026");
    EXPECT_DOUBLE_EQ(CellMoney(2, 2), 733.76);
    EXPECT_EQ(form->TotalPmt->Caption(), "8.071,36 \x80"); // 11 payments of 733.76
    PrintToPdf();
    std::vector<std::string> pages = PrintedPages();
    ASSERT_GT(pages.size(), 2u);
    for (std::string& page : pages)
        page = Utf8ToWin1252(page);
    EXPECT_TRUE(Has(LineWith(pages[0], "Initial Loan Amount:"), "100.000,00 \x80")) << pages[0];
    EXPECT_TRUE(Has(LineWith(pages[0], "Initial Interest Rate:"), "8,0000"));
    EXPECT_TRUE(Has(LineWith(pages[0], "Origination Date:"), "01.01.2026"));
    EXPECT_TRUE(Has(LineWith(pages[1], "   1/01"), "733,76 \x80")) << pages[1];
    EXPECT_TRUE(Has(LineWith(pages[1], "   1/01"), "01.02.2026"));
    Masks.reset();
}

} // namespace
