// The points advisor driven through its window: the loans typed in, the exits that fill loan 2
// and the years, Calculate turning to the conclusion, Prior, Copy and Print.
#include "advisors/PointsAdvisor.h"
#include "tests/app/AppTestSupport.h"
#include "tests/gui/PdfTools.h"

#include "platform/gui/Clipbrd.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

#include <filesystem>

namespace {

class PointsAdvisorTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        MakeMainForm();
        Key(main, Qt::Key_P, Qt::ControlModifier);
        points = dynamic_cast<TaPoints*>(main->SlotForm(ckPoints, 1));
        ASSERT_NE(points, nullptr);
    }
    void FillLoans() {
        Enter(points->PV1, "100000", points->NumPmts1, "360", points->Rate1, "8.5", points->Points1,
              "2.5");
        points->PV2->SetFocus(); // leaving loan 1's fields fills loan 2's and the years
        Application->ProcessMessages();
        Enter(points->Rate2, "8.25", points->Points2, "3", points->SldAfter, "5");
    }
    TaPoints* points = nullptr;
};

TEST_F(PointsAdvisorTest, ComparesTheLoansAndTurnsToTheConclusion) {
    EXPECT_EQ(points->Caption(), "Points Advisor 1");
    EXPECT_EQ(Trim(points->SldAfter->Caption()), "1");
    Enter(points->SldAfter, "0", points->PV1, "100000", points->NumPmts1, "360");
    points->Rate1->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(Trim(points->PV2->Caption()), "$100,000.00");
    EXPECT_EQ(Trim(points->NumPmts2->Caption()), "360");
    EXPECT_EQ(Trim(points->SldAfter->Caption()), "30");
    FillLoans();
    points->CalcBTN->Click();
    Application->ProcessMessages();
    EXPECT_TRUE(services.MessageBoxes.empty());
    EXPECT_EQ(points->Notebook1->ActivePage(), "Results");
    EXPECT_FALSE(points->CalcBTN->Enabled());
    EXPECT_TRUE(points->PriorBTN->Enabled());
    ASSERT_GT(points->Memo1->Lines()->Count(), 5);
    EXPECT_THAT(points->Memo1->Lines()->Text(), HasSubstr("$765.19"));
    points->PriorBTN->Click();
    EXPECT_EQ(points->Notebook1->ActivePage(), "Page0");
    EXPECT_TRUE(points->CalcBTN->Enabled());
}

TEST_F(PointsAdvisorTest, ReportsEveryZeroAtOnce) {
    points->CalcBTN->Click();
    Application->ProcessMessages();
    ASSERT_EQ(services.MessageBoxes.size(), 3u);
    EXPECT_EQ(services.MessageBoxes[0].Text, "Amount of loan can't be 0.\r\rPlease correct.\r\r");
    EXPECT_EQ(services.MessageBoxes[0].Type, mtError);
    EXPECT_EQ(points->Notebook1->ActivePage(), "Page0");
}

TEST_F(PointsAdvisorTest, CopyAndPrintTheComparison) {
    FillLoans();
    points->CalcBTN->Click();
    points->CopyBTN->Click();
    const std::string text = Clipboard()->AsText();
    // The captions' column is as wide as the longest, "Property Sold After? (Yrs):" (27).
    EXPECT_THAT(text, StartsWith(Format("%-27s %16s %16s\r\n", {"", "Loan 1", "Loan 2"})));
    EXPECT_THAT(text, HasSubstr(Format("%-27s %16.2m %16.2m\r\n",
                                       {"Amount of Loan?:", 100000.0, 100000.0})));
    EXPECT_THAT(text, HasSubstr(Format("%-27s %22d\r\n", {"Property Sold After? (Yrs):", 5})));
    EXPECT_THAT(text, HasSubstr("     Since loan 2 will save you $765.19"));
    EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n");

    points->PrintBtn->Click();
    const std::string pdf = NewestPdf();
    const std::string printed = PdfText(pdf);
    EXPECT_THAT(printed, HasSubstr("Points Advisor 1"));
    const std::string rate = LineWith(printed, "Annual Rate? (%):");
    EXPECT_THAT(rate, HasSubstr("8.5000")) << printed;
    EXPECT_THAT(rate, HasSubstr("8.2500"));
    EXPECT_THAT(printed, HasSubstr("Since loan 2 will save you"));
}

TEST_F(PointsAdvisorTest, ALongLineTypedIntoTheConclusionPrintsWhole) {
    FillLoans();
    points->CalcBTN->Click();
    const std::string note = "Note: " + std::string(60, 'x') +
                             " the end of a long remark that "
                             "runs well past the page's edge.";
    points->Memo1->Lines()->Add(note);
    points->PrintBtn->Click();
    const std::string pdf = NewestPdf();
    const std::string printed = PdfText(pdf);
    EXPECT_THAT(JoinedWords(printed), HasSubstr(note)) << printed;
    // Every word stays inside the page's one-inch right margin (612 - 72 points).
    EXPECT_LE(RightmostWordEdge(RunTool("pdftotext -bbox " + ShellQuoted(pdf) + " -")), 540.5);
}

TEST_F(PointsAdvisorTest, ScreenshotOfThePointsAdvisor) {
    PICTURES_ONLY();
    FillLoans();
    Screenshot(points, "points-advisor");
    points->CalcBTN->Click();
    Screenshot(points, "points-conclusion");
}

} // namespace
