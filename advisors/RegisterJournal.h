// The register journal: the note a change of the register leaves in its folder while it runs,
// so that a change that touches several tables takes effect whole or not at all, whatever
// moment the process dies or a write fails (REGISTER.md beside this file tells the scheme).
//
// The journal "REGISTER.JNL" is a short text file: a first line naming the format, one line per
// fact of the change ("save", "loan", "account", the saved-over terms), a line "end", and for a
// change that has taken effect a last line "commit". It is written and flushed to disk (with its
// folder) before the change writes anything, and removed once the change is on disk. Only the
// holder of TRANS.DBF, opened exclusively, writes, reads or removes it.
#pragma once

#include "advisors/AmortizationSchedule.h"

#include <string>
#include <vector>

// What a change of the register does.
enum TRegisterChangeKind { rcSave, rcDelete };

struct TRegisterChange {
    TRegisterChangeKind Kind = rcSave;
    // Save: the loan whose rows and terms are replaced; the rows from record FirstNewRow of
    // TRANS.DBF on are the new ones, those before it the old ones. NewLoan: the loan was made
    // for this save and goes again with it (its LOANS record and link); otherwise OldLoan and
    // OldOptions are the terms the save replaces.
    std::string Loan;
    LongInt FirstNewRow = 0;
    bool NewLoan = false;
    TAmortLoan OldLoan;
    TAmortOptions OldOptions;
    // Delete: the loans that go with their links and rows, and the account that goes (empty:
    // none).
    std::vector<std::string> Loans;
    std::string Account;
    // The change has taken effect: it is finished on the next open, else undone.
    bool Committed = false;
};

// The journal's file in Folder.
std::string RegisterJournalPath(const std::string& Folder);

// Writes Change as the folder's journal, on disk before it answers; false when it could not
// be written (no journal is then left).
bool WriteRegisterJournal(const std::string& Folder, const TRegisterChange& Change);
// Marks the journal's change as taken effect (the line "commit", on disk); false on failure.
bool CommitRegisterJournal(const std::string& Folder);

// How a journal reads.
enum TJournalState { jsNone, jsCutShort, jsComplete };
// Reads the folder's journal into Change. A journal cut short (no "end" line, or a line that
// does not belong) was left before its change wrote anything.
TJournalState ReadRegisterJournal(const std::string& Folder, TRegisterChange& Change);
// Removes the journal (and the removal reaches the disk); false on failure.
bool RemoveRegisterJournal(const std::string& Folder);
