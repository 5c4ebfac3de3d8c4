// The register's dialog driven as a user drives it: accounts and loans created, edited and
// deleted through its steps, the messages of its refusals, Cancel undoing what New started,
// and the tables read back by an outside reader.
#include "tests/advisors/AdvisorTestSupport.h"
#include "tests/advisors/RegisterDialogSupport.h"
#include "tests/rtl/RefusedFolder.h"
#include "xbase/XbFile.h"
#include "xbase/Xbase.h"

#include <gmock/gmock.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

using ::testing::HasSubstr;

TEST_F(LoanInfoTest, AnAccountAndALoanAreCreatedStepByStep) {
    const std::string loan = RunDialog(limSave, [&](TLoanInfo& d) {
        EXPECT_EQ(d.Caption(), "Personal Information");
        EXPECT_EQ(d.StatusText(), " Watch this space for status messages.");
        EXPECT_FALSE(d.PriorBTN->Enabled());
        EXPECT_EQ(d.CancelBTN->Hint(), "Cancel saving data.");
        EXPECT_EQ(d.AccountsGrid->Selected()->Strings(0), "ACCOUNTNO\t16\tAccount No");
        Screenshot(&d, "loaninfo-accounts");
        CreateAccount(d);
        EXPECT_EQ(d.Caption(), "Loan Information");
        // The new account has no loan yet: Next stays off.
        EXPECT_EQ(d.StatusText(), " There are no loans for this account.");
        EXPECT_FALSE(d.NextBTN->Enabled());
        EXPECT_EQ(d.NavigatorSource(), d.XRefSource);
        Step(d, d.NewBTN, "Step: 4/4");
        // A loan being inserted has no number yet; the table has none either.
        EXPECT_EQ(d.StatusText(), " 0/0");
        EXPECT_EQ(d.NextBTN->Caption(), "&Save");
        EXPECT_EQ(d.NextBTN->Hint(), "Save current account and loan data.");
        EXPECT_EQ(Trim(d.LoanNo->Caption()), "1");
        EXPECT_EQ(Trim(d.InitAmt->Caption()), "150,000.00");
        EXPECT_EQ(d.NavigatorSource(), d.LoansSource);
        Enter(d.Collateral, "Red barn");
        Screenshot(&d, "loaninfo-loaninfo");
        Click(d.NextBTN);
    });
    EXPECT_EQ(loan, "1");
    EXPECT_EQ(account, "SMITJOH001");
    EXPECT_TRUE(services.MessageBoxes.empty());
    EXPECT_EQ(Rows("ACCNTS.DBF", "ACCOUNTNO,LASTNAME,FIRSTNAME,CITY,STATE"),
              "DEFAULT||||\nSMITJOH001|Smith|John|Springfield|IL\n");
    EXPECT_EQ(Rows("LOANS.DBF", "LOANNO,COLLATERIA,INITAMT,INITTERM,INITRATE,ORIGDATE"),
              "1|Red barn|150000.0|360|6.5|2024-03-15\n");
    EXPECT_EQ(Rows("XREF.DBF", "ACCOUNTNO,LOANNO"), "SMITJOH001|1\n");
    EXPECT_EQ(Rows("SYSINFO.DBF", "LASTLOANNO"), "1\n");
}

TEST_F(LoanInfoTest, AnAccountIsEditedAndTheLoansListShowsItsLoans) {
    AccountWithALoan();
    RunDialog(limSave, [&](TLoanInfo& d) {
        FindAccount(d, "SMITJOH001");
        Step(d, d.NextBTN, "Step: 2/4");
        EXPECT_EQ(d.LastName->AsString(), "Smith");
        Enter(d.City, "Shelbyville");
        Step(d, d.NextBTN, "Step: 3/4");
        Screenshot(&d, "loaninfo-loans");
        // The list shows the loan's terms, calculated from its record.
        EXPECT_EQ(d.XRef->FieldByName("INITAMT")->DisplayText(), "150,000.00");
        EXPECT_EQ(d.XRef->FieldByName("INITTERM")->AsInteger(), 360);
        EXPECT_TRUE(d.NextBTN->Enabled());
        Step(d, d.NextBTN, "Step: 4/4");
        EXPECT_EQ(Trim(d.LoanNo->Caption()), "1");
        Click(d.CancelBTN);
    });
    EXPECT_EQ(Rows("ACCNTS.DBF", "ACCOUNTNO,CITY"), "DEFAULT|\nSMITJOH001|Shelbyville\n");
    EXPECT_EQ(account, "SMITJOH001");
}

