#include "advisors/Info.h"

#include "controls/entry/VcDate.h"
#include "db/XBase.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Strings.h"

#include <memory>
#include <vector>

namespace {

TIndexDesc Tag(const std::string& Name, const std::string& Key, bool Unique = false) {
    TIndexDesc tag;
    tag.TagName = Name;
    tag.KeyExpression = Key;
    tag.Unique = Unique;
    return tag;
}

// Amounts N(15,2), running totals N(18,2), rates and points N(8,4), counts and choice indexes
// N(4,0).
TXbFieldDef Amount(const char* Name) {
    return {Name, 'N', 15, 2, 0};
}
TXbFieldDef Total(const char* Name) {
    return {Name, 'N', 18, 2, 0};
}
TXbFieldDef Rate(const char* Name) {
    return {Name, 'N', 8, 4, 0};
}
TXbFieldDef Count(const char* Name) {
    return {Name, 'N', 4, 0, 0};
}
TXbFieldDef Text(const char* Name, int Width) {
    return {Name, 'C', Width, 0, 0};
}
TXbFieldDef Date(const char* Name) {
    return {Name, 'D', 8, 0, 0};
}
TXbFieldDef Logical(const char* Name) {
    return {Name, 'L', 1, 0, 0};
}

std::vector<TXbFieldDef> AccountFields() {
    return {Text("ACCOUNTNO", AccountNoWidth),
            Text("LASTNAME", 25),
            Text("FIRSTNAME", 25),
            Text("MI", 1),
            Text("BUSINESS", 40),
            Text("ADDRESS1", 40),
            Text("ADDRESS2", 40),
            Text("CITY", 40),
            Text("STATE", 2),
            Text("ZIP", 10),
            Text("COUNTRY", 40),
            Text("PHONE1", 12),
            Text("PHONE2", 12),
            Text("PHONE2EXT", 4),
            Text("COMMENT", 254),
            Text("USERID", 6),
            Date("RECORDDATE"),
            Text("RECORDTIME", 8)};
}

std::vector<TXbFieldDef> LoanFields() {
    return {Text("LOANNO", LoanNoWidth),
            Text("COLLATERIA", 25),
            Text("PROPADDRES", 40),
            Text("BLOCKNO", 8),
            Text("LOTNO", 8),
            Text("PROPSTATE", 2),
            Text("PROPCITY", 40),
            Text("PROPZIP", 10),
            Text("PROPCNTRY", 40),
            Amount("INITAMT"),
            Count("INITTERM"),
            Date("ORIGDATE"),
            Date("FRSTPMTDT"),
            Count("PMTSPERYR"),
            Count("CMPPERYR"),
            Rate("POINTS"),
            Rate("INITRATE"),
            Count("AMORTMTHD"),
            Count("RATEBASIS")};
}

std::vector<TXbFieldDef> TransFields() {
    return {Text("LOANNO", LoanNoWidth),
            Text("PMTNOYR", 8),
            Date("TRANSDATE"),
            Amount("PMT"),
            Amount("INTEREST"),
            Amount("PRINCIPAL"),
            Amount("PRINBAL"),
            Count("TRANSNO"),
            Rate("RATE"),
            Total("RUNPMT"),
            Total("RUNPRIN"),
            Total("RUNINT"),
            Logical("ACTUAL"),
            Logical("CALCULATED"),
            Text("APPLIEDHOW", 6)};
}

std::string PathIn(const std::string& Folder, const std::string& Name) {
    return Folder + "/" + Name;
}

// Removes the deleted records of a table open exclusively; raises when the engine refuses.
void PackTable(TTable& Table) {
    TDataSource source(nullptr);
    source.SetDataSet(&Table);
    TXBase engine(nullptr);
    engine.SetDataSource(&source);
    engine.Pack();
    engine.SetDataSource(nullptr);
}

void DeleteRows(TTable& Trans, const std::vector<std::vector<char>>& Rows) {
    for (const std::vector<char>& row : Rows) {
        Trans.GotoBookmark(row);
        Trans.Delete();
    }
}

// Appends one record through Fill to a table of the register just created.
template <typename F>
void AppendFirstRecord(const std::string& Folder, const std::string& Name, F Fill) {
    std::unique_ptr<TTable> table = RegisterTable(Folder, Name);
    table->Open();
    table->Append();
    Fill(*table);
    table->Post();
    table->Close();
}

} // namespace

