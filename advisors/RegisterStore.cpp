// The register's tables and every change of them that spans several tables: made on the first
// run, numbered, saved into, loaded from and deleted from, each change whole or not at all
// through the register journal (RegisterJournal.h; the scheme in REGISTER.md).
#include "advisors/Register.h"
#include "advisors/RegisterJournal.h"

#include "controls/entry/DayNumberDates.h"
#include "db/EngineRecords.h"
#include "db/XbaseComponent.h"
#include "finance/LoanMath.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "xbase/XbError.h"
#include "xbase/XbFile.h"
#include "xbase/XbJournal.h"
#include "xbase/Xbase.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <thread>
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

std::vector<TXbFieldDef> SysInfoFields() {
    return {{"LASTLOANNO", 'N', LoanNoWidth, 0, 0},
            Text("LASTACCTNO", AccountNoWidth),
            Count("SAVECNTS")};
}

// The fields of each register table, as CreateRegisterTables makes them.
std::vector<TXbFieldDef> FieldsOf(const std::string& Name) {
    if (Name == AccountsTable) return AccountFields();
    if (Name == LoansTable) return LoanFields();
    if (Name == TransTable) return TransFields();
    if (Name == SysInfoTable) return SysInfoFields();
    return {Text("LOANNO", LoanNoWidth), Text("ACCOUNTNO", AccountNoWidth)};
}

std::string PathIn(const std::string& Folder, const std::string& Name) {
    return Folder + "/" + Name;
}

// The index tags of each register table, as CreateRegisterTables makes them.
std::vector<TIndexDesc> IndexesOf(const std::string& Name) {
    if (Name == AccountsTable) return {Tag(AccountsTag, "ACCOUNTNO", true)};
    if (Name == LoansTable) return {Tag(LoanNoTag, "LOANNO", true)};
    if (Name == XRefTable) return {Tag(AccountNoTag, "ACCOUNTNO")};
    if (Name == TransTable) return {Tag(LoanNoTag, "LOANNO")};
    return {};
}

// The tag a register table is read in.
std::string MainTag(const std::string& Name) {
    const std::vector<TIndexDesc> tags = IndexesOf(Name);
    return tags.empty() ? std::string() : tags.front().TagName;
}

// Runs Body with the engine component on Table (open).
template <typename Body>
auto OnEngine(TTable& Table, const Body& body) {
    TDataSource source(nullptr);
    source.SetDataSet(&Table);
    TXBase engine(nullptr);
    engine.SetDataSource(&source);
    struct TUnlink {
        TXBase& Engine;
        ~TUnlink() { Engine.SetDataSource(nullptr); }
    } unlink{engine};
    return body(engine);
}

// Removes the deleted records of a table open exclusively; raises when the engine refuses.
void PackTable(TTable& Table) {
    OnEngine(Table, [](TXBase& engine) { engine.Pack(); });
}

// The table's record count, records marked deleted included.
LongInt RecordsInFile(TTable& Table) {
    return OnEngine(Table, [](TXBase& engine) { return engine.RecCount(); });
}

// The record number a bookmark of the table stands for.
LongInt RecordOf(const std::vector<char>& Bookmark) {
    LongInt recno = 0;
    std::memcpy(&recno, Bookmark.data(), std::min(Bookmark.size(), sizeof recno));
    return recno;
}

// Appends one record through Fill to a table of the register.
template <typename F>
void AppendRecord(TTable& Table, F Fill) {
    Table.Append();
    Fill(Table);
    Table.Post();
}

// Appends one record through Fill to a table of the register just created.
template <typename F>
void AppendFirstRecord(const std::string& Folder, const std::string& Name, F Fill) {
    std::unique_ptr<TTable> table = RegisterTable(Folder, Name);
    table->Open();
    AppendRecord(*table, Fill);
    table->Close();
}

void SetCounter(TTable& Info, LongInt Last) {
    Info.FieldByName("LASTLOANNO")->SetAsInteger(Last);
    Info.FieldByName("SAVECNTS")->SetAsInteger(0);
}

void SetDefaultAccount(TTable& Accounts) {
    Accounts.FieldByName("ACCOUNTNO")->SetAsString(DefaultAccount);
}

// ----- Records of the schedule storage

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

