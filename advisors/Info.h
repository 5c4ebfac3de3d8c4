// The tables of the accounts-and-loans register: borrowers (ACCNTS.DBF), loans (LOANS.DBF), the
// account-to-loan cross-reference (XREF.DBF), the one-record counter table (SYSINFO.DBF) and the
// saved schedule rows (TRANS.DBF), standard DBF files with NSX index files in the program's data
// folder. On first run the missing tables are created with their index tags; a new accounts
// table gets the "DEFAULT" account and a new counter table its one record. Loan numbers come
// from the counter table; account numbers are generated from the borrower's names and are
// unique (the accounts tag refuses a second record with the same number).
#pragma once

#include "advisors/AmortSched.h"
#include "db/DBTables.h"

#include <memory>
#include <string>

// The register's table files and their index tags.
inline constexpr const char* AccountsTable = "ACCNTS.DBF";
inline constexpr const char* LoansTable = "LOANS.DBF";
inline constexpr const char* XRefTable = "XREF.DBF";
inline constexpr const char* SysInfoTable = "SYSINFO.DBF";
inline constexpr const char* TransTable = "TRANS.DBF";
inline constexpr const char* AccountsTag = "ACCNTS";
inline constexpr const char* LoanNoTag = "LOANNO";
inline constexpr const char* AccountNoTag = "ACCOUNTNO";
inline constexpr const char* DefaultAccount = "DEFAULT";
// Widths of the keys, to which sought keys are padded.
inline constexpr int AccountNoWidth = 20;
inline constexpr int LoanNoWidth = 9;

// Creates in Folder each register table that does not exist yet, with its index tags, the
// "DEFAULT" account in a new accounts table and the one record of a new counter table. Tables
// that exist are left as they are. Engine refusals raise.
void CreateRegisterTables(const std::string& Folder);

// A table of the register in Folder (not yet open), in the order of Tag when one is given.
std::unique_ptr<TTable> RegisterTable(const std::string& Folder, const std::string& Name,
                                      const std::string& Tag = "");

// Issues the next loan number: LASTLOANNO of the counter table in Folder goes up by one and is
// posted; the new number is returned.
LongInt NextLoanNumber(const std::string& Folder);

// Key text padded with blanks to Width, as the index keys hold it.
std::string PaddedKey(const std::string& Key, int Width);

// Gives the account being inserted or edited in Accounts (ordered by its account tag) a
// generated number: the first four letters of LASTNAME and the first three of FIRSTNAME,
// upper-cased, and the first three-digit sequence number from 001 not yet taken ("SMITJOH001"),
// looked up in Lookup (a second table on the same file), then posts it. When all 999 are taken
// "Account number must be unique." is raised and the account stays unposted.
void GenerateAccountNo(TTable& Accounts, TTable& Lookup);

// ----- Cascading deletes
//
// Each answers the message to show (error or information, OK), empty when done. Deletes mark
// records and packs remove them; a failing delete answers "Delete failed.", a failing pack
// "Pack failed." and leaves the marked records in place. The tables must not be open elsewhere.

// Ask twice before an account with its loans, or a loan with its rows, is deleted: true when
// the user answered Yes to the first question and No to the second ("STOP the PERMANENT
// deletion?"); otherwise the user is told the deletion was cancelled.
bool ConfirmAccountDelete(const std::string& AccountNo);
bool ConfirmLoanDelete(const std::string& LoanNo);

// Deletes the loan, its cross-references and its saved schedule rows.
std::string DeleteLoan(const std::string& Folder, const std::string& LoanNo);
// Deletes the account with every loan it has (as DeleteLoan). The "DEFAULT" account is refused
// with "\rThe DEFAULT account cannot be deleted.\r\r" and nothing changes.
std::string DeleteAccount(const std::string& Folder, const std::string& AccountNo);

// ----- Schedule storage

// Saves Schedule under LoanNo: the loan's terms and options go into its LOANS record and rows
// 0..LastRow into TRANS, replacing the rows saved for the loan before. The LOANS record is
// found before anything is written; when a row cannot be posted the rows of this save are
// removed again and the rows saved before stay. Answers the message to show (error, OK), empty
// when the schedule was saved.
std::string SaveSchedule(const std::string& Folder, const std::string& LoanNo,
                         const TAmortSchedule& Schedule, const TAmortOptions& Options);

// Loads the schedule saved under LoanNo: the loan's terms and options from its LOANS record and
// the rows from TRANS, as they were saved (nothing is recomputed), with the year tabs rebuilt.
// Loading stops at the schedule's row capacity. Answers the message to show (error, OK), empty
// when the schedule was loaded; without rows LastRow is 0.
std::string LoadSchedule(const std::string& Folder, const std::string& LoanNo,
                         TAmortSchedule& Schedule, TAmortOptions& Options);
