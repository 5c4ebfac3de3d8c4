// The calculators' common form: the panel of rows and the row of buttons below it fit the form;
// an advisor's printed conclusion wraps its paragraphs word by word.
#include "advisors/CalculatorForm.h"

#include "platform/gui/QtApp.h"
#include "tests/report/RptTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

// A calculator of one number: just enough of a kind to lay its form out.
class TOneRowForm : public TCalcForm {
public:
    TOneRowForm() : TCalcForm(nullptr, ckLoan, "One Row") {
        Amount = AddNumber("Amount", 0, nftDouble, CalcMoneyMask);
        LayoutButtons(RowTop(1));
    }
    TVcNumericField* Amount;

protected:
    std::vector<TComponent*> TransferList() const override { return {Amount}; }
    const TRecordLayout& RecordLayout() const override {
        static const TRecordLayout layout{8, {}, {}};
        return layout;
    }
    void Calculate(std::span<Byte>) override {}
    std::vector<TCalcLine> ReportLines(std::span<const Byte>) const override {
        return {MoneyLine("Amount of Loan?:", 1234.5), CountLine("Number of Payments?:", 36)};
    }
    int FormHelpContext() const override { return 1; }

public:
    void PrintOn(TBaseReport& Report) {
        const std::unique_ptr<TTransferRecord> values = CurrentValues();
        ASSERT_NE(values, nullptr);
        PrintReport(Report, values->Data());
    }
};

TEST(CalcFormLayout, TheSevenButtonsSitInARowWithinTheForm) {
    EnsureQtApp();
    TOneRowForm form;
    const int right = form.ClientWidth() - form.CalcPNL->Left();
    EXPECT_EQ(form.CalcPNL->Left() + form.CalcPNL->Width(), right);
    int left = form.CalcPNL->Left();
    for (TButton* button : {form.PrintBtn, form.CopyBTN, form.ResetBTN, form.UndoBTN, form.CalcBTN,
                            form.CloseBTN, form.HelpBTN}) {
        SCOPED_TRACE(button->Name());
        EXPECT_GE(button->Left(), left);
        EXPECT_LE(button->Left() + button->Width(), right);
        EXPECT_GT(button->Top(), form.CalcPNL->Top() + form.CalcPNL->Height());
        EXPECT_LE(button->Top() + button->Height(), form.ClientHeight());
        left = button->Left() + button->Width();
    }
    // The last button ends where the panel does: the row is as wide as the panel.
    EXPECT_EQ(left, right);
}

// A host that records the slots given back.
class TSlotHost : public TCalcHost {
public:
    bool ShowHints() const override { return false; }
    bool ButtonHints() const override { return false; }
    bool SavePositions() const override { return false; }
    void SaveFormPos(TCustomForm*) override {}
    void RestoreFormPos(TCustomForm*) override {}
    TFont* PrinterFont() const override { return nullptr; }
    TReportWriter* SharedReportWriter() const override { return nullptr; }
    std::string OwnerName() const override { return {}; }
    void ReleaseSlot(TCalcKind Kind, Byte Slot) override {
        Released.push_back({Kind, Slot});
    }
    std::vector<std::pair<TCalcKind, Byte>> Released;
};

TEST(CalcFormSlots, ClosingANumberedFormGivesItsSlotBackOnce) {
    EnsureQtApp();
    TSlotHost slots;
    SetCalcHost(&slots);
    auto* numbered = new TOneRowForm;
    numbered->InitInstance(3);
    EXPECT_EQ(numbered->Caption(), "One Row 3");
    numbered->Close();
    Application->ProcessMessages();
    // A form never given a slot has none to give back.
    auto* plain = new TOneRowForm;
    plain->Show();
    plain->Close();
    Application->ProcessMessages();
    SetCalcHost(nullptr);
    EXPECT_EQ(slots.Released, (std::vector<std::pair<TCalcKind, Byte>>{{ckLoan, 3}}));
}

using PrintedNarrative = ReportTest;

// The words of the printed lines, in order.
std::vector<std::string> PrintedWords(const TBitmapReport& Report) {
    std::vector<std::string> words;
    for (const auto& call : Report.Page.Calls()) {
        std::istringstream text(call.Text);
        for (std::string word; text >> word;)
            words.push_back(word);
    }
    return words;
}

TEST_F(PrintedNarrative, EachWordIsPrintedOnceInOrder) {
    TStringList lines;
    std::vector<std::string> expected;
    for (int k = 1; k <= 60; ++k)
        expected.push_back("word" + std::to_string(k));
    std::string first, second;
    for (int k = 0; k < 60; ++k)
        (k < 30 ? first : second) += expected[static_cast<std::size_t>(k)] + " ";
    lines.Add(first);
    lines.Add(second); // a paragraph of two lines that wraps on the page
    TBitmapReport report;
    int printedLines = 0;
    report.Run([&](TBaseReport& r) {
        const double before = r.YPos();
        PrintNarrative(r, lines);
        printedLines = static_cast<int>(std::lround((r.YPos() - before) / r.LineHeight()));
    });
    EXPECT_EQ(PrintedWords(report), expected);
    EXPECT_GT(printedLines, 2); // 60 words do not fit on two lines of 6.5 inches
}

// Two short paragraphs take three lines: each on its own, an empty line between them and none
// after the last.
TEST_F(PrintedNarrative, AnEmptyLineStandsBetweenParagraphsOnly) {
    TStringList lines;
    lines.Add("The first paragraph.");
    lines.Add("");
    lines.Add("The second paragraph.");
    TBitmapReport report;
    double printedLines = 0;
    report.Run([&](TBaseReport& r) {
        const double before = r.YPos();
        PrintNarrative(r, lines);
        printedLines = (r.YPos() - before) / r.LineHeight();
    });
    EXPECT_NEAR(printedLines, 3.0, 0.01);
}

// A calculator's printout: its caption, then each line's caption and value level with it, a line
// below the one before.
TEST_F(PrintedNarrative, ACalculatorPrintsEachLineWithItsValue) {
    TOneRowForm form;
    TBitmapReport report;
    report.Run([&](TBaseReport& r) { form.PrintOn(r); });
    auto at = [&](const std::string& text) -> std::vector<int> {
        for (const auto& call : report.Page.Calls())
            if (call.Text.find(text) != std::string::npos && call.Args.size() >= 2)
                return {call.Args[0], call.Args[1]};
        return {};
    };
    const auto title = at("One Row");
    const auto amount = at("Amount of Loan?:");
    const auto money = at("$1,234.50");
    const auto payments = at("Number of Payments?:");
    const auto count = at("36");
    ASSERT_FALSE(title.empty());
    ASSERT_FALSE(amount.empty());
    ASSERT_FALSE(money.empty());
    ASSERT_FALSE(payments.empty());
    ASSERT_FALSE(count.empty());
    EXPECT_LT(title[1], amount[1]);
    EXPECT_EQ(money[1], amount[1]);
    EXPECT_GT(money[0], amount[0]);
    EXPECT_EQ(count[1], payments[1]);
    EXPECT_GT(payments[1], amount[1]);
}

} // namespace
