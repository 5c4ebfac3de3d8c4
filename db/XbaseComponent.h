// The engine components forms place next to their tables for what only the xBase engine does.
//
// TXBase works on the table its DataSource feeds: it evaluates xBase expressions on the active
// record, seeks keys in the controlling order, switches and opens orders, limits the table to a
// key scope, applies an xBase condition, and packs the table. Every operation selects the
// table's work area for its duration and selects the previous one again. On a table that is not
// open (or no table at all) an operation does nothing and answers 0, false or an empty text;
// Filter and ExtraIndexes are applied again each time the table opens.
//
// TXBaseEnv holds the engine-wide settings; one exists per program. Creating a second raises
// "Removing extra TXBaseEnv component" and leaves the first as it was.
#pragma once

#include "db/DBTables.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class TXBase;

// The link through which a TXBase follows its table.
class TXBaseDataLink : public TDataLink {
    VANTREL_CLASS(TXBaseDataLink, TDataLink)

    explicit TXBaseDataLink(TXBase* Owner) : owner_(Owner) {}

protected:
    void ActiveChanged() override;

private:
    TXBase* owner_;
};

class TXBase : public TComponent {
    VANTREL_CLASS(TXBase, TComponent)

    explicit TXBase(TComponent* AOwner);
    ~TXBase() override;

    TDataSource* DataSource() const { return dataLink_->DataSource(); }
    void SetDataSource(TDataSource* Value);
    // Index files opened with the table (a name without extension takes the one of the table's
    // type: ".NTX", ".IDX" or ".NSX"); assigning them to an open table opens them at once.
    TStrings* ExtraIndexes() const { return extraIndexes_.get(); }
    void SetExtraIndexes(TStrings* Value);
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& Value) { Query(Value); }
    bool TurboRead() const { return turboRead_; }
    void SetTurboRead(bool Value);

    // The table the data source feeds, nullptr when it feeds none.
    TTable* Table() const;
    // A table is linked and open.
    bool Active() const;

    // Marks the active record deleted.
    void Delete();
    // Marks the records of each run (its first and last record number) deleted, or with Deleted
    // false takes the mark back: in place and in record order, whatever the order, the scope
    // or the condition, so that no index is walked. Numbers past the end of the table are left
    // out; a record already marked as asked is not written. Raises when a write fails. The
    // dataset is read anew afterwards.
    void MarkRecords(const std::vector<std::pair<LongInt, LongInt>>& Runs, bool Deleted);
    // The text of field Field (blank-padded, as stored) of each record First..Last the table
    // has, in record order, whatever its deletion mark, the order, the scope or the condition
    // (records past the end of the table are left out; an unknown field reads empty). The
    // dataset is read anew afterwards.
    std::vector<std::string> FieldOfRecords(LongInt First, LongInt Last, const std::string& Field);
    // Makes record RecNo the active record, whatever the order; false, the dataset staying
    // where it was, when the table has no such record or the deleted setting hides it.
    bool GotoRecord(LongInt RecNo);
    // The expression evaluated on the active record.
    std::string EvalString(const std::string& Expression);
    // The key expression of the controlling order.
    std::string IndexKey();
    // Opens an index file (a name without directory lies beside the table) and makes its order
    // the table's index; answers the order, 0 when the file cannot be opened (nothing changes).
    int IndexOpen(const std::string& FileName);
    int IndexOrd();
    LongInt RecCount();
    int RecSize();
    LongInt GetRecNo();
    // Removes the deleted records (the table must be open exclusively); raises when the engine
    // refuses, leaving the table as it was.
    void Pack();
    // Hides the records that fail Condition (empty: none); a condition the engine refuses
    // raises and the previous one stays.
    void Query(const std::string& Condition);
    // Stands on the first record of Key in the controlling order: true; else at the end: false.
    bool Seek(const std::string& Key);
    // Makes order n (0: natural order) the table's index; answers the order it replaced.
    int SetOrder(int Order);
    // Limits the controlling order to keys from Top to Bottom (both empty: no limit) and moves
    // to the first record; false when the engine refuses.
    bool SetScope(const std::string& Top, const std::string& Bottom);
    std::intptr_t SysProp(int Code, std::intptr_t Value);
    int TagArea(const std::string& Tag);
    std::string TagName(int Order);

private:
    friend class TXBaseDataLink;
    void LinkActiveChanged();
    void OpenExtraIndexes();
    // Runs Body with the table's area selected; with Sync, the engine stands on the dataset's
    // active record meanwhile.
    template <typename Body>
    auto OnTable(bool Sync, const Body& body);

    std::unique_ptr<TXBaseDataLink> dataLink_;
    std::unique_ptr<TStringList> extraIndexes_;
    std::string filter_;
    bool turboRead_ = false;
    // The extra index files are open; the table's index before they were.
    bool extrasOpen_ = false;
    std::string indexBefore_;
};

enum TXBaseDateFrmt : Byte {
    dfAmerican,
    dfAnsi,
    dfBritish,
    dfFrench,
    dfGerman,
    dfItalian,
    dfSpanish,
    dfWinDefault
};

class TXBaseEnv : public TComponent {
    VANTREL_CLASS(TXBaseEnv, TComponent)

    explicit TXBaseEnv(TComponent* AOwner);
    ~TXBaseEnv() override;

    bool Exact() const { return exact_; }
    void SetExact(bool Value);
    bool Century() const { return century_; }
    // Also the platform's short date format: its year gets four digits, or two again.
    void SetCentury(bool Value);
    TXBaseDateFrmt DateFormat() const { return dateFormat_; }
    // Also the platform's short date format and date separator.
    void SetDateFormat(TXBaseDateFrmt Value);
    LongInt LockTimeout() const { return lockTimeout_; }
    void SetLockTimeout(LongInt Value);
    LongInt MemoBlockSize() const { return memoBlockSize_; }
    void SetMemoBlockSize(LongInt Value);
    bool SoftSeek() const { return softSeek_; }
    void SetSoftSeek(bool Value);
    bool Deleted() const { return deleted_; }
    void SetDeleted(bool Value);
    // 0 stands for 1900; kept within 100..2999.
    LongInt Epoch() const { return epoch_; }
    void SetEpoch(LongInt Value);

private:
    void ApplyCentury();

    bool exact_ = false;
    bool century_ = false;
    TXBaseDateFrmt dateFormat_ = dfWinDefault;
    LongInt lockTimeout_ = 1;
    LongInt memoBlockSize_ = 64;
    bool softSeek_ = false;
    bool deleted_ = false;
    LongInt epoch_ = 1900;
};
