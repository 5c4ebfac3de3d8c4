// A work area: one open table with its memo file, its locks, its index files and orders, and a
// cursor that moves through the records in the controlling order, inside the scope, past the
// records that the condition or the deleted setting hides. The table of the 255 work areas and
// the current area live here too.
//
// Every change of a record runs as one update of the table and its indexes (TXbIndexFile's
// BeginUpdate / EndUpdate), so each open index records the table's state with it; an update
// refused anywhere is taken back whole before any other user can see it. An append reserves
// the table's next record, which joins the table and its orders with its first write. An index
// file opened here that does not match the table is rebuilt when the area has the files to
// itself (an exclusive open, or no other holder), and otherwise once its lock shows that no
// writer is at work (TXbIndexFile::BeginUpdate); read-only, it is kept as behind. Opened
// exclusively, no locks are taken and index pages are written back at commit, unlock and close:
// memo and table reach the disk first, then the indexes that record them. A pack writes packed
// copies of table and memo and puts them in place through the pack journal (XbJournal.h),
// renamed over the files or written over them, so that the files keep their owner, group, mode
// and other names; the indexes are rebuilt in their files.
#pragma once

#include "platform/rtl/Types.h"
#include "xbase/AreaMemos.h"
#include "xbase/XbExpr.h"
#include "xbase/XbIndex.h"
#include "xbase/XbLock.h"
#include "xbase/XbMemo.h"
#include "xbase/XbTable.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

constexpr int xbMaxAreas = 255;

class TXbArea : public TXbRecordSource {
public:
    explicit TXbArea(int number) : number_(number) {
        memo_.SetStartsSource([this](std::vector<LongWord>& starts) {
            return TXbAreaMemos::StartsOf(*table_, starts);
        });
    }
    ~TXbArea() override;
    TXbArea(const TXbArea&) = delete;
    TXbArea& operator=(const TXbArea&) = delete;

    // Opens the table at path (found without regard to case) with its memo file and production
    // index; mode 0 shared, 1 read-only, 2 exclusive; driver 1 NTX, 2 CDX, 3 NSX.
    int Open(const std::string& path, const std::string& alias, int mode, int driver);
    // Writes a changed record back and closes; gives the status of that write.
    int Close();

    int Number() const { return number_; }
    const std::string& Alias() const { return alias_; }
    int Driver() const { return driver_; }
    bool IsOpen() const { return table_->IsOpen(); }
    bool ReadOnly() const { return !table_->File().Writable(); }
    bool Exclusive() const { return lock_->Exclusive(); }
    // The table's files are this area's alone (an exclusive open, or no other holder), so it
    // may repair them.
    bool Alone() const { return lock_->Alone(); }
    // A number that changes whenever the table is packed, in this area or by another program:
    // a pack raises the pack count in the table's header (and a pack that renames puts a new
    // file in place), and this process counts its own packs of the file too.
    LongWord PackStamp() const { return packStamp_; }
    const TXbTable& Table() const { return *table_; }
    // The record buffer of the area: record size bytes at a fixed address while it is open.
    char* Buffer() { return buffer_.data(); }
    // 0-based field index of a 1-based field number, -1 when out of range.
    int FieldIndex(int field) const {
        return field >= 1 && field <= static_cast<int>(table_->Fields().size()) ? field - 1 : -1;
    }
    // Raw bytes of field index i in the buffer, read where they lie: good until the buffer
    // changes.
    std::string_view FieldBytes(int i) const {
        const TXbFieldDef& f = table_->Fields()[static_cast<std::size_t>(i)];
        return std::string_view(buffer_).substr(static_cast<std::size_t>(f.Offset),
                                                static_cast<std::size_t>(f.Width));
    }

    // Moving. Each writes a changed buffer back first and gives the status of that write; the
    // cursor moves even when the write was refused (the change is then dropped).
    int GoTop();
    int GoBottom();
    int Skip(LongInt count);
    int Go(LongInt recno);
    LongInt RecNo() const override { return recno_; }
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool Deleted() const override { return !buffer_.empty() && buffer_[0] == '*'; }
    LongInt RecordCount();
    LongInt OrderRecNo();

    // Records.
    int PutRecord(const std::string& image);
    int Append();
    int Delete();
    int Commit();
    int Pack();
    // Changes field index i of the buffer (written back when the cursor moves or commits).
    int SetFieldBytes(int i, const std::string& bytes);
    // Locks record recno (0: the current one). A shared area that takes the lock of its current
    // record reads it again, as its last holder left it, keeping the changes made in the buffer.
    bool LockRecord(LongInt recno);
    // Releases record recno's lock (0: every lock, after writing back what the area gathered).
    // A change of the current record is written first while its lock is held; gives the status
    // of that write.
    int UnlockRecord(LongInt recno);

    // Memos of field index i in the buffer. A memo written here reaches the memo file with
    // its record (AreaMemos.h); xbBadArgument for data the memo file cannot hold.
    bool ReadMemo(int i, std::string& data, bool& binary) const;
    int WriteMemo(int i, std::string_view data, bool binary);

