// The lease-versus-buy advisor's window on its own: the wizard's buttons by page, the copied
// results line by line, Reset on an input page, the down-payment rule, the file menu, each
// page's help topic and the controls' places.
#include "advisors/LeaseBuyAdvisor.h"
#include "advisors/LeaseCashFlowTable.h"

#include "tests/advisors/AdvisorTestSupport.h"
#include "tests/advisors/AmortizationFormSupport.h"

#include "platform/gui/Clipbrd.h"
#include "platform/gui/Menus.h"
#include "platform/rtl/Strings.h"

namespace {

class LeaseForm : public AmortFormTest {
protected:
    void SetUp() override {
        AmortFormTest::SetUp();
        AutoBinPath = ShippedAutoBin();
        lease = new TaLeaseBuy(nullptr);
        lease->Show();
        Settle();
    }
    void TearDown() override {
        delete lease;
        TCalcForm::FreeSharedRecord(ckLeaseBuy);
        AutoBinPath.clear();
        AmortFormTest::TearDown();
    }
    // Opens the inputs from a file written for the test.
    void Open(const TLeaseBuyData& data) {
        const auto bytes = EncodeLeaseBuyFile(data);
        const std::string path = home / "inputs.LB";
        WriteAll(path, std::string(bytes.begin(), bytes.end()));
        services.FileDialogAnswers.push_back(TFileDialogResult{{path}, 1});
        lease->O1Click(nullptr);
        Settle();
    }
    void Next() {
        lease->NextBTN->Click();
        Settle();
    }
    int Page() const { return lease->Notebook1->PageIndex(); }
    // The label that names a field.
    TLabel* LabelOf(const TWinControl* field) const {
        for (int k = 0; k < lease->ComponentCount(); ++k)
            if (auto* label = dynamic_cast<TLabel*>(lease->Components(k)))
                if (label->FocusControl() == field) return label;
        return nullptr;
    }
    // A copied line: the caption padded to the widest caption (44 characters), a blank, the
    // value (right-aligned in 16 when Aligned).
    static std::string CopiedLine(const std::string& caption, const std::string& value,
                                  bool Aligned = true) {
        return caption + std::string(44 - caption.size(), ' ') + " " +
               std::string(Aligned ? 16 - value.size() : 0, ' ') + value + "\r\n";
    }
    TaLeaseBuy* lease = nullptr;
};

// Prior is off on the first page only; the input pages offer Reset and Undo, the result pages
// Print and Copy; Next reads Calc on the last input page, then More and Charts.
TEST_F(LeaseForm, TheButtonsFollowThePage) {
    Open(SampleLeaseBuyData());
    const struct {
        bool Prior;
        const char *Print, *Copy, *Next;
    } pages[] = {{false, "R&eset", "&Undo", "Ne&xt"}, {true, "R&eset", "&Undo", "Ne&xt"},
                 {true, "R&eset", "&Undo", "Ne&xt"},  {true, "R&eset", "&Undo", "&Calc"},
                 {true, "&Print", "Cop&y", "More"},   {true, "&Print", "Cop&y", "Charts"}};
    for (int page = 0; page < 6; ++page) {
        SCOPED_TRACE(page);
        if (page > 0) Next(); // the fourth runs the analysis
        ASSERT_EQ(Page(), page);
        EXPECT_EQ(lease->PriorBTN->Enabled(), pages[page].Prior);
        EXPECT_EQ(lease->PrintBtn->Caption(), pages[page].Print);
        EXPECT_EQ(lease->CopyBTN->Caption(), pages[page].Copy);
        EXPECT_EQ(lease->NextBTN->Caption(), pages[page].Next);
    }
    EXPECT_TRUE(services.MessageBoxes.empty());
    for (int page = 4; page >= 0; --page) {
        lease->PriorBTN->Click();
        Settle();
        ASSERT_EQ(Page(), page);
        EXPECT_EQ(lease->PriorBTN->Enabled(), pages[page].Prior) << page;
        EXPECT_EQ(lease->PrintBtn->Caption(), pages[page].Print) << page;
    }
}

TEST_F(LeaseForm, TheCopiedResultsListEachInputUnderItsOwnCaption) {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.DeductablePercent = 75;
    d.LeaseEndExpense = 275;
    Open(d);
    lease->Notebook1->SetPageIndex(TaLeaseBuy::pgDepreciation);
    Next();
    ASSERT_EQ(Page(), TaLeaseBuy::pgResults);
    Clipboard()->SetAsText("");
    lease->CopyBTN->Click();
    const std::string text = Clipboard()->AsText();
    EXPECT_EQ(text.rfind("Lease vs. Buy Advisor\r\n\r\n", 0), 0u) << text;
    // Texts and rates follow the caption; money and counts stand right-aligned.
    for (const std::string& line :
         {CopiedLine("Asset to be bought or leased?:", "delivery van", false),
          CopiedLine("Price of asset?:", "$30,000.00"),
          CopiedLine("Purchase down payment?:", "$3,000.00"),
          CopiedLine("Percent of interest that is deductible? (%):", "75.0000", false),
          CopiedLine("Periodic lease payment amount?:", "$450.00"),
          CopiedLine("Number of lease payments? (#):", "36"),
          CopiedLine("Refundable lease deposit?:", "$500.00"),
          CopiedLine("Termination fee?:", "$275.00"),
          CopiedLine("Estimated resale value at end of lease?:", "$15,000.00"),
          CopiedLine("End of lease option price?:", "$14,000.00")})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

TEST_F(LeaseForm, ResetOnAnInputPageGivesTheDefaultsBack) {
    Open(SampleLeaseBuyData());
    EXPECT_EQ(lease->Asset->Text(), "delivery van");
    lease->PrintBtn->Click(); // "R&eset" on the first page
    Settle();
    EXPECT_EQ(lease->Asset->Text(), "");
    EXPECT_EQ(Trim(lease->Price->Caption()), "$0.00");
    EXPECT_EQ(Page(), TaLeaseBuy::pgGeneralInfo);
}

TEST_F(LeaseForm, ADownPaymentAboveThePriceIsRefused) {
    lease->Notebook1->SetPageIndex(TaLeaseBuy::pgBuy);
    Settle();
    Enter(lease->Price, "1000", lease->PurchaseDeposit, "400", lease->PurchaseRate, "8");
    EXPECT_TRUE(services.MessageBoxes.empty());
    double deposit = 0;
    lease->PurchaseDeposit->GetValue(&deposit);
    EXPECT_EQ(deposit, 400.0);
    lease->PurchaseDeposit->SetAsFloat(0.0);
    Enter(lease->PurchaseDeposit, "2000", lease->PurchaseRate, "8");
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text, "Down payment must be less than Price.");
    lease->PurchaseDeposit->GetValue(&deposit);
    EXPECT_EQ(deposit, 0.0);
}

TEST_F(LeaseForm, TheFileButtonOffersOpenAndSave) {
    Open(SampleLeaseBuyData());
    std::vector<std::string> offered;
    const TPopupHook previous = SetPopupHook([&](TMenuItem* items, int, int) -> TMenuItem* {
        for (int k = 0; k < items->Count(); ++k)
            offered.push_back(items->Items(k)->Caption());
        return items->Count() > 1 ? items->Items(1) : nullptr;
    });
    const std::string saved = home / "saved.LB";
    services.FileDialogAnswers.push_back(TFileDialogResult{{saved}, 1});
    lease->FileBTN->Click();
    Settle();
    SetPopupHook(previous);
    EXPECT_EQ(offered, (std::vector<std::string>{"Open...", "Save..."}));
    const std::string bytes = ReadAll(saved);
    const auto expected = EncodeLeaseBuyFile(SampleLeaseBuyData());
    EXPECT_EQ(bytes, std::string(expected.begin(), expected.end()));
}

TEST_F(LeaseForm, EachPagesFieldsOpenThePagesHelpTopic) {
    ExpectHelpTitles({{lease->Asset, "Lease v. Buy: General Information"},
                      {lease->PropTaxOnLease, "Lease v. Buy: General Information"},
                      {lease->Price, "Lease v. Buy: Purchase Side"},
                      {lease->DeductablePercent, "Lease v. Buy: Purchase Side"},
                      {lease->LeasePmt, "Lease v. Buy: Lease Side"},
                      {lease->Depreciate, "Lease v. Buy: Depreciation and Taxes"},
                      {lease->Memo1, "Lease v. Buy: Results"},
                      {lease->VcTable1, "Lease v. Buy: Cash Flow Reports"},
                      {lease->FileBTN, "Lease v. Buy: Files"}});
}

// Each override box stands beside its end value as far from it as the value stands from its
// prompt; the table's label column is wider than its columns of figures.
TEST_F(LeaseForm, ControlsSitBesideWhatTheyBelongTo) {
    const std::pair<TControl*, TWinControl*> boxes[] = {
        {lease->OverrideEndPurchase, lease->PurchaseEndValue},
        {lease->OverrideEndLease, lease->LeaseEndValue}};
    for (const auto& [box, field] : boxes) {
        SCOPED_TRACE(box->Name());
        const TLabel* prompt = LabelOf(field);
        ASSERT_NE(prompt, nullptr);
        const int promptGap = field->Left() - (prompt->Left() + prompt->Width());
        EXPECT_GT(promptGap, 0);
        EXPECT_EQ(box->Left() - (field->Left() + field->Width()), promptGap);
        EXPECT_EQ(box->Parent(), field->Parent());
    }
    const int labels = lease->VcTable1->Columns()->Items(0)->Width();
    for (LongInt c = 1; c <= CashFlowCellCount; ++c)
        EXPECT_GT(labels, lease->VcTable1->Columns()->Items(c)->Width()) << c;
}

} // namespace
