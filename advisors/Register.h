// The tables of the accounts-and-loans register: borrowers (ACCNTS.DBF), loans (LOANS.DBF), the
// account-to-loan cross-reference (XREF.DBF), the one-record counter table (SYSINFO.DBF) and the
// saved schedule rows (TRANS.DBF), standard DBF files with NSX index files in the program's data
// folder. On first run the missing tables are created with their index tags; a new accounts
// table gets the "DEFAULT" account and a new counter table its one record. Loan numbers come
// from the counter table; account numbers are generated from the borrower's names and are
// unique (the accounts tag refuses a second record with the same number).
//
// TLoanInfo ("Loan Information") is the register's modal four-step dialog: pick or create the
// borrower (steps 1 and 2), then pick or create one of the borrower's loans (steps 3 and 4).
// The schedule form opens it through ShowLoanInfo to choose the loan a schedule is saved under
// or loaded from. Every change the dialog starts and does not finish is undone when it is
// cancelled, the cross-reference row of a new loan included; a failed save keeps the dialog
// open on its page with a message.
#pragma once

#include "advisors/AmortizationSchedule.h"
#include "advisors/RegisterJournal.h"
#include "controls/entry/DataPictureField.h"
#include "controls/entry/DataPictureLabel.h"
#include "controls/entry/DataSimpleField.h"
#include "controls/entry/EntryController.h"
#include "controls/entry/TransferRecords.h"
#include "db/DBTables.h"
#include "db/XbaseComponent.h"
#include "dbcontrols/ControlsDataSource.h"
#include "dbcontrols/DataGrid.h"
#include "dbcontrols/DataSetParts.h"
#include "dbcontrols/IndexChooser.h"
#include "dbcontrols/RecordNavigator.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

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
// that exist are left as they are. Answers the message to show of an engine refusal, in the
// register's words (RegisterFailureMessage), empty when none; a table it kept from being made
// whole is not left.
std::string CreateRegisterTables(const std::string& Folder);

// A table of the register in Folder (not yet open), in the order of Tag when one is given.
// Records marked deleted are never shown (the engine hides them from then on).
std::unique_ptr<TTable> RegisterTable(const std::string& Folder, const std::string& Name,
                                      const std::string& Tag = "");
// Points Table (closed) at a table of the register, as RegisterTable does.
void SetRegisterTable(TTable& Table, const std::string& Folder, const std::string& Name,
                      const std::string& Tag = "");

// Makes the register in Folder ready for the tables Names: a change a killed process left
// half done is finished or undone (the register journal; one whose tables are not those it was
// written for is set aside with a warning), an index that fell behind its table or is damaged
// is made anew when the table is alone, the counter table gets its record back (counting on
// from the highest loan number) and the accounts their DEFAULT account. Nothing is written
// that none of these needs. Answers the message to show (a table in use, missing, damaged or
// not the register's, the disk full, the folder that cannot be written, a journal that cannot
// be read), empty when the register is ready. With DiskFull given, a register whose repair of
// an index the full disk refuses is ready to be read as it is (its tables then to be opened for
// reading): DiskFull gets the message that tells it, and is empty otherwise.
std::string PrepareRegister(const std::string& Folder, const std::vector<std::string>& Names,
                            std::string* DiskFull = nullptr);

// The messages of a register table another copy of the program holds (the table or a record
// of it), of a damaged one, of one the full disk would not take a write for, of one missing
// from Folder, and of one whose Field is missing (Type 0) or not of the type (C, N, D, L) the
// register keeps in it.
std::string RegisterInUseMessage(const std::string& Table);
std::string RegisterDamagedMessage(const std::string& Table, const std::string& Reason);
std::string RegisterDiskFullMessage(const std::string& Table);
// The messages of a change of the register in Folder whose journal Journal the full disk
// refused (nothing was changed), and of a delete that was done but whose table Table the full disk
// kept from being packed.
std::string RegisterJournalDiskFullMessage(const std::string& Folder,
                                           const std::string& Journal = RegisterJournalName);
std::string RegisterDeletedUnpackedMessage(const std::string& Table);
// The message of the failure E that a write of the register in Folder met, as a change of the
// register words it: the full disk, another copy or a file system without file locks naming the
// table of the file, a register that cannot be written naming the folder or the file; Otherwise
// for any other failure.
std::string RegisterFailureMessage(const std::string& Folder, const Exception& E,
                                   const std::string& Otherwise);
