#include "advisors/RegisterJournal.h"

#include "advisors/Register.h"
#include "xbase/XbFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <utility>

#include <unistd.h>

namespace {

const char* const FirstLine = "VANTREL REGISTER JOURNAL 4";
// The third format (no pack count), the second (no counts, no keys) and the first, which older
// builds wrote.
const char* const ThirdLine = "VANTREL REGISTER JOURNAL 3";
const char* const SecondLine = "VANTREL REGISTER JOURNAL 2";
const char* const FormerFirstLine = "VANTREL REGISTER JOURNAL 1";
// A journal is a line per run of records; anything longer is no journal of ours.
constexpr Int64 MaxJournalSize = Int64{64} << 20;

// Values are written with '%', tabs and line ends as %XX, so that every line splits at tabs.
std::string Escaped(const std::string& Text) {
    std::string out;
    for (const char c : Text) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", static_cast<unsigned char>(c));
            out += code;
        } else {
            out += c;
        }
    }
    return out;
}

bool Unescaped(const std::string& Text, std::string& Out) {
    Out.clear();
    for (std::size_t k = 0; k < Text.size(); ++k) {
        if (Text[k] != '%') {
            Out += Text[k];
            continue;
        }
        unsigned value = 0;
        if (k + 2 >= Text.size()) return false;
        const auto [end, error] = std::from_chars(Text.data() + k + 1, Text.data() + k + 3, value, 16);
        if (error != std::errc() || end != Text.data() + k + 3) return false;
        Out += static_cast<char>(value);
        k += 2;
    }
    return true;
}

std::vector<std::string> Split(const std::string& Line) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t tab; (tab = Line.find('\t', at)) != std::string::npos; at = tab + 1)
        parts.push_back(Line.substr(at, tab - at));
    parts.push_back(Line.substr(at));
    return parts;
}

template <typename T>
bool Number(const std::string& Text, T& Value) {
    const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
    return error == std::errc() && end == Text.data() + Text.size();
}

std::string Shortest(double Value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, Value);
    return error == std::errc() ? std::string(text, end) : "0";
}

std::string TermsLine(LongInt Record, const TAmortLoan& Loan, const TAmortOptions& Options) {
    std::ostringstream line;
    line << "terms\t" << Record << '\t' << Shortest(Loan.PV) << '\t' << Loan.NumPmts << '\t'
         << Loan.OrgDate << '\t' << Loan.FrstPmtDate << '\t' << int{Loan.PYR} << '\t'
         << int{Loan.CmpPYR} << '\t' << Shortest(Loan.Points) << '\t' << Shortest(Loan.Rate) << '\t'
         << int{Options.AmortMethod} << '\t' << int{Options.RateBasis};
    return line.str();
}

// The terms of a terms line from its part From on.
bool ReadTerms(const std::vector<std::string>& Parts, std::size_t From, TAmortLoan& Loan,
               TAmortOptions& Options) {
    if (Parts.size() != From + 10) return false;
    const auto part = [&](std::size_t k) -> const std::string& { return Parts[From + k]; };
    int numPmts = 0, pyr = 0, cmp = 0, method = 0, basis = 0;
    double points = 0, rate = 0;
    const bool read = Number(part(0), Loan.PV) && Number(part(1), numPmts) &&
                      Number(part(2), Loan.OrgDate) && Number(part(3), Loan.FrstPmtDate) &&
                      Number(part(4), pyr) && Number(part(5), cmp) && Number(part(6), points) &&
                      Number(part(7), rate) && Number(part(8), method) && Number(part(9), basis);
    Loan.NumPmts = static_cast<Word>(numPmts);
    Loan.PYR = static_cast<Byte>(pyr);
    Loan.CmpPYR = static_cast<Byte>(cmp);
    Loan.Points = static_cast<float>(points);
    Loan.Rate = static_cast<float>(rate);
    Options.AmortMethod = static_cast<Byte>(method);
    Options.RateBasis = static_cast<Byte>(basis);
    return read;
}

std::string RunLines(const char* What, const std::vector<TRecordRun>& Runs) {
    std::string text;
    for (const TRecordRun& run : Runs)
        text += std::string(What) + "\t" + run.Table + "\t" + std::to_string(run.First) + "\t" +
                std::to_string(run.Last) + "\t" + Escaped(run.Key) + "\n";
    return text;
}

// One of the register's tables a change writes.
bool ChangedTable(const std::string& Name) {
    return Name == AccountsTable || Name == LoansTable || Name == XRefTable || Name == TransTable;
}

// A run of records that a change writes; Keyed: with the key its records hold (the third
// format).
bool ReadRun(const std::vector<std::string>& Parts, bool Keyed, std::vector<TRecordRun>& Runs) {
    TRecordRun run;
    if (Parts.size() != (Keyed ? 5u : 4u) || !ChangedTable(Parts[1]) ||
        !Number(Parts[2], run.First) || !Number(Parts[3], run.Last) || run.First < 1 ||
        run.Last < run.First || (Keyed && !Unescaped(Parts[4], run.Key)))
        return false;
    run.Table = Parts[1];
    Runs.push_back(run);
    return true;
}