TEST_F(LoanInfoTest, NamesAreNeededAndAnAccountNumberMustBeUnique) {
    const std::string loan = RunDialog(limSave, [&](TLoanInfo& d) {
        Step(d, d.NewBTN, "Step: 2/4");
        EXPECT_FALSE(d.AccountNo->Enabled());
        Screenshot(&d, "loaninfo-acctinfo");
        Enter(d.LastName, "Smith");
        Step(d, d.NextBTN, "Step: 2/4");
        EXPECT_EQ(LastMessage(), "Both 'Last Name' & 'First Name' must be entered.");
        Click(d.ManualBTN);
        EXPECT_TRUE(d.AccountNo->Enabled());
        Enter(d.AccountNo, "DEFAULT");
        Step(d, d.NextBTN, "Step: 2/4");
        EXPECT_EQ(LastMessage(), "Account number must be unique.");
        EXPECT_EQ(services.MessageBoxes.back().Type, mtError);
        Click(d.CancelBTN);
    });
    EXPECT_EQ(loan, "");
    EXPECT_EQ(Rows("ACCNTS.DBF", "ACCOUNTNO,LASTNAME"), "DEFAULT|\n");
}

TEST_F(LoanInfoTest, ABlankAccountNumberIsRefusedAndBlocksNothing) {
    RunDialog(limSave, [&](TLoanInfo& d) {
        Step(d, d.NewBTN, "Step: 2/4");
        Click(d.ManualBTN);
        Enter(d.LastName, "Blank", d.AccountNo, "   ");
        Step(d, d.NextBTN, "Step: 2/4");
        EXPECT_EQ(LastMessage(), AccountNumberNeededMessage);
        // The navigator's post is refused the same way.
        Navigate(d, nbPost);
        EXPECT_EQ(services.MessageBoxes.size(), 2u);
        Click(d.AutoBTN);
        Enter(d.FirstName, "Bob");
        Step(d, d.NextBTN, "Step: 3/4");
        Click(d.CancelBTN);
    });
    EXPECT_EQ(Rows("ACCNTS.DBF", "ACCOUNTNO,LASTNAME"), "DEFAULT|\nBLANBOB001|Blank\n");
}

TEST_F(LoanInfoTest, AManualNumberThatIsFreeIsTaken) {
    RunDialog(limSave, [&](TLoanInfo& d) {
        // The number of an account that exists stays: its loans refer to it.
        Step(d, d.NextBTN, "Step: 2/4");
        Click(d.ManualBTN);
        EXPECT_FALSE(d.AccountNo->Enabled());
        Step(d, d.NewBTN, "Step: 2/4");
        EXPECT_TRUE(d.AccountNo->Enabled());
        // A blank typed before the number is not taken into it.
        Enter(d.AccountNo, " ACME-7", d.Business, "Acme Hauling");
        Step(d, d.NextBTN, "Step: 3/4");
        EXPECT_EQ(KeyText(d.Accounts, "ACCOUNTNO"), "ACME-7");
        Click(d.CancelBTN);
    });
    EXPECT_EQ(Rows("ACCNTS.DBF", "ACCOUNTNO,BUSINESS"), "DEFAULT|\nACME-7|Acme Hauling\n");
}

TEST_F(LoanInfoTest, CancelAfterNewLeavesNoCrossReference) {
    const std::string loan = RunDialog(limSave, [&](TLoanInfo& d) {
        NewLoanOfDefault(d);
        EXPECT_TRUE(d.NewLoan);
        Click(d.CancelBTN);
    });
    EXPECT_EQ(loan, "");
    EXPECT_EQ(account, "DEFAULT");
    EXPECT_EQ(Rows("XREF.DBF", "ACCOUNTNO,LOANNO"), "");
    EXPECT_EQ(Rows("LOANS.DBF", "LOANNO"), "");
    // A new account given up is not kept either.
    RunDialog(limSave, [&](TLoanInfo& d) {
        Step(d, d.NewBTN, "Step: 2/4");
        Enter(d.LastName, "Doe");
        Click(d.CancelBTN);
    });
    EXPECT_EQ(Rows("ACCNTS.DBF", "ACCOUNTNO"), "DEFAULT\n");
    // So is a new loan the navigator cancels; the dialog goes back to the account's loans.
    RunDialog(limSave, [&](TLoanInfo& d) {
        NewLoanOfDefault(d);
        Navigate(d, nbCancel);
        EXPECT_EQ(d.StepText(), "Step: 3/4");
        EXPECT_FALSE(d.NextBTN->Enabled());
        Click(d.CancelBTN);
    });
    EXPECT_EQ(Rows("XREF.DBF", "ACCOUNTNO,LOANNO"), "");
    EXPECT_EQ(DeletedCount("XREF.DBF"), "0");
}