std::unique_ptr<TTable> RegisterTable(const std::string& Folder, const std::string& Name,
                                      const std::string& Tag) {
    auto table = std::make_unique<TTable>(nullptr);
    table->SetDatabaseName(Folder + "/");
    table->SetTableName(Name);
    table->SetTableType(ttXBNSX);
    if (!Tag.empty()) table->SetIndexName(Tag);
    return table;
}

void CreateRegisterTables(const std::string& Folder) {
    if (CreateTable(PathIn(Folder, AccountsTable), AccountFields(),
                    {Tag(AccountsTag, "ACCOUNTNO", true)}, ttXBNSX))
        AppendFirstRecord(Folder, AccountsTable, [](TTable& t) {
            t.FieldByName("ACCOUNTNO")->SetAsString(DefaultAccount);
        });
    CreateTable(PathIn(Folder, LoansTable), LoanFields(), {Tag(LoanNoTag, "LOANNO", true)},
                ttXBNSX);
    CreateTable(PathIn(Folder, XRefTable),
                {Text("LOANNO", LoanNoWidth), Text("ACCOUNTNO", AccountNoWidth)},
                {Tag(AccountNoTag, "ACCOUNTNO")}, ttXBNSX);
    CreateTable(PathIn(Folder, TransTable), TransFields(), {Tag(LoanNoTag, "LOANNO")}, ttXBNSX);
    if (CreateTable(PathIn(Folder, SysInfoTable),
                    {{"LASTLOANNO", 'N', LoanNoWidth, 0, 0},
                     Text("LASTACCTNO", AccountNoWidth),
                     Count("SAVECNTS")},
                    {}, ttXBNSX))
        AppendFirstRecord(Folder, SysInfoTable, [](TTable& t) {
            t.FieldByName("LASTLOANNO")->SetAsInteger(0);
            t.FieldByName("SAVECNTS")->SetAsInteger(0);
        });
}

LongInt NextLoanNumber(const std::string& Folder) {
    std::unique_ptr<TTable> info = RegisterTable(Folder, SysInfoTable);
    info->Open();
    info->First();
    info->Edit();
    TField* last = info->FieldByName("LASTLOANNO");
    const LongInt number = last->AsInteger() + 1;
    last->SetAsInteger(number);
    info->Post();
    info->Close();
    return number;
}

std::string PaddedKey(const std::string& Key, int Width) {
    std::string padded = Key.substr(0, static_cast<std::size_t>(Width));
    padded.resize(static_cast<std::size_t>(Width), ' ');
    return padded;
}

void GenerateAccountNo(TTable& Accounts, TTable& Lookup) {
    const std::string prefix =
        UpperCase(Trim(Accounts.FieldByName("LASTNAME")->AsString()).substr(0, 4) +
                  Trim(Accounts.FieldByName("FIRSTNAME")->AsString()).substr(0, 3));
    for (int n = 1; n <= 999; ++n) {
        const std::string digits = std::to_string(n);
        const std::string candidate = prefix + std::string(3 - digits.size(), '0') + digits;
        if (Lookup.FindKey({TVarRec(PaddedKey(candidate, AccountNoWidth))})) continue;
        Accounts.FieldByName("ACCOUNTNO")->SetAsString(candidate);
        try {
            Accounts.Post();
            return;
        } catch (const EDatabaseError&) {
            // Taken meanwhile: the account is still being inserted; the next number is tried.
        }
    }
    DatabaseError("Account number must be unique.");
}

// ----- Cascading deletes

