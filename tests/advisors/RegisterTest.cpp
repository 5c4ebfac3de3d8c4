// The register's tables over a fresh data folder: what the first run creates (fields, widths,
// index tags, the DEFAULT account and the counter record), that a second run keeps the data,
// loan numbers, generated and unique account numbers.
#include "advisors/Register.h"

#include "controls/entry/DayNumberDates.h"
#include "platform/rtl/Strings.h"
#include "tests/advisors/AdvisorTestSupport.h"
#include "tests/db/DataSetFixture.h"
#include "xbase/Xbase.h"

#include <filesystem>
#include <map>

namespace {

// Over the tables a first run creates.
class InfoTest : public DataSetFixture {
protected:
    void SetUp() override {
        DataSetFixture::SetUp();
        CreateRegisterTables(folder_.Path());
    }
    // Type, width and decimals of every field of a DBF file, read from its header.
    std::map<std::string, std::string> Layout(const std::string& name) {
        const std::string raw = ReadAll(Path(name));
        std::map<std::string, std::string> fields;
        for (std::size_t at = 32; at + 32 <= raw.size() && raw[at] != '\r'; at += 32) {
            const std::string field = raw.substr(at, 11).c_str();
            fields[field] = raw[at + 11] +
                            std::to_string(static_cast<unsigned char>(raw[at + 16])) + "," +
                            std::to_string(static_cast<unsigned char>(raw[at + 17]));
        }
        return fields;
    }

    std::string Column(const std::string& name, const std::string& field,
                       const std::string& tag = "") {
        std::unique_ptr<TTable> table = OpenRegisterTable(folder_.Path(), name, tag);
        std::string values;
        for (; !table->Eof(); table->Next())
            values += table->FieldByName(field)->AsString() + ";";
        return values;
    }

    // A loan record numbered no, and a computed 14-month schedule crossing a year end.
    void AddLoan(const std::string& no) { AddRecord(folder_.Path(), LoansTable, {{"LOANNO", no}}); }
    // A loan numbered no of the account, with a saved schedule.
    void AddLoanOf(const std::string& account, const std::string& no) {
        AddLoan(no);
        AddRecord(folder_.Path(), XRefTable, {{"ACCOUNTNO", account}, {"LOANNO", no}});
        ASSERT_EQ(SaveSchedule(folder_.Path(), no, Computed(), options), "");
    }
    // The distinct values of a column.
    std::string Distinct(const std::string& name, const std::string& field) {
        std::string values, all = Column(name, field);
        for (std::size_t at = 0, end; (end = all.find(';', at)) != std::string::npos;
             at = end + 1) {
            const std::string value = all.substr(at, end - at + 1);
            if (values.find(value) == std::string::npos) values += value;
        }
        return values;
    }
    TAmortSchedule Computed() {
        TAmortSchedule s;
        TAmortLoan loan{.PV = 12000,
                        .NumPmts = 14,
                        .Rate = 7.5,
                        .Points = 1.25,
                        .OrgDate = DMYToDate(1, 6, 2024, 0),
                        .FrstPmtDate = DMYToDate(1, 7, 2024, 0)};
        EXPECT_TRUE(s.CalcSchedule(loan, options));
        return s;
    }

    TAmortOptions options;

