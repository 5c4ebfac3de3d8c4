#include "advisors/Info.h"

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