namespace {

const char* const DeleteFailedMessage = "Delete failed.";
const char* const PackFailedMessage = "Pack failed.";

// A failure of a delete step, with the message it shows.
struct TDeleteFailure {
    const char* Message;
};

// Deletes the records of Name whose Field holds Value and packs the table; answers the values
// of Collect of the deleted records (empty name: none).
std::vector<std::string> DeleteWhere(const std::string& Folder, const std::string& Name,
                                     const std::string& Field, const std::string& Value,
                                     const std::string& Collect = "") {
    std::unique_ptr<TTable> table = RegisterTable(Folder, Name);
    table->SetExclusive(true);
    table->Open();
    std::vector<std::string> collected;
    try {
        std::vector<std::vector<char>> rows;
        for (table->First(); !table->Eof(); table->Next()) {
            if (Trim(table->FieldByName(Field)->AsString()) != Trim(Value)) continue;
            rows.push_back(table->GetBookmark());
            if (!Collect.empty())
                collected.push_back(Trim(table->FieldByName(Collect)->AsString()));
        }
        DeleteRows(*table, rows);
    } catch (const Exception&) {
        throw TDeleteFailure{DeleteFailedMessage};
    }
    try {
        PackTable(*table);
    } catch (const Exception&) {
        throw TDeleteFailure{PackFailedMessage};
    }
    return collected;
}

void DeleteLoanRecords(const std::string& Folder, const std::string& LoanNo) {
    DeleteWhere(Folder, TransTable, "LOANNO", LoanNo);
    DeleteWhere(Folder, XRefTable, "LOANNO", LoanNo);
    DeleteWhere(Folder, LoansTable, "LOANNO", LoanNo);
}

bool ConfirmTwice(const std::string& Question, const std::string& Cancelled) {
    const bool confirmed =
        MessageDlg(Question, mtConfirmation, mbYesNo, 0) == mrYes &&
        MessageDlg("Lucky you!\r\rYou have one more chance.\r\rSTOP the PERMANENT\r\rdeletion of "
                   "YOUR data?\r",
                   mtConfirmation, mbYesNo, 0) == mrNo;
    if (!confirmed) MessageDlg(Cancelled, mtInformation, {mbOK}, 0);
    return confirmed;
}

} // namespace

bool ConfirmAccountDelete(const std::string& AccountNo) {
    const std::string number = Trim(AccountNo);
    return ConfirmTwice("You are about to permanently delete all " + number + "\r\r" +
                            "account records and their associated loans." + "\r\r" +
                            "Are you sure that you want to continue?" + "\r",
                        "Deletion of account number\r\r" + number + "\r\r" +
                            "was canceled by the user." + "\r");
}

bool ConfirmLoanDelete(const std::string& LoanNo) {
    const std::string number = Trim(LoanNo);
    return ConfirmTwice("You are about to permanently delete loan " + number + "\r\r" +
                            "and all of the associated transaction details." + "\r\r" +
                            "Are you sure that you want to continue?" + "\r",
                        "Deletion of loan number\r\r" + number + "\r\r" +
                            "was canceled by the user." + "\r");
}

std::string DeleteLoan(const std::string& Folder, const std::string& LoanNo) {
    try {
        DeleteLoanRecords(Folder, LoanNo);
    } catch (const TDeleteFailure& failure) {
        return failure.Message;
    }
    return {};
}

std::string DeleteAccount(const std::string& Folder, const std::string& AccountNo) {
    if (Trim(AccountNo) == DefaultAccount) return "\rThe DEFAULT account cannot be deleted.\r\r";
    try {
        for (const std::string& loan :
             DeleteWhere(Folder, XRefTable, "ACCOUNTNO", AccountNo, "LOANNO"))
            DeleteLoanRecords(Folder, loan);
        DeleteWhere(Folder, AccountsTable, "ACCOUNTNO", AccountNo);
    } catch (const TDeleteFailure& failure) {
        return failure.Message;
    }
    return {};
}

// ----- Schedule storage