    // Orders, numbered from 1 across the open index files in opening order.
    int OpenIndex(const std::string& path);
    int CreateOrder(const std::string& path, const TXbOrderDef& def);
    int Reindex();
    int OrderCount() const { return static_cast<int>(orders_.size()); }
    TXbOrder* Order(int n) const;
    int CurrentOrder() const { return order_; }
    int SetOrder(int n);
    int FindTag(const std::string& tag) const;
    // 1 found; 0 not found (soft seek leaves the cursor on the next key, else at the end); a
    // negative status when a pending change could not be written (the cursor and the change
    // stay) or the order could not be read (the cursor goes to the end).
    int Seek(const std::string& key);
    int SetScope(const std::string& low, const std::string& high);
    std::string KeyData();

    // The condition that hides records (a logical expression); empty removes it.
    int SetCondition(const std::string& text);
    const std::string& Condition() const { return conditionText_; }
    LongInt ConditionCount();

    // What expressions read.
    bool FindField(std::string_view alias, std::string_view name,
                   TXbFieldRef& field) const override;
    std::string FieldText(const TXbFieldRef& field) const override;

private:
    int OpenFiles(const std::string& found, int mode);
    // Opens the table file and takes its open lock. Until it has the lock, another holder may
    // still write the table (its header last) or put its packed copy under the table's name,
    // which leaves the file opened a removed one: once locked, a file no longer under its name
    // is opened again, and the header's record count and stamp are read again. A header that does
    // not agree with the file while another holder has the table to itself may be one that
    // holder is writing (a pack in place): the table is in use (xbSharing).
    int OpenLocked(const std::string& found, bool writable, bool exclusive);
    // Finishes or rolls back a pack that a killed process left, when nobody has the table open.
    // A user who may not write the table cannot finish it: while a complete journal waits to
    // be put in place, which may have left the files half written, the open is refused
    // (xbReadOnly).
    int RecoverPack(const std::string& path) const;
    // Reads record recno into the buffer; stepping tells a walk in record order, which a shared
    // table may serve from the block it read ahead.
    bool Load(LongInt recno, bool stepping = false);
    void SetEof();
    int Flush();
    // The record as it is now in the file with the fields changed in the buffer since it was
    // read put on it, so that changes another user made to other fields are kept.
    bool MergedImage(std::string& image) const;
    // Puts on image the deletion mark and each field that changed in the buffer since the
    // record was read, whole: a field's bytes put on another user's value would make a value
    // nobody wrote.
    void PutChanges(std::string& image) const;
    // A shared area's current record read again from the file, the buffer's changes put on it.
    void Reload();
    int WritePacked(const std::string& path, const std::string& memoPath, LongInt& kept);
    // Memo fields of a record being packed go to the packed memo file.
    bool CopyMemos(std::string& record, TXbMemo& to) const;
    // The table's record count and stamp as they are now (reread when shared), and the table
    // file's change time when withTime.
    TXbTableState TableState(bool withTime);
    // An index that does not record the table as it is now, or that recorded another change
    // time of the table file (another program wrote the table since), is rebuilt when this
    // area has the files to itself and may write them. Beside other holders, one behind its
    // table once its lock is had is rebuilt there (TXbIndexFile::BeginUpdate tells why).
    // One that this area may not bring up to date gets orders made for this area alone
    // (TXbIndexFile::MakePrivate); one damaged is refused.
    TXbIndexStatus CatchUp(TXbIndexFile& file);
    // True when the loaded record's key in the controlling order is that of the entry it was
    // reached by.
    bool EntryHolds() const;
    // A seek met a record whose key is no longer its entry's: the table was changed in place
    // by another program. The order's file is rebuilt when this area has the files to itself
    // and may write, else its orders are made for this area alone, and the seek made again.
    int StaleOrderMet(const std::string& key);
    // A lock of the table that another holder has (a record's, the append lock): status, with
    // the reason recorded as the table's file in use.
    int LockedElsewhere(int status) const;
    // The status of an index failure, with its reason recorded.
    static int IndexFailure(TXbIndexStatus st, const TXbIndexFile& file);
    // Records a failure of the controlling order met while moving; gives st.
    TXbIndexStatus Nav(TXbIndexStatus st);
    // The status of a move: that of writing the pending change back, else the order's.
    int Moved(int status) const { return status != xbOK ? status : navStatus_; }
    // An update of the table and its index files: Begin locks the index files (a shared file left
    // behind by a user that died is rebuilt there) and reads the table's count and stamp again;
    // End writes the change into them, and when status is a failure or an index file refuses,
    // calls undo to take the table's change back and takes back every index file's, all before
    // their locks go: no other user ever sees the table ahead of its indexes, or a change half
    // made. Gives the status, the first failure's.
    int BeginUpdate();
    int EndUpdate(int status, const std::function<void()>& undo);
    // The table's count and stamp read again for a shared open; xbDamaged (the header's reason)
    // when the header cannot be read.
    int RefreshShared();
    // Writes image, its memos put in, as record recno (a reserved one appended) in one update:
    // the orders' keys and their pages first, then the memos, the record and the index headers.
    // A refusal anywhere takes back what was written.
    int WriteImage(LongInt recno, std::string& image, bool reserved);
    // The reservation ends: with the reserved record written, or not (its first write refused,
    // or the record deleted still blank), when it is not there (the cursor goes to the end).
    void EndReservation(bool written);
    // Runs visit with a loader of the table's records as the file holds them now; the cursor's
    // record and buffer stay.
    TXbIndexStatus WalkRecords(const TXbRecordVisit& visit);
    // The cursor's record, its buffer and place in the order, to be put back after loading
    // other records.
    struct TCursor {
        LongInt RecNo = 0;
        bool Eof = true;
        TXbKeyPos Pos;
        std::string Buffer;
        std::string Loaded;
    };
    TCursor KeepCursor() const { return {recno_, eof_, pos_, buffer_, loaded_}; }
    void PutBack(const TCursor& cursor);
    // Memo, table and then indexes reach the files (and the disk with sync).
    int WriteBack(bool sync);
    // The record in the file before a change of the current record.
    bool StoredImage(LongInt recno, std::string& image) const;
    bool Visible();
    bool InScope(const std::string& key) const;
    bool PastScope(const std::string& key, bool forward) const;
    // A controlling order is set and can be walked.
    bool Ordered() const { return order_ > 0; }
    bool Settle(bool forward);
    // Puts pos_ on the first (last) entry of the order the scope can admit; false when none.
    bool FirstEntry();
    bool LastEntry();
    int GoEnd(bool top);
    void SkipBy(LongInt count);
    bool Matches(const std::string& key, const std::string& searchKey) const;
    TXbOrder& Current() const { return *orders_[static_cast<std::size_t>(order_ - 1)]; }
    // Walks the controlling order from pos_ in a direction to the next entry that is visible
    // and in scope; false at the end of the scope or the order.
    bool StepOrdered(bool forward);
    bool StepNatural(bool forward);
    void SyncPosition();
    // Before a step: a walk goes on from the entry it stands on; only a record reached another
    // way is placed by its key. So an order whose keys no longer match the table (written
    // before another program changed the table, or damaged) is still walked once from end to
    // end and never round in a circle.
    void SyncWalkPosition();
    int OrderKeys(const std::string& image, std::vector<std::string>& keys,
                  std::vector<char>& included);
    int OpenIndexFile(const std::string& path, TXbIndexKind kind, bool create);
    void CollectOrders();
    // Rebuilds the orders of file; onlyBehind: unless the file, read again under its lock,
    // records the table as it is now (TXbIndexFile::Reindex).
    TXbIndexStatus RebuildFile(TXbIndexFile& file, bool onlyBehind = false);
    std::string IndexPathFor(const std::string& path) const;

