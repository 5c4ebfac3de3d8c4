#include "advisors/RegisterJournal.h"

#include "xbase/XbFile.h"
#include "xbase/XbJournal.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <sstream>

namespace {

const char* const JournalName = "REGISTER.JNL";
const char* const FirstLine = "VANTREL REGISTER JOURNAL 1";
// A journal is a few lines; anything longer is no journal of ours.
constexpr Int64 MaxJournalSize = 1 << 20;

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

std::string TermsLine(const TAmortLoan& Loan, const TAmortOptions& Options) {
    std::ostringstream line;
    line << "terms\t" << Shortest(Loan.PV) << '\t' << Loan.NumPmts << '\t' << Loan.OrgDate << '\t'
         << Loan.FrstPmtDate << '\t' << int{Loan.PYR} << '\t' << int{Loan.CmpPYR} << '\t'
         << Shortest(Loan.Points) << '\t' << Shortest(Loan.Rate) << '\t'
         << int{Options.AmortMethod} << '\t' << int{Options.RateBasis};
    return line.str();
}

bool ReadTermsLine(const std::vector<std::string>& Parts, TAmortLoan& Loan, TAmortOptions& Options) {
    if (Parts.size() != 11) return false;
    int numPmts = 0, pyr = 0, cmp = 0, method = 0, basis = 0;
    double points = 0, rate = 0;
    const bool read = Number(Parts[1], Loan.PV) && Number(Parts[2], numPmts) &&
                      Number(Parts[3], Loan.OrgDate) && Number(Parts[4], Loan.FrstPmtDate) &&
                      Number(Parts[5], pyr) && Number(Parts[6], cmp) && Number(Parts[7], points) &&
                      Number(Parts[8], rate) && Number(Parts[9], method) && Number(Parts[10], basis);
    Loan.NumPmts = static_cast<Word>(numPmts);
    Loan.PYR = static_cast<Byte>(pyr);
    Loan.CmpPYR = static_cast<Byte>(cmp);
    Loan.Points = static_cast<float>(points);
    Loan.Rate = static_cast<float>(rate);
    Options.AmortMethod = static_cast<Byte>(method);
    Options.RateBasis = static_cast<Byte>(basis);
    return read;
}

std::string JournalText(const TRegisterChange& Change) {
    std::string text = std::string(FirstLine) + "\n";
    if (Change.Kind == rcSave) {
        text += "save\t" + Escaped(Change.Loan) + "\t" + std::to_string(Change.FirstNewRow) + "\t" +
                (Change.NewLoan ? "1" : "0") + "\n";
        if (!Change.NewLoan) text += TermsLine(Change.OldLoan, Change.OldOptions) + "\n";
    } else {
        text += "delete\t" + Escaped(Change.Account) + "\n";
        for (const std::string& loan : Change.Loans)
            text += "loan\t" + Escaped(loan) + "\n";
    }
    text += "end\n";
    if (Change.Committed) text += "commit\n";
    return text;
}

// Reads one line of the journal's body into Change; false when it does not belong.
bool ReadLine(const std::vector<std::string>& Parts, TRegisterChange& Change) {
    const std::string& what = Parts[0];
    if (what == "save" && Parts.size() == 4) {
        Change.Kind = rcSave;
        Change.NewLoan = Parts[3] == "1";
        return Unescaped(Parts[1], Change.Loan) && Number(Parts[2], Change.FirstNewRow);
    }
    if (what == "terms") return ReadTermsLine(Parts, Change.OldLoan, Change.OldOptions);
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

} // namespace

std::string RegisterJournalPath(const std::string& Folder) {
    return Folder + "/" + JournalName;
}

bool WriteRegisterJournal(const std::string& Folder, const TRegisterChange& Change) {
    const std::string path = RegisterJournalPath(Folder);
    TXbFile file;
    const bool written = file.Create(path) && file.WriteAt(0, JournalText(Change)) &&
                         file.Flush() && XbSyncFolder(Folder);
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
    while (!ended && std::getline(lines, line)) {
        ended = line == "end";
        if (!ended && !ReadLine(Split(line), Change)) return jsCutShort;
    }
    if (!ended || (Change.Kind == rcSave && Change.Loan.empty())) return jsCutShort;
    Change.Committed = std::getline(lines, line) && line == "commit";
    return jsComplete;
}

bool RemoveRegisterJournal(const std::string& Folder) {
    std::error_code error;
    std::filesystem::remove(RegisterJournalPath(Folder), error);
    return !error && XbSyncFolder(Folder);
}
