// The lease-versus-buy advisor driven through its window: opened by Ctrl+L and the toolbar, a
// sample "*.LB" file opened and saved byte for byte, damaged files refused with the form left
// as it was, the wizard stepped to its narrative, its cash-flow table and its charts, Reset and
// Undo on the input pages, the field rules, and Copy and Print of the results.
#include "advisors/BreakEvenCharts.h"
#include "advisors/LeaseBuyAdvisor.h"
#include "advisors/LeaseCashFlowTable.h"
#include "tests/advisors/AdvisorTestSupport.h"
#include "tests/app/AppTestSupport.h"
#include "tests/gui/PdfTools.h"
#include "widgets/FlatButton.h"

#include "platform/gui/Clipbrd.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

#include <filesystem>

namespace {

class LeaseBuyAdvisorTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        AutoBinPath = ShippedAutoBin();
        MakeMainForm();
        Key(main, Qt::Key_L, Qt::ControlModifier);
        lease = dynamic_cast<TaLeaseBuy*>(main->SlotForm(ckLeaseBuy, 1));
        ASSERT_NE(lease, nullptr);
    }
    void TearDown() override {
        AutoBinPath.clear();
        TCalcForm::FreeSharedRecord(ckLeaseBuy);
        AppTest::TearDown();
    }
    std::string WriteFile(const std::string& name, std::span<const Byte> bytes) {
        const std::string path = home / name;
        WriteAll(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }
    void Open(const std::string& path) {
        services.FileDialogAnswers.push_back(TFileDialogResult{{path}, 1});
        lease->O1Click(nullptr);
        Application->ProcessMessages();
    }
    void Next() {
        lease->NextBTN->Click();
        Application->ProcessMessages();
    }
    int Page() const { return lease->Notebook1->PageIndex(); }
    std::string Cell(LongInt row, LongInt column) {
        void* data = nullptr;
        lease->VcTable1GetCellData(lease->VcTable1, row, column, data, cdpPaint);
        if (!data) return "<none>";
        const auto* text = static_cast<const unsigned char*>(data);
        return std::string(reinterpret_cast<const char*>(text + 1), text[0]);
    }
    TaLeaseBuy* lease = nullptr;
};

TEST_F(LeaseBuyAdvisorTest, OpensFromTheMenuAndTheToolbar) {
    EXPECT_EQ(lease->Caption(), "Lease vs. Buy Advisor 1");
    EXPECT_TRUE(main->LsBuyBTN->Enabled());
    EXPECT_EQ(Page(), TaLeaseBuy::pgGeneralInfo);
    EXPECT_FALSE(lease->PriorBTN->Enabled());
    EXPECT_EQ(lease->PrintBtn->Caption(), "R&eset");
    EXPECT_EQ(lease->CopyBTN->Caption(), "&Undo");
    EXPECT_EQ(lease->NextBTN->Caption(), "Ne&xt");
    // The defaults of a new advisor.
    EXPECT_TRUE(lease->PropTaxOnPurchase->AsBoolean());
    EXPECT_TRUE(lease->Depreciate->AsBoolean());
    EXPECT_TRUE(lease->OverrideEndPurchase->Checked());
    EXPECT_FALSE(lease->OverrideEndLease->Checked());
    EXPECT_FALSE(lease->LeaseEndValue->Enabled());
    EXPECT_EQ(lease->PurchasePmtPYR->Text(), "Monthly");
    EXPECT_EQ(lease->DepreciationMthd->Text(), "200% DB");
    EXPECT_EQ(lease->DeductDepositWhen->Text(), "First");
    lease->Close();
    Application->ProcessMessages();
    main->LsBuyBTN->OnClick(main->LsBuyBTN);
    EXPECT_NE(main->SlotForm(ckLeaseBuy, 1), nullptr);
}