    // Inserts an account with the names and gives it a generated number.
    std::string AddAccount(const std::string& last, const std::string& first) {
        std::unique_ptr<TTable> accounts =
            OpenRegisterTable(folder_.Path(), AccountsTable, AccountsTag);
        std::unique_ptr<TTable> lookup =
            OpenRegisterTable(folder_.Path(), AccountsTable, AccountsTag);
        accounts->Append();
        accounts->FieldByName("LASTNAME")->SetAsString(last);
        accounts->FieldByName("FIRSTNAME")->SetAsString(first);
        GenerateAccountNo(*accounts, *lookup);
        EXPECT_EQ(accounts->State(), dsBrowse);
        return accounts->FieldByName("ACCOUNTNO")->AsString();
    }
};

TEST_F(InfoTest, TheFirstRunCreatesTheTablesWithTheirRecords) {
    for (const char* name : {AccountsTable, LoansTable, XRefTable, SysInfoTable, TransTable})
        EXPECT_TRUE(std::filesystem::exists(Path(name))) << name;
    const auto loans = Layout(LoansTable);
    EXPECT_EQ(loans.at("LOANNO"), "C9,0");
    EXPECT_EQ(loans.at("INITAMT"), "N15,2");
    EXPECT_EQ(loans.at("INITRATE"), "N8,4");
    EXPECT_EQ(loans.at("POINTS"), "N8,4");
    EXPECT_EQ(loans.at("INITTERM"), "N4,0");
    const auto trans = Layout(TransTable);
    EXPECT_EQ(trans.at("PMT"), "N15,2");
    EXPECT_EQ(trans.at("RUNINT"), "N18,2");
    EXPECT_EQ(trans.at("PMTNOYR"), "C8,0");
    EXPECT_EQ(trans.size(), 15u);
    EXPECT_EQ(Layout(AccountsTable).at("COMMENT"), "C254,0");
    EXPECT_EQ(Layout(XRefTable).size(), 2u);

    EXPECT_EQ(Column(AccountsTable, "ACCOUNTNO", AccountsTag), "DEFAULT;");
    EXPECT_EQ(Column(SysInfoTable, "LASTLOANNO"), "0;");
    // The index tags the dialog orders by are there.
    EXPECT_EQ(Column(LoansTable, "LOANNO", LoanNoTag), "");
    EXPECT_EQ(Column(XRefTable, "LOANNO", AccountNoTag), "");
    EXPECT_EQ(Column(TransTable, "LOANNO", LoanNoTag), "");
}

TEST_F(InfoTest, ALaterRunKeepsTheTablesAsTheyAre) {
    AddAccount("Smith", "John");
    EXPECT_EQ(NextLoanNumber(folder_.Path()), 1);
    CreateRegisterTables(folder_.Path());
    EXPECT_EQ(Column(AccountsTable, "ACCOUNTNO", AccountsTag), "DEFAULT;SMITJOH001;");
    EXPECT_EQ(Column(SysInfoTable, "LASTLOANNO"), "1;");
}

TEST_F(InfoTest, LoanNumbersCountUpAndAreKept) {
    EXPECT_EQ(NextLoanNumber(folder_.Path()), 1);
    EXPECT_EQ(NextLoanNumber(folder_.Path()), 2);
    EXPECT_EQ(NextLoanNumber(folder_.Path()), 3);
    EXPECT_EQ(Column(SysInfoTable, "LASTLOANNO"), "3;");
}

TEST_F(InfoTest, GeneratedAccountNumbersTakeTheNextFreeSequence) {
    EXPECT_EQ(AddAccount("Smith", "John"), "SMITJOH001");
    EXPECT_EQ(AddAccount("smithers", "johnny"), "SMITJOH002");
    // Short names give short prefixes.
    EXPECT_EQ(AddAccount("Li", "Bo"), "LIBO001");
    // Accented letters (Windows-1252) are upper-cased like the others, so the same names
    // typed in either case share one prefix.
    EXPECT_EQ(AddAccount("M\xFCller", "Zo\xEB"), "M\xDCLLZO\xCB"
                                                 "001");
    EXPECT_EQ(AddAccount("M\xDCLLERIN", "ZO\xCBLLA"), "M\xDCLLZO\xCB"
                                                      "002");
}

TEST_F(InfoTest, AnAccountNumberThatExistsIsRefused) {
    std::unique_ptr<TTable> accounts =
        OpenRegisterTable(folder_.Path(), AccountsTable, AccountsTag);
    accounts->Append();
    accounts->FieldByName("ACCOUNTNO")->SetAsString(DefaultAccount);
    EXPECT_THROW(accounts->Post(), EDatabaseError);
    accounts->Cancel();
    accounts->Close();
    EXPECT_EQ(Column(AccountsTable, "ACCOUNTNO", AccountsTag), "DEFAULT;");
}

TEST_F(InfoTest, ASavedScheduleLoadsBackAsSaved) {
    AddLoan("7");
    options.RateBasis = rbExact365;
    const TAmortSchedule saved = Computed();
    ASSERT_EQ(SaveSchedule(folder_.Path(), "7", saved, options), "");

    TAmortSchedule loaded;
    TAmortOptions read;
    ASSERT_EQ(LoadSchedule(folder_.Path(), "7", loaded, read), "");
    EXPECT_EQ(loaded.LastRow, 14);
    EXPECT_EQ(read.RateBasis, rbExact365);
    EXPECT_EQ(loaded.Loan.NumPmts, 14);
    EXPECT_DOUBLE_EQ(loaded.Loan.PV, 12000);
    EXPECT_FLOAT_EQ(loaded.Loan.Points, 1.25f);
    EXPECT_EQ(loaded.Loan.FrstPmtDate, saved.Loan.FrstPmtDate);
    EXPECT_EQ(loaded.Years, saved.Years);
    EXPECT_EQ(loaded.YearBasis, 365);
    EXPECT_EQ(loaded.PmtsPerYear, saved.PmtsPerYear);
    EXPECT_EQ(loaded.CmpPerYear, saved.CmpPerYear);
    for (int k = 0; k <= 14; ++k) {
        const TAmortRow& a = saved.AmortRows[static_cast<std::size_t>(k)];
        const TAmortRow& b = loaded.AmortRows[static_cast<std::size_t>(k)];
        EXPECT_EQ(b.Date, a.Date) << k;
        EXPECT_EQ(b.PmtNo, a.PmtNo) << k;
        EXPECT_EQ(Trim(b.PmtNoYr), Trim(a.PmtNoYr)) << k;
        EXPECT_NEAR(b.Balance, a.Balance, 0.005) << k;
        EXPECT_NEAR(b.RunInterest, a.RunInterest, 0.005) << k;
    }
}

TEST_F(InfoTest, SavingAgainReplacesTheLoansRows) {
    // Deleted records are seen too: the replaced rows are gone from the file.
    XbSettings().Deleted = false;
    AddLoan("1");
    AddLoan("2");
    const TAmortSchedule s = Computed();
    ASSERT_EQ(SaveSchedule(folder_.Path(), "1", s, options), "");
    ASSERT_EQ(SaveSchedule(folder_.Path(), "2", s, options), "");
    ASSERT_EQ(SaveSchedule(folder_.Path(), "1", s, options), "");
    std::string expected;
    for (const char* no : {"1", "2"})
        for (int k = 0; k <= 14; ++k)
            expected += std::string(no) + ";";
    EXPECT_EQ(Column(TransTable, "LOANNO", LoanNoTag), expected);
}

TEST_F(InfoTest, AnUnknownLoanIsNeitherSavedNorLoaded) {
    AddLoan("3");
    TAmortSchedule s = Computed();
    EXPECT_EQ(SaveSchedule(folder_.Path(), "4", s, options),
              "Loan not found.\n\nLoan table NOT updated.");
    EXPECT_EQ(Column(TransTable, "LOANNO", LoanNoTag), "");
    EXPECT_EQ(LoadSchedule(folder_.Path(), "4", s, options), "Loan not found.");
    // A loan without saved rows cancels the load: the schedule and options stay as they were.
    options.RateBasis = rbExact365;
    EXPECT_EQ(LoadSchedule(folder_.Path(), "3", s, options),
              "\rNo transaction records found for this loan.\r\rCanceling load.\r");
    EXPECT_EQ(s.LastRow, 14);
    EXPECT_DOUBLE_EQ(s.Loan.PV, 12000);
    EXPECT_EQ(options.RateBasis, rbExact365);
}

TEST_F(InfoTest, DeletingAnAccountsLoansTakesTheirRowsAlong) {
    const std::string smith = AddAccount("Smith", "John");
    AddLoanOf(smith, "1");
    AddLoanOf(DefaultAccount, "2");
    AddLoanOf(smith, "3");
    EXPECT_EQ(DeleteAccount(folder_.Path(), smith), "");
    EXPECT_EQ(Column(AccountsTable, "ACCOUNTNO"), "DEFAULT;");
    EXPECT_EQ(Column(LoansTable, "LOANNO"), "2;");
    EXPECT_EQ(Column(XRefTable, "LOANNO"), "2;");
    EXPECT_EQ(Distinct(TransTable, "LOANNO"), "2;");

    // A loan goes with its links and rows; its account stays.
    EXPECT_EQ(DeleteLoan(folder_.Path(), "2"), "");
    EXPECT_EQ(Column(LoansTable, "LOANNO"), "");
    EXPECT_EQ(Column(XRefTable, "LOANNO"), "");
    EXPECT_EQ(Column(TransTable, "LOANNO"), "");
    EXPECT_EQ(Column(AccountsTable, "ACCOUNTNO"), "DEFAULT;");

    // An account number another program wrote with a leading blank is the account's key: the
    // account goes with its loans. So is an empty one: the blank record a kill leaves of the
    // dialog's append of a new account (the engine appends it blank, then writes it). A delete
    // of an account the register no longer holds answers so and deletes nothing.
    AddLoanOf(DefaultAccount, "5");
    for (const auto& [account, loan] : {std::pair{" ACME-9", "4"}, {"", "6"}}) {
        SCOPED_TRACE("account '" + std::string(account) + "'");
        ASSERT_NE(xb_Use(Path(AccountsTable), "", xbModeShared, xbNSX), 0);
        ASSERT_EQ(xb_AppendEx(), 0);
        ASSERT_EQ(xb_Replace(xb_FieldNum("ACCOUNTNO"), xbReplaceText, account), xbOK);
        xb_Close();
        AddLoanOf(account, loan);
        ASSERT_EQ(Column(AccountsTable, "ACCOUNTNO"), "DEFAULT;" + std::string(account) + ";");
        EXPECT_EQ(DeleteAccount(folder_.Path(), account), "");
        EXPECT_EQ(Column(AccountsTable, "ACCOUNTNO"), "DEFAULT;");
        EXPECT_EQ(Column(LoansTable, "LOANNO") + Column(XRefTable, "LOANNO"), "5;5;");
        EXPECT_EQ(Distinct(TransTable, "LOANNO"), "5;");
        EXPECT_EQ(DeleteAccount(folder_.Path(), account), AccountNotFoundMessage);
        EXPECT_EQ(Column(LoansTable, "LOANNO"), "5;");
    }
}

TEST_F(InfoTest, ADeleteNeedsYesThenNo) {
    services_.MessageBoxAnswers = {mrYes, mrNo};
    EXPECT_TRUE(ConfirmAccountDelete("SMITJOH001          "));
    ASSERT_EQ(services_.MessageBoxes.size(), 2u);
    EXPECT_EQ(services_.MessageBoxes[0].Text,
              "You are about to permanently delete all SMITJOH001\r\raccount records and their "
              "associated loans.\r\rAre you sure that you want to continue?\r");

    // Yes to stopping cancels, and says so.
    services_.MessageBoxes.clear();
    services_.MessageBoxAnswers = {mrYes, mrYes, mrOk};
    EXPECT_FALSE(ConfirmLoanDelete("12"));
    ASSERT_EQ(services_.MessageBoxes.size(), 3u);
    EXPECT_EQ(services_.MessageBoxes[2].Text,
              "Deletion of loan number\r\r12\r\rwas canceled by the user.\r");
    EXPECT_EQ(services_.MessageBoxes[2].Type, mtInformation);

    // No at the first question asks nothing more.
    services_.MessageBoxes.clear();
    services_.MessageBoxAnswers = {mrNo, mrOk};
    EXPECT_FALSE(ConfirmLoanDelete("12"));
    EXPECT_EQ(services_.MessageBoxes.size(), 2u);
}

} // namespace