TEST_F(LoanInfoTest, AFailedSaveStaysOnTheStepWithAMessage) {
    // The counter lags behind the loans: the next number is taken already.
    RunDialog(limSave, [&](TLoanInfo& d) {
        NewLoanOfDefault(d);
        Click(d.NextBTN);
    });
    std::unique_ptr<TTable> info = OpenRegisterTable(home.Path(), SysInfoTable);
    info->Edit();
    info->FieldByName("LASTLOANNO")->SetAsInteger(0);
    info->Post();
    info->Close();
    const std::string loan = RunDialog(limSave, [&](TLoanInfo& d) {
        NewLoanOfDefault(d);
        Step(d, d.NextBTN, "Step: 4/4");
        EXPECT_EQ(LastMessage().substr(0, 14), "Save failed.\n\n");
        EXPECT_EQ(d.ModalResult(), mrNone);
        Click(d.CancelBTN);
    });
    EXPECT_EQ(loan, "");
    EXPECT_EQ(Rows("XREF.DBF", "ACCOUNTNO,LOANNO"), "DEFAULT|1\n");
    EXPECT_EQ(Rows("LOANS.DBF", "LOANNO"), "1\n");
}

// A new account that cannot be written (as the file layer fails it, and on a real full disk after
// the register was made ready) is an error box naming the table and the full disk; the step stays
// and nothing of the account is kept.
TEST_F(LoanInfoTest, AnAccountThatCannotBeWrittenIsAnErrorAndTheStepStays) {
    RUN_IN_FRESH_PROCESS();
    const auto newAccount = [&](bool failed) {
        RunDialog(limSave, [&](TLoanInfo& d) {
            Step(d, d.NewBTN, "Step: 2/4");
            Enter(d.LastName, "Smith", d.FirstName, "John");
            services.MessageBoxes.clear();
            if (failed) XbSetWriteFailure(1);
            Step(d, d.NextBTN, "Step: 2/4");
            XbSetWriteFailure(std::nullopt);
            ASSERT_EQ(services.MessageBoxes.size(), 1u);
            EXPECT_EQ(services.MessageBoxes.back().Type, mtError);
            Click(d.CancelBTN);
        });
        return LastMessage();
    };
    EXPECT_EQ(newAccount(true), RegisterDiskFullMessage(AccountsTable));
    xb_CloseAll();
    EXPECT_EQ(Rows("ACCNTS.DBF", "ACCOUNTNO"), "DEFAULT\n"); // nothing of it was kept
    const std::optional<std::string> told = InRefusedFolder(
        home.Path(), TRefusal::FullDisk,
        [&] {
            const std::string ready = PrepareRegister(
                home.Path(), {AccountsTable, LoansTable, XRefTable, SysInfoTable, TransTable});
            xb_CloseAll();
            // The room left taken, so that the next write that needs a page more is refused.
            std::ofstream room(home.Path() + "/.room", std::ios::binary);
            const std::string page(4096, 'R');
            while (room.write(page.data(), std::ssize(page)) && room.flush()) {
            }
            return ready + newAccount(false);
        },
        64 * 4096);
    if (Ran(told, "a new account on a real full disk")) {
        EXPECT_EQ(*told, RegisterDiskFullMessage(AccountsTable));
        EXPECT_EQ(Rows("ACCNTS.DBF", "ACCOUNTNO"), "DEFAULT\n");
    }
}