TEST_F(LeaseBuyAdvisorTest, AFileOpensAndSavesByteForByte) {
    const auto sample = EncodeLeaseBuyFile(SampleLeaseBuyData());
    Open(WriteFile("van.LB", sample));
    EXPECT_TRUE(services.MessageBoxes.empty());
    EXPECT_EQ(lease->Asset->Text(), "delivery van");
    EXPECT_EQ(Trim(lease->Price->Caption()), "$30,000.00");
    EXPECT_EQ(Trim(lease->PurchaseNumPmts->Caption()), "60");
    EXPECT_TRUE(lease->OverrideEndLease->Checked());
    EXPECT_TRUE(lease->LeaseEndValue->Enabled());
    EXPECT_FALSE(lease->PurchaseEndValue->Enabled());
    const std::string saved = home / "copy.LB";
    services.FileDialogAnswers.push_back(TFileDialogResult{{saved}, 1});
    lease->S1Click(nullptr);
    EXPECT_EQ(ReadAll(saved), std::string(sample.begin(), sample.end()));
    EXPECT_THAT(services.FileDialogs.back().Filter, HasSubstr("Lease v. Buy Advisor (*.LB)"));
}

TEST_F(LeaseBuyAdvisorTest, DamagedFilesAreRefusedAndTheFormKeepsItsValues) {
    Open(WriteFile("van.LB", EncodeLeaseBuyFile(SampleLeaseBuyData())));
    auto older = EncodeLeaseBuyFile(SampleLeaseBuyData());
    older[2] = 3; // version 259
    older[0x04] = 5;
    Open(WriteFile("old.LB", older));
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text,
              "File NOT current version of Lease v. Buy Advisor file.");
    std::array<Byte, LeaseBuyFileSize> zeros{};
    Open(WriteFile("zeros.LB", zeros));
    auto damaged = EncodeLeaseBuyFile(SampleLeaseBuyData());
    damaged[212] = 9; // no such depreciation method
    damaged[4] = 3;
    Open(WriteFile("damaged.LB", damaged));
    Open(WriteFile("short.LB", std::span(damaged).first(100)));
    ASSERT_EQ(services.MessageBoxes.size(), 4u);
    for (std::size_t k = 1; k < 4; ++k) {
        EXPECT_EQ(services.MessageBoxes[k].Text, "File NOT a Lease v. Buy Advisor file.");
        EXPECT_EQ(services.MessageBoxes[k].Type, mtError);
    }
    EXPECT_EQ(lease->Asset->Text(), "delivery van");
    EXPECT_EQ(lease->DepreciationMthd->Text(), "200% DB");
}

