#include "advisors/Info.h"

#include "controls/entry/VcDate.h"
#include "db/XBase.h"
#include "finance/LoMath.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <memory>
#include <utility>
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

void SetRegisterTable(TTable& Table, const std::string& Folder, const std::string& Name,
                      const std::string& Tag) {
    Table.SetDatabaseName(Folder + "/");
    Table.SetTableName(Name);
    Table.SetTableType(ttXBNSX);
    if (!Tag.empty()) Table.SetIndexName(Tag);
}

std::unique_ptr<TTable> RegisterTable(const std::string& Folder, const std::string& Name,
                                      const std::string& Tag) {
    auto table = std::make_unique<TTable>(nullptr);
    SetRegisterTable(*table, Folder, Name, Tag);
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
    // Accented letters are upper-cased too: "Müller" gives "MÜLL", as a user reads it.
    const std::string prefix =
        AnsiUpperCase(Trim(Accounts.FieldByName("LASTNAME")->AsString()).substr(0, 4) +
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

void DeleteLinkRecords(const std::string& Folder, const std::string& LoanNo) {
    DeleteWhere(Folder, TransTable, "LOANNO", LoanNo);
    DeleteWhere(Folder, XRefTable, "LOANNO", LoanNo);
}

void DeleteLoanRecords(const std::string& Folder, const std::string& LoanNo) {
    DeleteLinkRecords(Folder, LoanNo);
    DeleteWhere(Folder, LoansTable, "LOANNO", LoanNo);
}

void DeleteAccountLoanRecords(const std::string& Folder, const std::string& AccountNo) {
    for (const std::string& loan : DeleteWhere(Folder, XRefTable, "ACCOUNTNO", AccountNo, "LOANNO"))
        DeleteLoanRecords(Folder, loan);
}

// Runs a delete step; answers the message of its failure, empty when done.
template <typename F>
std::string Failure(F Step) {
    try {
        Step();
    } catch (const TDeleteFailure& failure) {
        return failure.Message;
    }
    return {};
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

std::string DeleteLoanLinks(const std::string& Folder, const std::string& LoanNo) {
    return Failure([&] { DeleteLinkRecords(Folder, LoanNo); });
}

std::string DeleteAccountLoans(const std::string& Folder, const std::string& AccountNo) {
    return Failure([&] { DeleteAccountLoanRecords(Folder, AccountNo); });
}

std::string PackRegisterTable(const std::string& Folder, const std::string& Name) {
    std::unique_ptr<TTable> table = RegisterTable(Folder, Name);
    try {
        table->SetExclusive(true);
        table->Open();
        PackTable(*table);
    } catch (const Exception&) {
        return PackFailedMessage;
    }
    return {};
}

// ----- Schedule storage

namespace {

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
    if (!loans->FindKey({TVarRec(key)})) return LoanNotFoundMessage;
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
    // What the charts and the printout take from the schedule besides its rows.
    Schedule.AmortMethod = Options.AmortMethod;
    Schedule.RateBasis = Options.RateBasis;
    Schedule.YearBasis = Options.RateBasis == rbExact365 ? 365 : 360;
    Schedule.PmtsPerYear = PeriodsPerYear(Schedule.Loan.PYR + 1);
    Schedule.CmpPerYear = PeriodsPerYear(Schedule.Loan.CmpPYR);
    return {};
}

// ----- The register's dialog

namespace {

// TLoanInfoData: the two account-number radio buttons, then the prompts of both pages.
const std::vector<const char*>& Prompts() {
    static const std::vector<const char*> prompts{"First:",
                                                  "Business:",
                                                  "Address:",
                                                  "Address:",
                                                  "City:",
                                                  "Phone:",
                                                  "State:",
                                                  "Zip:",
                                                  "Country:",
                                                  "MI:",
                                                  "Last:",
                                                  "Ext.:",
                                                  "Phone2:",
                                                  "Loan No.:",
                                                  "Collaterial:",
                                                  "Address:",
                                                  "Lot #:",
                                                  "City:",
                                                  "State:",
                                                  "Zip:",
                                                  "Country:",
                                                  "Initial Amount:",
                                                  "Origination Date:",
                                                  "Block #:",
                                                  "Initial Rate:",
                                                  "Initial Term:"};
    return prompts;
}
constexpr std::size_t RadioSlots = 2 * CheckSlotSize;

const char* const NoLoansText = " There are no loans for this account.";
const char* const UniqueMessage = "Account number must be unique.";

// Layout of the dialog.
constexpr int DialogWidth = 620;
constexpr int PageHeight = 330;
constexpr int HeaderTop = PageHeight + 2;
constexpr int ButtonTop = HeaderTop + 62;
constexpr int PromptWidth = 70;
constexpr int RowTop = 70;
constexpr int RowHeight = 30;

int Row(int Index) {
    return RowTop + Index * RowHeight;
}

// The account fields and the labels of their grid columns.
struct TColumn {
    const char* Field;
    int Width;
    const char* Label;
};
const std::vector<TColumn>& AccountColumns() {
    static const std::vector<TColumn> columns{
        {"ACCOUNTNO", 16, "Account No"}, {"LASTNAME", 15, "Last Name"},
        {"FIRSTNAME", 13, "First Name"}, {"MI", 2, "MI"},
        {"BUSINESS", 21, "Business"},    {"ADDRESS1", 19, "Address"},
        {"ADDRESS2", 19, "Address"},     {"CITY", 25, "City"},
        {"STATE", 5, "State"},           {"ZIP", 10, "Zip"},
        {"COUNTRY", 20, "Country"},      {"PHONE1", 12, "Phone"},
        {"PHONE2", 12, "Phone 2"},       {"PHONE2EXT", 11, "Phone 2 Ext"},
        {"COMMENT", 254, "Comment"}};
    return columns;
}
const std::vector<TColumn>& XRefColumns() {
    static const std::vector<TColumn> columns{
        {"LOANNO", 9, "Loan No."},         {"COLLATERIA", 25, "Collaterial"},
        {"FRSTPMTDT", 10, "1st Pmt Date"}, {"INITAMT", 10, "Amount"},
        {"INITTERM", 10, "Initial Term"},  {"INITRATE", 10, "Initial Rate"}};
    return columns;
}

std::string FieldText(TDataSet* DataSet, const char* Field) {
    return DataSet->Active() ? Trim(DataSet->FieldByName(Field)->AsString()) : std::string();
}

bool Editing(TDataSet* DataSet) {
    return DataSet->State() == dsEdit || DataSet->State() == dsInsert;
}

// A calculated field of DataSet, owned by it.
template <typename T>
T* CalculatedField(TDataSet* DataSet, const char* Name) {
    auto* field = new T(DataSet);
    field->SetFieldName(Name);
    field->SetCalculated(true);
    field->SetDataSet(DataSet);
    return field;
}

void ShowError(const std::string& Text) {
    MessageDlg(Text, mtError, {mbOK}, 0);
}

} // namespace

std::unique_ptr<TTransferRecord> TLoanInfo::NewLoanInfoData() {
    auto record =
        std::make_unique<TTransferRecord>(RadioSlots + Prompts().size() * CaptionSlotSize);
    const std::span<Byte> data = record->Data();
    data[0] = 1; // auto generation on, manual entry off
    std::size_t at = RadioSlots;
    for (const char* prompt : Prompts()) {
        PutSlotString(data.subspan(at, CaptionSlotSize), prompt);
        at += CaptionSlotSize;
    }
    return record;
}

TLoanInfo::TLoanInfo(TComponent* AOwner, const std::string& Folder)
    : TForm(AOwner), folder_(Folder) {
    SetName("LoanInfo");
    SetCaption("Personal Information");
    SetHelpContext(136);
    SetFormBorderStyle(bsDialog);
    SetPosition(poOwnerFormCenter);
    SetClientWidth(DialogWidth);
    SetClientHeight(ButtonTop + 33);
    // The window first: controls made visible while they are built then have their parents'.
    HandleNeeded();
    VcTransfer1 = new TVcTransfer(this);
    VcTransfer1->SetName("VcTransfer1");
    DefaultController = new TVcController(this);
    DefaultController->SetName("DefaultController");
    BuildTables();
    BuildFrame();
    BuildAccountsPage();
    BuildAcctInfoPage();
    LoansGrid = AddGrid(Notebook1->Page(2), "LoansGrid", XRefSource);
    LoansGrid->SetBounds(8, 8, DialogWidth - 16, PageHeight - 16);
    BuildLoanInfoPage();
    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    OpenTables();
}

TLoanInfo::~TLoanInfo() {
    // Closing drops what is pending without the dialog's own reactions.
    for (TDataSet* table : std::initializer_list<TDataSet*>{Accounts, Loans, XRef}) {
        table->AfterCancel = nullptr;
        table->AfterPost = nullptr;
    }
    AccountsSource->OnStateChange = nullptr;
    CloseTables();
}

TdwTable* TLoanInfo::AddTable(const std::string& Name, const char* File, const char* Tag) {
    auto* table = new TdwTable(this);
    table->SetName(Name);
    SetRegisterTable(*table, folder_, File, Tag);
    return table;
}

TdwDataSource* TLoanInfo::AddSource(const std::string& Name, TDataSet* DataSet) {
    auto* source = new TdwDataSource(this);
    source->SetName(Name);
    source->SetDataSet(DataSet);
    return source;
}

TXBase* TLoanInfo::AddEngine(const std::string& Name, TDataSource* Source) {
    auto* engine = new TXBase(this);
    engine->SetName(Name);
    engine->SetDataSource(Source);
    return engine;
}

void TLoanInfo::BuildTables() {
    Accounts = AddTable("Accounts", AccountsTable, AccountsTag);
    AccountsLookup = AddTable("AccountsLookup", AccountsTable, AccountsTag);
    Loans = AddTable("Loans", LoansTable, LoanNoTag);
    LoansLookup = AddTable("LoansLookup", LoansTable, LoanNoTag);
    XRef = AddTable("XRef", XRefTable, AccountNoTag);
    AccountsSource = AddSource("AccountsSource", Accounts);
    LoansSource = AddSource("LoansSource", Loans);
    XRefSource = AddSource("XRefSource", XRef);
    AccountsXB = AddEngine("AccountsXB", AccountsSource);
    LoansXB = AddEngine("LoansXB", LoansSource);
    XRefXB = AddEngine("XRefXB", XRefSource);
    Accounts->AfterOpen = [](TDataSet* table) {
        for (const TColumn& column : AccountColumns())
            table->FieldByName(column.Field)->SetDisplayLabel(column.Label);
    };
    Accounts->AfterPost = [this](TDataSet* d) { AccountsAfterPost(d); };
    Accounts->BeforeDelete = [this](TDataSet* d) { AccountsBeforeDelete(d); };
    Accounts->AfterDelete = [this](TDataSet* d) { AccountsAfterDelete(d); };
    Loans->AfterPost = [this](TDataSet* d) { LoansAfterPost(d); };
    Loans->AfterCancel = [this](TDataSet* d) { LoansAfterCancel(d); };
    Loans->BeforeDelete = [this](TDataSet* d) { LoansBeforeDelete(d); };
    Loans->AfterDelete = [this](TDataSet* d) { LoansAfterDelete(d); };
    Loans->OnDeleteError = [this](TDataSet* d, EDatabaseError& e, TDataAction& a) {
        LoansDeleteError(d, e, a);
    };
    XRef->BeforeDelete = [this](TDataSet* d) { XRefBeforeDelete(d); };
    XRef->OnCalcFields = [this](TDataSet* d) { XRefCalcFields(d); };
    AccountsSource->OnDataChange = [this](TObject* s, TField* f) { AccountsDataChange(s, f); };
    AccountsSource->OnStateChange = [this](TObject*) { UpdateAccountNoEntry(); };
    XRefSource->OnDataChange = [this](TObject* s, TField* f) { XRefDataChange(s, f); };
    LoansSource->OnDataChange = [this](TObject* s, TField* f) { LoansDataChange(s, f); };
}

// The cross-reference's own fields and, calculated from its loan, what the loans list shows.
void TLoanInfo::BuildXRefFields() {
    if (!XRef->DefaultFields() && XRef->FieldCount() > 0) return;
    XRef->FieldDefs();
    for (int k = 0; k < XRef->FieldDefs()->Count(); ++k)
        XRef->FieldDefs()->Items(k)->CreateField(XRef);
    CalculatedField<TStringField>(XRef, "COLLATERIA")->SetSize(25);
    CalculatedField<TDateField>(XRef, "FRSTPMTDT");
    CalculatedField<TFloatField>(XRef, "INITAMT")->SetDisplayFormat("###,###,###.00");
    CalculatedField<TFloatField>(XRef, "INITTERM")->SetDisplayFormat("####");
    CalculatedField<TFloatField>(XRef, "INITRATE")->SetDisplayFormat("#0.0000");
    for (const TColumn& column : XRefColumns())
        if (TField* field = XRef->FindField(column.Field)) field->SetDisplayLabel(column.Label);
}

void TLoanInfo::OpenTables() {
    try {
        BuildXRefFields();
        for (TTable* table : {Accounts, AccountsLookup, LoansLookup, Loans, XRef})
            table->Open();
        KeyCombo->FillList(); // by the display labels the accounts have now
        tablesOpen_ = true;
    } catch (const Exception&) {
        ShowError("Table open failed");
        CloseTables();
    }
}

void TLoanInfo::CloseTables() {
    for (TTable* table : {XRef, Loans, LoansLookup, AccountsLookup, Accounts}) {
        try {
            table->Close();
        } catch (const Exception&) {
            // Closing drops what is pending; nothing more can be done for a table that fails.
        }
    }
}

TButton* TLoanInfo::AddButton(const std::string& Name, const char* Caption, int Left,
                              TNotifyEvent OnClick) {
    auto* button = new TButton(this);
    button->SetName(Name);
    button->SetParent(this);
    button->SetCaption(Caption);
    button->SetBounds(Left, ButtonTop, 90, 25);
    button->OnClick = std::move(OnClick);
    return button;
}

void TLoanInfo::BuildFrame() {
    Notebook1 = new TNotebook(this);
    Notebook1->SetName("Notebook1");
    Notebook1->SetParent(this);
    Notebook1->SetBounds(0, 0, DialogWidth, PageHeight);
    Notebook1->Pages()->Clear();
    for (const char* page : {"Accounts", "AcctInfo", "Loans", "LoanInfo"})
        Notebook1->Pages()->Add(page);
    Notebook1->OnPageChanged = [this](TObject* s) { Notebook1PageChanged(s); };
    Header1 = new THeader(this);
    Header1->SetName("Header1");
    Header1->SetParent(this);
    Header1->SetBounds(0, HeaderTop, DialogWidth, 20);
    Header1->Sections()->Add("");
    Header1->Sections()->Add("");
    Header1->SetSectionWidth(1, DialogWidth);
    NewBTN = AddButton("NewBTN", "&New", 140, [this](TObject* s) { NewBTNClick(s); });
    PriorBTN = AddButton("PriorBTN", "&Prior Step", 236, [this](TObject* s) { PriorBTNClick(s); });
    NextBTN = AddButton("NextBTN", "Ne&xt Step", 332, [this](TObject* s) { NextBTNClick(s); });
    HelpBTN = AddButton("HelpBTN", "&Help", 428, [this](TObject* s) { HelpBTNClick(s); });
    CancelBTN = AddButton("CancelBTN", "Cancel", 524, [this](TObject* s) { CancelBTNClick(s); });
    CancelBTN->SetCancel(true);
    DBNavigator1 = new TDBNavigator(this);
    DBNavigator1->SetName("DBNavigator1");
    DBNavigator1->SetParent(this);
    DBNavigator1->SetBounds(8, HeaderTop + 28, 234, 25);
    // Deletes ask twice in the tables' own handlers.
    DBNavigator1->SetConfirmDelete(false);
}

TdwDBGrid* TLoanInfo::AddGrid(TWinControl* Parent, const std::string& Name, TDataSource* Source) {
    auto* grid = new TdwDBGrid(this);
    grid->SetName(Name);
    grid->SetParent(Parent);
    grid->SetReadOnly(true);
    grid->SetOptions({dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
                      dgRowSelect, dgAlwaysShowSelection});
    grid->KeyOptions = {};
    const std::vector<TColumn>& columns =
        Source == AccountsSource ? AccountColumns() : XRefColumns();
    for (const TColumn& column : columns)
        grid->Selected()->Add(std::string(column.Field) + "\t" + std::to_string(column.Width) +
                              "\t" + column.Label);
    grid->SetUseTFields(false);
    grid->SetDataSource(Source);
    return grid;
}

void TLoanInfo::BuildAccountsPage() {
    TWinControl* page = Notebook1->Page(0);
    IncSearch = new TdwIncrementalSearch(this);
    IncSearch->SetName("IncSearch");
    IncSearch->SetParent(page);
    IncSearch->SetBounds(8, 8, 180, 22);
    IncSearch->SetDataSource(AccountsSource);
    IncSearch->SearchField = "ACCOUNTNO";
    KeyCombo = new TdwKeyCombo(this);
    KeyCombo->SetName("KeyCombo");
    KeyCombo->SetParent(page);
    KeyCombo->SetBounds(196, 8, 180, 22);
    KeyCombo->SetDataSource(AccountsSource);
    AccountsGrid = AddGrid(page, "AccountsGrid", AccountsSource);
    AccountsGrid->SetBounds(8, 38, DialogWidth - 16, PageHeight - 46);
}

TLabel* TLoanInfo::AddPrompt(TWinControl* Parent, const std::string& Name, int Left, int Top,
                             int Width) {
    auto* label = new TLabel(this);
    label->SetName(Name);
    label->SetParent(Parent);
    label->SetAutoSize(false);
    label->SetBounds(Left, Top + 3, Width, 16);
    return label;
}

template <typename T>
T* TLoanInfo::AddField(TWinControl* Parent, const std::string& Name, TDataSource* Source,
                       const char* Field, int Left, int Top, int Width) {
    auto* control = new T(this);
    control->SetName(Name);
    control->SetParent(Parent);
    control->SetBounds(Left, Top, Width, 22);
    control->SetController(DefaultController);
    control->SetDataSource(Source);
    control->SetDataField(Field);
    return control;
}

void TLoanInfo::BuildAcctInfoPage() {
    TWinControl* page = Notebook1->Page(1);
    AcctNoGroup = new TGroupBox(this);
    AcctNoGroup->SetName("AcctNoGroup");
    AcctNoGroup->SetParent(page);
    AcctNoGroup->SetCaption(" Account No ");
    AcctNoGroup->SetBounds(8, 4, DialogWidth - 16, 54);
    AcctNoGroup->HandleNeeded();
    auto radio = [this](const std::string& name, const char* caption, int left) {
        auto* button = new TRadioButton(this);
        button->SetName(name);
        button->SetParent(AcctNoGroup);
        button->SetCaption(caption);
        button->SetBounds(left, 22, 180, 20);
        return button;
    };
    AutoBTN = radio("AutoBTN", "Auto Generate ID Number", 12);
    ManualBTN = radio("ManualBTN", "User Enters ID Number", 196);
    AutoBTN->OnClick = [this](TObject* s) { AutoBTNClick(s); };
    ManualBTN->OnClick = [this](TObject* s) { ManualBTNClick(s); };
    AccountNo = AddField<TVcDbSimpleField>(AcctNoGroup, "AccountNo", AccountsSource, "ACCOUNTNO",
                                           384, 20, 200);
    const int x1 = 8, f1 = x1 + PromptWidth, x2 = 330, f2 = x2 + PromptWidth;
    auto text = [&](const std::string& name, const char* field, int left, int row, int width) {
        return AddField<TVcDbSimpleField>(page, name, AccountsSource, field, left, Row(row), width);
    };
    auto picture = [&](const std::string& name, const char* field, const char* mask, int left,
                       int row, int width) {
        auto* control =
            AddField<TVcDbPictureField>(page, name, AccountsSource, field, left, Row(row), width);
        control->SetPictureMask(mask);
        return control;
    };
    lLast = AddPrompt(page, "lLast", x1, Row(0), PromptWidth);
    LastName = text("LastName", "LASTNAME", f1, 0, 200);
    lFirst = AddPrompt(page, "lFirst", x2, Row(0), PromptWidth);
    FirstName = text("FirstName", "FIRSTNAME", f2, 0, 150);
    lMI = AddPrompt(page, "lMI", 556, Row(0), 24);
    MI = text("MI", "MI", 582, 0, 28);
    lBusiness = AddPrompt(page, "lBusiness", x1, Row(1), PromptWidth);
    Business = text("Business", "BUSINESS", f1, 1, 330);
    lAddress1 = AddPrompt(page, "lAddress1", x1, Row(2), PromptWidth);
    Address1 = text("Address1", "ADDRESS1", f1, 2, 330);
    lAddress2 = AddPrompt(page, "lAddress2", x1, Row(3), PromptWidth);
    Address2 = text("Address2", "ADDRESS2", f1, 3, 330);
    lCity = AddPrompt(page, "lCity", x1, Row(4), PromptWidth);
    City = text("City", "CITY", f1, 4, 200);
    lState = AddPrompt(page, "lState", x2, Row(4), 44);
    State = picture("State", "STATE", "!!", x2 + 46, 4, 36);
    lZip = AddPrompt(page, "lZip", 460, Row(4), 30);
    Zip = text("Zip", "ZIP", 492, 4, 100);
    lCountry = AddPrompt(page, "lCountry", x1, Row(5), PromptWidth);
    Country = text("Country", "COUNTRY", f1, 5, 330);
    lPhone1 = AddPrompt(page, "lPhone1", x1, Row(6), PromptWidth);
    Phone1 = picture("Phone1", "PHONE1", "999-999-9999", f1, 6, 120);
    lPhone2 = AddPrompt(page, "lPhone2", 220, Row(6), 56);
    Phone2 = picture("Phone2", "PHONE2", "999-999-9999", 278, 6, 120);
    lExt = AddPrompt(page, "lExt", 410, Row(6), 34);
    Phone2Ext = text("Phone2Ext", "PHONE2EXT", 446, 6, 60);
}

void TLoanInfo::BuildLoanInfoPage() {
    TWinControl* page = Notebook1->Page(3);
    const int x1 = 8, f1 = x1 + 84, x2 = 372, f2 = x2 + 110;
    auto text = [&](const std::string& name, const char* field, int left, int row, int width) {
        return AddField<TVcDbSimpleField>(page, name, LoansSource, field, left, Row(row) - 50,
                                          width);
    };
    auto shown = [&](const std::string& name, const char* field, const char* mask, int left,
                     int row) {
        auto* label = new TVcDbPictureLabel(this);
        label->SetName(name);
        label->SetParent(page);
        label->SetBounds(left, Row(row) - 47, 120, 18);
        label->Font()->Assign(Font()); // the dialog's own, like the prompts
        label->SetPictureMask(mask);
        label->SetDataSource(LoansSource);
        label->SetDataField(field);
        return label;
    };
    auto prompt = [&](const std::string& name, int left, int row, int width) {
        return AddPrompt(page, name, left, Row(row) - 50, width);
    };
    lLoanNo = prompt("lLoanNo", x1, 0, 84);
    LoanNo = shown("LoanNo", "LOANNO", "XXXXXXXXX", f1, 0);
    lCollateral = prompt("lCollateral", x1, 1, 84);
    Collateral = text("Collateral", "COLLATERIA", f1, 1, 250);
    lPropAddress = prompt("lPropAddress", x1, 2, 84);
    PropAddress = text("PropAddress", "PROPADDRES", f1, 2, 250);
    lPropCity = prompt("lPropCity", x1, 3, 84);
    PropCity = text("PropCity", "PROPCITY", f1, 3, 250);
    lPropState = prompt("lPropState", x1, 4, 84);
    PropState = AddField<TVcDbPictureField>(page, "PropState", LoansSource, "PROPSTATE", f1,
                                            Row(4) - 50, 36);
    PropState->SetPictureMask("!!");
    lPropZip = prompt("lPropZip", 140, 4, 30);
    PropZip = text("PropZip", "PROPZIP", 172, 4, 100);
    lPropCountry = prompt("lPropCountry", x1, 5, 84);
    PropCountry = text("PropCountry", "PROPCNTRY", f1, 5, 250);
    lBlockNo = prompt("lBlockNo", x1, 6, 84);
    BlockNo = text("BlockNo", "BLOCKNO", f1, 6, 90);
    lLotNo = prompt("lLotNo", 196, 6, 44);
    LotNo = text("LotNo", "LOTNO", 242, 6, 90);
    lInitAmt = prompt("lInitAmt", x2, 0, 110);
    InitAmt = shown("InitAmt", "INITAMT", "###,###,###.##", f2, 0);
    lInitRate = prompt("lInitRate", x2, 1, 110);
    InitRate = shown("InitRate", "INITRATE", "##.####", f2, 1);
    lInitTerm = prompt("lInitTerm", x2, 2, 110);
    InitTerm = shown("InitTerm", "INITTERM", "####", f2, 2);
    lOrigDate = prompt("lOrigDate", x2, 3, 110);
    OrigDate = shown("OrigDate", "ORIGDATE", "mm/dd/yyyy", f2, 3);
}

std::vector<TComponent*> TLoanInfo::TransferList() const {
    return {AutoBTN,  ManualBTN,    lFirst,      lBusiness,    lAddress1, lAddress2, lCity,
            lPhone1,  lState,       lZip,        lCountry,     lMI,       lLast,     lExt,
            lPhone2,  lLoanNo,      lCollateral, lPropAddress, lLotNo,    lPropCity, lPropState,
            lPropZip, lPropCountry, lInitAmt,    lOrigDate,    lBlockNo,  lInitRate, lInitTerm};
}

// ----- Showing and stepping

void TLoanInfo::FormShow(TObject*) {
    data_ = NewLoanInfoData();
    VcTransfer1->BufferToControls(TransferList(), data_->Data());
    Header1->SetSectionWidth(0, static_cast<int>(Round(Header1->Width() * 3 / 4.0)));
    NewAccount = NewLoan = false;
    LoanNoResult.clear();
    newXRefRow_.clear();
    NewBTN->SetEnabled(Mode == limSave);
    CancelBTN->SetHint(Mode == limSave ? "Cancel saving data." : "Cancel loading data.");
    UpdateAccountNoEntry();
    if (Accounts->Active()) Accounts->First();
    const struct {
        TControl* Control;
        int Context;
    } contexts[] = {{IncSearch, 171}, {KeyCombo, 172},  {NewBTN, 173},      {PriorBTN, 174},
                    {NextBTN, 175},   {HelpBTN, 106},   {CancelBTN, 106},   {AutoBTN, 177},
                    {ManualBTN, 178}, {AccountNo, 170}, {DBNavigator1, 176}};
    for (const auto& c : contexts)
        c.Control->SetHelpContext(c.Context);
    if (Notebook1->PageIndex() == 0)
        ShowStep(0);
    else
        Notebook1->SetPageIndex(0);
    SetStatus(" Watch this space for status messages.");
}

void TLoanInfo::Notebook1PageChanged(TObject*) {
    ShowStep(Notebook1->PageIndex());
}

void TLoanInfo::ShowStep(int Page) {
    const bool accountSteps = Page < 2;
    SetCaption(accountSteps ? "Personal Information" : "Loan Information");
    Header1->Sections()->SetStrings(1, "Step: " + std::to_string(Page + 1) + "/4");
    PriorBTN->SetEnabled(Page > 0);
    NextBTN->SetEnabled(true);
    NextBTN->SetCaption("Ne&xt Step");
    NewBTN->SetHint(accountSteps ? "Create new account record." : "Create a new loan record.");
    // A loan comes only through New, which numbers it and links it to the account; the
    // cross-references are only browsed.
    TNavButtonSet buttons{nbFirst,  nbPrior, nbNext, nbLast,  nbInsert,
                          nbDelete, nbEdit,  nbPost, nbCancel};
    if (Page >= 2) buttons.Exclude(nbInsert);
    if (Page == 2) buttons.Exclude(nbEdit).Exclude(nbPost).Exclude(nbCancel);
    DBNavigator1->SetVisibleButtons(buttons);
    switch (Page) {
    case 0:
        DBNavigator1->SetDataSource(AccountsSource);
        NextBTN->SetHint("Edit account details.");
        break;
    case 1:
        DBNavigator1->SetDataSource(AccountsSource);
        PriorBTN->SetHint("Browse accounts.");
        NextBTN->SetHint("Edit/Enter loan details.");
        break;
    case 2:
        DBNavigator1->SetDataSource(XRefSource);
        PriorBTN->SetHint("Edit account details.");
        NextBTN->SetHint("Edit/Enter loan details.");
        ScopeXRef();
        break;
    default:
        DBNavigator1->SetDataSource(LoansSource);
        PriorBTN->SetHint("Browse loans for current account.");
        NextBTN->SetCaption(Mode == limSave ? "&Save" : "&Get");
        NextBTN->SetHint(Mode == limSave ? "Save current account and loan data."
                                         : "Get current account and loan data.");
        ScopeLoans();
        if (Showing() && Collateral->CanFocus()) Collateral->SetFocus();
    }
    ShowRecordStatus();
}

void TLoanInfo::ScopeXRef() {
    if (!XRef->Active()) return;
    const std::string key = PaddedKey(FieldText(Accounts, "ACCOUNTNO"), AccountNoWidth);
    XRef->SetRange({TVarRec(key)}, {TVarRec(key)});
}

void TLoanInfo::ScopeLoans() {
    if (!Loans->Active() || Loans->State() == dsInsert) return;
    const std::string key = PaddedKey(FieldText(XRef, "LOANNO"), LoanNoWidth);
    Loans->SetRange({TVarRec(key)}, {TVarRec(key)});
}

void TLoanInfo::SetStatus(const std::string& Text) {
    Header1->Sections()->SetStrings(0, Text);
}

std::string TLoanInfo::StatusText() const {
    return Header1->Sections()->Strings(0);
}

std::string TLoanInfo::StepText() const {
    return Header1->Sections()->Strings(1);
}

void TLoanInfo::ShowRecordStatus() {
    const int page = Notebook1->PageIndex();
    const bool noLoans = page == 2 && XRef->Active() && XRef->Eof() && XRef->Bof();
    if (page == 2) NextBTN->SetEnabled(!noLoans);
    if (noLoans) {
        SetStatus(NoLoansText);
        return;
    }
    TXBase* engine = page < 2 ? AccountsXB : page == 2 ? XRefXB : LoansXB;
    if (!engine->Active()) return;
    // A record being inserted has no number yet.
    SetStatus(" " + std::to_string(std::max<LongInt>(engine->GetRecNo(), 0)) + "/" +
              std::to_string(engine->RecCount()));
}

void TLoanInfo::AccountsDataChange(TObject*, TField*) {
    if (NavigatorSource() == AccountsSource) ShowRecordStatus();
}

void TLoanInfo::XRefDataChange(TObject*, TField*) {
    if (NavigatorSource() == XRefSource) ShowRecordStatus();
}

void TLoanInfo::LoansDataChange(TObject*, TField*) {
    if (NavigatorSource() == LoansSource) ShowRecordStatus();
}

void TLoanInfo::XRefCalcFields(TDataSet* DataSet) {
    if (!LoansLookup->Active()) return;
    const std::string key = PaddedKey(DataSet->FieldByName("LOANNO")->AsString(), LoanNoWidth);
    if (!LoansLookup->FindKey({TVarRec(key)})) return;
    for (const char* name : {"COLLATERIA", "FRSTPMTDT", "INITAMT", "INITTERM", "INITRATE"}) {
        TField* from = LoansLookup->FieldByName(name);
        if (!from->IsNull()) DataSet->FieldByName(name)->SetAsVariant(from->Value());
    }
}

// ----- Buttons

void TLoanInfo::NewBTNClick(TObject*) {
    switch (Notebook1->PageIndex()) {
    case 0: Notebook1->SetPageIndex(1); [[fallthrough]];
    case 1:
        if (Accounts->State() == dsInsert) return;
        Accounts->Insert();
        NewAccount = true;
        (AutoBTN->Checked() ? static_cast<TWinControl*>(LastName) : AccountNo)->SetFocus();
        return;
    default: InsertLoan();
    }
}

void TLoanInfo::InsertLoan() {
    try {
        const std::string number = std::to_string(NextLoanNumber(folder_));
        XRef->Append();
        XRef->FieldByName("ACCOUNTNO")->SetAsString(FieldText(Accounts, "ACCOUNTNO"));
        XRef->FieldByName("LOANNO")->SetAsString(number);
        XRef->Post();
        newXRefRow_ = XRef->GetBookmark();
        if (Notebook1->PageIndex() == 3)
            ShowStep(3);
        else
            Notebook1->SetPageIndex(3);
        Loans->Insert();
        Loans->FieldByName("LOANNO")->SetAsString(number);
        Loans->FieldByName("INITAMT")->SetAsFloat(ScheduleLoan.PV);
        Loans->FieldByName("INITRATE")->SetAsFloat(ScheduleLoan.Rate);
        Loans->FieldByName("INITTERM")->SetAsInteger(ScheduleLoan.NumPmts);
        if (ScheduleLoan.OrgDate != BadDate)
            Loans->FieldByName("ORIGDATE")
                ->SetAsDateTime(DayNumberToDateTime(ScheduleLoan.OrgDate));
        NewLoan = true;
    } catch (const EAbort&) {
        throw;
    } catch (const Exception& e) {
        if (XRef->State() != dsBrowse) XRef->Cancel();
        ShowError(std::string("Save failed.\n\n") + e.what());
    }
}

void TLoanInfo::NextBTNClick(TObject*) {
    switch (Notebook1->PageIndex()) {
    case 1:
        if (PostAccount()) Notebook1->SetPageIndex(2);
        return;
    case 3:
        if (PostAll()) SetModalResult(mrOk);
        return;
    default: Notebook1->SetPageIndex(Notebook1->PageIndex() + 1);
    }
}

bool TLoanInfo::PostAccount() {
    if (!Editing(Accounts)) return true;
    try {
        Accounts->UpdateRecord();
        if (Accounts->State() == dsEdit) {
            Accounts->Post();
            return true;
        }
        if (ManualBTN->Checked()) {
            try {
                Accounts->Post();
            } catch (const EDatabaseError&) {
                ShowError(UniqueMessage);
                return false;
            }
            return true;
        }
        if (FieldText(Accounts, "LASTNAME").empty() || FieldText(Accounts, "FIRSTNAME").empty()) {
            MessageDlg("Both 'Last Name' & 'First Name' must be entered.", mtInformation, {mbOK},
                       0);
            return false;
        }
        GenerateAccountNo(*Accounts, *AccountsLookup);
    } catch (const EAbort&) {
        return false;
    } catch (const Exception& e) {
        ShowError(e.what());
        return false;
    }
    return true;
}

bool TLoanInfo::PostAll() {
    try {
        for (TDataSet* table : std::initializer_list<TDataSet*>{Loans, XRef, Accounts})
            if (Editing(table)) table->Post();
    } catch (const EAbort&) {
        return false;
    } catch (const Exception& e) {
        ShowError(std::string("Save failed.\n\n") + e.what());
        return false;
    }
    LoanNoResult = FieldText(Loans, "LOANNO").substr(0, LoanNoWidth);
    return true;
}

void TLoanInfo::PriorBTNClick(TObject*) {
    if (Notebook1->PageIndex() > 0) Notebook1->SetPageIndex(Notebook1->PageIndex() - 1);
}

void TLoanInfo::CancelBTNClick(TObject*) {
    DiscardNew();
    SetModalResult(mrCancel);
}

void TLoanInfo::FormClose(TObject*, TCloseAction&) {
    if (ModalResult() != mrOk) DiscardNew();
}

void TLoanInfo::DiscardNew() {
    for (TDataSet* table : std::initializer_list<TDataSet*>{Loans, XRef, Accounts})
        if (Editing(table)) table->Cancel();
    NewAccount = NewLoan = false;
}

void TLoanInfo::LoansAfterCancel(TDataSet*) {
    if (!NewLoan) return;
    NewLoan = false;
    RemoveNewXRef();
    // Given up on its own page: back to the account's loans.
    if (ModalResult() == mrNone && Notebook1->PageIndex() == 3) Notebook1->SetPageIndex(2);
}

void TLoanInfo::RemoveNewXRef() {
    if (newXRefRow_.empty()) return;
    const std::vector<char> row = std::exchange(newXRefRow_, {});
    removingNewXRef_ = true;
    std::string failure;
    try {
        XRef->CancelRange();
        XRef->GotoBookmark(row);
        XRef->Delete();
    } catch (const Exception&) {
        failure = DeleteFailedMessage;
    }
    removingNewXRef_ = false;
    // Readers see marked records too: the row is packed away.
    XRef->Close();
    if (failure.empty()) failure = PackRegisterTable(folder_, XRefTable);
    ReopenXRef();
    if (!failure.empty()) ShowError(failure);
}

void TLoanInfo::ReopenXRef() {
    XRef->Open();
    if (Notebook1->PageIndex() >= 2) ScopeXRef();
}

void TLoanInfo::HelpBTNClick(TObject*) {
    Application->HelpContext(136);
}

void TLoanInfo::AutoBTNClick(TObject*) {
    UpdateAccountNoEntry();
}

void TLoanInfo::ManualBTNClick(TObject*) {
    UpdateAccountNoEntry();
}

// The cross-references hold the account number: only a new account takes one typed in.
void TLoanInfo::UpdateAccountNoEntry() {
    AccountNo->SetEnabled(ManualBTN->Checked() && Accounts->State() == dsInsert);
}

// ----- Deleting

void TLoanInfo::AccountsBeforeDelete(TDataSet* DataSet) {
    const std::string number = FieldText(DataSet, "ACCOUNTNO");
    if (number == DefaultAccount) {
        MessageDlg("\rThe DEFAULT account cannot be deleted.\r\r", mtInformation, {mbOK}, 0);
        Abort();
    }
    if (!ConfirmAccountDelete(number)) Abort();
    TWaitCursor wait;
    XRef->Close();
    Loans->Close();
    LoansLookup->Close();
    const std::string failure = DeleteAccountLoans(folder_, number);
    LoansLookup->Open();
    Loans->Open();
    ReopenXRef();
    CascadeDone(failure, number);
}

void TLoanInfo::CascadeDone(const std::string& Failure, const std::string& Key) {
    if (!Failure.empty()) {
        ShowError(Failure);
        Abort();
    }
    deletedKey_ = Key;
}

void TLoanInfo::PackShownTable(TTable& Shown, TTable& Lookup, const char* File) {
    TWaitCursor wait;
    Lookup.Close();
    Shown.Close();
    const std::string failure = PackRegisterTable(folder_, File);
    Shown.Open();
    Lookup.Open();
    if (!failure.empty()) ShowError(failure);
}

void TLoanInfo::AccountsAfterDelete(TDataSet*) {
    PackShownTable(*Accounts, *AccountsLookup, AccountsTable);
    SetStatus(deletedKey_ + " deleted.");
}

void TLoanInfo::LoansBeforeDelete(TDataSet* DataSet) {
    const std::string number = FieldText(DataSet, "LOANNO");
    if (!ConfirmLoanDelete(number)) Abort();
    TWaitCursor wait;
    XRef->Close();
    const std::string failure = DeleteLoanLinks(folder_, number);
    ReopenXRef();
    CascadeDone(failure, number);
}

void TLoanInfo::LoansAfterDelete(TDataSet*) {
    PackShownTable(*Loans, *LoansLookup, LoansTable);
    // The loan is gone: back to the account's loans.
    Notebook1->SetPageIndex(2);
    SetStatus(deletedKey_ + " deleted.");
}

void TLoanInfo::LoansDeleteError(TDataSet*, EDatabaseError&, TDataAction& Action) {
    ShowError("Delete failed.");
    Action = daAbort;
}

void TLoanInfo::XRefBeforeDelete(TDataSet*) {
    if (removingNewXRef_) return;
    MessageDlg("\rCan't delete here.\r\rGoto Prior page to delete account.\r\rGoto Next page to "
               "delete loan.\r\r",
               mtInformation, {mbOK}, 0);
    Abort();
}

void ShowLoanInfo(TLoanInfo& Dialog, std::string& AccountNo, Byte Mode, std::string& LoanNo) {
    Dialog.Mode = Mode;
    LoanNo = Dialog.ShowModal() == mrOk ? Dialog.LoanNoResult : std::string();
    AccountNo = FieldText(Dialog.Accounts, "ACCOUNTNO").substr(0, AccountNoWidth);
}