TEST_F(LoanInfoTest, LoadingCannotReachALoanOfAnAccountWithoutLoans) {
    const std::string loan = RunDialog(limLoad, [&](TLoanInfo& d) {
        EXPECT_FALSE(d.NewBTN->Enabled());
        EXPECT_EQ(d.CancelBTN->Hint(), "Cancel loading data.");
        NextTo(d, 3);
        EXPECT_FALSE(d.NextBTN->Enabled());
        Step(d, d.NextBTN, "Step: 3/4");
        Step(d, d.PriorBTN, "Step: 2/4");
        Click(d.CancelBTN);
    });
    EXPECT_EQ(loan, "");
    EXPECT_EQ(account, "DEFAULT");
}

// The search box and the key list line up above the accounts; the list and the navigator's
// buttons sit evenly.
TEST_F(LoanInfoTest, TheSearchBoxAndTheKeyListLineUpAboveTheAccounts) {
    RunDialog(limLoad, [&](TLoanInfo& d) {
        const TControl* search = d.IncSearch;
        const TControl* keys = d.KeyCombo;
        const TControl* grid = d.AccountsGrid;
        EXPECT_EQ(search->Left(), grid->Left());
        EXPECT_EQ(search->Top(), keys->Top());
        EXPECT_EQ(search->Height(), keys->Height());
        EXPECT_EQ(search->Width(), keys->Width());
        EXPECT_LT(search->Left() + search->Width(), keys->Left());
        EXPECT_LT(search->Top() + search->Height(), grid->Top());
        // The list keeps the same margin to the page's right and bottom edges as to its left.
        const TControl* page = grid->Parent();
        EXPECT_EQ(page->Width() - (grid->Left() + grid->Width()), grid->Left());
        EXPECT_EQ(page->Height() - (grid->Top() + grid->Height()), grid->Left());
        // The navigator's nine buttons of the accounts step are alike.
        const int width = d.DBNavigator1->Buttons(nbFirst)->Width();
        for (TNavigateBtn b : {nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost,
                               nbCancel}) {
            EXPECT_TRUE(d.DBNavigator1->Buttons(b)->Visible());
            EXPECT_EQ(d.DBNavigator1->Buttons(b)->Width(), width) << b;
        }
        Click(d.CancelBTN);
    });
}

// Each prompt reads with its value: level with it (the text of a prompt three pixels below the
// top of a field's box, level with a shown value) and directly before it.
TEST_F(LoanInfoTest, EveryPromptIsLevelWithItsValueAndJustBeforeIt) {
    RunDialog(limLoad, [&](TLoanInfo& d) {
        const std::pair<TLabel*, TControl*> fields[] = {
            {d.lLast, d.LastName},         {d.lFirst, d.FirstName},
            {d.lMI, d.MI},                 {d.lBusiness, d.Business},
            {d.lAddress1, d.Address1},     {d.lAddress2, d.Address2},
            {d.lCity, d.City},             {d.lState, d.State},
            {d.lZip, d.Zip},               {d.lCountry, d.Country},
            {d.lPhone1, d.Phone1},         {d.lPhone2, d.Phone2},
            {d.lExt, d.Phone2Ext},         {d.lCollateral, d.Collateral},
            {d.lPropAddress, d.PropAddress}, {d.lPropCity, d.PropCity},
            {d.lPropState, d.PropState},   {d.lPropZip, d.PropZip},
            {d.lPropCountry, d.PropCountry}, {d.lBlockNo, d.BlockNo},
            {d.lLotNo, d.LotNo}};
        const std::pair<TLabel*, TControl*> shown[] = {{d.lLoanNo, d.LoanNo},
                                                       {d.lInitAmt, d.InitAmt},
                                                       {d.lInitRate, d.InitRate},
                                                       {d.lInitTerm, d.InitTerm},
                                                       {d.lOrigDate, d.OrigDate}};
        auto check = [](TLabel* prompt, TControl* value, int below) {
            SCOPED_TRACE(prompt->Name());
            EXPECT_EQ(prompt->Top(), value->Top() + below);
            const int gap = value->Left() - (prompt->Left() + prompt->Width());
            EXPECT_GE(gap, 0);
            EXPECT_LE(gap, 2);
        };
        for (const auto& [prompt, value] : fields)
            check(prompt, value, 3);
        for (const auto& [prompt, value] : shown)
            check(prompt, value, 0);
        Click(d.CancelBTN);
    });
}