std::string RegisterMissingMessage(const std::string& Table, const std::string& Folder);
// The message of a register table in Folder that cannot be opened since the file system of that
// folder takes no file locks: another copy's changes could not be kept apart from this one's,
// so nothing of the register is opened there.
std::string RegisterNoLocksMessage(const std::string& Table, const std::string& Folder);
std::string RegisterFieldMessage(const std::string& Table, const std::string& Field, char Type);
// The messages of the register folder Folder that refuses writes for want of leave: nothing
// could be changed; or the change its journal Journal holds cannot be brought to its end (it
// waits).
std::string RegisterFolderUnwritableMessage(const std::string& Folder);
std::string RegisterRecoveryUnwritableMessage(const std::string& Folder,
                                              const std::string& Journal = RegisterJournalName);
// What the register's dialog tells as it shows the register of the folder Folder, which could
// only be opened for reading: why nothing can be added or deleted there.
std::string RegisterFolderReadOnlyMessage(const std::string& Folder);
// The same two of a file of the register (File: its name, a table or its index) in the folder
// Folder that the system refuses to write with the errno Error, in a folder that takes writes.
std::string RegisterFileUnwritableMessage(const std::string& File, const std::string& Folder,
                                          int Error);
std::string RegisterFileReadOnlyMessage(const std::string& File, const std::string& Folder,
                                        int Error);
// The messages of a file of the register (File as above) in Folder that the user may not read,
// and of the register folder Folder that the user may not enter.
std::string RegisterFileUnreadableMessage(const std::string& File, const std::string& Folder);
std::string RegisterFolderClosedMessage(const std::string& Folder);

// What keeps the register in Folder from being changed, judged as the system judges a write of
// the program's user (the effective one): the folder, which must take the journal REGISTER.JNL
// that every change makes first and a pack's copies, else the first file of its tables (each
// table, then its index) that cannot be written. Error: the errno of the refusal (EACCES, EROFS),
// 0 when nothing refuses; File: the file's name, empty for the folder.
struct TRegisterRefusal {
    std::string File;
    int Error = 0;
};
TRegisterRefusal RegisterRefusal(const std::string& Folder);
// The message of a change the refusal kept from the register in Folder (nothing was changed): the
// folder's (also when Refusal names nothing) or the file's.
std::string RegisterRefusedMessage(const std::string& Folder, const TRegisterRefusal& Refusal);
// The message of the register journal Journal in Folder that cannot be read (Error: the errno
// of the failure); the register stays closed until it can be.
std::string RegisterJournalUnreadableMessage(const std::string& Folder, int Error,
                                             const std::string& Journal = RegisterJournalName);
// The message of a change left unfinished that cannot be brought to its end: the system refused
// a write of the register table Table with the errno Error (an I/O error); it waits in its
// journal Journal.
std::string RegisterRecoveryFailedMessage(const std::string& Table, int Error,
                                          const std::string& Journal = RegisterJournalName);
// The warning of the journal Journal whose change the tables do not match, set aside as Name in
// Folder (Renamed false: it stays under its name Name, which the user may not change, and is
// taken for finished). It names what the change was for (Change), which may hold part of it.
struct TUnfinishedChange;
std::string RegisterJournalSetAsideMessage(const std::string& Folder, const std::string& Name,
                                           const TUnfinishedChange& Change, bool Renamed = true,
                                           const std::string& Journal = RegisterJournalName);
// An unfinished change of the register as its warning names it: a save of the schedule of loan
// Loans[0], or a delete of the loans Loans, with their account when AccountDeleted. Account:
// the account of the loans, empty when no account lists them.
struct TUnfinishedChange {
    bool Delete = false;
    bool AccountDeleted = false;
    std::string Account;
    std::vector<std::string> Loans;
};

// Issues the next loan number: LASTLOANNO of the counter table in Folder goes up by one and is
// posted; the new number is returned. The counter is read under its record's lock and written
// before the lock goes, so copies of the program numbering at once never get the same number.
// A copy holding the record is waited for ten seconds, since it holds it only while it writes.
// A counter table without its record, or a lock another copy keeps past that wait, raises.
LongInt NextLoanNumber(const std::string& Folder);