TEST_F(LeaseBuyAdvisorTest, TheWizardRunsToTheNarrativeTheTableAndTheCharts) {
    Open(WriteFile("van.LB", EncodeLeaseBuyFile(SampleLeaseBuyData())));
    // The buttons' accelerators step the wizard: Alt+X for "Ne&xt", Alt+I for "Pr&ior".
    Key(lease->Asset, Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(Page(), TaLeaseBuy::pgBuy);
    EXPECT_TRUE(lease->PriorBTN->Enabled());
    EXPECT_TRUE(lease->Price->Focused());
    Key(lease->Price, Qt::Key_I, Qt::AltModifier);
    EXPECT_EQ(Page(), TaLeaseBuy::pgGeneralInfo);
    Next();
    Next();
    Next();
    EXPECT_EQ(Page(), TaLeaseBuy::pgDepreciation);
    EXPECT_EQ(lease->NextBTN->Caption(), "&Calc");
    Next();
    ASSERT_TRUE(services.MessageBoxes.empty()) << services.MessageBoxes[0].Text;
    EXPECT_EQ(Page(), TaLeaseBuy::pgResults);
    EXPECT_EQ(lease->PrintBtn->Caption(), "&Print");
    EXPECT_EQ(lease->CopyBTN->Caption(), "Cop&y");
    EXPECT_EQ(lease->NextBTN->Caption(), "More");
    const TStrings* lines = lease->Memo1->Lines();
    ASSERT_GT(lines->Count(), 8);
    for (int k = 0; k < lines->Count(); ++k)
        EXPECT_LE(lines->Strings(k).size(), 85u);
    EXPECT_THAT(lines->Text(), HasSubstr("Bottom line?"));
    // An empty line closes each of the first four paragraphs.
    int empty = 0;
    for (int k = 0; k < lines->Count(); ++k)
        empty += lines->Strings(k).empty() ? 1 : 0;
    EXPECT_EQ(empty, 3); // the fourth closes the text and counts no line of the memo's
    // The engine filled in the end value of the purchase.
    EXPECT_NE(Trim(lease->PurchaseEndValue->Caption()), "$0.00");

    Next();
    EXPECT_EQ(Page(), TaLeaseBuy::pgMoreResults);
    EXPECT_EQ(lease->NextBTN->Caption(), "Charts");
    EXPECT_EQ(lease->VcTable1->RowLimit(), 62);
    EXPECT_EQ(lease->VcTable1->ColCount(), 33);
    EXPECT_EQ(lease->VcTCColHead1->Headings()->Strings(1), "Origination");
    EXPECT_EQ(lease->VcTCColHead1->Headings()->Strings(2), "1st Yr.");
    EXPECT_EQ(Cell(1, 0), "Adjusted Basis:");
    EXPECT_EQ(Cell(1, 1), "$30,000");
    EXPECT_EQ(Cell(13, 1), "($3,000)");
    EXPECT_EQ(Cell(61, 0), "() indicates outflow");
    EXPECT_EQ(Cell(0, 1), "<none>");

    bool charted = false;
    const TModalHook old = SetModalHook([&](TCustomForm* form) {
        auto* charts = dynamic_cast<TchLeaseBuy*>(form);
        ASSERT_NE(charts, nullptr);
        charted = true;
        EXPECT_EQ(charts->PurchaseLines[0]->Count(), 12);
        EXPECT_NEAR(charts->PurchaseLines[0]->XValues()->Last(), 42796.75, 0.01);
        Screenshot(charts, "lease-buy-charts");
        charts->Notebook->SetPageIndex(1);
        charts->PrintBTNClick(nullptr); // the chart on show, on the default printer
    });
    Next();
    SetModalHook(old);
    EXPECT_TRUE(charted);
    const std::string pdf = NewestPdf();
    ASSERT_FALSE(pdf.empty());
    const std::string printed = RunTool("pdftotext " + ShellQuoted(pdf) + " -");
    EXPECT_THAT(printed, HasSubstr("Various Finance Rates"));
    EXPECT_EQ(Page(), TaLeaseBuy::pgMoreResults);
    lease->PriorBTN->Click();
    EXPECT_EQ(Page(), TaLeaseBuy::pgResults);
}

TEST_F(LeaseBuyAdvisorTest, AnInvalidRunStaysOnTheLastInputPage) {
    lease->Notebook1->SetPageIndex(TaLeaseBuy::pgDepreciation);
    Next();
    EXPECT_FALSE(services.MessageBoxes.empty());
    EXPECT_EQ(Page(), TaLeaseBuy::pgDepreciation);
    EXPECT_EQ(lease->Memo1->Lines()->Count(), 0);
}

TEST_F(LeaseBuyAdvisorTest, ResetAndUndoOnTheInputPages) {
    Open(WriteFile("van.LB", EncodeLeaseBuyFile(SampleLeaseBuyData())));
    lease->Asset->SetText("truck");
    lease->CopyBTN->Click(); // Undo: back to the opened file
    EXPECT_EQ(lease->Asset->Text(), "delivery van");
    lease->PrintBtn->Click(); // Reset: the defaults
    EXPECT_EQ(lease->Asset->Text(), "");
    EXPECT_EQ(Trim(lease->Price->Caption()), "$0.00");
    EXPECT_TRUE(lease->OverrideEndPurchase->Checked());
    EXPECT_EQ(Clipboard()->AsText(), "");
}

TEST_F(LeaseBuyAdvisorTest, FieldRules) {
    TypeText(lease->TaxRate, "30");
    lease->TaxRateSale->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(Trim(lease->TaxRateSale->Caption()), "30.0000");

    lease->Notebook1->SetPageIndex(TaLeaseBuy::pgBuy);
    Application->ProcessMessages();
    TypeText(lease->Price, "1000");
    TypeText(lease->PurchaseDeposit, "2000");
    lease->PurchaseRate->SetFocus();
    Application->ProcessMessages();
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text, "Down payment must be less than Price.");
    double deposit = -1;
    lease->PurchaseDeposit->GetValue(&deposit);
    EXPECT_EQ(deposit, 0.0);

    lease->Notebook1->SetPageIndex(TaLeaseBuy::pgLease);
    Application->ProcessMessages();
    lease->OverrideEndLease->SetChecked(true);
    EXPECT_TRUE(lease->LeaseEndValue->Enabled());
    TypeText(lease->LeaseEndValue, "5000");
    lease->LeaseEndOptionPrice->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(Trim(lease->LeaseEndOptionPrice->Caption()), "$5,000.00");

    lease->DepreciationMthd->SetItemIndex(4); // "Auto SL"
    lease->DepreciationMthd->OnChange(lease->DepreciationMthd);
    EXPECT_TRUE(lease->Auto->AsBoolean());
    lease->DepreciationMthd->SetItemIndex(5); // "Straight Line"
    lease->DepreciationMthd->OnChange(lease->DepreciationMthd);
    EXPECT_FALSE(lease->Auto->AsBoolean());
    lease->Notebook1->SetPageIndex(TaLeaseBuy::pgDepreciation);
    Application->ProcessMessages();
    TypeText(lease->Depreciate, "N");
    EXPECT_FALSE(lease->DepreciationMthd->Enabled());
    EXPECT_FALSE(lease->Section179Amt->Enabled());
}