// A dialog the user cannot resize: its pages, header and lists are laid out for its one size.
TEST_F(LoanInfoTest, TheDialogKeepsItsSize) {
    RunDialog(limLoad, [&](TLoanInfo& d) {
        const QWidget* window = d.Impl()->Widget.data();
        EXPECT_EQ(window->minimumSize(), window->maximumSize());
        EXPECT_TRUE(window->windowFlags().testFlag(Qt::Dialog));
        Click(d.CancelBTN);
    });
}

// On the loan step the status counts the loans (Smith's and the DEFAULT account's); a new one
// has no number yet.
TEST_F(LoanInfoTest, TheLoanStepCountsTheLoans) {
    SmithWithALoan();
    RunDialog(limSave, [&](TLoanInfo& d) {
        NewLoanOfDefault(d);
        EXPECT_EQ(d.StatusText(), " 0/2");
        Click(d.CancelBTN);
    });
    // Smith's loan, the first of the two, on its step.
    RunDialog(limLoad, [&](TLoanInfo& d) {
        FindAccount(d, "SMITJOH001");
        NextTo(d, 4);
        EXPECT_EQ(d.StatusText(), " 1/2");
        Click(d.CancelBTN);
    });
}

// Shown again, the dialog stands on the first account, wherever the last showing left it.
TEST_F(LoanInfoTest, ShownAgainTheDialogStandsOnTheFirstAccount) {
    SmithWithALoan();
    TLoanInfo dialog(nullptr, home.Path());
    int shows = 0;
    Answer = [&](TCustomForm* modal) {
        if (modal != &dialog) return;
        Settle();
        if (++shows == 1) FindAccount(dialog, "SMITJOH001");
        Click(dialog.CancelBTN);
    };
    std::string loan, first, second;
    ShowLoanInfo(dialog, first, limLoad, loan);
    ShowLoanInfo(dialog, second, limLoad, loan);
    Answer = nullptr;
    EXPECT_EQ(first, "SMITJOH001");
    EXPECT_EQ(second, "DEFAULT");
}

TEST_F(LoanInfoTest, ShownAgainTheDialogStartsAtTheFirstStep) {
    TLoanInfo dialog(nullptr, home.Path());
    std::vector<std::string> steps;
    Answer = [&](TCustomForm* modal) {
        if (modal != &dialog) return;
        Settle();
        steps.push_back(dialog.StepText());
        if (steps.size() == 1) NextTo(dialog, 3);
        Click(dialog.CancelBTN);
    };
    std::string loan;
    ShowLoanInfo(dialog, account, limLoad, loan);
    ShowLoanInfo(dialog, account, limLoad, loan);
    Answer = nullptr;
    EXPECT_EQ(steps, (std::vector<std::string>{"Step: 1/4", "Step: 1/4"}));
    EXPECT_EQ(dialog.Caption(), "Personal Information");
}

TEST_F(LoanInfoTest, TheTablesHaveTheirFieldsAndWidths) {
    EXPECT_EQ(Fields("XREF.DBF"), "LOANNO:C9,0 ACCOUNTNO:C20,0\n");
    const std::string loans = Fields("LOANS.DBF");
    for (const char* field :
         {"INITAMT:N15,2", "INITRATE:N8,4", "INITTERM:N4,0", "ORIGDATE:D8,0", "PROPADDRES:C40,0"})
        EXPECT_NE(loans.find(field), std::string::npos) << field;
    const std::string trans = Fields("TRANS.DBF");
    for (const char* field : {"LOANNO:C9,0", "PMTNOYR:C8,0", "RUNPMT:N18,2", "ACTUAL:L1,0"})
        EXPECT_NE(trans.find(field), std::string::npos) << field;
}

} // namespace