void WriteTerms(TTable& Loans, const TAmortLoan& loan, const TAmortOptions& Options) {
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

// ----- Tables that cannot be had

// How long an operation waits for a table another copy of the program holds.
constexpr auto InUseWait = std::chrono::seconds(2);

enum class TTrouble {
    InUse,
    DamagedIndex,
    Damaged,
    Missing,
    DiskFull,
    ReadOnly,
    NoLocks,
    Unreadable
};

// A register table could not be had as the operation needs it; Message says which and why.
struct TTableTrouble {
    std::string Message;
    TTrouble Kind = TTrouble::Damaged;
};

// The pack count of TRANS.DBF in Folder as its file holds it (0 when it cannot be read).
LongWord TransPacks(const std::string& Folder) {
    const std::string path = XbFindFile(PathIn(Folder, TransTable));
    TXbFile file;
    return !path.empty() && file.Open(path, false) ? XbPackCount(file) : 0;
}

// A journal whose change is finished although the journal stayed (its finisher could not remove
// it): TRANS.DBF was packed since it was written, which never happens while its change waits.
bool FinishedJournal(const std::string& Folder, const TRegisterChange& Change) {
    return Change.Packs && *Change.Packs != TransPacks(Folder);
}

// The name of the journal of the folder a change waits in (or one that cannot be read), empty
// when none: one cut short, which wrote nothing, or finished does not wait.
std::string WaitingJournal(const std::string& Folder) {
    for (const std::string& name : RegisterJournalNames(Folder)) {
        TRegisterChange change;
        const TJournalState state = ReadRegisterJournal(Folder, change, nullptr, name);
        if (state == jsUnreadable || state == jsFormer ||
            (state == jsComplete && !FinishedJournal(Folder, change)))
            return name;
    }
    return {};
}

std::string TableOfFile(const std::string& Path);
int LeaveRefused(const std::string& Path, int Mode);

// The register refused a write for want of leave: its folder or the file RegisterRefusal names
// (the folder when it names none). While a change waits in its journal, that change cannot be
// brought to its end; else nothing could be changed.
std::string UnwritableMessage(const std::string& Folder) {
    const TRegisterRefusal refusal = RegisterRefusal(Folder);
    const std::string journal = WaitingJournal(Folder);
    if (journal.empty()) return RegisterRefusedMessage(Folder, refusal);
    return refusal.File.empty()
               ? RegisterRecoveryUnwritableMessage(Folder, journal)
               : RegisterRecoveryFailedMessage(TableOfFile(refusal.File), refusal.Error, journal);
}

const EDBEngineError* EngineErrorOf(const Exception& E) {
    return dynamic_cast<const EDBEngineError*>(&E);
}

// The engine's error code behind an exception, 0 when it is no engine error.
DBIResult EngineCodeOf(const Exception& E) {
    const EDBEngineError* engine = EngineErrorOf(E);
    return engine && engine->ErrorCount() > 0 ? engine->Errors(0).ErrorCode : 0;
}

// The engine's reason behind an exception, xbErrNone when it is no engine error or the engine
// gave none.
int ReasonOf(const Exception& E) {
    const EDBEngineError* engine = EngineErrorOf(E);
    return engine ? engine->Reason() : xbErrNone;
}

// The errno of a write the system refused for a cause of its own (an I/O error: no full disk, no
// want of leave) behind an exception; 0 when it is none such.
int SystemCauseOf(const Exception& E) {
    const EDBEngineError* engine = EngineErrorOf(E);
    return engine && engine->Reason() == xbErrOther ? engine->ReasonError() : 0;
}

// What keeps a table from the register. A refused write is a full disk whatever the operation
// was (an index made anew on opening, a record written); the error codes tell a lock and an
// index to be made anew; then the reason tells a table another holds, a missing file or one
// that may not be written.
TTrouble TroubleOf(const Exception& E) {
    const int reason = ReasonOf(E);
    if (reason == xbErrDiskFull) return TTrouble::DiskFull;
    if (reason == xbErrNoLocks) return TTrouble::NoLocks;
    switch (EngineCodeOf(E)) {
    case dbiTableBusy:
    case dbiLockRefused:
    case dbiNeedExclusive: return TTrouble::InUse;
    case dbiIndexDamaged:
    case dbiNoSuchIndex: return TTrouble::DamagedIndex;
    default: break;
    }
    switch (reason) {
    case xbErrLocked: return TTrouble::InUse;
    case xbErrFileMissing: return TTrouble::Missing;
    case xbErrReadOnly: return TTrouble::ReadOnly;
    case xbErrNotReadable: return TTrouble::Unreadable;
    default: return TTrouble::Damaged;
    }
}

// The register folder the user may not enter, else the file of E's reason the user may not read.
std::string UnreadableMessage(const std::string& Folder, const Exception& E) {
    if (LeaveRefused(Folder, X_OK) != 0) return RegisterFolderClosedMessage(Folder);
    return RegisterFileUnreadableMessage(XbFileName(EngineErrorOf(E)->ReasonFile()), Folder);
}

[[noreturn]] void RaiseTrouble(const std::string& Folder, const std::string& Name, TTrouble Trouble,
                               const Exception& E) {
    switch (Trouble) {
    case TTrouble::InUse: throw TTableTrouble{RegisterInUseMessage(Name)};
    case TTrouble::DiskFull: throw TTableTrouble{RegisterDiskFullMessage(Name), Trouble};
    case TTrouble::Missing: throw TTableTrouble{RegisterMissingMessage(Name, Folder)};
    case TTrouble::NoLocks: throw TTableTrouble{RegisterNoLocksMessage(Name, Folder), Trouble};
    case TTrouble::ReadOnly: throw TTableTrouble{UnwritableMessage(Folder)};
    case TTrouble::Unreadable: throw TTableTrouble{UnreadableMessage(Folder, E)};
    default:
        // A write the system failed while a change waits in its journal (an index the recovery's
        // open makes anew) keeps that change from its end.
        if (const std::string journal = SystemCauseOf(E) != 0 ? WaitingJournal(Folder) : "";
            !journal.empty())
            throw TTableTrouble{RegisterRecoveryFailedMessage(Name, SystemCauseOf(E), journal)};
        throw TTableTrouble{RegisterDamagedMessage(Name, E.what())};
    }
}

// The kind of value a field of the dataset holds, as the type letter of a table field.
char KindOf(TFieldType Type) {
    switch (Type) {
    case ftString: return 'C';
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD: return 'N';
    case ftDate: return 'D';
    case ftBoolean: return 'L';
    default: return '?';
    }
}

// A table another program made or changed may lack a field of the register's table Name, or
// hold it as another kind of value, which the register could neither read nor write: that
// raises TTableTrouble naming the field.
void CheckFields(TTable& Table, const std::string& Name) {
    TFieldDefs* defs = Table.FieldDefs();
    for (const TXbFieldDef& field : FieldsOf(Name)) {
        const int at = defs->IndexOf(field.Name);
        if (at < 0 || KindOf(defs->Items(at)->DataType()) != field.Type)
            throw TTableTrouble{RegisterFieldMessage(Name, field.Name, at < 0 ? 0 : field.Type)};
    }
}

// Opens a table of the register in its main order, exclusively when asked, for reading alone
// when asked, and checks that its fields are the register's.
std::unique_ptr<TTable> OpenChecked(const std::string& Folder, const std::string& Name,
                                    bool Exclusive, bool ReadOnly = false) {
    std::unique_ptr<TTable> table = RegisterTable(Folder, Name, MainTag(Name));
    table->SetExclusive(Exclusive);
    table->SetReadOnly(ReadOnly);
    table->Open();
    CheckFields(*table, Name);
    return table;
}

// Opens a table of the register in its main order, exclusively when asked. An index that is
// out of step or damaged is made anew when the table is alone; a table another copy holds is
// waited for a short while. What stays in the way raises TTableTrouble.
std::unique_ptr<TTable> OpenTable(const std::string& Folder, const std::string& Name,
                                  bool Exclusive) {
    const auto deadline = std::chrono::steady_clock::now() + InUseWait;
    bool rebuilt = false;
    for (;;) {
        try {
            return OpenChecked(Folder, Name, Exclusive);
        } catch (const EAbort&) {
            throw;
        } catch (const Exception& e) {
            TTrouble trouble = TroubleOf(e);
            if (trouble == TTrouble::DamagedIndex && !rebuilt) {
                try {
                    RebuildIndexes(PathIn(Folder, Name), IndexesOf(Name), ttXBNSX);
                    rebuilt = true;
                    continue;
                } catch (const Exception& r) {
                    trouble = TroubleOf(r);
                    if (trouble != TTrouble::InUse) RaiseTrouble(Folder, Name, trouble, r);
                }
            }
            // An index that cannot be made anew while another copy holds the table is told as
            // the table in use, which it is.
            if (trouble != TTrouble::InUse || std::chrono::steady_clock::now() >= deadline)
                RaiseTrouble(Folder, Name, trouble, e);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
}

// Opens a table of the register to be read, as OpenTable does. When the full disk refuses the
// repair the open makes (an index made anew) and no change waits in the journal, the table is
// opened for reading as it is: the engine then takes an index whose record count and update
// stamp are the table's, and orders the table for itself where one fell behind. Refused
// (when given) then gets the full disk's message, unless it holds one already.
std::unique_ptr<TTable> OpenToRead(const std::string& Folder, const std::string& Name,
                                   bool Exclusive, std::string* Refused = nullptr) {
    try {
        return OpenTable(Folder, Name, Exclusive);
    } catch (const TTableTrouble& trouble) {
        if (trouble.Kind != TTrouble::DiskFull || !WaitingJournal(Folder).empty()) throw;
        if (Refused && Refused->empty()) *Refused = trouble.Message;
    }
    return OpenChecked(Folder, Name, Exclusive, true);
}

// The register table a file of the engine at Path belongs to: its name up to the first dot,
// with .DBF (TRANS.NSX, the pack's copy TRANS.DBF.pk and its journal TRANS.PKJ are TRANS.DBF's).
std::string TableOfFile(const std::string& Path) {
    const std::string name = XbFileName(Path);
    return AnsiUpperCase(name.substr(0, name.find('.'))) + ".DBF";
}

// Runs Step on the register in Folder and turns what goes wrong into the message to show: the
// trouble of a table, else Otherwise.
template <typename F>
std::string Guarded(const std::string& Folder, const std::string& Otherwise, const F& Step) {
    try {
        return Step();
    } catch (const TTableTrouble& trouble) {
        return trouble.Message;
    } catch (const EAbort&) {
        throw;
    } catch (const Exception& e) {
        return RegisterFailureMessage(Folder, e, Otherwise);
    }
}

// ----- The tables one change of the register works on

// The number of the active record of Table.
LongInt ActiveRecord(TTable& Table) {
    return RecordOf(Table.GetBookmark());
}

// The numbers of the live records of Table whose key in its order is Key.
std::vector<LongInt> RecordsWithKey(TTable& Table, const std::string& Key) {
    std::vector<LongInt> records;
    Table.SetRange({TVarRec(Key)}, {TVarRec(Key)});
    for (Table.First(); !Table.Eof(); Table.Next())
        records.push_back(ActiveRecord(Table));
    Table.CancelRange();
    return records;
}

// The numbers of the live records of Table whose Field holds one of Values, by value, read in
// record order, not through the table's index (which a kill may have left behind its table).
std::map<std::string, std::vector<LongInt>> RecordsAmong(TTable& Table, const char* Field,
                                                         const std::set<std::string>& Values) {
    const std::string index = Table.IndexName();
    Table.SetIndexName(std::string());
    std::map<std::string, std::vector<LongInt>> records;
    for (Table.First(); !Table.Eof(); Table.Next())
        if (const std::string value = KeyText(&Table, Field); Values.count(value) != 0)
            records[value].push_back(ActiveRecord(Table));
    Table.SetIndexName(index);
    return records;
}

template <typename T>
void Append(std::vector<T>& To, const std::vector<T>& More) {
    To.insert(To.end(), More.begin(), More.end());
}

// The field of a register table that holds the key a change's records are checked by: the
// account number of an account, the loan number of the others.
const char* KeyField(const std::string& Name) {
    return Name == AccountsTable ? "ACCOUNTNO" : "LOANNO";
}

// The runs of the live records of the register table Name (open as Table) whose key holds one
// of Values, each with its key, found as RecordsAmong finds them.
std::vector<TRecordRun> RunsAmong(TTable& Table, const std::string& Name,
                                  const std::set<std::string>& Values) {
    std::vector<TRecordRun> runs;
    for (const auto& [value, records] : RecordsAmong(Table, KeyField(Name), Values))
        Append(runs, RecordRuns(Name, records, value));
    return runs;
}

// Marks the records of Runs in Table deleted, or takes the marks back, by their numbers.
void MarkRuns(TTable& Table, const std::vector<TRecordRun>& Runs, bool Deleted) {
    std::vector<std::pair<LongInt, LongInt>> spans;
    for (const TRecordRun& run : Runs)
        spans.emplace_back(run.First, run.Last);
    OnEngine(Table, [&](TXBase& engine) { engine.MarkRecords(spans, Deleted); });
}

bool Among(const std::vector<std::string>& Values, const std::string& Value) {
    return std::find(Values.begin(), Values.end(), Value) != Values.end();
}

// How a change takes the tables besides TRANS.DBF, which it always holds exclusively; a load
// reads them (OpenToRead).
enum class TTableMode { Shared, Exclusive, ExclusiveWhenFree, Reading };

// The register's tables one change opens, each once. The first use of TRANS.DBF (opened
// exclusively: the register's change lock) finishes or undoes a change a killed process left.
class TRegisterTables {
public:
    TRegisterTables(std::string Folder, TTableMode Mode) : folder_(std::move(Folder)), mode_(Mode) {}
    ~TRegisterTables() { Close(); }

    TTable& Get(const std::string& Name);
    TTable& Trans() { return Get(TransTable); }
    // A table the change writes. A register that cannot be changed (RegisterRefusal: its
    // folder, or a file of its tables), or a table the engine could open for reading only,
    // raises that trouble before anything is written.
    TTable& ToWrite(const std::string& Name);
    const std::string& Folder() const { return folder_; }
    // Marks the records of Runs deleted, or takes the marks back, each in its table.
    void Mark(const std::vector<TRecordRun>& Runs, bool Deleted);
    // Every change reaches the disk; raises when a write fails.
    void Save();
    // Packs the tables held exclusively; false when a pack failed. Refused (when given) gets the
    // name of the first table whose pack the full disk refused.
    bool Pack(std::string* Refused = nullptr);
    void Close();
    // After a failed write of a change whose journal is Journal. A change whose commit mark
    // reached the journal's file took effect (only a flush failed after it): true. Otherwise the
    // tables are closed, so that what the failure left in memory goes, and TRANS.DBF is had
    // again, which undoes the change from its journal as the next open would (when that fails
    // too, the journal waits for the next open): false.
    bool Recover(const std::string& Journal);

private:
    std::string folder_;
    TTableMode mode_;
    std::map<std::string, std::unique_ptr<TTable>> open_;
    std::map<std::string, bool> exclusive_;
};

bool FinishChange(TRegisterTables& Tables);

TTable& TRegisterTables::Get(const std::string& Name) {
    if (const auto found = open_.find(Name); found != open_.end()) return *found->second;
    bool exclusive = Name == TransTable || mode_ == TTableMode::Exclusive ||
                     mode_ == TTableMode::ExclusiveWhenFree;
    std::unique_ptr<TTable> table;
    if (mode_ == TTableMode::ExclusiveWhenFree && Name != TransTable) {
        try {
            table = OpenChecked(folder_, Name, true);
        } catch (const EAbort&) {
            throw;
        } catch (const Exception&) {
            exclusive = false;
            table = OpenTable(folder_, Name, false);
        }
    } else if (mode_ == TTableMode::Reading) {
        table = OpenToRead(folder_, Name, exclusive);
    } else {
        table = OpenTable(folder_, Name, exclusive);
    }
    TTable& got = *table;
    open_[Name] = std::move(table);
    exclusive_[Name] = exclusive;
    // A change a killed process or a failed write left is brought to its end, and its marked
    // records packed.
    if (Name == TransTable && FinishChange(*this)) Pack();
    return got;
}

TTable& TRegisterTables::ToWrite(const std::string& Name) {
    TTable& table = Get(Name);
    if (RegisterRefusal(folder_).Error != 0 || !table.CanModify())
        throw TTableTrouble{UnwritableMessage(folder_)};
    return table;
}

void TRegisterTables::Mark(const std::vector<TRecordRun>& Runs, bool Deleted) {
    std::map<std::string, std::vector<TRecordRun>> byTable;
    for (const TRecordRun& run : Runs)
        byTable[run.Table].push_back(run);
    for (const auto& [name, runs] : byTable)
        MarkRuns(Get(name), runs, Deleted);
}

void TRegisterTables::Save() {
    for (auto& [name, table] : open_)
        CheckEngineResult(DbiSaveChanges(table->Handle()));
}

bool TRegisterTables::Pack(std::string* Refused) {
    bool packed = true;
    for (auto& [name, table] : open_) {
        if (!exclusive_[name]) continue;
        try {
            PackTable(*table);
        } catch (const EAbort&) {
            throw;
        } catch (const Exception& e) {
            packed = false;
            if (Refused && Refused->empty() && TroubleOf(e) == TTrouble::DiskFull) *Refused = name;
        }
    }
    return packed;
}

void TRegisterTables::Close() {
    for (auto& [name, table] : open_) {
        try {
            if (table->State() != dsBrowse) table->Cancel();
            table->Close();
        } catch (const Exception&) {
            // What a failed write left is undone by the journal on the next open.
        }
    }
    open_.clear();
}

bool TRegisterTables::Recover(const std::string& Journal) {
    // TRANS.DBF is still held: the journal is as the failure left it.
    TRegisterChange change;
    if (ReadRegisterJournal(folder_, change, nullptr, Journal) == jsComplete && change.Committed)
        return true;
    Close();
    try {
        Trans();
    } catch (const EAbort&) {
        throw;
    } catch (const TTableTrouble&) {
    } catch (const Exception&) {
    }
    return false;
}

// Undoes a change that did not take effect, from its journal alone: the records it made are
// marked deleted, the records it marked are live again, and the loan it saved over gets its
// terms back.
void Undo(TRegisterTables& Tables, const TRegisterChange& Change) {
    Tables.Mark(Change.Made, true);
    Tables.Mark(Change.Gone, false);
    if (Change.TermsRecord == 0) return;
    TTable& loans = Tables.Get(LoansTable);
    // A record marked deleted since (by another program) is left as it is.
    if (!OnEngine(loans, [&](TXBase& engine) { return engine.GotoRecord(Change.TermsRecord); }))
        return;
    loans.Edit();
    WriteTerms(loans, Change.OldLoan, Change.OldOptions);
    loans.Post();
}

// The change a journal of the first format tells, as this build names it: its records found by
// reading the tables in record order. A save's new rows are the loan's rows from its first new
// row on, its old rows those before; the loan's record gets the old terms back, or, made for
// the save, goes with its link. A delete's records are its loans' rows, links and records and
// its account's record.
TRegisterChange FormerChange(TRegisterTables& Tables, const TFormerRegisterChange& Former) {
    TRegisterChange change;
    change.Kind = Former.Kind;
    change.Committed = Former.Committed;
    if (Former.Kind == rcDelete) {
        change.Name = Former.Account;
        const std::set<std::string> loans(Former.Loans.begin(), Former.Loans.end());
        for (const char* name : {TransTable, XRefTable, LoansTable})
            Append(change.Gone, RunsAmong(Tables.Get(name), name, loans));
        if (!Former.Account.empty())
            Append(change.Gone,
                   RunsAmong(Tables.Get(AccountsTable), AccountsTable, {Former.Account}));
        return change;
    }
    change.Name = Former.Loan;
    std::vector<LongInt> oldRows, newRows;
    const std::vector<LongInt> rows =
        RecordsAmong(Tables.Trans(), "LOANNO", {Former.Loan})[Former.Loan];
    for (const LongInt record : rows)
        (record < Former.FirstNewRow ? oldRows : newRows).push_back(record);
    change.Made = RecordRuns(TransTable, newRows, Former.Loan);
    change.Gone = RecordRuns(TransTable, oldRows, Former.Loan);
    const std::vector<LongInt> loan =
        RecordsAmong(Tables.Get(LoansTable), "LOANNO", {Former.Loan})[Former.Loan];
    if (Former.NewLoan) {
        Append(change.Made, RecordRuns(LoansTable, loan, Former.Loan));
        Append(change.Made, RunsAmong(Tables.Get(XRefTable), XRefTable, {Former.Loan}));
    } else if (Former.Terms && !loan.empty()) {
        change.TermsRecord = loan.front();
        change.OldLoan = Former.OldLoan;
        change.OldOptions = Former.OldOptions;
    }
    return change;
}

// Brings a change that a journal of the first format tells (an older build left it) to its end
// as that build did: a change that took effect loses the records it had still to mark deleted
// (a save's old rows, a delete's records), one that did not is undone.
void FinishFormerChange(TRegisterTables& Tables, const std::string& Journal) {
    TFormerRegisterChange former;
    int error = 0;
    const TJournalState state = ReadFormerRegisterJournal(Tables.Folder(), former, &error, Journal);
    if (state == jsUnreadable)
        throw TTableTrouble{RegisterJournalUnreadableMessage(Tables.Folder(), error, Journal)};
    if (state != jsComplete) return;
    const TRegisterChange change = FormerChange(Tables, former);
    if (change.Committed)
        Tables.Mark(change.Gone, true);
    else
        Undo(Tables, change);
    Tables.Save();
}

// Whether the tables are those Change was written for: each holds at least the records it had
// before the change; each record the change marks, and the record whose terms it replaces,
// holds the key the journal gives; each record it adds that the table has holds that key or,
// appended by a change a kill cut short, none yet. Tables put back from a copy, or changed by
// another program, fail.
bool TablesMatch(TRegisterTables& Tables, const TRegisterChange& Change) {
    for (const auto& [name, count] : Change.Counts)
        if (RecordsInFile(Tables.Get(name)) < count) return false;
    const auto holds = [&](const TRecordRun& Run, bool Added) {
        if (Run.Key.empty()) return true; // not known (a journal of the second format)
        const std::vector<std::string> keys = OnEngine(Tables.Get(Run.Table), [&](TXBase& e) {
            return e.FieldOfRecords(Run.First, Run.Last, KeyField(Run.Table));
        });
        return (Added || static_cast<LongInt>(keys.size()) == Run.Last - Run.First + 1) &&
               std::all_of(keys.begin(), keys.end(), [&](const std::string& Key) {
                   const std::string held = TrimRight(Key);
                   return held == Run.Key || (Added && held.empty());
               });
    };
    return std::all_of(Change.Made.begin(), Change.Made.end(),
                       [&](const TRecordRun& Run) { return holds(Run, true); }) &&
           std::all_of(Change.Gone.begin(), Change.Gone.end(),
                       [&](const TRecordRun& Run) { return holds(Run, false); }) &&
           (Change.TermsRecord == 0 ||
            holds({LoansTable, Change.TermsRecord, Change.TermsRecord, Change.Name}, false));
}

// "loan 1", "loans 1 and 3", "loans 1, 3 and 4".
std::string LoansText(const std::vector<std::string>& Loans) {
    std::string text = Loans.size() == 1 ? "loan " : "loans ";
    for (std::size_t k = 0; k < Loans.size(); ++k)
        text += std::string(k == 0 ? "" : k + 1 == Loans.size() ? " and " : ", ") + Loans[k];
    return text;
}

// What the unfinished Change was for: its loans are the keys of the records it writes (a save's
// loan), their account the one it deletes or else the one the links of the tables give.
TUnfinishedChange UnfinishedChange(TRegisterTables& Tables, const TRegisterChange& Change) {
    TUnfinishedChange what;
    what.Delete = Change.Kind == rcDelete;
    what.AccountDeleted = what.Delete && !Change.Name.empty();
    std::set<std::string> loans;
    if (!what.Delete) loans.insert(Change.Name);
    for (const std::vector<TRecordRun>* runs : {&Change.Made, &Change.Gone})
        for (const TRecordRun& run : *runs)
            if (run.Table != AccountsTable && !run.Key.empty()) loans.insert(run.Key);
    what.Loans.assign(loans.begin(), loans.end());
    if (what.AccountDeleted) {
        what.Account = Change.Name;
        return what;
    }
    TTable& xref = Tables.Get(XRefTable);
    for (xref.First(); !xref.Eof() && what.Account.empty(); xref.Next())
        if (loans.count(KeyText(&xref, "LOANNO")) != 0) what.Account = KeyText(&xref, "ACCOUNTNO");
    return what;
}

// The recovery could not set its journal aside, remove it or pack TRANS.DBF after it: a folder
// that cannot be written, or the full disk, is told as such; other failures raise as the
// change's own.
[[noreturn]] void RecoveryRefused(const std::string& Folder, const std::string& Journal) {
    if (xb_LastError() == xbErrReadOnly)
        throw TTableTrouble{RegisterRecoveryUnwritableMessage(Folder, Journal)};
    if (xb_LastError() == xbErrDiskFull)
        throw TTableTrouble{RegisterDiskFullMessage(TransTable), TTrouble::DiskFull};
    DatabaseError(SaveFailedMessage);
}

// The finished journal of Change could not be removed. One the user may not remove (another
// user's, in a sticky folder) is left finished by the tables' state: TRANS.DBF is packed at
// once, so that its pack count is no longer the one the journal records. A Harmless one, whose
// change only loses its journal when it is finished again (committed, or cut short before it
// wrote anything), may stay as it is.
void LeaveFinished(TRegisterTables& Tables, const std::string& Journal,
                   const TRegisterChange& Change, bool Harmless) {
    if (xb_LastError() != xbErrReadOnly || (!Harmless && !Change.Packs))
        RecoveryRefused(Tables.Folder(), Journal);
    if (Harmless) return;
    try {
        PackTable(Tables.Trans());
    } catch (const EAbort&) {
        throw;
    } catch (const Exception&) {
        RecoveryRefused(Tables.Folder(), Journal);
    }
}

// Brings the change the folder's journal Journal tells to its end: one that took effect keeps
// what it wrote, which all reached the disk before its commit mark; one that did not is undone
// (a journal of the first format: FinishFormerChange), but only on the tables it was written
// for: on others nothing is applied, the journal is set aside under another name and the user
// told (false). The journal goes once the tables are so on disk. False when there was none, or
// when it was finished before (FinishedJournal). A journal that cannot be read raises its
// trouble with nothing changed. Raises when a write fails: the journal then stays, nothing is
// packed (its record numbers stay true), and the next open tries again.
bool FinishJournal(TRegisterTables& Tables, const std::string& Journal) {
    const std::string& folder = Tables.Folder();
    TRegisterChange change;
    int error = 0;
    const TJournalState state = ReadRegisterJournal(folder, change, &error, Journal);
    if (state == jsNone) return false;
    if (state == jsUnreadable)
        throw TTableTrouble{RegisterJournalUnreadableMessage(folder, error, Journal)};
    if (state == jsComplete && FinishedJournal(folder, change)) {
        const TXbHandledFailures handled; // the user may not remove it: it does no harm
        RemoveRegisterJournal(folder, Journal);
        return false;
    }
    // Only a user who may write the tables brings a change to its end: for another it waits.
    if (state == jsFormer || (state == jsComplete && !change.Committed)) Tables.ToWrite(TransTable);
    if (state == jsFormer) FinishFormerChange(Tables, Journal);
    if (state == jsComplete && !change.Committed) {
        if (!TablesMatch(Tables, change)) {
            const TUnfinishedChange what = UnfinishedChange(Tables, change);
            const std::string aside = SetRegisterJournalAside(folder, Journal);
            // One the user may not rename (another user's, in a sticky folder) stays finished.
            if (aside.empty()) LeaveFinished(Tables, Journal, change, false);
            MessageDlg(RegisterJournalSetAsideMessage(folder, aside.empty() ? Journal : aside, what,
                                                      !aside.empty(), Journal),
                       mtWarning, {mbOK}, 0);
            return false;
        }
        Undo(Tables, change);
        Tables.Save();
    }
    if (RemoveRegisterJournal(folder, Journal)) return true;
    LeaveFinished(Tables, Journal, change, state == jsCutShort || change.Committed);
    return state != jsCutShort; // one cut short left nothing to pack
}

// Brings the change a journal of the folder tells to its end (FinishJournal): at most one
// waits, since every change first finishes those before it. True when one was. A write the
// system refused for a cause of its own is told with the table it was for, the system's cause
// and the journal.
bool FinishChange(TRegisterTables& Tables) {
    bool finished = false;
    for (const std::string& journal : RegisterJournalNames(Tables.Folder())) {
        try {
            finished = FinishJournal(Tables, journal) || finished;
        } catch (const EDBEngineError& e) {
            if (SystemCauseOf(e) == 0 || e.ReasonFile().empty()) throw;
            throw TTableTrouble{RegisterRecoveryFailedMessage(TableOfFile(e.ReasonFile()),
                                                              SystemCauseOf(e), journal)};
        }
    }
    return finished;
}

// The record count of each table Change writes (the loans for its terms), before it writes.
std::map<std::string, LongInt> CountsOf(TRegisterTables& Tables, const TRegisterChange& Change) {
    std::map<std::string, LongInt> counts;
    for (const std::vector<TRecordRun>* runs : {&Change.Made, &Change.Gone})
        for (const TRecordRun& run : *runs)
            counts[run.Table] = 0;
    if (Change.TermsRecord > 0) counts[LoansTable] = 0;
    for (auto& [name, count] : counts)
        count = RecordsInFile(Tables.Get(name));
    return counts;
}

// The journal Journal of a change of the register in Folder could not be written: a folder that
// refuses it for want of leave, or the full disk, raises that trouble.
void JournalRefused(const std::string& Folder, const std::string& Journal) {
    if (xb_LastError() == xbErrReadOnly)
        throw TTableTrouble{RegisterFolderUnwritableMessage(Folder)};
    if (xb_LastError() == xbErrDiskFull)
        throw TTableTrouble{RegisterJournalDiskFullMessage(Folder, Journal), TTrouble::DiskFull};
}

// Makes Change, whose records Write writes, as one change of the register: the journal first
// (with the tables' record counts); then the records, every table on disk, and the commit
// mark. A journal the folder refuses for want of leave, or the full disk, raises that trouble.
// A failure on the way undoes the change from its journal (TRegisterTables::Recover) and raises
// again, unless the change took effect before it. True when the change took effect; its journal
// is then removed (or left to the next open, which only removes it: a pack meanwhile does no
// harm). False when the journal could not be written.
template <typename F>
bool RunChange(TRegisterTables& Tables, TRegisterChange Change, const F& Write) {
    const std::string& folder = Tables.Folder();
    Change.Counts = CountsOf(Tables, Change);
    Change.Packs = TransPacks(folder);
    // A journal still under the common name is a finished one this user may not remove.
    const std::string journal = std::filesystem::exists(RegisterJournalPath(folder))
                                    ? OwnRegisterJournalName()
                                    : std::string(RegisterJournalName);
    if (!WriteRegisterJournal(folder, Change, journal)) {
        JournalRefused(folder, journal);
        return false;
    }
    try {
        Write();
        Tables.Save();
        if (!CommitRegisterJournal(folder, journal)) {
            JournalRefused(folder, journal);
            DatabaseError(SaveFailedMessage);
        }
    } catch (const EAbort&) {
        Tables.Recover(journal);
        throw;
    } catch (const TTableTrouble&) {
        if (Tables.Recover(journal)) return true;
        throw;
    } catch (const Exception&) {
        // Undone, the change answers the failure it met, with its cause (a full disk names the
        // table it could not write).
        if (Tables.Recover(journal)) return true;
        throw;
    }
    RemoveRegisterJournal(folder, journal);
    return true;
}

} // namespace

std::string RegisterInUseMessage(const std::string& Table) {
    return "The register table " + Table + " is in use by another copy of the program.\n\n"
           "Nothing was changed. Try again when the other copy is done with it.";
}

std::string RegisterFolderUnwritableMessage(const std::string& Folder) {
    return "The register folder " + Folder +
           " cannot be written.\n\n"
           "Nothing was changed. Let the program write in that folder and try again.";
}

std::string RegisterRecoveryUnwritableMessage(const std::string& Folder,
                                              const std::string& Journal) {
    return "The register folder " + Folder +
           " cannot be written, so the change of the register "
           "that was left unfinished cannot be brought to its end.\n\n"
           "Nothing is lost: the change waits in its journal " +
           Journal + ", and the first start that can write in the folder finishes it.";
}

std::string RegisterFolderReadOnlyMessage(const std::string& Folder) {
    return "The register folder " + Folder +
           " cannot be written.\n\n"
           "Its accounts and loans can be looked at and loaded, but none can be added, saved or "
           "deleted until the program may write in that folder.";
}

namespace {

// "The register table LOANS.DBF in the folder F cannot be written: permission denied.", or "The
// index LOANS.NSX of the register table LOANS.DBF ..."; Access is "written" or "read".
std::string FileRefusedText(const std::string& File, const std::string& Folder, int Error,
                            const char* Access = "written") {
    const std::string table = TableOfFile(File);
    return (AnsiUpperCase(File) == table
                ? "The register table " + File
                : "The index " + File + " of the register table " + table) +
           " in the folder " + Folder + " cannot be " + Access + ": " + SysErrorMessage(Error) +
           ".";
}

// The errno with which the system refuses the access Mode (W_OK, X_OK) to Path for want of leave
// (EACCES; EROFS: a read-only file system), 0 when it grants it or for another cause (a file
// that is not there is told by its open). It judges the effective user, as it judges every
// write of the process: access() would judge the real one, another user where the process took
// an identity for file access. A superuser is granted a closed folder or file, which he writes.
int LeaveRefused(const std::string& Path, int Mode) {
    if (::faccessat(AT_FDCWD, Path.c_str(), Mode, AT_EACCESS) == 0) return 0;
    return errno == EACCES || errno == EROFS ? errno : 0;
}

} // namespace

std::string RegisterFileUnwritableMessage(const std::string& File, const std::string& Folder,
                                          int Error) {
    return FileRefusedText(File, Folder, Error) +
           "\n\nNothing was changed. Let the program write that file and try again.";
}

std::string RegisterFileReadOnlyMessage(const std::string& File, const std::string& Folder,
                                        int Error) {
    return FileRefusedText(File, Folder, Error) +
           "\n\nIts accounts and loans can be looked at and loaded, but none can be added, saved "
           "or deleted until the program may write that file.";
}

std::string RegisterFileUnreadableMessage(const std::string& File, const std::string& Folder) {
    return FileRefusedText(File, Folder, EACCES, "read") +
           "\n\nLet the program read that file and try again.";
}

std::string RegisterFolderClosedMessage(const std::string& Folder) {
    return "The register folder " + Folder + " cannot be entered: " + SysErrorMessage(EACCES) +
           ".\n\nLet the program enter that folder and try again.";
}

TRegisterRefusal RegisterRefusal(const std::string& Folder) {
    if (const int error = LeaveRefused(Folder, W_OK | X_OK)) return {std::string(), error};
    for (const char* name : {TransTable, LoansTable, XRefTable, AccountsTable, SysInfoTable}) {
        const std::string table = XbFindFile(PathIn(Folder, name));
        if (table.empty()) continue;
        std::vector<std::string> files{table};
        if (!IndexesOf(name).empty()) files.push_back(XbFindFile(XbCompanionPath(table, ".NSX")));
        for (const std::string& file : files)
            if (const int error = file.empty() ? 0 : LeaveRefused(file, W_OK))
                return {XbFileName(file), error};
    }
    return {};
}

std::string RegisterRefusedMessage(const std::string& Folder, const TRegisterRefusal& Refusal) {
    return Refusal.File.empty()
               ? RegisterFolderUnwritableMessage(Folder)
               : RegisterFileUnwritableMessage(Refusal.File, Folder, Refusal.Error);
}

std::string RegisterRecoveryFailedMessage(const std::string& Table, int Error,
                                          const std::string& Journal) {
    return "The register table " + Table + " could not be written: " + SysErrorMessage(Error) +
           ", so the change of the register that was left unfinished cannot be brought to its "
           "end.\n\n"
           "Nothing is lost: the change waits in its journal " +
           Journal + ", and the next start tries again.";
}

std::string RegisterJournalUnreadableMessage(const std::string& Folder, int Error,
                                             const std::string& Journal) {
    const std::string cause = SysErrorMessage(Error);
    return "The register journal " + Journal + " in the folder " + Folder +
           " cannot be read: " + cause +
           ".\n\n"
           "It holds a change of the register that was left unfinished: the register stays "
           "closed and nothing was changed. Once the program can read the journal, the next "
           "start finishes the change.";
}

std::string RegisterJournalSetAsideMessage(const std::string& Folder, const std::string& Name,
                                           const TUnfinishedChange& Change, bool Renamed,
                                           const std::string& Journal) {
    const std::string loans = LoansText(Change.Loans);
    const std::string them = Change.Loans.size() == 1 ? "it" : "them";
    const std::string account = Change.Account.empty() ? ", which no account lists"
                                                       : " of the account " + Change.Account;
    std::string what, check;
    if (Change.AccountDeleted) {
        what = "a delete of the account " + Change.Account +
               (Change.Loans.empty() ? "" : " with its " + loans);
        check = "the account and its loans may hold part of it: check them, or delete the "
                "account again";
    } else if (Change.Delete) {
        what = "a delete of " + loans + account;
        check = loans + " may hold part of it: check " + them + ", or delete " + them + " again";
    } else {
        what = "a save of the schedule of " + loans + account;
        check = loans + " may hold part of it: check it, or save its schedule again";
    }
    return "The register tables do not match the unfinished change that the journal " + Journal +
           " holds: they were put back from a copy, or changed since.\n\n"
           "That change was " +
           what + ". It was neither finished nor undone, so " + check + ".\n\nThe journal was " +
           (Renamed ? "set aside as " : "left as it is, finished, as ") + Name + " in the folder " +
           Folder + ".";
}

std::string RegisterDamagedMessage(const std::string& Table, const std::string& Reason) {
    return "The register table " + Table + " is damaged.\n\n" + Reason;
}

namespace {

// "<What> could not be written: the disk is full.", and what the change that met it left.
std::string DiskFullText(const std::string& What, const std::string& Left) {
    return What + " could not be written: the disk is full.\n\n" + Left;
}
const char* const NothingChanged =
    "Nothing was changed. Free some space on the disk and try again.";

} // namespace

std::string RegisterDiskFullMessage(const std::string& Table) {
    return DiskFullText("The register table " + Table, NothingChanged);
}

std::string RegisterJournalDiskFullMessage(const std::string& Folder, const std::string& Journal) {
    return DiskFullText("The register journal " + Journal + " in the folder " + Folder,
                        NothingChanged);
}

std::string RegisterDeletedUnpackedMessage(const std::string& Table) {
    return DiskFullText("The register table " + Table,
                        "The delete was done: the records it deleted are hidden, and leave the "
                        "table's file when it is next packed.");
}

std::string RegisterFailureMessage(const std::string& Folder, const Exception& E,
                                   const std::string& Otherwise) {
    const TTrouble trouble = TroubleOf(E);
    if (trouble == TTrouble::ReadOnly) return UnwritableMessage(Folder);
    if (trouble == TTrouble::Unreadable) return UnreadableMessage(Folder, E);
    // A write the full disk refused, or a lock another copy holds, names the table of the file
    // it was for.
    const std::string file = EngineErrorOf(E) ? EngineErrorOf(E)->ReasonFile() : std::string();
    if (!file.empty() && trouble == TTrouble::NoLocks)
        return RegisterNoLocksMessage(TableOfFile(file), Folder);
    if (file.empty() || (trouble != TTrouble::DiskFull && trouble != TTrouble::InUse))
        return Otherwise;
    return trouble == TTrouble::DiskFull ? RegisterDiskFullMessage(TableOfFile(file))
                                         : RegisterInUseMessage(TableOfFile(file));
}

std::string RegisterMissingMessage(const std::string& Table, const std::string& Folder) {
    return "The register table " + Table + " is missing from the folder " + Folder + ".\n\n"
           "Put it back, or start the program again to have it made anew, empty.";
}

std::string RegisterNoLocksMessage(const std::string& Table, const std::string& Folder) {
    return "The register table " + Table + " in the folder " + Folder +
           " cannot be opened: the file system of that folder does not support file locks, "
           "which keep copies of the program from changing the register at once.\n\n"
           "Nothing was changed. Keep the register in a folder of a file system that supports "
           "file locks.";
}

std::string RegisterFieldMessage(const std::string& Table, const std::string& Field, char Type) {
    const char* kind = Type == 'C'   ? "a text"
                       : Type == 'N' ? "a number"
                       : Type == 'D' ? "a date"
                                     : "a logical";
    return "The register table " + Table + " is not the register's: its field " + Field +
           (Type == 0 ? std::string(" is missing.") : std::string(" is not ") + kind + " field.");
}

void SetRegisterTable(TTable& Table, const std::string& Folder, const std::string& Name,
                      const std::string& Tag) {
    // Records marked deleted are never shown: a change of the register marks them first and
    // packs them away after.
    xb_SetDeleted(1);
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

std::string CreateRegisterTables(const std::string& Folder) {
    try {
        for (const char* name : {AccountsTable, LoansTable, XRefTable, TransTable})
            if (CreateTable(PathIn(Folder, name), FieldsOf(name), IndexesOf(name), ttXBNSX) &&
                name == AccountsTable)
                AppendFirstRecord(Folder, AccountsTable, SetDefaultAccount);
        if (CreateTable(PathIn(Folder, SysInfoTable), FieldsOf(SysInfoTable), {}, ttXBNSX))
            AppendFirstRecord(Folder, SysInfoTable, [](TTable& t) { SetCounter(t, 0); });
    } catch (const EDBEngineError& e) {
        return RegisterFailureMessage(Folder, e, e.what());
    }
    return {};
}

namespace {

// The highest loan number LOANS.DBF holds (0 for none).
LongInt HighestLoanNumber(const std::string& Folder) {
    std::unique_ptr<TTable> loans = OpenTable(Folder, LoansTable, false);
    LongInt highest = 0;
    for (loans->First(); !loans->Eof(); loans->Next())
        highest = std::max<LongInt>(highest, StrToIntDef(Trim(FieldText(loans.get(), "LOANNO")), 0));
    return highest;
}

// The counter table gets its record back, counting on from the highest loan number; the
// accounts get their DEFAULT account back.
void RestoreRecords(const std::string& Folder, const std::vector<std::string>& Names) {
    if (Among(Names, SysInfoTable)) {
        std::unique_ptr<TTable> info = OpenTable(Folder, SysInfoTable, false);
        info->First();
        if (info->Eof()) {
            const LongInt highest = HighestLoanNumber(Folder);
            AppendRecord(*info, [&](TTable& t) { SetCounter(t, highest); });
        }
    }
    if (Among(Names, AccountsTable)) {
        std::unique_ptr<TTable> accounts = OpenTable(Folder, AccountsTable, false);
        if (!accounts->FindKey({TVarRec(PaddedKey(DefaultAccount, AccountNoWidth))}))
            AppendRecord(*accounts, SetDefaultAccount);
    }
}

// How long a new loan number waits for the counter record. Another copy holds it only while it
// writes the number it took, but a busy machine may hold that write up for more than the
// engine's lock wait of a second: a user would rather wait than be told the table is in use.
constexpr auto CounterWait = std::chrono::seconds(10);

// Edits the counter record, waiting for it while another copy holds it.
void EditCounter(TTable& Info) {
    const auto deadline = std::chrono::steady_clock::now() + CounterWait;
    for (;;) {
        try {
            Info.Edit();
            return;
        } catch (const EDBEngineError& e) {
            if (TroubleOf(e) != TTrouble::InUse || std::chrono::steady_clock::now() >= deadline)
                throw;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

std::string PrepareRegister(const std::string& Folder, const std::vector<std::string>& Names,
                            std::string* DiskFull) {
    return Guarded(Folder, TableOpenFailedMessage, [&] {
        // A journal left, also a finished one that may be removed now, is brought to its end.
        if (!RegisterJournalNames(Folder).empty())
            TRegisterTables(Folder, TTableMode::ExclusiveWhenFree).Trans();
        std::string refused;
        for (const std::string& name : Names)
            (DiskFull ? OpenToRead(Folder, name, false, &refused) : OpenTable(Folder, name, false))
                ->Close();
        // Records a table lost come back with the first open that can write them.
        if (refused.empty()) RestoreRecords(Folder, Names);
        if (DiskFull) *DiskFull = refused;
        return std::string();
    });
}

LongInt NextLoanNumber(const std::string& Folder) {
    std::unique_ptr<TTable> info = RegisterTable(Folder, SysInfoTable);
    info->Open();
    info->First();
    if (info->Eof()) DatabaseError("The register's counter table " + std::string(SysInfoTable) +
                                   " has no record.");
    EditCounter(*info);
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

std::string FieldText(TDataSet* DataSet, const char* Field) {
    return DataSet->Active() ? Trim(DataSet->FieldByName(Field)->AsString()) : std::string();
}

std::string KeyText(TDataSet* DataSet, const char* Field) {
    return DataSet->Active() ? TrimRight(DataSet->FieldByName(Field)->AsString()) : std::string();
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
        } catch (const EDatabaseError& e) {
            // Taken meanwhile: the account is still being inserted; the next number is tried.
            // Any other failure (a full disk) is the answer as it stands.
            if (EngineCodeOf(e) != dbiKeyViolation) throw;
        }
    }
    DatabaseError(AccountNumberTakenMessage);
}

// ----- Deletes

namespace {

bool ConfirmTwice(const std::string& Question, const std::string& Cancelled) {
    const bool confirmed =
        MessageDlg(Question, mtConfirmation, mbYesNo, 0) == mrYes &&
        MessageDlg("Lucky you!\r\rYou have one more chance.\r\rSTOP the PERMANENT\r\rdeletion of "
                   "YOUR data?\r",
                   mtConfirmation, mbYesNo, 0) == mrNo;
    if (!confirmed) MessageDlg(Cancelled, mtInformation, {mbOK}, 0);
    return confirmed;
}

// Deletes the loans (or, with an account, the account and every loan it has) with their links
// and rows, as one change; then packs the tables. An account's number may be empty (an append
// a kill cut short, another program): it is that account's key like any other. The journal
// names every record the delete marks, found before anything is written.
std::string DeleteRecords(const std::string& Folder, const std::optional<std::string>& Account,
                          std::vector<std::string> Loans) {
    TRegisterTables tables(Folder, TTableMode::Exclusive);
    // Every table is had first: while another copy holds one, nothing is changed.
    TTable& trans = tables.ToWrite(TransTable);
    TTable& xref = tables.ToWrite(XRefTable);
    TTable& loans = tables.ToWrite(LoansTable);
    TRegisterChange change;
    change.Kind = rcDelete;
    if (Account) {
        change.Name = *Account;
        TTable& accounts = tables.ToWrite(AccountsTable);
        change.Gone = RecordRuns(
            AccountsTable, RecordsWithKey(accounts, PaddedKey(*Account, AccountNoWidth)), *Account);
        if (change.Gone.empty()) return AccountNotFoundMessage;
        for (xref.First(); !xref.Eof(); xref.Next())
            if (KeyText(&xref, "ACCOUNTNO") == *Account) Loans.push_back(KeyText(&xref, "LOANNO"));
    }
    const std::set<std::string> chosen(Loans.begin(), Loans.end());
    std::vector<TRecordRun> loanRuns, rowRuns;
    for (const std::string& loan : chosen) {
        const std::string key = PaddedKey(loan, LoanNoWidth);
        Append(loanRuns, RecordRuns(LoansTable, RecordsWithKey(loans, key), loan));
        Append(rowRuns, RecordRuns(TransTable, RecordsWithKey(trans, key), loan));
    }
    Append(change.Gone, RunsAmong(xref, XRefTable, chosen));
    Append(change.Gone, loanRuns);
    Append(change.Gone, rowRuns);
    if (!RunChange(tables, change, [&] { tables.Mark(change.Gone, true); }))
        return DeleteFailedMessage;
    // The delete took effect: a pack the full disk refuses leaves its records hidden.
    std::string refused;
    if (tables.Pack(&refused)) return {};
    return refused.empty() ? PackFailedMessage : RegisterDeletedUnpackedMessage(refused);
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
    return Guarded(Folder, DeleteFailedMessage,
                   [&] { return DeleteRecords(Folder, std::nullopt, {TrimRight(LoanNo)}); });
}

std::string DeleteAccount(const std::string& Folder, const std::string& AccountNo) {
    return Guarded(Folder, DeleteFailedMessage,
                   [&] { return DeleteRecords(Folder, TrimRight(AccountNo), {}); });
}

std::string PackRegisterTable(const std::string& Folder, const std::string& Name) {
    return Guarded(Folder, PackFailedMessage, [&] {
        // A pack numbers the records anew: it waits for any change whose journal names records
        // by their numbers (the holder of TRANS.DBF finishes or undoes it first).
        TRegisterTables tables(Folder, TTableMode::Exclusive);
        tables.Trans();
        PackTable(tables.Get(Name));
        return std::string();
    });
}

// ----- Schedule storage

namespace {

// Appends rows 0..LastRow of Schedule under Key.
void AppendRows(TTable& Trans, const std::string& Key, const TAmortSchedule& Schedule) {
    for (LongInt k = 0; k <= Schedule.LastRow; ++k)
        AppendRecord(Trans, [&](TTable& t) {
            WriteRow(t, Key, Schedule.AmortRows[static_cast<std::size_t>(k)]);
        });
}

const char* const SaveLoanNotFoundMessage = "Loan not found.\n\nLoan table NOT updated.";

// Saves the rows and terms as one change. The journal names the loan's LOANS record with its
// old terms, the records the new rows will take and the loan's old rows, which the save marks
// deleted. The loan's record and its link are never the save's to make or remove: a loan made
// for the save (in the register's dialog) gets back the terms it was made with when the save
// is undone.
std::string SaveRows(TRegisterTables& Tables, const std::string& LoanNo,
                     const TAmortSchedule& Schedule, const TAmortOptions& Options) {
    const std::string key = PaddedKey(LoanNo, LoanNoWidth);
    TTable& trans = Tables.ToWrite(TransTable);
    TTable& loans = Tables.ToWrite(LoansTable);
    if (!loans.FindKey({TVarRec(key)})) return SaveLoanNotFoundMessage;
    TRegisterChange change;
    change.Name = TrimRight(LoanNo);
    // The loan's record is had first: while another copy of the program edits it, the save is
    // refused before it writes anything.
    loans.Edit();
    change.TermsRecord = ActiveRecord(loans);
    ReadTerms(loans, change.OldLoan, change.OldOptions);
    const LongInt first = RecordsInFile(trans) + 1;
    change.Made.push_back({TransTable, first, first + Schedule.LastRow, change.Name});
    change.Gone = RecordRuns(TransTable, RecordsWithKey(trans, key), change.Name);
    const bool taken = RunChange(Tables, change, [&] {
        AppendRows(trans, key, Schedule);
        WriteTerms(loans, Schedule.Loan, Options);
        loans.Post();
        Tables.Mark(change.Gone, true);
    });
    if (!taken) return SaveFailedMessage;
    Tables.Pack();
    return {};
}

} // namespace

std::string RegisterNewLoanKeptMessage(const std::string& Failure, const std::string& LoanNo) {
    return Failure + "\n\nThe new loan " + Trim(LoanNo) +
           " is kept under its account, without a schedule: choose it when you save again.";
}

std::string SaveSchedule(const std::string& Folder, const std::string& LoanNo,
                         const TAmortSchedule& Schedule, const TAmortOptions& Options,
                         bool NewLoan) {
    const std::string failure = Guarded(Folder, SaveFailedMessage, [&] {
        TRegisterTables tables(Folder, TTableMode::Shared);
        return SaveRows(tables, LoanNo, Schedule, Options);
    });
    if (failure.empty() || !NewLoan || failure == SaveLoanNotFoundMessage) return failure;
    return RegisterNewLoanKeptMessage(failure, LoanNo);
}

std::string LoadSchedule(const std::string& Folder, const std::string& LoanNo,
                         TAmortSchedule& Schedule, TAmortOptions& Options) {
    return Guarded(Folder, LoadFailedMessage, [&] {
        const std::string key = PaddedKey(LoanNo, LoanNoWidth);
        TRegisterTables tables(Folder, TTableMode::Reading);
        TTable& trans = tables.Trans();
        TTable& loans = tables.Get(LoansTable);
        if (!loans.FindKey({TVarRec(key)})) return std::string(LoanNotFoundMessage);
        // The loan is read into copies, which become the caller's only when it loads whole: a
        // load that is cancelled leaves the schedule and its options as they were.
        TAmortSchedule loaded = Schedule;
        TAmortOptions options = Options;
        ReadTerms(loans, loaded.Loan, options);
        if (loaded.Loan.NumPmts > MaxPeriods) return std::string(TooLongMessage);
        trans.SetRange({TVarRec(key)}, {TVarRec(key)});
        loaded.AmortRows.resize(MaxPeriods + 1);
        std::size_t count = 0;
        for (trans.First(); !trans.Eof(); trans.Next()) {
            if (count == loaded.AmortRows.size()) return std::string(TooLongMessage);
            loaded.AmortRows[count++] = ReadRow(trans);
        }
        if (count == 0) return std::string(NoRowsMessage);
        loaded.LastRow = static_cast<LongInt>(count) - 1;
        RebuildYears(loaded);
        // What the charts and the printout take from the schedule besides its rows.
        loaded.AmortMethod = options.AmortMethod;
        loaded.RateBasis = options.RateBasis;
        loaded.YearBasis = options.RateBasis == rbExact365 ? 365 : 360;
        loaded.PmtsPerYear = PeriodsPerYear(loaded.Loan.PYR + 1);
        loaded.CmpPerYear = PeriodsPerYear(loaded.Loan.CmpPYR);
        Schedule = std::move(loaded);
        Options = options;
        return std::string();
    });
}