TEST_F(LeaseBuyAdvisorTest, CopyAndPrintTheResults) {
    Open(WriteFile("van.LB", EncodeLeaseBuyFile(SampleLeaseBuyData())));
    lease->Notebook1->SetPageIndex(TaLeaseBuy::pgDepreciation);
    Next();
    ASSERT_EQ(Page(), TaLeaseBuy::pgResults);
    lease->CopyBTN->Click();
    const std::string text = Clipboard()->AsText();
    EXPECT_THAT(text, StartsWith("Lease vs. Buy Advisor 1\r\n\r\n"));
    // The captions' column is as wide as the longest caption,
    // "Estimated resale value at end of financing?:" (44 characters).
    EXPECT_THAT(text, HasSubstr(Format("%-44s %s\r\n",
                                       {"Asset to be bought or leased?:", "delivery van"})));
    EXPECT_THAT(text, HasSubstr(Format("%-44s %16.2m\r\n", {"Price of asset?:", 30000.0})));
    EXPECT_THAT(text, HasSubstr(Format("%-44s %16s\r\n", {"Payment frequency?:", "Monthly"})));
    EXPECT_THAT(text, HasSubstr("Bottom line?"));
    EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n");

    lease->PrintBtn->Click();
    const std::string pdf = NewestPdf();
    ASSERT_FALSE(pdf.empty());
    const std::string printed = PdfText(pdf);
    EXPECT_THAT(printed, HasSubstr("Lease vs. Buy Advisor 1"));
    EXPECT_THAT(LineWith(printed, "Price of asset?:"), HasSubstr("$30,000.00"));
    EXPECT_THAT(printed, HasSubstr("Bottom line?"));
    const std::string info = RunTool("pdfinfo " + ShellQuoted(pdf));
    EXPECT_EQ(Trim(LineWith(info, "Pages:").substr(6)), "2") << info;
}

TEST_F(LeaseBuyAdvisorTest, EveryHelpContextHasATopic) {
    Application->SetHelpFile("vtrx2532.hlp");
    std::vector<int> contexts = HelpContextsOf(lease);
    lease->HelpBTN->Click();
    ASSERT_EQ(services.Helps.size(), 1u);
    contexts.push_back(static_cast<int>(services.Helps.back().Data));
    TchLeaseBuy charts(nullptr, nullptr);
    charts.HelpBTNClick(nullptr);
    ASSERT_EQ(services.Helps.size(), 2u);
    contexts.push_back(static_cast<int>(services.Helps.back().Data));
    EXPECT_EQ(contexts.back(), 208);
    ExpectHelpTopics(contexts);
}

TEST_F(LeaseBuyAdvisorTest, ScreenshotsOfTheLeaseAdvisor) {
    PICTURES_ONLY();
    Open(WriteFile("van.LB", EncodeLeaseBuyFile(SampleLeaseBuyData())));
    const char* names[] = {"lease-general", "lease-buy", "lease-lease", "lease-depreciation"};
    for (int page = 0; page < 4; ++page) {
        lease->Notebook1->SetPageIndex(page);
        Screenshot(lease, names[page]);
    }
    Next();
    Screenshot(lease, "lease-results");
    Next();
    Screenshot(lease, "lease-cash-flow");
}

} // namespace