// Key text padded with blanks to Width, as the index keys hold it.
std::string PaddedKey(const std::string& Key, int Width);
// The trimmed text of a field of an open dataset; empty when it is closed.
std::string FieldText(TDataSet* DataSet, const char* Field);
// The text of a key field (an account or loan number) of an open dataset without the blanks
// that pad it: a leading blank, which another program may write, is part of the key. Empty when
// the dataset is closed.
std::string KeyText(TDataSet* DataSet, const char* Field);

// What the register answers when a number is taken, or missing.
inline constexpr const char* AccountNumberTakenMessage = "Account number must be unique.";
inline constexpr const char* AccountNumberNeededMessage = "An account number must be entered.";

// Gives the account being inserted or edited in Accounts (ordered by its account tag) a
// generated number: the first four letters of LASTNAME and the first three of FIRSTNAME,
// upper-cased, and the first three-digit sequence number from 001 not yet taken ("SMITJOH001"),
// looked up in Lookup (a second table on the same file), then posts it. When all 999 are taken
// "Account number must be unique." is raised and the account stays unposted.
void GenerateAccountNo(TTable& Accounts, TTable& Lookup);

// ----- Deletes
//
// Each answers the message to show (error, OK), empty when done. A delete is one change of the
// register: its records all go or none does, whatever moment the process dies or a write
// fails; one that answers a failure left every record in place. It needs every table it
// changes to itself: while another copy of the program holds one, nothing is changed and the
// answer names the table in use, a full disk the table (or the journal) it could not write.
// Deleted records are packed away after; a pack that fails answers "Pack failed.", or for the
// full disk that the delete was done (RegisterDeletedUnpackedMessage): the records stay marked,
// never shown.

inline constexpr const char* DeleteFailedMessage = "Delete failed.";
inline constexpr const char* AccountNotFoundMessage = "Account not found.\n\nNothing was deleted.";
inline constexpr const char* PackFailedMessage = "Pack failed.";

// Ask twice before an account with its loans, or a loan with its rows, is deleted: true when
// the user answered Yes to the first question and No to the second ("STOP the PERMANENT
// deletion?"); otherwise the user is told the deletion was cancelled.
bool ConfirmAccountDelete(const std::string& AccountNo);
bool ConfirmLoanDelete(const std::string& LoanNo);

// Deletes the loan with its links and saved schedule rows.
std::string DeleteLoan(const std::string& Folder, const std::string& LoanNo);
// Deletes the account with every loan it has, their links and saved schedule rows; an account
// the register does not hold answers "Account not found." and nothing is deleted.
std::string DeleteAccount(const std::string& Folder, const std::string& AccountNo);
// Removes the deleted records of table Name, which must not be open elsewhere; answers
// "Pack failed." when the engine refuses, else empty.
std::string PackRegisterTable(const std::string& Folder, const std::string& Name);

// ----- Schedule storage

// The messages of a save that cannot write, a load of a loan the register does not have, of a
// loan too long to load or without rows, and of a table that cannot be opened.
inline constexpr const char* SaveFailedMessage = "Save failed.\n\nPossible low free disk space.";
inline constexpr const char* LoanNotFoundMessage = "Loan not found.";
inline constexpr const char* TooLongMessage =
    "Low memory condition.\n\nNot enough free memory to load this loan.";
inline constexpr const char* NoRowsMessage =
    "\rNo transaction records found for this loan.\r\rCanceling load.\r";
inline constexpr const char* LoadFailedMessage = "Low memory condition.\n\nCan't open loan table.";
inline constexpr const char* TableOpenFailedMessage = "Table open failed";

// Saves Schedule under LoanNo as one change of the register: the loan's terms and options go
// into its LOANS record and rows 0..LastRow into TRANS, replacing the rows saved for the loan
// before. Whatever moment the process dies or a write fails, the loan keeps its old terms and
// rows or has the new ones, never a mix; a save that answers a failure left the old ones.
// The loan's record and its link stay whatever the save meets. NewLoan: the loan was made for
// this save (the dialog posted it with its link): a failure says that it is kept, without a
// schedule (RegisterNewLoanKeptMessage). A loan another copy of the program edits is refused
// before anything is written (its table named in use). Answers the message to show (error,
// OK), empty when saved.
std::string SaveSchedule(const std::string& Folder, const std::string& LoanNo,
                         const TAmortSchedule& Schedule, const TAmortOptions& Options,
                         bool NewLoan = false);