namespace {

TEST_F(LoanInfoTest, DeletingAnAccountTakesItsLoansAlongAndPacks) {
    SmithWithALoan();
    services.MessageBoxAnswers = {mrYes, mrNo};
    RunDialog(limSave, [&](TLoanInfo& d) {
        FindAccount(d, "SMITJOH001");
        EXPECT_EQ(d.NavigatorSource(), d.AccountsSource);
        Navigate(d, nbDelete);
        // The search typed before is done with: nothing moves the accounts afterwards.
        std::this_thread::sleep_for(std::chrono::milliseconds(TdwIncrementalSearch::kSearchDelay + 100));
        Settle();
        EXPECT_EQ(d.StatusText(), "SMITJOH001 deleted.");
        Click(d.CancelBTN);
    });
    ASSERT_EQ(services.MessageBoxes.size(), 2u);
    EXPECT_EQ(services.MessageBoxes[1].Text,
              "Lucky you!\r\rYou have one more chance.\r\rSTOP the PERMANENT\r\rdeletion of YOUR "
              "data?\r");
    EXPECT_EQ(Rows("ACCNTS.DBF", "ACCOUNTNO"), "DEFAULT\n");
    EXPECT_EQ(Rows("LOANS.DBF", "LOANNO"), "2\n");
    EXPECT_EQ(Rows("XREF.DBF", "ACCOUNTNO,LOANNO"), "DEFAULT|2\n");
    // Loan 2's 15 rows stay, loan 1's are gone; nothing is left marked in the files.
    const std::string trans = Rows("TRANS.DBF", "LOANNO");
    EXPECT_EQ(trans.size(), 15 * 2u);
    EXPECT_EQ(trans.find("1\n"), std::string::npos);
    for (const char* table : {"ACCNTS.DBF", "LOANS.DBF", "XREF.DBF", "TRANS.DBF"})
        EXPECT_EQ(DeletedCount(table), "0") << table;
}

// An account number another program wrote with a leading blank, as a loan number, is the
// key: the dialog lists the account's loans, links a new loan to it and deletes it with all of
// them.
TEST_F(LoanInfoTest, AnAccountNumberWithALeadingBlankIsTheAccountsKey) {
    AddRecord(home.Path(), AccountsTable, {{"ACCOUNTNO", " ACME"}, {"BUSINESS", "Acme"}});
    AddRecord(home.Path(), LoansTable, {{"LOANNO", " 7"}});
    AddRecord(home.Path(), XRefTable, {{"ACCOUNTNO", " ACME"}, {"LOANNO", " 7"}});
    RunDialog(limSave, [&](TLoanInfo& d) {
        // The blank sorts the account first.
        Step(d, d.NextBTN, "Step: 2/4");
        EXPECT_EQ(d.Business->AsString(), "Acme");
        Step(d, d.NextBTN, "Step: 3/4");
        EXPECT_EQ(d.StatusText(), " 1/1");
        Step(d, d.NewBTN, "Step: 4/4");
        Click(d.NextBTN);
    });
    services.MessageBoxAnswers = {mrYes, mrNo};
    RunDialog(limSave, [&](TLoanInfo& d) {
        Navigate(d, nbDelete);
        EXPECT_EQ(d.StatusText(), " ACME deleted.");
        Click(d.CancelBTN);
    });
    EXPECT_EQ(Rows("ACCNTS.DBF", "ACCOUNTNO"), "DEFAULT\n");
    EXPECT_EQ(Rows("LOANS.DBF", "LOANNO") + Rows("XREF.DBF", "LOANNO"), "");
}

// A LOANS.DBF another program changed is named with the field the register cannot use; the
// dialog does not open.
TEST_F(LoanInfoTest, ATableWhoseFieldsAreNotTheRegistersIsNamedWithTheField) {
    const std::string path = home.Path() + "/LOANS.DBF";
    const std::string made = ReadAll(path);
    std::string changed = made;
    changed[changed.find("FRSTPMTDT") + 11] = 'C'; // the date field made a text field
    WriteAll(path, changed);
    TLoanInfo closed(nullptr, home.Path());
    EXPECT_FALSE(closed.TablesOpen());
    closed.NewBTN->Click(); // adds nothing to what was told
    EXPECT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(LastMessage(), std::string(TableOpenFailedMessage) + "\n\n" +
                                 RegisterFieldMessage(LoansTable, "FRSTPMTDT", 'D'));
    changed = made;
    changed.replace(changed.find("FRSTPMTDT"), 9, "FIRSTPAID");
    WriteAll(path, changed);
    TAmortSchedule schedule;
    TAmortOptions options;
    EXPECT_EQ(LoadSchedule(home.Path(), "1", schedule, options),
              RegisterFieldMessage(LoansTable, "FRSTPMTDT", 0));
    // Whole again, but the system refuses reads of XREF.DBF once the register was looked over:
    // the dialog names the file and the cause.
    WriteAll(path, made);
    XbSetReadFailure(std::numeric_limits<long>::max(), 1, EIO, "XREF.DBF");
    ASSERT_EQ(PrepareRegister(home.Path(), {AccountsTable, LoansTable, XRefTable, SysInfoTable}),
              "");
    const long reads = XbSetReadFailure(std::nullopt);
    XbSetReadFailure(reads + 1, std::numeric_limits<long>::max(), EIO, "XREF.DBF");
    EXPECT_FALSE(TLoanInfo(nullptr, home.Path()).TablesOpen());
    XbSetReadFailure(std::nullopt);
    EXPECT_THAT(LastMessage(), HasSubstr(std::string(TableOpenFailedMessage) + "\n\n"));
    EXPECT_THAT(LastMessage(), HasSubstr("XREF.DBF"));
}

TEST_F(LoanInfoTest, AnAbandonedDeleteChangesNothing) {
    SmithWithALoan();
    services.MessageBoxAnswers = {mrYes, mrYes, mrOk, mrOk};
    RunDialog(limSave, [&](TLoanInfo& d) {
        FindAccount(d, "SMITJOH001");
        Navigate(d, nbDelete);
        // The DEFAULT account is never deleted.
        d.Accounts->First();
        Navigate(d, nbDelete);
        Click(d.CancelBTN);
    });
    ASSERT_EQ(services.MessageBoxes.size(), 4u);
    EXPECT_EQ(services.MessageBoxes[2].Text,
              "Deletion of account number\r\rSMITJOH001\r\rwas canceled by the user.\r");
    EXPECT_EQ(services.MessageBoxes[3].Text, "\rThe DEFAULT account cannot be deleted.\r\r");
    EXPECT_EQ(Rows("ACCNTS.DBF", "ACCOUNTNO"), "DEFAULT\nSMITJOH001\n");
    EXPECT_EQ(Rows("XREF.DBF", "ACCOUNTNO,LOANNO"), "SMITJOH001|1\nDEFAULT|2\n");
    EXPECT_EQ(Rows("TRANS.DBF", "LOANNO").size(), 30 * 2u);
}

TEST_F(LoanInfoTest, ALoanIsDeletedOnItsOwnStepOnly) {
    SmithWithALoan();
    services.MessageBoxAnswers = {mrOk, mrYes, mrNo};
    RunDialog(limSave, [&](TLoanInfo& d) {
        FindAccount(d, "SMITJOH001");
        NextTo(d, 3);
        EXPECT_EQ(d.NavigatorSource(), d.XRefSource);
        // No loan or cross-reference is made past New.
        EXPECT_FALSE(d.DBNavigator1->Buttons(nbInsert)->Visible());
        Navigate(d, nbDelete);
        EXPECT_EQ(LastMessage(), "\rCan't delete here.\r\rGoto Prior page to delete "
                                 "account.\r\rGoto Next page to delete loan.\r\r");
        Step(d, d.NextBTN, "Step: 4/4");
        EXPECT_FALSE(d.DBNavigator1->Buttons(nbInsert)->Visible());
        EXPECT_TRUE(d.DBNavigator1->Buttons(nbPost)->Visible());
        Navigate(d, nbDelete);
        // Back to the account's loans, which are none now.
        EXPECT_EQ(d.StepText(), "Step: 3/4");
        EXPECT_EQ(d.StatusText(), "1 deleted.");
        EXPECT_FALSE(d.NextBTN->Enabled());
        Click(d.CancelBTN);
    });
    EXPECT_EQ(services.MessageBoxes[1].Text,
              "You are about to permanently delete loan 1\r\rand all of the associated "
              "transaction details.\r\rAre you sure that you want to continue?\r");
    EXPECT_EQ(Rows("ACCNTS.DBF", "ACCOUNTNO"), "DEFAULT\nSMITJOH001\n");
    EXPECT_EQ(Rows("LOANS.DBF", "LOANNO"), "2\n");
    EXPECT_EQ(Rows("XREF.DBF", "ACCOUNTNO,LOANNO"), "DEFAULT|2\n");
    EXPECT_EQ(Rows("TRANS.DBF", "LOANNO").size(), 15 * 2u);
    EXPECT_EQ(DeletedCount("LOANS.DBF"), "0");
}

// A register that the system refuses to write is shown for reading: its folder mounted
// read-only, or not to be written by the user (another's; or the user's closed, where the files
// could still be written but no change can make its journal), or its files closed in a folder
// that takes writes, or the counter table alone. The dialog tells why as it shows, naming the
// folder or the file with the cause; the navigator greys what would change the register, New
// answers with the same cause, a loan can be chosen and loaded, and no table is written. So is a
// register on a full disk whose indexes are to be made anew, told only at New: the full disk,
// with the first table whose repair it refused. Another program appended to LOANS.DBF and
// TRANS.DBF before, so that their indexes, which none of them may write, are behind the tables.
TEST_F(LoanInfoTest, ARegisterThatCannotBeWrittenIsShownForReadingAndToldWhy) {
    RUN_IN_FRESH_PROCESS();
    SmithWithALoan();
    ASSERT_EQ(RunPython(python, home.Path(), R"(import dbf
for name in ('LOANS.DBF', 'TRANS.DBF'):
    with dbf.Table(name).open(dbf.READ_WRITE) as t:
        t.append({'loanno': '99'})
)"),
              "");
    const auto tables = [&] {
        return Rows("ACCNTS.DBF", "ACCOUNTNO") + Rows("LOANS.DBF", "LOANNO") +
               Rows("XREF.DBF", "ACCOUNTNO,LOANNO") + Rows("SYSINFO.DBF", "LASTLOANNO");
    };
    const std::string before = tables(), dir = home.Path();
    const std::string in = " in the folder " + dir + " cannot be written: permission denied.";
    const std::string folder = "The register folder " + dir + " cannot be written.";
    int ran = 0;
    for (const auto& [refusal, closed, cause] :
         {std::tuple{TRefusal::ReadOnlyMount, "", folder},
          {TRefusal::NotTheUsers, "", folder},
          {TRefusal::ClosedFolder, "", folder},
          {TRefusal::ClosedFiles, "", "The register table TRANS.DBF" + in},
          {TRefusal::ClosedFiles, SysInfoTable, "The register table SYSINFO.DBF" + in},
          {TRefusal::FullDisk, "",
           "The register table ACCNTS.DBF could not be written: the disk is full."}}) {
        const std::string step = std::string(std::strerror(ErrnoOf(refusal))) + " " + closed;
        xb_CloseAll();
        const std::optional<std::string> told = InRefusedFolder(dir, refusal, [&] {
            if (*closed) ReopenAllBut(dir, closed);
            services.MessageBoxes.clear();
            std::string seen;
            // A new loan of the DEFAULT account is asked for, then its loan 2 chosen.
            const std::string loan = RunDialog(limSave, [&](TLoanInfo& d) {
                seen = LastMessage() + "|" +
                       (d.DBNavigator1->Buttons(nbDelete)->Enabled() ? "delete" : "") + "|";
                NextTo(d, 3);
                Click(d.NewBTN);
                seen += LastMessage() + "|" + d.StepText() + "|";
                Click(d.NextBTN);
                Click(d.NextBTN);
            });
            TAmortSchedule schedule;
            TAmortOptions options;
            const std::string loaded = LoadSchedule(dir, loan, schedule, options);
            return seen + loan + "|" + loaded + std::to_string(schedule.LastRow);
        });
        if (!Ran(told, step)) continue;
        ++ran;
        const bool file = refusal == TRefusal::ClosedFiles;
        const bool full = refusal == TRefusal::FullDisk;
        const std::string name = *closed ? closed : TransTable;
        const std::string notice = full   ? ""
                                   : file ? RegisterFileReadOnlyMessage(name, dir, EACCES)
                                          : RegisterFolderReadOnlyMessage(dir);
        const std::string refused = full   ? RegisterDiskFullMessage(AccountsTable)
                                    : file ? RegisterFileUnwritableMessage(name, dir, EACCES)
                                           : RegisterFolderUnwritableMessage(dir);
        EXPECT_EQ(*told, notice + "||" + refused + "|Step: 3/4|2|14") << step;
        const std::string shown = full ? ""
                                       : "\n\nIts accounts and loans can be looked at and loaded, "
                                         "but none can be added, saved or deleted";
        EXPECT_THAT(*told, HasSubstr(cause + shown)) << step;
        EXPECT_THAT(*told, HasSubstr(cause + "\n\nNothing was changed.")) << step;
        EXPECT_EQ(tables(), before) << step;
    }
    if (ran == 0) GTEST_SKIP() << "this machine does not let a test refuse writes in a folder";
}

} // namespace