// The record count of a table a change writes.
bool ReadCount(const std::vector<std::string>& Parts, std::map<std::string, LongInt>& Counts) {
    LongInt count = 0;
    if (Parts.size() != 3 || !ChangedTable(Parts[1]) || !Number(Parts[2], count) || count < 0)
        return false;
    Counts[Parts[1]] = count;
    return true;
}

std::string JournalText(const TRegisterChange& Change) {
    std::string text = std::string(FirstLine) + "\n";
    text += (Change.Kind == rcSave ? "save\t" : "delete\t") + Escaped(Change.Name) + "\n";
    if (Change.Packs)
        text += "packs\t" + std::string(TransTable) + "\t" + std::to_string(*Change.Packs) + "\n";
    for (const auto& [table, count] : Change.Counts)
        text += "count\t" + table + "\t" + std::to_string(count) + "\n";
    if (Change.TermsRecord > 0)
        text += TermsLine(Change.TermsRecord, Change.OldLoan, Change.OldOptions) + "\n";
    return text + RunLines("made", Change.Made) + RunLines("gone", Change.Gone) + "end\n";
}

// The pack count of TRANS.DBF the journal records.
bool ReadPacks(const std::vector<std::string>& Parts, std::optional<LongWord>& Packs) {
    LongWord packs = 0;
    if (Parts.size() != 3 || Parts[1] != TransTable || !Number(Parts[2], packs)) return false;
    Packs = packs;
    return true;
}

// Reads one line of the journal's body into Change; false when it does not belong. The line
// naming the change comes first; Keyed: a journal of the third format or later, with counts and
// keys; Packed: of the fourth, with TRANS.DBF's pack count.
bool ReadLine(const std::vector<std::string>& Parts, bool First, bool Keyed, bool Packed,
              TRegisterChange& Change) {
    const std::string& what = Parts[0];
    if (First) {
        Change.Kind = what == "save" ? rcSave : rcDelete;
        return (what == "save" || what == "delete") && Parts.size() == 2 &&
               Unescaped(Parts[1], Change.Name) &&
               (Change.Kind == rcDelete || !Change.Name.empty());
    }
    if (what == "terms")
        return Parts.size() > 1 && Number(Parts[1], Change.TermsRecord) && Change.TermsRecord > 0 &&
               ReadTerms(Parts, 2, Change.OldLoan, Change.OldOptions);
    if (what == "count") return Keyed && ReadCount(Parts, Change.Counts);
    if (what == "packs") return Packed && !Change.Packs && ReadPacks(Parts, Change.Packs);
    if (what == "made") return ReadRun(Parts, Keyed, Change.Made);
    if (what == "gone") return ReadRun(Parts, Keyed, Change.Gone);
    return false;
}

// The keys a journal of the second format tells without naming them: every record of a save
// holds its loan's key, the account record of a delete the account's.
void KnownKeys(TRegisterChange& Change) {
    for (std::vector<TRecordRun>* runs : {&Change.Made, &Change.Gone})
        for (TRecordRun& run : *runs)
            if (Change.Kind == rcSave || run.Table == AccountsTable) run.Key = Change.Name;
}

// Reads one line of a journal of the first format into Change; false when it does not belong.
bool ReadFormerLine(const std::vector<std::string>& Parts, TFormerRegisterChange& Change) {
    const std::string& what = Parts[0];
    if (what == "save" && Parts.size() == 4) {
        Change.Kind = rcSave;
        Change.NewLoan = Parts[3] == "1";
        return Unescaped(Parts[1], Change.Loan) && Number(Parts[2], Change.FirstNewRow);
    }
    if (what == "terms") {
        Change.Terms = ReadTerms(Parts, 1, Change.OldLoan, Change.OldOptions);
        return Change.Terms;
    }
    if (what == "delete" && Parts.size() == 2) {
        Change.Kind = rcDelete;
        return Unescaped(Parts[1], Change.Account);
    }
    if (what == "loan" && Parts.size() == 2) {
        std::string loan;
        if (!Unescaped(Parts[1], loan)) return false;
        Change.Loans.push_back(loan);
        return true;
    }
    return false;
}

bool Exists(const std::string& Path) {
    std::error_code error;
    return std::filesystem::exists(Path, error);
}

// The journal at path: jsNone when there is none; jsUnreadable, with the errno of the failure
// in ReadError, when it cannot be opened or read; jsCutShort when it is empty or too long to
// be one; else its lines in Lines and its first line, which names its format, in Format.
TJournalState OpenJournal(const std::string& path, std::istringstream& Lines, std::string& Format,
                          int* ReadError) {
    if (!Exists(path)) return jsNone;
    TXbFile file;
    std::string text;
    errno = 0;
    const bool opened = file.Open(path, false);
    const Int64 size = opened ? file.Size() : -1;
    const bool sized = size > 0 && size <= MaxJournalSize;
    if (!opened || size < 0 || (sized && !file.ReadAt(0, text, static_cast<std::size_t>(size)))) {
        if (errno == ENOENT) return jsNone; // removed meanwhile
        if (ReadError) *ReadError = errno != 0 ? errno : EIO;
        return jsUnreadable;
    }
    if (!sized) return jsCutShort;
    Lines.str(text);
    return std::getline(Lines, Format) ? jsComplete : jsCutShort;
}

