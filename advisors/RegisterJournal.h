// The register journal: the note a change of the register leaves in its folder while it runs,
// so that a change that touches several tables takes effect whole or not at all, whatever
// moment the process dies or a write fails (REGISTER.md beside this file tells the scheme).
//
// The journal "REGISTER.JNL" is a short text file: a first line naming the format, a line naming
// the change ("save" of a loan, "delete" of an account or of loans alone), the pack count of
// TRANS.DBF ("packs"), the record count of each table the change writes ("count"), the records
// the change writes by their numbers, each run with the account or loan key its records hold
// ("made": records it adds; "gone": records it marks deleted; "terms": the loan record whose
// terms it replaces, with those terms), a line
// "end", and for a change that has taken effect a last line "commit". It is written and flushed
// to disk (with its folder) before the change writes anything, so that undoing the change needs
// nothing but the journal and the tables' records by number, never an index; the counts and
// keys tell whether the tables are still those the change was written for. Only the holder of
// TRANS.DBF, opened exclusively, writes, reads, sets aside or removes it. Journals of the three
// earlier formats are still read, so that a change an older build left is brought to its end:
// the third format records no pack count, the second no counts and no keys, the first names no
// records.
//
// A journal that its finisher cannot remove (another user's, in a sticky folder) is made
// harmless by the tables' state: it records the pack count of TRANS.DBF (FORMAT.md) when it was
// written, nothing packs TRANS while its change waits, and a finisher that cannot remove it
// packs TRANS at once. A journal whose pack count is no longer TRANS's is finished, never
// applied again; the next change of a user who cannot remove it writes its journal under the
// user's own name (RegisterJournalNames).
#pragma once

#include "advisors/AmortizationSchedule.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

// The journal's file name, in the register's folder.
inline constexpr const char* RegisterJournalName = "REGISTER.JNL";

// What a change of the register does.
enum TRegisterChangeKind { rcSave, rcDelete };

// Records First..Last of one register table, which hold the account key (ACCNTS.DBF) or the
// loan key (the other tables) Key; empty: not known (a journal of the second format).
struct TRecordRun {
    std::string Table;
    LongInt First = 0;
    LongInt Last = 0;
    std::string Key;
    bool operator==(const TRecordRun&) const = default;
};

struct TRegisterChange {
    // The change as a user named it: a save of the schedule of loan Name, or a delete of
    // account Name with its loans (empty: a loan alone).
    TRegisterChangeKind Kind = rcSave;
    std::string Name;
    // The records the change adds (a save's rows; in a journal of an earlier build also a loan
    // made for the save, with its link): undoing the change marks them deleted.
    std::vector<TRecordRun> Made;
    // The records the change marks deleted: undoing the change takes the marks back.
    std::vector<TRecordRun> Gone;
    // The record count of each table the change writes, before it wrote (none in a journal of
    // the second format).
    std::map<std::string, LongInt> Counts;
    // A save over a loan's terms: the number of the loan's LOANS record (0: none) and the terms
    // it had, which undoing the change writes back.
    LongInt TermsRecord = 0;
    TAmortLoan OldLoan;
    TAmortOptions OldOptions;
    // The change has taken effect: every record it wrote reached the disk before this mark.
    bool Committed = false;
    // The pack count of TRANS.DBF when the journal was written (none in a journal of an earlier
    // format): once TRANS has another, the change is finished.
    std::optional<LongWord> Packs;
};

// A change as a journal of the first format tells it. Older builds wrote that format: it names
// the loan or the account and loans a change touched, not their records.
struct TFormerRegisterChange {
    TRegisterChangeKind Kind = rcSave;
    // A save: the loan, the number of the first record of its new rows (its rows before that
    // one are its old rows), whether the loan was made for the save, and the terms it replaced
    // (Terms: they were given).
    std::string Loan;
    LongInt FirstNewRow = 0;
    bool NewLoan = false;
    bool Terms = false;
    TAmortLoan OldLoan;
    TAmortOptions OldOptions;
    // A delete: the account that goes (empty: loans alone) and each loan that goes.
    std::string Account;
    std::vector<std::string> Loans;
    // The change has taken effect (a delete was written so at once): what it did not get to do
    // is left to finish.
    bool Committed = false;
};

// The runs of consecutive numbers among Records (in any order) of table Table, whose records
// hold Key.
std::vector<TRecordRun> RecordRuns(const std::string& Table, std::vector<LongInt> Records,
                                   const std::string& Key = {});

// The journal's file in Folder, or the file Name there.
std::string RegisterJournalPath(const std::string& Folder,
                                const std::string& Name = RegisterJournalName);
// The journal a change of this process writes when another one stands in the folder under the
// common name: "REGISTER-U<user id>.JNL", which its user may always remove.
std::string OwnRegisterJournalName();
// The names of the journals in Folder: the common one first, then those of users.
std::vector<std::string> RegisterJournalNames(const std::string& Folder);

// Writes Change as the folder's journal, not yet committed, on disk before it answers; false
// when it could not be written (no journal is then left, and the reason of the refused write is
// the engine's last, xb_LastError).
bool WriteRegisterJournal(const std::string& Folder, const TRegisterChange& Change,
                          const std::string& Name = RegisterJournalName);
// Marks the journal's change as taken effect (the line "commit", on disk); false on failure.
bool CommitRegisterJournal(const std::string& Folder,
                           const std::string& Name = RegisterJournalName);

// How a journal reads.
enum TJournalState { jsNone, jsCutShort, jsComplete, jsFormer, jsUnreadable };
// Reads the folder's journal into Change. A journal read whole and found cut short (no "end"
// line, or a line that does not belong) was left before its change wrote anything. A journal
// that is there but cannot be opened or read reads as jsUnreadable, with the errno of the
// failure in ReadError. A journal of the first format reads as jsFormer:
// ReadFormerRegisterJournal reads it.
TJournalState ReadRegisterJournal(const std::string& Folder, TRegisterChange& Change,
                                  int* ReadError = nullptr,
                                  const std::string& Name = RegisterJournalName);
// Reads the folder's journal of the first format into Change: jsComplete, jsCutShort (as above,
// or not of that format), jsUnreadable (as above) or jsNone.
TJournalState ReadFormerRegisterJournal(const std::string& Folder, TFormerRegisterChange& Change,
                                        int* ReadError = nullptr,
                                        const std::string& Name = RegisterJournalName);
// Removes the journal (and the removal reaches the disk); false on failure.
bool RemoveRegisterJournal(const std::string& Folder,
                           const std::string& Name = RegisterJournalName);
// Renames the journal, so that it is kept and no longer taken for the register's, to the
// first of "REGISTER-1.JNL", "REGISTER-2.JNL", ... not yet in the folder (the renaming reaches
// the disk); answers that name, empty on failure.
std::string SetRegisterJournalAside(const std::string& Folder,
                                    const std::string& Name = RegisterJournalName);