// The answer of a save of the new loan LoanNo that failed with Failure.
std::string RegisterNewLoanKeptMessage(const std::string& Failure, const std::string& LoanNo);

// Loads the schedule saved under LoanNo: the loan's terms and options from its LOANS record and
// the rows from TRANS, as they were saved (nothing is recomputed), with the year tabs, the
// periods per year and the year basis set again.
// Loading stops at the schedule's row capacity; it writes nothing but a repair its tables need
// (a change left in the journal, an index made anew), and one the full disk refuses does not
// stop it (OpenToRead). Answers the message to show (error, OK), empty when the schedule was
// loaded. A load that answers anything else (a loan without rows, one too
// long to load) is cancelled: Schedule and Options stay as they were.
std::string LoadSchedule(const std::string& Folder, const std::string& LoanNo,
                         TAmortSchedule& Schedule, TAmortOptions& Options);

// ----- The register's dialog

// The dialog's modes: choosing the loan a schedule is saved under, or loaded from. A register
// that cannot be changed (RegisterRefusal), or whose tables could only be opened for reading, is
// shown for reading: the dialog tells so as it shows, naming the folder or the file, and New
// answers with its message. So is a register whose repair the full disk refuses (an index to be
// made anew), without telling it as it shows: its loans are chosen and loaded as on any disk,
// and New answers that the disk is full. A write the full disk (or another copy) refuses is
// told as a change of the register tells it, naming the table (RegisterFailureMessage).
enum TLoanInfoMode : Byte { limLoad = 0, limSave = 1 };

class TLoanInfo : public TForm {
    VANTREL_CLASS(TLoanInfo, TForm)

    // Opens the register's tables in Folder; a table that cannot be opened is reported
    // ("Table open failed", then what stands in the way) and TablesOpen() is then false.
    TLoanInfo(TComponent* AOwner, const std::string& Folder);
    ~TLoanInfo() override;

    // The terms a new loan starts with (those of the schedule form).
    TAmortLoan ScheduleLoan;

    // Tables and their sources.
    TdwTable *Accounts, *AccountsLookup, *Loans, *LoansLookup, *XRef;
    TdwDataSource *AccountsSource, *LoansSource, *XRefSource;
    TXBase *AccountsXB, *LoansXB, *XRefXB;
    // Header line, notebook, buttons.
    THeader* Header1;
    TNotebook* Notebook1;
    TButton *NewBTN, *PriorBTN, *NextBTN, *HelpBTN, *CancelBTN;
    TDBNavigator* DBNavigator1;
    // Page "Accounts".
    TdwIncrementalSearch* IncSearch;
    TdwKeyCombo* KeyCombo;
    TdwDBGrid* AccountsGrid;
    // Page "AcctInfo".
    TGroupBox* AcctNoGroup;
    TRadioButton *AutoBTN, *ManualBTN;
    TVcDbSimpleField* AccountNo;
    TLabel *lFirst, *lBusiness, *lAddress1, *lAddress2, *lCity, *lPhone1, *lState, *lZip, *lCountry,
        *lMI, *lLast, *lExt, *lPhone2;
    TVcDbSimpleField *FirstName, *Business, *Address1, *Address2, *City, *Zip, *Country, *MI,
        *LastName, *Phone2Ext;
    TVcDbPictureField *State, *Phone1, *Phone2;
    // Page "Loans".
    TdwDBGrid* LoansGrid;
    // Page "LoanInfo".
    TLabel *lLoanNo, *lCollateral, *lPropAddress, *lLotNo, *lPropCity, *lPropState, *lPropZip,
        *lPropCountry, *lInitAmt, *lOrigDate, *lBlockNo, *lInitRate, *lInitTerm;
    TVcDbPictureLabel *LoanNo, *InitAmt, *OrigDate, *InitRate, *InitTerm;
    TVcDbSimpleField *Collateral, *PropAddress, *LotNo, *PropCity, *PropZip, *PropCountry, *BlockNo;
    TVcDbPictureField* PropState;
    TVcTransfer* VcTransfer1;
    TVcController* DefaultController;

    // Dialog state.
    Byte Mode = limSave;
    bool NewAccount = false;
    bool NewLoan = false;
    std::string LoanNoResult;
    // The loan of LoanNoResult was made in this showing (its save may take it back).
    bool LoanCreated = false;