// Reads the lines of a journal's body through Read (false: the line does not belong) up to its
// line "end", and whether "commit" follows into Committed. jsCutShort when a line does not
// belong or there is no end.
template <typename F>
TJournalState ReadBody(std::istringstream& Lines, bool& Committed, const F& Read) {
    for (std::string line; std::getline(Lines, line);) {
        if (line == "end") {
            Committed = std::getline(Lines, line) && line == "commit";
            return jsComplete;
        }
        if (!Read(Split(line))) return jsCutShort;
    }
    return jsCutShort;
}

} // namespace

std::vector<TRecordRun> RecordRuns(const std::string& Table, std::vector<LongInt> Records,
                                   const std::string& Key) {
    std::sort(Records.begin(), Records.end());
    std::vector<TRecordRun> runs;
    for (const LongInt record : Records)
        if (runs.empty() || record > runs.back().Last + 1)
            runs.push_back({Table, record, record, Key});
        else
            runs.back().Last = std::max(runs.back().Last, record);
    return runs;
}

std::string RegisterJournalPath(const std::string& Folder, const std::string& Name) {
    return Folder + "/" + Name;
}

std::string OwnRegisterJournalName() {
    return "REGISTER-U" + std::to_string(::geteuid()) + ".JNL";
}

std::vector<std::string> RegisterJournalNames(const std::string& Folder) {
    std::vector<std::string> names;
    if (Exists(RegisterJournalPath(Folder))) names.push_back(RegisterJournalName);
    std::error_code error;
    std::vector<std::string> users;
    for (const auto& entry : std::filesystem::directory_iterator(Folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("REGISTER-U") && name.ends_with(".JNL")) users.push_back(name);
    }
    std::sort(users.begin(), users.end());
    names.insert(names.end(), users.begin(), users.end());
    return names;
}

bool WriteRegisterJournal(const std::string& Folder, const TRegisterChange& Change,
                          const std::string& Name) {
    const std::string path = RegisterJournalPath(Folder, Name);
    TXbFile file;
    const bool written = file.Create(path) && file.WriteAt(0, JournalText(Change)) &&
                         file.Flush() && XbSyncFolderOf(path);
    file.Close();
    if (!written) RemoveRegisterJournal(Folder, Name);
    return written;
}

bool CommitRegisterJournal(const std::string& Folder, const std::string& Name) {
    TXbFile file;
    if (!file.Open(RegisterJournalPath(Folder, Name), true)) return false;
    const Int64 size = file.Size();
    return size > 0 && file.WriteAt(size, std::string("commit\n")) && file.Flush();
}

TJournalState ReadRegisterJournal(const std::string& Folder, TRegisterChange& Change,
                                  int* ReadError, const std::string& Name) {
    Change = TRegisterChange{};
    std::istringstream lines;
    std::string format;
    const TJournalState state =
        OpenJournal(RegisterJournalPath(Folder, Name), lines, format, ReadError);
    if (state != jsComplete) return state;
    if (format == FormerFirstLine) return jsFormer;
    const bool packed = format == FirstLine;
    const bool keyed = packed || format == ThirdLine;
    if (!keyed && format != SecondLine) return jsCutShort;
    bool named = false;
    const TJournalState body = ReadBody(lines, Change.Committed, [&](const auto& Parts) {
        return ReadLine(Parts, !std::exchange(named, true), keyed, packed, Change);
    });
    if (!keyed) KnownKeys(Change);
    return named ? body : jsCutShort;
}

TJournalState ReadFormerRegisterJournal(const std::string& Folder, TFormerRegisterChange& Change,
                                        int* ReadError, const std::string& Name) {
    Change = TFormerRegisterChange{};
    std::istringstream lines;
    std::string format;
    TJournalState state = OpenJournal(RegisterJournalPath(Folder, Name), lines, format, ReadError);
    if (state != jsComplete) return state;
    if (format != FormerFirstLine) return jsCutShort;
    state = ReadBody(lines, Change.Committed,
                     [&](const auto& Parts) { return ReadFormerLine(Parts, Change); });
    return Change.Kind == rcSave && Change.Loan.empty() ? jsCutShort : state;
}

bool RemoveRegisterJournal(const std::string& Folder, const std::string& Name) {
    const std::string path = RegisterJournalPath(Folder, Name);
    return XbRemove(path) && XbSyncFolderOf(path);
}

std::string SetRegisterJournalAside(const std::string& Folder, const std::string& Name) {
    const std::string path = RegisterJournalPath(Folder, Name);
    for (int n = 1;; ++n) {
        const std::string name = "REGISTER-" + std::to_string(n) + ".JNL";
        if (Exists(Folder + "/" + name)) continue;
        return XbRename(path, Folder + "/" + name) && XbSyncFolderOf(path) ? name : std::string();
    }
}