    int number_;
    std::string alias_;
    int driver_ = 2;
    std::unique_ptr<TXbTable> table_ = std::make_unique<TXbTable>();
    TXbMemo memo_;
    TXbAreaMemos memos_{memo_};
    int navStatus_ = xbOK;   // a failure of the controlling order met by the running move
    bool repairing_ = false; // an order met stale is being rebuilt
    LongWord packStamp_ = 0;
    // The pack stamp of the table file open now.
    LongWord StampOfPacks() const;
    std::unique_ptr<TXbLock> lock_ = std::make_unique<TXbLock>();
    std::string buffer_;
    std::string loaded_;   // the record as read or written last; the buffer differs when changed
    // The record an append reserved, the table's next, 0 for none. It reaches the table and
    // the orders with its first write (a record left as appended is written as it stands when
    // the cursor leaves it), so that a process killed before leaves nothing and one killed
    // during it a record whole or none; meanwhile the area holds the append lock, which keeps
    // the number its own, and the record's lock.
    LongInt appended_ = 0;

    LongInt recno_ = 1;
    bool bof_ = true;
    bool eof_ = true;
    std::vector<std::unique_ptr<TXbIndexFile>> files_;
    std::vector<TXbOrder*> orders_;
    int order_ = 0;
    TXbKeyPos pos_;
    std::string scopeLow_;
    std::string scopeHigh_;
    TXbExpression condition_;
    std::string conditionText_;
};

// The work areas of the engine.
TXbArea* XbArea(int number); // the open area, nullptr when closed or out of range
TXbArea* XbCurrentArea();    // the open current area, nullptr when it is closed
int XbCurrentAreaNumber();
int XbSelectArea(int number); // 0 selects the first free area; gives the previous area
TXbArea* XbFindAlias(std::string_view alias);
int XbUseArea(const std::string& path, const std::string& alias, int mode, int driver);
int XbCloseArea(int number);
void XbCloseAllAreas();
