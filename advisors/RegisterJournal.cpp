#include "advisors/RegisterJournal.h"

#include "advisors/Register.h"
#include "xbase/XbFile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <sstream>

namespace {

const char* const JournalName = "REGISTER.JNL";
const char* const FirstLine = "VANTREL REGISTER JOURNAL 2";
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

bool ReadTermsLine(const std::vector<std::string>& Parts, TRegisterChange& Change) {
    if (Parts.size() != 12) return false;
    TAmortLoan& loan = Change.OldLoan;
    int numPmts = 0, pyr = 0, cmp = 0, method = 0, basis = 0;
    double points = 0, rate = 0;
    const bool read = Number(Parts[1], Change.TermsRecord) && Change.TermsRecord > 0 &&
                      Number(Parts[2], loan.PV) && Number(Parts[3], numPmts) &&
                      Number(Parts[4], loan.OrgDate) && Number(Parts[5], loan.FrstPmtDate) &&
                      Number(Parts[6], pyr) && Number(Parts[7], cmp) && Number(Parts[8], points) &&
                      Number(Parts[9], rate) && Number(Parts[10], method) &&
                      Number(Parts[11], basis);
    loan.NumPmts = static_cast<Word>(numPmts);
    loan.PYR = static_cast<Byte>(pyr);
    loan.CmpPYR = static_cast<Byte>(cmp);
    loan.Points = static_cast<float>(points);
    loan.Rate = static_cast<float>(rate);
    Change.OldOptions.AmortMethod = static_cast<Byte>(method);
    Change.OldOptions.RateBasis = static_cast<Byte>(basis);
    return read;
}

std::string RunLines(const char* What, const std::vector<TRecordRun>& Runs) {
    std::string text;
    for (const TRecordRun& run : Runs)
        text += std::string(What) + "\t" + run.Table + "\t" + std::to_string(run.First) + "\t" +
                std::to_string(run.Last) + "\n";
    return text;
}

// A run of records of one of the register's tables that a change writes.
bool ReadRun(const std::vector<std::string>& Parts, std::vector<TRecordRun>& Runs) {
    TRecordRun run;
    run.Table = Parts.size() == 4 ? Parts[1] : std::string();
    const bool ours = run.Table == AccountsTable || run.Table == LoansTable ||
                      run.Table == XRefTable || run.Table == TransTable;
    if (!ours || !Number(Parts[2], run.First) || !Number(Parts[3], run.Last) || run.First < 1 ||
        run.Last < run.First)
        return false;
    Runs.push_back(run);
    return true;
}

std::string JournalText(const TRegisterChange& Change) {
    std::string text = std::string(FirstLine) + "\n";
    text += (Change.Kind == rcSave ? "save\t" : "delete\t") + Escaped(Change.Name) + "\n";
    if (Change.TermsRecord > 0)
        text += TermsLine(Change.TermsRecord, Change.OldLoan, Change.OldOptions) + "\n";
    return text + RunLines("made", Change.Made) + RunLines("gone", Change.Gone) + "end\n";
}

// Reads one line of the journal's body into Change; false when it does not belong. The line
// naming the change comes first.
bool ReadLine(const std::vector<std::string>& Parts, bool First, TRegisterChange& Change) {
    const std::string& what = Parts[0];
    if (First) {
        Change.Kind = what == "save" ? rcSave : rcDelete;
        return (what == "save" || what == "delete") && Parts.size() == 2 &&
               Unescaped(Parts[1], Change.Name) &&
               (Change.Kind == rcDelete || !Change.Name.empty());
    }
    if (what == "terms") return ReadTermsLine(Parts, Change);
    if (what == "made") return ReadRun(Parts, Change.Made);
    if (what == "gone") return ReadRun(Parts, Change.Gone);
    return false;
}

bool Exists(const std::string& Path) {
    std::error_code error;
    return std::filesystem::exists(Path, error);
}

} // namespace

std::vector<TRecordRun> RecordRuns(const std::string& Table, std::vector<LongInt> Records) {
    std::sort(Records.begin(), Records.end());
    std::vector<TRecordRun> runs;
    for (const LongInt record : Records)
        if (runs.empty() || record > runs.back().Last + 1)
            runs.push_back({Table, record, record});
        else
            runs.back().Last = std::max(runs.back().Last, record);
    return runs;
}

std::string RegisterJournalPath(const std::string& Folder) {
    return Folder + "/" + JournalName;
}

bool WriteRegisterJournal(const std::string& Folder, const TRegisterChange& Change) {
    const std::string path = RegisterJournalPath(Folder);
    TXbFile file;
    const bool written = file.Create(path) && file.WriteAt(0, JournalText(Change)) &&
                         file.Flush() && XbSyncFolderOf(path);
    file.Close();
    if (!written) RemoveRegisterJournal(Folder);
    return written;
}

bool CommitRegisterJournal(const std::string& Folder) {
    TXbFile file;
    if (!file.Open(RegisterJournalPath(Folder), true)) return false;
    const Int64 size = file.Size();
    return size > 0 && file.WriteAt(size, std::string("commit\n")) && file.Flush();
}

TJournalState ReadRegisterJournal(const std::string& Folder, TRegisterChange& Change) {
    const std::string path = RegisterJournalPath(Folder);
    if (!Exists(path)) return jsNone;
    Change = TRegisterChange{};
    TXbFile file;
    std::string text;
    const Int64 size = file.Open(path, false) ? file.Size() : -1;
    if (size <= 0 || size > MaxJournalSize || !file.ReadAt(0, text, static_cast<std::size_t>(size)))
        return jsCutShort;
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != FirstLine) return jsCutShort;
    bool ended = false;
    for (bool first = true; !ended && std::getline(lines, line); first = false) {
        ended = !first && line == "end";
        if (!ended && !ReadLine(Split(line), first, Change)) return jsCutShort;
    }
    if (!ended) return jsCutShort;
    Change.Committed = std::getline(lines, line) && line == "commit";
    return jsComplete;
}

bool RemoveRegisterJournal(const std::string& Folder) {
    const std::string path = RegisterJournalPath(Folder);
    return XbRemove(path) && XbSyncFolderOf(path);
}