    bool TablesOpen() const { return tablesOpen_; }
    // The record navigator's table on the current step.
    TDataSource* NavigatorSource() const { return DBNavigator1->DataSource(); }
    // The status text (header section 0) and the step (section 1).
    std::string StatusText() const;
    std::string StepText() const;

    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void NewBTNClick(TObject* Sender);
    void NextBTNClick(TObject* Sender);
    void PriorBTNClick(TObject* Sender);
    void CancelBTNClick(TObject* Sender);
    void HelpBTNClick(TObject* Sender);
    void AutoBTNClick(TObject* Sender);
    void ManualBTNClick(TObject* Sender);
    void Notebook1PageChanged(TObject* Sender);
    void AccountsAfterPost(TDataSet*) { NewAccount = false; }
    // An account is never posted without a number: it is the key its loans refer to.
    void AccountsBeforePost(TDataSet* DataSet);
    void LoansAfterPost(TDataSet*) { NewLoan = false; }
    // A new loan given up (Cancel, or the navigator's cancel or delete while inserting) takes
    // its cross-reference row along.
    void LoansAfterCancel(TDataSet* DataSet);
    void XRefCalcFields(TDataSet* DataSet);
    void AccountsBeforeDelete(TDataSet* DataSet);
    void LoansBeforeDelete(TDataSet* DataSet);
    void XRefBeforeDelete(TDataSet* DataSet);
    void AccountsDataChange(TObject* Sender, TField* Field);
    void XRefDataChange(TObject* Sender, TField* Field);
    void LoansDataChange(TObject* Sender, TField* Field);

    // The transfer record of the dialog, made on each show.
    static std::unique_ptr<TTransferRecord> NewLoanInfoData();

private:
    void BuildTables();
    void BuildXRefFields();
    void BuildFrame();
    void BuildAccountsPage();
    void BuildAcctInfoPage();
    void BuildLoanInfoPage();
    TdwTable* AddTable(const std::string& Name, const char* File, const char* Tag);
    TdwDataSource* AddSource(const std::string& Name, TDataSet* DataSet);
    TXBase* AddEngine(const std::string& Name, TDataSource* Source);
    TButton* AddButton(const std::string& Name, const char* Caption, int Left,
                       TNotifyEvent OnClick);
    // A read-only grid over the accounts or the cross-references, with their columns.
    TdwDBGrid* AddGrid(TWinControl* Parent, const std::string& Name, TDataSource* Source);
    TLabel* AddPrompt(TWinControl* Parent, const std::string& Name, int Left, int Top, int Width);
    template <typename T>
    T* AddField(TWinControl* Parent, const std::string& Name, TDataSource* Source,
                const char* Field, int Left, int Top, int Width);
    std::vector<TComponent*> TransferList() const;
    void OpenTables();
    void CloseTables();
    void ShowStep(int Page);
    // The register may be changed and its tables were opened for writing.
    bool Writable() const;
    void UpdateAccountNoEntry();
    void SetStatus(const std::string& Text);
    void ShowRecordStatus();
    // The account page's Next: the account is numbered and posted; false when it stays.
    bool PostAccount();
    // The last page's Next: everything pending is posted; false when it stays.
    bool PostAll();
    void InsertLoan();
    // Undoes what was started and not finished: pending edits, the cross-reference of a new
    // loan.
    void DiscardNew();
    void ScopeXRef();
    void ReopenXRef();
    // Runs a delete of the register (Change answers its failure) with the dialog's tables
    // closed; a failure is shown and abandons the dataset's delete.
    void DeleteShown(const std::function<std::string()>& Change);
    void ReopenTables(const std::string& Account);
    void RemoveNewXRef();
    void ScopeLoans();

    std::string folder_;
    bool tablesOpen_ = false;
    // What keeps the register from being changed, found as the tables open: the system's
    // refusal, or the message of the full disk that refused a repair of its tables.
    TRegisterRefusal refusal_;
    std::string diskFull_;
    // The cross-reference row New posted for the loan it started.
    std::vector<char> newXRefRow_;
    bool removingNewXRef_ = false;
    std::unique_ptr<TTransferRecord> data_;
};

// Shows Dialog modally in Mode; LoanNo is the chosen loan number after OK, else empty, and
// AccountNo the current account's number (at most 20 characters) in either case.
void ShowLoanInfo(TLoanInfo& Dialog, std::string& AccountNo, Byte Mode, std::string& LoanNo);