namespace {

const char* const SaveFailedMessage = "Save failed.\n\nPossible low free disk space.";
const char* const TooLongMessage =
    "Low memory condition.\n\nNot enough free memory to load this loan.";
const char* const NoRowsMessage =
    "\rNo transaction records found for this loan.\r\rCanceling load.\r";

void SetDate(TField* Field, TDayNumber Date) {
    if (Date == BadDate)
        Field->Clear();
    else
        Field->SetAsDateTime(DayNumberToDateTime(Date));
}

TDayNumber DayNumberOf(TField* Field) {
    return Field->IsNull() ? BadDate : DateTimeToDayNumber(Field->AsDateTime());
}

void WriteRow(TTable& Trans, const std::string& Key, const TAmortRow& Row) {
    Trans.FieldByName("LOANNO")->SetAsString(Key);
    Trans.FieldByName("PMTNOYR")->SetAsString(Row.PmtNoYr);
    SetDate(Trans.FieldByName("TRANSDATE"), Row.Date);
    Trans.FieldByName("PMT")->SetAsFloat(Row.Payment);
    Trans.FieldByName("INTEREST")->SetAsFloat(Row.Interest);
    Trans.FieldByName("PRINCIPAL")->SetAsFloat(Row.Principal);
    Trans.FieldByName("PRINBAL")->SetAsFloat(Row.Balance);
    Trans.FieldByName("TRANSNO")->SetAsInteger(Row.PmtNo);
    Trans.FieldByName("RUNPMT")->SetAsFloat(Row.RunPayment);
    Trans.FieldByName("RUNPRIN")->SetAsFloat(Row.RunPrincipal);
    Trans.FieldByName("RUNINT")->SetAsFloat(Row.RunInterest);
    Trans.FieldByName("ACTUAL")->SetAsBoolean(false);
    Trans.FieldByName("CALCULATED")->SetAsBoolean(true);
    Trans.FieldByName("APPLIEDHOW")->SetAsString("PI");
}

TAmortRow ReadRow(TTable& Trans) {
    TAmortRow row;
    row.Date = DayNumberOf(Trans.FieldByName("TRANSDATE"));
    row.PmtNo = static_cast<Word>(Trans.FieldByName("TRANSNO")->AsInteger());
    row.PmtNoYr = Trans.FieldByName("PMTNOYR")->AsString();
    row.Payment = Trans.FieldByName("PMT")->AsFloat();
    row.Principal = Trans.FieldByName("PRINCIPAL")->AsFloat();
    row.Interest = Trans.FieldByName("INTEREST")->AsFloat();
    row.Balance = Trans.FieldByName("PRINBAL")->AsFloat();
    row.RunPayment = Trans.FieldByName("RUNPMT")->AsFloat();
    row.RunPrincipal = Trans.FieldByName("RUNPRIN")->AsFloat();
    row.RunInterest = Trans.FieldByName("RUNINT")->AsFloat();
    return row;
}

void WriteTerms(TTable& Loans, const TAmortSchedule& Schedule, const TAmortOptions& Options) {
    const TAmortLoan& loan = Schedule.Loan;
    Loans.FieldByName("INITAMT")->SetAsFloat(loan.PV);
    Loans.FieldByName("INITTERM")->SetAsInteger(loan.NumPmts);
    SetDate(Loans.FieldByName("ORIGDATE"), loan.OrgDate);
    SetDate(Loans.FieldByName("FRSTPMTDT"), loan.FrstPmtDate);
    Loans.FieldByName("PMTSPERYR")->SetAsInteger(loan.PYR);
    Loans.FieldByName("CMPPERYR")->SetAsInteger(loan.CmpPYR);
    Loans.FieldByName("POINTS")->SetAsFloat(loan.Points);
    Loans.FieldByName("INITRATE")->SetAsFloat(loan.Rate);
    Loans.FieldByName("AMORTMTHD")->SetAsInteger(Options.AmortMethod);
    Loans.FieldByName("RATEBASIS")->SetAsInteger(Options.RateBasis);
}

void ReadTerms(TTable& Loans, TAmortLoan& Loan, TAmortOptions& Options) {
    Loan.PV = Loans.FieldByName("INITAMT")->AsFloat();
    Loan.NumPmts = static_cast<Word>(Loans.FieldByName("INITTERM")->AsInteger());
    Loan.OrgDate = DayNumberOf(Loans.FieldByName("ORIGDATE"));
    Loan.FrstPmtDate = DayNumberOf(Loans.FieldByName("FRSTPMTDT"));
    Loan.PYR = static_cast<Byte>(Loans.FieldByName("PMTSPERYR")->AsInteger());
    Loan.CmpPYR = static_cast<Byte>(Loans.FieldByName("CMPPERYR")->AsInteger());
    Loan.Points = static_cast<float>(Loans.FieldByName("POINTS")->AsFloat());
    Loan.Rate = static_cast<float>(Loans.FieldByName("INITRATE")->AsFloat());
    Options.AmortMethod = static_cast<Byte>(Loans.FieldByName("AMORTMTHD")->AsInteger());
    Options.RateBasis = static_cast<Byte>(Loans.FieldByName("RATEBASIS")->AsInteger());
}

// The bookmarks of the rows of one loan.
std::vector<std::vector<char>> RowsOf(TTable& Trans, const std::string& Key) {
    std::vector<std::vector<char>> rows;
    Trans.SetRange({TVarRec(Key)}, {TVarRec(Key)});
    for (Trans.First(); !Trans.Eof(); Trans.Next())
        rows.push_back(Trans.GetBookmark());
    Trans.CancelRange();
    return rows;
}

// Appends rows 0..LastRow and answers their bookmarks; a failing post removes the rows this
// call appended and raises.
std::vector<std::vector<char>> AppendRows(TTable& Trans, const std::string& Key,
                                          const TAmortSchedule& Schedule) {
    std::vector<std::vector<char>> added;
    try {
        for (LongInt k = 0; k <= Schedule.LastRow; ++k) {
            Trans.Append();
            WriteRow(Trans, Key, Schedule.AmortRows[static_cast<std::size_t>(k)]);
            Trans.Post();
            added.push_back(Trans.GetBookmark());
        }
    } catch (const Exception&) {
        if (Trans.State() != dsBrowse) Trans.Cancel();
        DeleteRows(Trans, added);
        throw;
    }
    return added;
}

void RebuildYears(TAmortSchedule& Schedule) {
    Schedule.Years.clear();
    int previous = 0;
    for (LongInt k = 0; k <= Schedule.LastRow; ++k) {
        int day = 0, month = 0, year = 0;
        DateToDMY(Schedule.AmortRows[static_cast<std::size_t>(k)].Date, day, month, year);
        if (k == 0 || year != previous) Schedule.Years.push_back(year);
        previous = year;
    }
}

} // namespace

