// The schedule form's Save and Load through the register's dialog: a computed schedule saved
// under a new loan, loaded back over another one, saved again without a second copy of its
// rows, and printed with the borrower of its account.
#include "tests/advisors/RegisterDialogSupport.h"
#include "tests/rtl/RefusedFolder.h"
#include "xbase/Xbase.h"

#include <gmock/gmock.h>

#include <optional>

namespace {

class ScheduleStorageTest : public LoanInfoTest {
protected:
    // Saves the form's schedule under a new loan of the DEFAULT account, or of a new Smith,
    // John with Smith set.
    void SaveUnderNewLoan(bool smith = false) {
        Answer = [&](TCustomForm* modal) {
            auto* d = dynamic_cast<TLoanInfo*>(modal);
            if (!d) return;
            Settle();
            if (smith) {
                CreateAccount(*d);
                Step(*d, d->NewBTN, "Step: 4/4");
            } else {
                NewLoanOfDefault(*d);
            }
            Click(d->NextBTN);
        };
        Click(form->SaveBTN);
        Answer = nullptr;
    }
    // Takes the first loan of the DEFAULT account (or of account Account) with Next on step 4.
    void TakeLoan(TCustomForm* modal, const std::string& Account = "") {
        auto* d = dynamic_cast<TLoanInfo*>(modal);
        if (!d) return;
        Settle();
        if (!Account.empty()) FindAccount(*d, Account);
        NextTo(*d, 4);
        Click(d->NextBTN);
    }
    // The borrower the footer of the printout's first page of rows names.
    std::string PrintedFor() {
        PrintToPdf();
        const std::vector<std::string> pages = PrintedPages();
        const std::string footer = pages.size() > 1 ? LineWith(pages[1], "Prepared For:") : "";
        const std::size_t from = footer.find(':') + 1, by = footer.find("Prepared By:");
        return by == std::string::npos ? "no footer" : Trim(footer.substr(from, by - from));
    }
    // What the form shows and holds: its inputs, the options' choices, whether the schedule
    // shows, its periods a year, its last row, and the date, payment and balance of its first
    // payment and its last.
    std::string Shown() const {
        const TAmortSchedule& s = form->Schedule;
        const TAmortRow &first = s.AmortRows.at(1), &last = s.AmortRows.at(s.LastRow);
        std::string shown = form->PYR->Text() + "|" + form->CmpPYR->Text();
        for (TControl* input : std::initializer_list<TControl*>{
                 form->PV, form->NumPmts, form->Rate, form->Points, form->OrgDate,
                 form->FrstPmtDate})
            shown += "|" + Trim(input->Caption());
        for (const double number :
             {1.0 * TAmortOpt::Choices().AmortMethod, 1.0 * TAmortOpt::Choices().RateBasis,
              1.0 * form->TransGrid->Visible(), 1.0 * s.PmtsPerYear, 1.0 * s.CmpPerYear,
              1.0 * s.LastRow, 1.0 * first.Date, first.Payment, first.Balance, 1.0 * last.Date,
              last.Payment, last.Balance})
            shown += "|" + std::to_string(number);
        return shown;
    }
};

TEST_F(ScheduleStorageTest, NothingCalculatedIsNotSaved) {
    EXPECT_FALSE(form->SaveBTN->Enabled());
    Key(form->CalcBTN, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(LastMessage(), "Loan not calculated or\n\nthis loan already saved.\n");
    EXPECT_TRUE(modals.empty());
}

TEST_F(ScheduleStorageTest, TheDialogWiderThanTheFormStaysOnTheScreen) {
    form->SetLeft(Screen->WorkAreaRect().Left);
    form->SetTop(Screen->WorkAreaRect().Top);
    TRect shown{};
    Answer = [&](TCustomForm* modal) {
        if (!dynamic_cast<TLoanInfo*>(modal)) return;
        shown = TRect{modal->Left(), modal->Top(), modal->Left() + modal->Width(),
                      modal->Top() + modal->Height()};
        modal->SetModalResult(mrCancel);
    };
    Key(form->CalcBTN, Qt::Key_L, Qt::ControlModifier);
    Answer = nullptr;
    const TRect area = Screen->WorkAreaRect();
    EXPECT_GE(shown.Left, area.Left);
    EXPECT_GE(shown.Top, area.Top);
    EXPECT_GT(shown.Right, shown.Left);
}

// A save while another copy holds a register table (deleting from it) is one error box, naming
// the table in use; nothing is saved.
TEST_F(ScheduleStorageTest, ASaveWhileATableIsInUseIsOneBoxWithItsCause) {
    CalculateLoan("12000", "14", "7.5", "060124", "070124");
    std::unique_ptr<TTable> held = RegisterTable(home.Path(), LoansTable);
    held->SetExclusive(true);
    held->Open();
    services.MessageBoxes.clear();
    Click(form->SaveBTN);
    held->Close();
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(LastMessage(),
              std::string(TableOpenFailedMessage) + "\n\n" + RegisterInUseMessage(LoansTable));
    EXPECT_TRUE(form->SaveBTN->Enabled());
}

TEST_F(ScheduleStorageTest, ASavedScheduleLoadsBackAndSavesAgainOnce) {
    EnterLoan("12000", "14", "7.5", "060124", "070124");
    form->PYR->SetItemIndex(4);    // "Quarterly"
    form->CmpPYR->SetItemIndex(6); // "SemiAnnually"
    Calculate();
    SaveUnderNewLoan();
    EXPECT_TRUE(services.MessageBoxes.empty()) << LastMessage();
    EXPECT_EQ(form->LoanNo, "1");
    EXPECT_EQ(form->AccountName, "DEFAULT");
    EXPECT_EQ(Rows("LOANS.DBF", "LOANNO,INITAMT,INITTERM,INITRATE,ORIGDATE,FRSTPMTDT"),
              "1|12000.0|14|7.5|2024-06-01|2024-07-01\n");
    EXPECT_EQ(Rows("TRANS.DBF", "LOANNO,PMTNOYR").substr(0, 10), "1|Init/01\n");
    // Saved: Save is off until something new is calculated.
    EXPECT_FALSE(form->SaveBTN->Enabled());
    Key(form->CalcBTN, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(LastMessage(), "Loan not calculated or\n\nthis loan already saved.\n");

    // Another loan computed, then the saved one loaded over it.
    EnterLoan("99000", "36", "5", "010125", "020125");
    form->PYR->SetItemIndex(2);
    form->CmpPYR->SetItemIndex(3);
    Calculate();
    Answer = [&](TCustomForm* modal) { TakeLoan(modal); };
    Click(form->OpenBTN);
    ASSERT_EQ(form->Schedule.LastRow, 14);
    EXPECT_DOUBLE_EQ(form->Schedule.Loan.PV, 12000);
    EXPECT_EQ(form->Years->Tabs()->Strings(1), "24");
    EXPECT_EQ(form->Years->TabIndex(), 1);
    double pv = 0;
    form->PV->GetValue(&pv);
    EXPECT_DOUBLE_EQ(pv, 12000);
    EXPECT_EQ(form->PYR->ItemIndex(), 4);
    EXPECT_EQ(form->CmpPYR->ItemIndex(), 6);

    // Saving the loaded schedule again under the same loan keeps one copy of its rows.
    ASSERT_TRUE(form->SaveBTN->Enabled());
    Click(form->SaveBTN);
    Answer = nullptr;
    EXPECT_EQ(Rows("LOANS.DBF", "LOANNO"), "1\n");
    std::string expected;
    for (int k = 0; k <= 14; ++k)
        expected += "1|" + std::to_string(k) + "\n";
    EXPECT_EQ(Rows("TRANS.DBF", "LOANNO,TRANSNO"), expected);
    EXPECT_EQ(DeletedCount("TRANS.DBF"), "0");
}

// A first start on a nearly full disk tells the register's own message and leaves no table it
// could not make whole: the next start, with room, makes the register, where a new account's
// loan is saved and loaded.
TEST_F(ScheduleStorageTest, AFirstStartOnAFullDiskLeavesTheRegisterToTheNextStart) {
    RUN_IN_FRESH_PROCESS();
    for (const std::size_t kib : {0, 4, 8, 16, 24, 32}) {
        xb_CloseAll();
        for (const auto& file : std::filesystem::directory_iterator(home.Path()))
            if (file.path().extension() == ".DBF" || file.path().extension() == ".NSX")
                std::filesystem::remove(file.path());
        const std::optional<std::string> told = InRefusedFolder(
            home.Path(), TRefusal::FullDisk, [&] { return CreateRegisterTables(home.Path()); },
            kib * 1024);
        if (!Ran(told, std::to_string(kib) + " KiB free")) continue;
        EXPECT_THAT(*told, ::testing::MatchesRegex("The register table [A-Z]+\\.DBF could not be "
                                                   "written: the disk is full\\..*"));
        ASSERT_EQ(CreateRegisterTables(home.Path()), "") << kib;
        CalculateLoan("12000", "14", "7.5", "060124", "070124");
        services.MessageBoxes.clear();
        SaveUnderNewLoan(true);
        CalculateLoan("99000", "36", "5", "010125", "020125");
        Answer = [&](TCustomForm* modal) { TakeLoan(modal, "SMITJOH001"); };
        Click(form->OpenBTN);
        EXPECT_EQ(form->Schedule.LastRow, 14) << kib;
        EXPECT_TRUE(services.MessageBoxes.empty()) << kib << " KiB: " << LastMessage();
    }
}

// A new loan whose save failed is kept, without a schedule, under its account. Loading it is
// cancelled, with an error, and changes nothing of the form: its inputs and options show no
// terms that nobody typed, the schedule stays shown, and a Calc makes the schedule it made
// before. The loan is Smith's, made for a save the full disk refused (room for the loan's
// records, not its rows) and loaded on the full disk too, or the DEFAULT account's, made in the
// dialog alone. The printout names the borrower of the loan saved or loaded last: none after the
// refused save, Mary Jones after the cancelled load of another's that followed hers.
TEST_F(ScheduleStorageTest, ALoanWithoutRowsCancelsTheLoadAndChangesNothing) {
    RUN_IN_FRESH_PROCESS();
    CalculateLoan("150000", "360", "6.5", "031524", "041524");
    std::string shown = Shown();
    ASSERT_EQ(form->Schedule.LastRow, 360);
    const auto loadIsCancelled = [&](bool smith, bool calculate = true) {
        services.MessageBoxes.clear();
        Answer = [&](TCustomForm* modal) { TakeLoan(modal, smith ? "SMITJOH001" : ""); };
        Click(form->OpenBTN);
        Answer = nullptr;
        ASSERT_EQ(services.MessageBoxes.size(), 1u) << LastMessage();
        EXPECT_EQ(LastMessage(),
                  "\rNo transaction records found for this loan.\r\rCanceling load.\r");
        // An error with no help topic behind it.
        EXPECT_EQ(services.MessageBoxes.back().Type, mtError);
        EXPECT_EQ(services.MessageBoxes.back().HelpContext, 0);
        EXPECT_EQ(Shown(), shown);
        EXPECT_TRUE(form->PrintBTN->Enabled());
        if (!calculate) return;
        Calculate();
        EXPECT_EQ(Shown(), shown);
    };
    // Eight pages take New's records and the save's journal, not the 361 rows.
    xb_CloseAll();
    const std::optional<std::string> told = InRefusedFolder(
        home.Path(), TRefusal::FullDisk,
        [&] {
            SaveUnderNewLoan(true);
            const std::string refused = LastMessage();
            loadIsCancelled(true, false);
            return refused;
        },
        8 * 4096);
    if (Ran(told, "the save and load of Smith's loan on a full disk")) {
        EXPECT_EQ(*told, "The register table TRANS.DBF could not be written: the disk is full.\n\n"
                         "Nothing was changed. Free some space on the disk and try again.\n\n"
                         "The new loan 1 is kept under its account, without a schedule: choose "
                         "it when you save again.");
        EXPECT_EQ(PrintedFor(), "");
        loadIsCancelled(true);
    }
    RunDialog(limSave, [&](TLoanInfo& d) {
        NewLoanOfDefault(d);
        Click(d.NextBTN);
    });
    loadIsCancelled(false);

    const std::string jones = AccountWithALoan("Jones", "Mary");
    ASSERT_EQ(SaveSchedule(home.Path(), jones, form->Schedule, TAmortOptions{}), "");
    Answer = [&](TCustomForm* modal) { TakeLoan(modal, "JONEMAR001"); };
    Click(form->OpenBTN);
    Answer = nullptr;
    shown = Shown();
    loadIsCancelled(told.has_value(), false);
    EXPECT_EQ(PrintedFor(), "Mary Jones");
}

TEST_F(ScheduleStorageTest, ThePrintoutNamesTheBorrower) {
    RUN_IN_FRESH_PROCESS();
    CalculateLoan("12000", "14", "7.5", "060124", "070124");
    SaveUnderNewLoan(true);
    ASSERT_EQ(form->AccountName, "SMITJOH001");
    PrintToPdf();
    const std::vector<std::string> pages = PrintedPages();
    ASSERT_GT(pages.size(), 1u);
    EXPECT_TRUE(Has(pages[0], "John Smith")) << pages[0];
    EXPECT_TRUE(Has(pages[0], "Springfield, IL")) << pages[0];
    EXPECT_TRUE(Has(LineWith(pages[1], "Prepared For:"), "John Smith")) << pages[1];
    EXPECT_TRUE(Has(LineWith(pages[1], "Prepared By:"), "Ann Owner")) << pages[1];
    const auto title = [&] {
        PrintToPdf();
        const std::vector<std::string> printed = PrintedPages();
        EXPECT_FALSE(printed.empty()) << "no printout";
        return printed.empty() ? std::string() : printed[0];
    };
    // The table or its index the user may not read: the borrower is left out, told why.
    for (const char* closed : {"ACCNTS.DBF", "ACCNTS.NSX"}) {
        xb_CloseAll();
        const std::optional<std::string> told =
            InRefusedFolder(home.Path(), TRefusal::ClosedFiles, [&] {
                ::chmod((home / closed).c_str(), 0200);
                const bool named = Has(title(), "John Smith");
                return std::to_string(named) + LastMessage();
            });
        if (Ran(told, closed)) {
            EXPECT_EQ(*told, "0The borrower is left out of the printout.\n\nFile Open Error: File "
                             "may not be read: \"" + home / closed + "\"");
        }
    }
    // Another program appends an account: the index of ACCNTS.DBF, which the printout only
    // reads, is behind the table, and the borrower is found all the same. Made anew by an open
    // that has the table alone, then a leaf damaged, the printout leaves the borrower out and
    // tells why, naming the file.
    ASSERT_EQ(RunPython(python, home.Path(),
                        "import dbf\nwith dbf.Table('ACCNTS.DBF').open(dbf.READ_WRITE) as t:\n"
                        "    t.append({'accountno': 'OTHER01'})\n"),
              "");
    EXPECT_TRUE(Has(title(), "John Smith"));
    ASSERT_GT(xb_Use(home.Path() + "/ACCNTS.DBF", "", xbModeShared, xbNSX), 0);
    xb_Close();
    std::string index = ReadAll(home.Path() + "/ACCNTS.NSX");
    for (std::size_t page = 4096; page < index.size(); page += 4096)
        if (index[page] == 1) index[page + 16] ^= 1; // its checksum fails
    WriteAll(home.Path() + "/ACCNTS.NSX", index);
    EXPECT_FALSE(Has(title(), "John Smith"));
    EXPECT_NE(LastMessage().find("ACCNTS.NSX"), std::string::npos) << LastMessage();

    // A new calculation is a new, unsaved schedule: it belongs to no borrower, and Save asks
    // for a loan again.
    CalculateLoan("20000", "14", "7.5", "060124", "070124");
    EXPECT_EQ(form->AccountName, "");
    EXPECT_EQ(form->LoanNo, "");
    EXPECT_TRUE(form->SaveBTN->Enabled());
    PrintToPdf();
    const std::vector<std::string> again = PrintedPages();
    ASSERT_GT(again.size(), 1u);
    EXPECT_FALSE(Has(again[0], "John Smith")) << again[0];
    EXPECT_FALSE(Has(again[1], "John Smith")) << again[1];
    EXPECT_TRUE(Has(again[0], "20,000.00")) << again[0];
}

} // namespace
