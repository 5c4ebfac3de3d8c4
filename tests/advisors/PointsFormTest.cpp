// The points advisor's window on its own: the second loan's column beside the first, the Prior
// button as shown, the copied comparison and the printed one, line by line.
#include "advisors/PointsAdvisor.h"

#include "tests/advisors/AmortizationFormSupport.h"
#include "tests/report/RptTestSupport.h"

#include "platform/gui/Clipbrd.h"
#include "platform/rtl/Strings.h"

namespace {

class PointsForm : public AmortFormTest {
protected:
    void SetUp() override {
        AmortFormTest::SetUp();
        points = new TaPoints(nullptr);
        points->Show();
        Settle();
    }
    void TearDown() override {
        delete points;
        AmortFormTest::TearDown();
    }
    // Two loans of 100,000 over 360 months: 8.5 % with 2.5 points against 8.25 % with 3
    // points, the property sold after 5 years.
    void FillLoans() {
        Enter(points->PV1, "100000", points->NumPmts1, "360", points->Rate1, "8.5", points->Points1,
              "2.5", points->Rate2, "8.25", points->Points2, "3", points->SldAfter, "5");
    }
    TaPoints* points = nullptr;
};

TEST_F(PointsForm, TheSecondLoanStandsInItsOwnColumnBesideTheFirst) {
    const std::pair<TWinControl*, TWinControl*> rows[] = {{points->PV1, points->PV2},
                                                          {points->NumPmts1, points->NumPmts2},
                                                          {points->Rate1, points->Rate2},
                                                          {points->Points1, points->Points2},
                                                          {points->PntsAre1, points->PntsAre2}};
    for (const auto& [one, two] : rows) {
        SCOPED_TRACE(two->Name());
        EXPECT_EQ(two->Top(), one->Top());
        EXPECT_GT(two->Left(), one->Left() + one->Width());
        EXPECT_EQ(one->Left(), points->lLoan1->Left());
        EXPECT_EQ(two->Left(), points->lLoan2->Left());
    }
    // The conclusion sits in the middle of its box.
    const TMemo* memo = points->Memo1;
    EXPECT_EQ(memo->Left(), points->GroupBox2->Width() - (memo->Left() + memo->Width()));
}

// Each field of both loans opens the help topic of what it asks; Prior has its caption, hint
// and the contents topic.
TEST_F(PointsForm, EachFieldAndPriorOpenTheirHelpTopics) {
    ExpectHelpTitles({{points->PV1, "Amount of Loan"},
                      {points->PV2, "Amount of Loan"},
                      {points->NumPmts1, "Total Periods"},
                      {points->NumPmts2, "Total Periods"},
                      {points->Rate1, "Annual Rate"},
                      {points->Rate2, "Annual Rate"},
                      {points->Points1, "Points"},
                      {points->Points2, "Points"},
                      {points->PntsAre1, "Points Paid How"},
                      {points->PntsAre2, "Points Paid How"},
                      {points->SldAfter, "Property Sold After"},
                      {points->PriorBTN, "Vantrel Plus Help Contents"}});
    EXPECT_EQ(points->PriorBTN->Caption(), "Pr&ior");
    EXPECT_EQ(points->PriorBTN->Hint(), "Previous step.");
}

TEST_F(PointsForm, TheCopiedComparisonEndsWithTheYearsHeld) {
    FillLoans();
    points->CalcBTN->Click();
    Settle();
    ASSERT_TRUE(services.MessageBoxes.empty()) << services.MessageBoxes[0].Text;
    points->CopyBTN->Click();
    const std::string text = Clipboard()->AsText();
    // The captions' column is as wide as the longest, "Property Sold After? (Yrs):" (27).
    const std::string years = "Property Sold After? (Yrs):" + std::string(1 + 21, ' ') + "5\r\n";
    EXPECT_NE(text.find(years), std::string::npos) << text;
    const std::string rate = "Annual Rate? (%):" + std::string(10 + 1 + 10, ' ') + "8.5000" +
                             std::string(1 + 10, ' ') + "8.2500\r\n";
    EXPECT_NE(text.find(rate), std::string::npos) << text;
    EXPECT_NE(text.find("Since loan 2 will save you $765.19"), std::string::npos) << text;
}

// The printed comparison: a row per figure under the loans' headings, loan 2's figures in a
// column right of loan 1's, then a blank line before the conclusion.
class PointsPrint : public ReportTest {
protected:
    class TPrintablePoints : public TaPoints {
    public:
        using TaPoints::TaPoints;
        void PrintOn(TBaseReport& Report) {
            std::unique_ptr<TTransferRecord> values = CurrentValues();
            ASSERT_NE(values, nullptr);
            PrintReport(Report, values->Data());
        }
    };
};

TEST_F(PointsPrint, EachRowIsPrintedWithBothLoansThenABlankLineAndTheConclusion) {
    FillFeeTimingList();
    TTestHost host;
    SetCalcHost(&host);
    {
        TPrintablePoints points(nullptr);
        points.Show(); // the captions come from the record
        points.PV1->SetAsFloat(100000);
        points.PV2->SetAsFloat(100000);
        points.NumPmts1->SetAsInteger(360);
        points.NumPmts2->SetAsInteger(360);
        points.Rate1->SetAsFloat(8.5);
        points.Rate2->SetAsFloat(8.25);
        points.Points1->SetAsFloat(2.5);
        points.Points2->SetAsFloat(3);
        points.SldAfter->SetAsInteger(5);
        points.Memo1->Lines()->Add("Loan 2 is the better choice.");
        TBitmapReport report;
        report.Run([&](TBaseReport& r) { points.PrintOn(r); });
        // Each text drawn with its place.
        std::vector<TRecordingCanvas::TCall> texts;
        for (const auto& call : report.Page.Calls())
            if (!call.Text.empty() && call.Args.size() >= 2) texts.push_back(call);
        auto find = [&](const std::string& needle) -> const TRecordingCanvas::TCall* {
            for (const auto& call : texts)
                if (call.Text.find(needle) != std::string::npos) return &call;
            return nullptr;
        };
        const auto* amount = find("Amount of Loan?:");
        const auto* rate = find("Annual Rate? (%):");
        const auto* rate1 = find("8.5000");
        const auto* rate2 = find("8.2500");
        const auto* years = find("Property Sold After? (Yrs):");
        const auto* conclusion = find("Loan 2 is the better choice.");
        ASSERT_NE(amount, nullptr);
        ASSERT_NE(rate, nullptr);
        ASSERT_NE(rate1, nullptr);
        ASSERT_NE(rate2, nullptr);
        ASSERT_NE(years, nullptr);
        ASSERT_NE(conclusion, nullptr);
        EXPECT_EQ(rate1->Args[1], rate->Args[1]);
        EXPECT_EQ(rate2->Args[1], rate->Args[1]);
        EXPECT_GT(rate1->Args[0], rate->Args[0]);
        EXPECT_GT(rate2->Args[0], rate1->Args[0] + 50); // a column of its own
        // Five rows from the amount to the years, then a blank line before the conclusion.
        const double line = (years->Args[1] - amount->Args[1]) / 5.0;
        EXPECT_GT(line, 10.0);
        EXPECT_NEAR(conclusion->Args[1] - years->Args[1], 2 * line, 1.0);
    }
    SetCalcHost(nullptr);
}

} // namespace