std::string SaveSchedule(const std::string& Folder, const std::string& LoanNo,
                         const TAmortSchedule& Schedule, const TAmortOptions& Options) {
    const std::string key = PaddedKey(LoanNo, LoanNoWidth);
    std::unique_ptr<TTable> loans = RegisterTable(Folder, LoansTable, LoanNoTag);
    loans->Open();
    if (!loans->FindKey({TVarRec(key)})) return "Loan not found.\n\nLoan table NOT updated.";
    std::unique_ptr<TTable> trans = RegisterTable(Folder, TransTable, LoanNoTag);
    trans->SetExclusive(true);
    trans->Open();
    try {
        const std::vector<std::vector<char>> old = RowsOf(*trans, key);
        AppendRows(*trans, key, Schedule);
        DeleteRows(*trans, old);
        PackTable(*trans);
        loans->Edit();
        WriteTerms(*loans, Schedule, Options);
        loans->Post();
    } catch (const Exception&) {
        if (loans->State() != dsBrowse) loans->Cancel();
        return SaveFailedMessage;
    }
    return {};
}

std::string LoadSchedule(const std::string& Folder, const std::string& LoanNo,
                         TAmortSchedule& Schedule, TAmortOptions& Options) {
    const std::string key = PaddedKey(LoanNo, LoanNoWidth);
    std::unique_ptr<TTable> loans = RegisterTable(Folder, LoansTable, LoanNoTag);
    loans->Open();
    if (!loans->FindKey({TVarRec(key)})) return "Loan not found.";
    ReadTerms(*loans, Schedule.Loan, Options);
    if (Schedule.Loan.NumPmts > MaxPeriods) return TooLongMessage;
    std::unique_ptr<TTable> trans = RegisterTable(Folder, TransTable, LoanNoTag);
    trans->Open();
    trans->SetRange({TVarRec(key)}, {TVarRec(key)});
    Schedule.AmortRows.resize(MaxPeriods + 1);
    Schedule.Years.clear();
    Schedule.LastRow = 0;
    std::size_t count = 0;
    for (trans->First(); !trans->Eof(); trans->Next()) {
        if (count == Schedule.AmortRows.size()) return TooLongMessage;
        Schedule.AmortRows[count++] = ReadRow(*trans);
    }
    if (count == 0) return NoRowsMessage;
    Schedule.LastRow = static_cast<LongInt>(count) - 1;
    RebuildYears(Schedule);
    return {};
}
