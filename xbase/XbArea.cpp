#include "xbase/XbArea.h"

#include "platform/rtl/Streams.h"
#include "xbase/XbError.h"
#include "xbase/XbJournal.h"
#include "xbase/XbSettings.h"
#include "xbase/Xbase.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kHandleStride = 1024; // field handles: area * stride + field index

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    return text;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Whether path names the file open on descriptor fd (and not another file put under its name).
bool NamesFile(const std::string& path, int fd) {
    struct stat named {}, open {};
    return ::stat(path.c_str(), &named) == 0 && ::fstat(fd, &open) == 0 &&
           named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

// Whether another holder has the table at path to itself.
bool HeldByAnother(const std::string& path) {
    TXbFile file;
    TXbLock probe;
    return file.Open(path, false) && probe.Attach(file.Handle(), false) == xbSharing;
}

std::string RTrim(std::string text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// The extension of path's file name with its dot, upper case; empty when it has none.
std::string Extension(const std::string& path) {
    const std::string name = XbFileName(path);
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : Upper(name.substr(dot));
}

// The memo files a table at path may have, as they exist.
std::vector<std::string> MemoFilesOf(const std::string& path) {
    std::vector<std::string> memos;
    for (const char* ext : {".DBT", ".FPT"})
        if (std::string memo = XbFindFile(XbChangeExt(path, ext)); !memo.empty())
            memos.push_back(std::move(memo));
    return memos;
}

std::string BaseNameOf(const std::string& path) {
    const std::string name = XbFileName(path);
    return name.substr(0, name.find_last_of('.'));
}

const char* DefaultIndexExt(int driver) {
    return driver == 1 ? ".NTX" : driver == 3 ? ".NSX" : ".CDX";
}

bool IndexKindOf(const std::string& ext, TXbIndexKind& kind) {
    if (ext == ".NTX")
        kind = ikNTX;
    else if (ext == ".IDX")
        kind = ikIDX;
    else if (ext == ".CDX")
        kind = ikCDX;
    else if (ext == ".NSX")
        kind = ikNSX;
    else
        return false;
    return true;
}

int StatusOfIndex(TXbIndexStatus status) {
    switch (status) {
    case isOk: return xbOK;
    case isDuplicate: return xbKeyViolation;
    case isIoError: return xbWriteFailed;
    case isReadOnly: return xbReadOnly;
    case isBadExpression:
    case isBadDefinition:
    case isNoOrder: return xbBadArgument;
    default: return xbDamaged;
    }
}

} // namespace

TXbArea::~TXbArea() {
    Close();
}

int TXbArea::Open(const std::string& path, const std::string& alias, int mode, int driver) {
    Close();
    if (driver < 1 || driver > 3 || mode < 0 || mode > 2) return xbBadArgument;
    std::string found = XbFindFile(path);
    if (found.empty() && Extension(path).empty()) found = XbFindFile(path + ".DBF");
    if (found.empty()) { // or not to be seen: its folder may not be entered
        XbSetReason(XbMayNotRead(path) ? xbErrNotReadable : xbErrFileMissing, path);
        return xbNotFound;
    }
    driver_ = driver;
    alias_ = alias.empty() ? Upper(BaseNameOf(found)) : Upper(alias);
    int status = RecoverPack(found);
    if (status == xbOK) status = OpenFiles(found, mode);
    if (status != xbOK) {
        Close();
        return status;
    }
    GoTop();
    return xbOK;
}

int TXbArea::RecoverPack(const std::string& path) const {
    const std::vector<std::string> memos = MemoFilesOf(path);
    if (!XbPackPending(path, memos)) return xbOK;
    TXbFile file;
    TXbLock probe;
    bool writable = false;
    {
        const TXbHandledFailures handled; // a table this user may only read is no failure here
        writable = file.Open(path, true);
    }
    if (!writable) { // only a user who may write the table finishes a pack
        if (!XbPackUnfinished(path)) return xbOK;
        XbSetReason(xbErrReadOnly, path);
        return xbReadOnly;
    }
    if (probe.Attach(file.Handle(), true) != xbOK)
        return xbOK; // in use: whoever holds it has the files in order
    probe.Detach();
    file.Close();
    return XbRecoverPack(path, memos) ? xbOK : xbWriteFailed;
}

int TXbArea::OpenLocked(const std::string& found, bool writable, bool exclusive) {
    for (;;) {
        int status = xbOK;
        {
            // A holder that has the table to itself may have it half written (a pack in place
            // cuts the file before it writes the header): the table is in use.
            const TXbHandledFailures handled;
            status = table_->Open(found, writable);
            if (status == xbDamaged && HeldByAnother(found)) status = xbSharing;
        }
        if (status != xbOK && status != xbSharing)
            status = table_->Open(found, writable); // once more, recording why it fails
        if (status == xbOK) status = lock_->Attach(table_->File().Handle(), exclusive);
        if (status != xbOK) return status;
        if (!NamesFile(found, table_->File().Handle())) {
            lock_->Detach(); // a packed copy took the name meanwhile: that one is opened
            continue;
        }
        if (table_->RefreshCount()) return xbOK;
        XbSetReason(xbErrDamagedHeader, found);
        return xbDamaged;
    }
}

int TXbArea::OpenFiles(const std::string& found, int mode) {
    const bool writable = mode != 1;
    int status = OpenLocked(found, writable, mode == 2);
    packStamp_ = StampOfPacks();
    if (status == xbSharing) XbSetReason(xbErrLocked, found);
    if (status == xbNoLocks) XbSetReason(xbErrNoLocks, found);
    table_->SetExclusive(status == xbOK && Exclusive());
    buffer_ = table_->BlankRecord();
    loaded_ = buffer_;
    if (status == xbOK && table_->HasMemoFields()) {
        const bool dbt = table_->MemoKind() == TXbMemoKind::Dbt;
        const std::string memoPath = XbFindFile(XbChangeExt(found, dbt ? ".DBT" : ".FPT"));
        if (memoPath.empty()) {
            XbSetReason(xbErrFileMissing, XbChangeExt(found, dbt ? ".dbt" : ".fpt"));
            status = xbNotFound;
        } else {
            status = memo_.Open(memoPath, table_->MemoKind(), writable);
        }
    }
    if (status == xbOK && driver_ != 1) {
        const std::string production = XbFindFile(XbChangeExt(found, DefaultIndexExt(driver_)));
        if (!production.empty())
            status = OpenIndexFile(production, driver_ == 3 ? ikNSX : ikCDX, false);
    }
    return status;
}

int TXbArea::Close() {
    int status = xbOK;
    table_->KeepAppends(false); // nothing reads what the close writes
    if (table_->IsOpen()) {
        status = Flush();
        const int written = WriteBack(true);
        if (status == xbOK) status = written;
        // Appended records the table could not take are lost with the area: so are the index
        // changes that followed them, and each index stays as it was last written back.
        if (written != xbOK) {
            table_->DropAppends();
            for (auto& file : files_)
                file->DropBatch();
        }
    }
    for (auto& file : files_)
        file->Close();
    files_.clear();
    orders_.clear();
    order_ = 0;
    memo_.Close();
    memos_.Clear();
    lock_->Detach();
    table_->Close();
    appended_ = 0;
    buffer_.clear();
    loaded_.clear();
    recno_ = 1;
    bof_ = eof_ = true;
    pos_ = {};
    scopeLow_.clear();
    scopeHigh_.clear();
    condition_ = TXbExpression();
    conditionText_.clear();
    return status;
}

bool TXbArea::Load(LongInt recno, bool stepping) {
    if (recno > table_->RecordCount()) RecordCount(); // appended by another user meanwhile
    if (!table_->ReadRecord(recno, buffer_.data(), stepping)) {
        std::copy(loaded_.begin(), loaded_.end(), buffer_.begin());
        return false;
    }
    loaded_ = buffer_;
    recno_ = recno;
    return true;
}

void TXbArea::SetEof() {
    std::fill(buffer_.begin(), buffer_.end(), ' ');
    loaded_ = buffer_;
    recno_ = table_->RecordCount() + 1;
    eof_ = true;
    pos_ = {};
}

bool TXbArea::StoredImage(LongInt recno, std::string& image) const {
    // Nobody else writes, or the record is not in the file yet: it is what was loaded.
    if ((Exclusive() || recno == appended_) && recno == recno_) {
        image = loaded_;
        return true;
    }
    image.assign(buffer_.size(), ' ');
    return table_->ReadRecord(recno, image.data());
}

bool TXbArea::MergedImage(std::string& image) const {
    if (!StoredImage(recno_, image)) return false;
    PutChanges(image);
    return true;
}

void TXbArea::PutChanges(std::string& image) const {
    if (buffer_[0] != loaded_[0]) image[0] = buffer_[0];
    for (const TXbFieldDef& f : table_->Fields()) {
        const auto at = static_cast<std::size_t>(f.Offset);
        const auto width = static_cast<std::size_t>(f.Width);
        if (buffer_.compare(at, width, loaded_, at, width) != 0)
            image.replace(at, width, buffer_, at, width);
    }
}

void TXbArea::Reload() {
    std::string stored;
    if (Exclusive() || eof_ || !StoredImage(recno_, stored)) return;
    std::string image = stored;
    PutChanges(image);
    std::copy(image.begin(), image.end(), buffer_.begin());
    loaded_ = std::move(stored);
}

int TXbArea::Flush() {
    int status = xbOK;
    const bool present =
        !eof_ && recno_ >= 1 && (recno_ <= table_->RecordCount() || recno_ == appended_);
    if (present && buffer_ != loaded_) {
        std::string image;
        status = MergedImage(image) ? PutRecord(image) : xbDamaged;
        // A refused write keeps the change in the buffer for another try.
    } else if (present && appended_ == recno_) {
        status = PutRecord(loaded_); // the record reserved is written as it stands
    }
    return status;
}

bool TXbArea::Visible() {
    if (XbSettings().Deleted && Deleted()) return false;
    if (!condition_.Valid()) return true;
    const TXbValue v = condition_.Evaluate(*this);
    return v.Type == xtLogical && v.Logical;
}

bool TXbArea::InScope(const std::string& key) const {
    return (scopeLow_.empty() && scopeHigh_.empty()) ||
           Current().InScope(key, scopeLow_, scopeHigh_);
}

bool TXbArea::PastScope(const std::string& key, bool forward) const {
    const bool increasing = forward != Current().Descending();
    if (increasing) return !scopeHigh_.empty() && key.compare(0, scopeHigh_.size(), scopeHigh_) > 0;
    return !scopeLow_.empty() && key.compare(0, scopeLow_.size(), scopeLow_) < 0;
}

bool TXbArea::StepOrdered(bool forward) {
    for (;;) {
        const TXbKeyPos from = pos_;
        const TXbIndexStatus st = Nav(forward ? Current().Next(pos_) : Current().Prev(pos_));
        if (st != isOk || PastScope(pos_.Key, forward)) return false;
        if (pos_.Key == from.Key && pos_.RecNo == from.RecNo) return false; // a damaged order
        if (InScope(pos_.Key) && Load(pos_.RecNo) && Visible()) return true;
    }
}

bool TXbArea::Settle(bool forward) {
    if (PastScope(pos_.Key, forward)) return false;
    if (InScope(pos_.Key) && Load(pos_.RecNo) && Visible()) return true;
    return StepOrdered(forward);
}

bool TXbArea::StepNatural(bool forward) {
    const LongInt count = table_->RecordCount();
    for (LongInt r = recno_ + (forward ? 1 : -1); r >= 1 && r <= count; r += forward ? 1 : -1)
        if (Load(r, true) && Visible()) return true;
    return false;
}

void TXbArea::SyncPosition() {
    if (!Ordered() || eof_) return;
    bool included = false;
    std::string key;
    if (Current().KeyOf(*this, key, included) == isOk) pos_ = {key, recno_};
}

void TXbArea::SyncWalkPosition() {
    if (pos_.RecNo != recno_) SyncPosition();
}

bool TXbArea::FirstEntry() {
    const bool fromLow = !Current().Descending() && !scopeLow_.empty();
    const TXbIndexStatus st =
        Nav(fromLow ? Current().Seek(scopeLow_, false, pos_) : Current().First(pos_));
    return st == isOk || st == isNotFound;
}

TXbIndexStatus TXbArea::Nav(TXbIndexStatus st) {
    if (st != isOk && st != isEnd && st != isNotFound && navStatus_ == xbOK)
        navStatus_ = IndexFailure(st, Current().File());
    return st;
}

int TXbArea::IndexFailure(TXbIndexStatus st, const TXbIndexFile& file) {
    if (st == isDamaged || st == isForeign || st == isBadExpression || st == isNoOrder)
        XbSetReason(xbErrDamagedIndex, file.Path());
    return StatusOfIndex(st);
}

bool TXbArea::LastEntry() {
    if (Current().Descending() || scopeHigh_.empty()) return Nav(Current().Last(pos_)) == isOk;
    // Just past the last key the scope admits, then one entry back.
    std::string probe = scopeHigh_;
    if (static_cast<int>(probe.size()) < Current().KeyLength())
        probe.resize(static_cast<std::size_t>(Current().KeyLength()), '\xFF');
    TXbIndexStatus st = Nav(Current().Seek(probe, false, pos_));
    while (st == isOk && pos_.Key.compare(0, scopeHigh_.size(), scopeHigh_) <= 0)
        st = Nav(Current().Next(pos_));
    if (st != isOk && st != isEnd && st != isNotFound) return false;
    st = Nav(st == isEnd ? Current().Last(pos_) : Current().Prev(pos_));
    return st == isOk;
}

int TXbArea::GoEnd(bool top) {
    const int status = Flush();
    navStatus_ = xbOK;
    RecordCount();
    bof_ = eof_ = false;
    bool found = false;
    if (Ordered()) {
        pos_ = {};
        found = (top ? FirstEntry() : LastEntry()) && Settle(top);
    } else {
        recno_ = top ? 0 : table_->RecordCount() + 1;
        found = StepNatural(top);
    }
    if (!found) {
        SetEof();
        bof_ = true;
    }
    return Moved(status);
}

int TXbArea::GoTop() {
    return GoEnd(true);
}

int TXbArea::GoBottom() {
    return GoEnd(false);
}

int TXbArea::Skip(LongInt count) {
    const int status = Flush();
    navStatus_ = xbOK;
    SkipBy(count);
    return Moved(status);
}

void TXbArea::SkipBy(LongInt count) {
    if (count == 0) {
        if (!eof_) Load(recno_);
        return;
    }
    if (count > 0) {
        if (eof_) return;
        if (table_->IsOpen() && !Exclusive()) table_->RefreshRecentCount();
        bof_ = false;
        SyncWalkPosition();
        for (LongInt i = 0; i < count; ++i)
            if (!(Ordered() ? StepOrdered(true) : StepNatural(true))) {
                SetEof();
                return;
            }
        return;
    }
    if (eof_) {
        GoBottom();
        if (eof_) return;
        ++count;
    }
    SyncWalkPosition();
    for (LongInt i = 0; i > count; --i) {
        const LongInt keptRecno = recno_;
        const TXbKeyPos keptPos = pos_;
        if (!(Ordered() ? StepOrdered(false) : StepNatural(false))) {
            Load(keptRecno);
            pos_ = keptPos;
            bof_ = true;
            return;
        }
        bof_ = false;
    }
}

int TXbArea::Go(LongInt recno) {
    const int status = Flush();
    bof_ = false;
    if (recno < 1 || recno > RecordCount() || !Load(recno)) {
        SetEof();
        return status;
    }
    eof_ = false;
    SyncPosition();
    return status;
}

LongInt TXbArea::RecordCount() {
    if (table_->IsOpen() && !Exclusive()) table_->RefreshCount();
    return appended_ != 0 ? appended_ : table_->RecordCount();
}

LongInt TXbArea::OrderRecNo() {
    if (!Ordered()) return recno_;
    if (eof_) return Current().KeyCount() + 1;
    SyncPosition();
    return Current().Position(pos_);
}

int TXbArea::OrderKeys(const std::string& image, std::vector<std::string>& keys,
                       std::vector<char>& included) {
    const std::string kept = buffer_;
    std::copy(image.begin(), image.end(), buffer_.begin());
    keys.assign(orders_.size(), std::string());
    included.assign(orders_.size(), 0);
    int status = xbOK;
    for (std::size_t i = 0; i < orders_.size() && status == xbOK; ++i) {
        bool in = false;
        status = StatusOfIndex(orders_[i]->KeyOf(*this, keys[i], in));
        included[i] = in;
    }
    std::copy(kept.begin(), kept.end(), buffer_.begin());
    return status;
}

int TXbArea::PutRecord(const std::string& given) {
    if (!table_->IsOpen()) return xbNoTable;
    if (ReadOnly()) return xbReadOnly;
    const LongInt recno = recno_;
    const bool reserved = recno == appended_;
    if (given.size() != buffer_.size() || eof_ || recno < 1 ||
        (recno > table_->RecordCount() && !reserved))
        return xbBadArgument;
    const int timeout = XbSettings().LockTimeout;
    const bool lockedHere = !Exclusive() && !lock_->HasRecord(recno);
    if (lockedHere && !lock_->LockRecord(recno, timeout)) return LockedElsewhere(xbLockRefused);
    // Memos written with the record take the memo file's lock (that of appends) first; a record
    // reserved by an append holds it already.
    std::string image = given;
    const bool memos = !reserved && memos_.HasPending(image, table_->Fields());
    int status = memos && !lock_->LockAppend(timeout) ? LockedElsewhere(xbTableBusy) : xbOK;
    if (status == xbOK) status = WriteImage(recno, image, reserved);
    if (memos) lock_->UnlockAppend();
    if (lockedHere) lock_->UnlockRecord(recno);
    if (reserved) EndReservation(status == xbOK);
    return status;
}

int TXbArea::WriteImage(LongInt recno, std::string& image, bool reserved) {
    std::string old;
    std::vector<std::string> oldKeys, newKeys;
    std::vector<char> oldIn, newIn;
    int status = BeginUpdate();
    const TXbTable::TMark mark = table_->Mark();
    // The count read under the append lock: a reserved record is the next one.
    if (status == xbOK && reserved && table_->RecordCount() + 1 != recno)
        status = LockedElsewhere(xbTableBusy);
    if (status == xbOK) status = StoredImage(recno, old) ? xbOK : xbDamaged;
    if (status == xbOK && reserved) { // in no order yet
        oldKeys.assign(orders_.size(), std::string());
        oldIn.assign(orders_.size(), 0);
    } else if (status == xbOK) {
        status = OrderKeys(old, oldKeys, oldIn);
    }
    if (status == xbOK) status = OrderKeys(image, newKeys, newIn);
    for (std::size_t i = 0; i < orders_.size() && status == xbOK; ++i)
        if (newIn[i] && (!oldIn[i] || oldKeys[i] != newKeys[i]))
            status = IndexFailure(orders_[i]->CheckUnique(newKeys[i], recno), orders_[i]->File());
    // The orders first, and the room their pages take: a full disk refuses the change before
    // the memo and the table are written.
    std::size_t moved = 0;
    for (; moved < orders_.size() && status == xbOK; ++moved)
        if (const TXbIndexStatus st = orders_[moved]->Replace(oldIn[moved], oldKeys[moved],
                                                              newIn[moved], newKeys[moved], recno);
            st != isOk)
            status = IndexFailure(st, orders_[moved]->File());
    if (status != xbOK && moved > 0) --moved; // the order that refused took nothing
    for (std::size_t i = 0; i < files_.size() && status == xbOK; ++i)
        if (const TXbIndexStatus st = files_[i]->PrepareUpdate(); st != isOk)
            status = IndexFailure(st, *files_[i]);
    // And the room of a gathered append, before its memos: the record that cannot be stored is
    // refused here, never when the gathered records are written.
    if (status == xbOK && reserved && !table_->MakeRoom()) status = xbWriteFailed;
    if (status == xbOK) status = memos_.Write(image, old, recno, table_->Fields());
    const bool tried = status == xbOK; // a write refused half-way may have changed the file
    if (tried && !(reserved ? table_->AppendRecord(image) : table_->WriteRecord(recno, image)))
        status = xbWriteFailed;
    status = EndUpdate(status, [&] {
        memos_.TakeBack();
        if (!Exclusive()) { // the old image, and the stamp as it was
            if (tried && !reserved) table_->WriteRecord(recno, old);
            table_->TakeBack(mark);
            return;
        }
        // The sole user's batch goes on: the orders that took the change give it back.
        for (std::size_t i = 0; i < moved; ++i)
            orders_[i]->Replace(newIn[i], newKeys[i], oldIn[i], oldKeys[i], recno);
    });
    if (status != xbOK) return status;
    memos_.Written(image, recno, table_->Fields());
    buffer_ = image;
    loaded_ = image;
    if (Ordered()) pos_ = {newKeys[static_cast<std::size_t>(order_ - 1)], recno};
    return status;
}

void TXbArea::EndReservation(bool written) {
    appended_ = 0;
    lock_->UnlockAppend();
    if (written) return;
    lock_->UnlockRecord(recno_);
    SetEof(); // nothing of the record was written: it is not there
}

int TXbArea::BeginUpdate() {
    int status = xbOK;
    std::size_t begun = 0;
    for (; begun < files_.size() && status == xbOK; ++begun)
        if (const TXbIndexStatus st = files_[begun]->BeginUpdate(); st != isOk)
            status = IndexFailure(st, *files_[begun]);
    if (status != xbOK) --begun; // the file that refused let its lock go
    // The stamp another user raised last, and the count the last appender wrote.
    if (status == xbOK) status = RefreshShared();
    for (std::size_t i = 0; status != xbOK && i < begun; ++i) {
        files_[i]->TakeBackUpdate();
        files_[i]->EndUpdate();
    }
    return status;
}

int TXbArea::RefreshShared() {
    if (Exclusive() || table_->RefreshCount()) return xbOK;
    XbSetReason(xbErrDamagedHeader, table_->Path());
    return xbDamaged;
}

int TXbArea::EndUpdate(int status, const std::function<void()>& undo) {
    for (std::size_t i = 0; i < files_.size() && status == xbOK; ++i)
        if (const TXbIndexStatus st = files_[i]->CommitUpdate(); st != isOk)
            status = IndexFailure(st, *files_[i]);
    // Still under the index files' locks, no other user has seen the change yet.
    if (status != xbOK) {
        undo();
        for (auto& file : files_)
            file->TakeBackUpdate();
    }
    for (auto& file : files_)
        if (const TXbIndexStatus st = file->EndUpdate(); st != isOk && status == xbOK)
            status = IndexFailure(st, *file);
    if (!Exclusive()) table_->Caught(); // each update of a shared table is written back
    return status;
}

int TXbArea::WriteBack(bool sync) {
    if (ReadOnly()) return xbOK;
    int status = table_->FlushAppends() ? xbOK : xbWriteFailed;
    if (sync && ((memo_.IsOpen() && !memo_.Sync()) || !table_->Sync())) status = xbWriteFailed;
    // The indexes record only what the table holds on disk: while it cannot take its appended
    // records, their batches wait too.
    if (status != xbOK) return status;
    bool caught = true;
    for (auto& file : files_) {
        TXbIndexStatus st = file->WriteBack();
        if (st == isOk && sync && !file->Sync()) st = isIoError;
        if (st == isOk) continue;
        caught = false;
        if (status == xbOK) status = IndexFailure(st, *file);
    }
    if (caught) table_->Caught();
    return status;
}

TXbTableState TXbArea::TableState(bool withTime) {
    // An index records only what the table holds on disk.
    if (Exclusive())
        table_->FlushAppends();
    else
        table_->RefreshCount();
    return {static_cast<LongWord>(table_->RecordCount()), table_->Stamp(),
            withTime ? table_->File().ChangeTime() : 0};
}

TXbIndexStatus TXbArea::CatchUp(TXbIndexFile& file) {
    const TXbTableState state = TableState(true);
    const bool repairable = !ReadOnly() && lock_->Alone();
    const bool writtenSince = file.TableTime() != 0 && state.Time != file.TableTime();
    if (file.Matches(state) && !writtenSince) return isOk;
    // The header was read as the file opened: another user may have brought the file up to
    // date since, which the rebuild, under the file's lock, looks at first.
    if (repairable) return RebuildFile(file, true);
    // Under the index's lock no writer is between writing the table and the index: a file still
    // behind there is rebuilt by a user that may write it, else made for this area alone.
    return file.Verify();
}

int TXbArea::Append() {
    if (!table_->IsOpen()) return xbNoTable;
    if (ReadOnly()) return xbReadOnly;
    if (const int flushed = Flush(); flushed != xbOK)
        return flushed == xbLockRefused || flushed == xbKeyViolation ? flushed : xbWriteFailed;
    const int timeout = XbSettings().LockTimeout;
    if (!lock_->LockAppend(timeout)) return LockedElsewhere(xbTableBusy);
    int status = RefreshShared(); // the count the last appender wrote, read under the lock
    const LongInt recno = table_->RecordCount() + 1;
    if (status == xbOK && !lock_->LockRecord(recno, timeout))
        status = LockedElsewhere(xbLockRefused);
    if (status != xbOK) {
        lock_->UnlockAppend();
        return status;
    }
    if (Exclusive()) lock_->UnlockRecord(recno);
    const std::string blank = table_->BlankRecord();
    buffer_ = blank; // copied into the buffer where it lies
    loaded_ = blank;
    recno_ = recno;
    bof_ = eof_ = false;
    pos_ = {};
    appended_ = recno;
    return xbOK;
}

int TXbArea::Delete() {
    if (!table_->IsOpen()) return xbNoTable;
    if (ReadOnly()) return xbReadOnly;
    if (eof_) return xbBadArgument;
    if (recno_ == appended_ && buffer_ == loaded_) { // blank, never written: given back
        EndReservation(false);
        return xbOK;
    }
    std::string image;
    if (!MergedImage(image)) return xbDamaged;
    image[0] = '*';
    return PutRecord(image);
}

int TXbArea::Commit() {
    if (!table_->IsOpen()) return xbNoTable;
    const int status = Flush();
    const int written = WriteBack(true);
    return status != xbOK ? status : written;
}

bool TXbArea::CopyMemos(std::string& record, TXbMemo& to) const {
    for (const TXbFieldDef& f : table_->Fields()) {
        if (!XbIsMemoField(f)) continue;
        const std::string_view bytes(record.data() + f.Offset, static_cast<std::size_t>(f.Width));
        LongWord block = 0;
        std::string data;
        bool binary = false;
        LongWord type = 0;
        if (!TXbMemo::ParseBlock(bytes, block) || !memo_.Read(block, data, binary, &type)) {
            XbSetReason(xbErrDamagedMemo, memo_.Path());
            return false;
        }
        LongWord packed = 0;
        if (!to.Write(data, binary, packed, type)) return false;
        record.replace(static_cast<std::size_t>(f.Offset), static_cast<std::size_t>(f.Width),
                       TXbMemo::FormatBlock(packed, f.Width));
    }
    return true;
}

int TXbArea::WritePacked(const std::string& path, const std::string& memoPath, LongInt& kept) {
    TXbFile out;
    TXbMemo memo;
    if (!out.Create(path)) return xbWriteFailed;
    if (!memoPath.empty() && (!TXbMemo::Create(memoPath, table_->MemoKind(), memo_.BlockSize()) ||
                              memo.Open(memoPath, table_->MemoKind(), true) != xbOK))
        return xbWriteFailed;
    std::string header;
    if (!table_->File().ReadAt(0, header, static_cast<std::size_t>(table_->HeaderSize())))
        return xbDamaged;
    std::string chunk;
    std::string record(buffer_.size(), ' ');
    Int64 at = table_->HeaderSize();
    kept = 0;
    const LongInt count = table_->RecordCount();
    for (LongInt r = 1; r <= count; ++r) {
        if (!table_->ReadRecord(r, record.data())) return xbDamaged;
        if (record[0] == '*') continue;
        if (!memoPath.empty() && !CopyMemos(record, memo)) return xbDamaged;
        chunk += record;
        ++kept;
        if (chunk.size() >= (1u << 20)) {
            if (!out.WriteAt(at, chunk)) return xbWriteFailed;
            at += static_cast<Int64>(chunk.size());
            chunk.clear();
        }
    }
    chunk += '\x1A';
    if (!out.WriteAt(at, chunk)) return xbWriteFailed;
    XbPackedHeader(header, kept);
    if (!out.WriteAt(0, header) || !out.Flush() || (!memoPath.empty() && !memo.Sync()))
        return xbWriteFailed;
    return xbOK;
}

namespace {

// Packs this process made of each table file, by path.
std::map<std::string, LongWord>& PackCounts() {
    static std::map<std::string, LongWord> counts;
    return counts;
}

} // namespace

LongWord TXbArea::StampOfPacks() const {
    struct stat st {};
    if (!table_->IsOpen() || ::fstat(table_->File().Handle(), &st) != 0) return 0;
    const auto inode = static_cast<std::uint64_t>(st.st_ino);
    const auto packed = PackCounts().find(table_->Path());
    const LongWord packs =
        (packed == PackCounts().end() ? 0 : packed->second) + XbPackCount(table_->File());
    return static_cast<LongWord>(inode ^ (inode >> 32)) + packs * 0x9E3779B9u;
}

int TXbArea::Pack() {
    if (!table_->IsOpen()) return xbNoTable;
    if (ReadOnly()) return xbReadOnly;
    if (!Exclusive()) return xbNotExclusive;
    if (const int status = Flush(); status != xbOK) return status;
    WriteBack(false); // an index that cannot be written back is rebuilt below
    const std::string path = table_->Path();
    const std::string memoPath = memo_.IsOpen() ? memo_.Path() : std::string();
    std::vector<std::string> files{path}; // the table's last
    if (!memoPath.empty()) files.insert(files.begin(), memoPath);
    std::string owner;
    if (!XbChoosePackNames(path, files, owner)) return xbWriteFailed;
    const TXbPackMoves moves = XbPackMoves(files, owner);
    const std::string copy = moves.back().first;
    const std::string memoCopy = memoPath.empty() ? std::string() : moves.front().first;
    LongInt kept = 0;
    int status = WritePacked(copy, memoCopy, kept);
    const TXbPackWay way = status == xbOK ? XbPackWayFor(moves) : TXbPackWay::InPlace;
    // A copy renamed over the table is the table: it is opened and locked before.
    auto packed = std::make_unique<TXbTable>();
    auto packedLock = std::make_unique<TXbLock>();
    if (status == xbOK && way == TXbPackWay::Rename) status = packed->Open(copy, true);
    if (status == xbOK && way == TXbPackWay::Rename)
        status = packedLock->Attach(packed->File().Handle(), true);
    const TXbPackCommit commit =
        status == xbOK ? XbCommitPack(path, owner, moves, way) : TXbPackCommit::NotCommitted;
    if (commit == TXbPackCommit::NotCommitted) {
        for (const auto& [from, to] : moves)
            XbRemove(from);
        return status == xbOK ? xbWriteFailed : status;
    }
    if (commit == TXbPackCommit::Pending) {
        Close(); // the next open finishes the pack: nothing writes the files meanwhile
        return xbWriteFailed;
    }
    status = commit == TXbPackCommit::Done ? xbOK : xbWriteFailed;
    if (packed->IsOpen() && NamesFile(path, packed->File().Handle())) {
        packed->File().Renamed(path); // the table already locked here
        lock_->Detach();
        table_ = std::move(packed);
        lock_ = std::move(packedLock);
    } else {
        // Written in place: the records kept in memory are the old file's, and the header is
        // read anew; the indexes do not match it until they are rebuilt below.
        table_->SetExclusive(false);
        if (!table_->RefreshCount()) {
            XbSetReason(xbErrDamagedHeader, path);
            status = xbDamaged;
        }
        table_->Caught();
    }
    table_->SetExclusive(true);
    ++PackCounts()[path];
    packStamp_ = StampOfPacks();
    memos_.Clear(); // blocks are numbered anew
    if (!memoPath.empty()) {
        memo_.Close();
        if (const int opened = memo_.Open(memoPath, table_->MemoKind(), true); opened != xbOK)
            status = opened;
    }
    const int rebuilt = Reindex();
    GoTop();
    return status != xbOK ? status : rebuilt;
}

int TXbArea::SetFieldBytes(int i, const std::string& bytes) {
    if (!table_->IsOpen()) return xbNoTable;
    if (ReadOnly()) return xbReadOnly;
    const TXbFieldDef& f = table_->Fields()[static_cast<std::size_t>(i)];
    if (bytes.size() != static_cast<std::size_t>(f.Width)) return xbBadArgument;
    std::copy(bytes.begin(), bytes.end(), buffer_.begin() + f.Offset);
    return xbOK;
}

bool TXbArea::LockRecord(LongInt recno) {
    if (recno == 0) recno = recno_;
    if (!table_->IsOpen() || ReadOnly() || recno < 1 || recno > RecordCount()) return false;
    const bool held = lock_->HasRecord(recno);
    if (!lock_->LockRecord(recno, XbSettings().LockTimeout)) {
        LockedElsewhere(xbLockRefused);
        return false;
    }
    if (held || Exclusive()) return true;
    // Read before the lock, the record may since have been changed by its last holder.
    table_->ForgetBlock();
    if (recno == recno_) Reload();
    return true;
}

int TXbArea::LockedElsewhere(int status) const {
    XbSetReason(xbErrLocked, table_->Path());
    return status;
}

int TXbArea::UnlockRecord(LongInt recno) {
    // A change of the current record made under its lock is written before the lock goes.
    const int status = (recno == 0 || recno == recno_) && lock_->HasRecord(recno_) ? Flush() : xbOK;
    if (recno != 0) {
        lock_->UnlockRecord(recno);
        return status;
    }
    const int written = WriteBack(false);
    lock_->UnlockAll();
    return status != xbOK ? status : written;
}

bool TXbArea::ReadMemo(int i, std::string& data, bool& binary) const {
    data.clear();
    binary = false;
    LongWord block = 0;
    if (!TXbMemo::ParseBlock(FieldBytes(i), block)) {
        XbSetReason(xbErrDamagedMemo, table_->Path());
        return false;
    }
    if (block == 0 || memos_.Read(block, data, binary)) return true;
    XbSetReason(xbErrDamagedMemo, memo_.IsOpen() ? memo_.Path() : table_->Path());
    return false;
}

int TXbArea::WriteMemo(int i, std::string_view data, bool binary) {
    if (!table_->IsOpen()) return xbNoTable;
    if (ReadOnly()) return xbReadOnly;
    if (!memo_.IsOpen() || !memo_.Accepts(data)) return xbBadArgument;
    LongWord previous = 0;
    if (!TXbMemo::ParseBlock(FieldBytes(i), previous)) previous = 0;
    const LongWord block = memos_.Give(data, binary, recno_, previous);
    const TXbFieldDef& f = table_->Fields()[static_cast<std::size_t>(i)];
    return SetFieldBytes(i, TXbMemo::FormatBlock(block, f.Width));
}

TXbOrder* TXbArea::Order(int n) const {
    return n >= 1 && n <= OrderCount() ? orders_[static_cast<std::size_t>(n - 1)] : nullptr;
}

void TXbArea::CollectOrders() {
    orders_.clear();
    for (auto& file : files_)
        for (int i = 0; i < file->OrderCount(); ++i)
            orders_.push_back(file->Order(i));
    if (order_ > OrderCount()) order_ = 0;
    table_->KeepAppends(!orders_.empty());
}

int TXbArea::OpenIndexFile(const std::string& path, TXbIndexKind kind, bool create) {
    auto file = std::make_unique<TXbIndexFile>();
    TXbIndexStatus st =
        create ? file->Create(path, kind, *this) : file->Open(path, !ReadOnly(), *this);
    if (st == isOk && file->Kind() != kind) st = isForeign; // an index of another kind renamed
    if (st == isOk) {
        file->SetTableState([this](bool withTime) { return TableState(withTime); });
        file->SetRecordWalk([this](const TXbRecordVisit& visit) { return WalkRecords(visit); });
        file->SetExclusive(Exclusive());
        file->SetCachePages(XbSettings().IndexCachePages);
        if (!create) st = CatchUp(*file);
    }
    if (st != isOk) {
        if (st == isDamaged || st == isForeign || st == isBadExpression)
            XbSetReason(xbErrDamagedIndex, path);
        return StatusOfIndex(st);
    }
    files_.push_back(std::move(file));
    CollectOrders();
    return xbOK;
}

std::string TXbArea::IndexPathFor(const std::string& path) const {
    if (!Extension(path).empty()) return path;
    return path + XbExtLike(table_->Path(), DefaultIndexExt(driver_));
}

int TXbArea::OpenIndex(const std::string& path) {
    if (!table_->IsOpen()) return 0;
    const std::string found = XbFindFile(IndexPathFor(path));
    TXbIndexKind kind = ikCDX;
    if (found.empty() || !IndexKindOf(Extension(found), kind)) return 0;
    int first = 1;
    for (auto& file : files_) {
        if (file->Path() == found) return file->OrderCount() > 0 ? first : 0;
        first += file->OrderCount();
    }
    if (OpenIndexFile(found, kind, false) != xbOK) return 0;
    return first <= OrderCount() ? first : 0;
}

TXbIndexStatus TXbArea::RebuildFile(TXbIndexFile& file, bool onlyBehind) {
    return file.Reindex(
        *this, table_->RecordCount(), [this](LongInt r) { return Load(r); }, onlyBehind);
}

int TXbArea::CreateOrder(const std::string& path, const TXbOrderDef& given) {
    if (!table_->IsOpen() || ReadOnly()) return 0;
    if (const int status = Flush(); status != xbOK) { // the refused change stays
        XbFailCall(status);
        return 0;
    }
    TXbOrderDef def = given;
    std::string target = path.empty() ? XbCompanionPath(table_->Path(), DefaultIndexExt(driver_))
                                      : IndexPathFor(path);
    TXbIndexKind kind = ikCDX;
    if (!IndexKindOf(Extension(target), kind)) return 0;
    if (kind == ikNTX || kind == ikIDX) def.Tag = Upper(BaseNameOf(target));
    if (const std::string found = XbFindFile(target); !found.empty()) target = found;
    TXbIndexFile* file = nullptr;
    for (auto& f : files_)
        if (f->Path() == target) file = f.get();
    if (!file) {
        // A missing file is created, and so is one that is damaged or not an index of ours
        // when nobody else can be using it.
        const bool exists = !XbFindFile(target).empty();
        int status = OpenIndexFile(target, kind, !exists);
        if (exists && status == xbDamaged && lock_->Alone())
            status = OpenIndexFile(target, kind, true);
        if (status != xbOK) return 0;
        file = files_.back().get();
    }
    const TXbIndexStatus st =
        file->AddOrder(def, *this, RecordCount(), [this](LongInt r) { return Load(r); });
    CollectOrders();
    order_ = 0;
    scopeLow_.clear();
    scopeHigh_.clear();
    if (st != isOk) {
        GoTop();
        return 0;
    }
    const TXbOrder* created = file->FindOrder(def.Tag);
    for (int n = 1; n <= OrderCount(); ++n)
        if (Order(n) == created) order_ = n;
    GoTop();
    return order_;
}

int TXbArea::Reindex() {
    if (!table_->IsOpen()) return xbNoTable;
    if (ReadOnly()) return xbReadOnly;
    // Rebuilding loads every record: a change that cannot be written stays and says so.
    if (const int status = Flush(); status != xbOK) return status;
    int status = xbOK;
    for (auto& file : files_)
        if (const TXbIndexStatus st = RebuildFile(*file); st != isOk)
            status = IndexFailure(st, *file);
    CollectOrders();
    GoTop();
    return status;
}

int TXbArea::SetOrder(int n) {
    const int previous = order_;
    if (n < 0 || n > OrderCount() || n == order_) return previous;
    // The record stays, and so does a change that could not be written.
    if (const int status = Flush(); status != xbOK) XbFailCall(status);
    order_ = n;
    scopeLow_.clear();
    scopeHigh_.clear();
    SyncPosition();
    return previous;
}

int TXbArea::FindTag(const std::string& tag) const {
    for (int n = 1; n <= OrderCount(); ++n)
        if (SameText(Order(n)->Tag(), tag)) return n;
    return 0;
}

bool TXbArea::Matches(const std::string& key, const std::string& searchKey) const {
    if (XbSettings().Exact) return RTrim(key) == RTrim(searchKey);
    return key.compare(0, searchKey.size(), searchKey) == 0;
}

int TXbArea::Seek(const std::string& key) {
    if (!table_->IsOpen() || !Ordered()) return 0;
    if (const int status = Flush(); status != xbOK) return -status;
    navStatus_ = xbOK;
    RecordCount();
    bof_ = eof_ = false;
    const std::string searchKey = Current().SearchKey(key);
    TXbIndexStatus st = Nav(Current().Seek(searchKey, XbSettings().Exact, pos_));
    if (st == isOk) table_->Prefetch(pos_.RecNo);
    while (st == isOk && Matches(pos_.Key, searchKey)) {
        if (!PastScope(pos_.Key, true) && InScope(pos_.Key) && Load(pos_.RecNo) && Visible())
            return EntryHolds() ? 1 : StaleOrderMet(key);
        const LongInt from = pos_.RecNo;
        st = Nav(Current().Next(pos_));
        if (st == isOk && pos_.RecNo == from) st = isEnd; // a damaged order
    }
    if ((st == isOk || st == isNotFound) && XbSettings().SoftSeek && Settle(true)) return 0;
    SetEof();
    return -navStatus_;
}

bool TXbArea::EntryHolds() const {
    std::string key;
    bool included = false;
    return Current().KeyOf(*this, key, included) == isOk && included && key == pos_.Key;
}

int TXbArea::StaleOrderMet(const std::string& key) {
    TXbIndexFile& file = Current().File();
    if (!repairing_) {
        repairing_ = true;
        const TXbIndexStatus st =
            !ReadOnly() && lock_->Alone() ? RebuildFile(file) : file.MakePrivate();
        const int found = st == isOk ? Seek(key) : -IndexFailure(st, file);
        repairing_ = false;
        return found;
    }
    navStatus_ = IndexFailure(isDamaged, file);
    SetEof();
    return -navStatus_;
}

int TXbArea::SetScope(const std::string& low, const std::string& high) {
    if (!table_->IsOpen()) return xbNoTable;
    if (low.empty() && high.empty()) {
        scopeLow_.clear();
        scopeHigh_.clear();
        return xbOK;
    }
    if (!Ordered()) return xbBadArgument;
    scopeLow_ = low.empty() ? std::string() : Current().SearchKey(low);
    scopeHigh_ = high.empty() ? std::string() : Current().SearchKey(high);
    return xbOK;
}

std::string TXbArea::KeyData() {
    if (!table_->IsOpen() || !Ordered()) return {};
    std::string key;
    bool included = false;
    if (Current().KeyOf(*this, key, included) != isOk) return {};
    return Current().KeyText(key);
}

int TXbArea::SetCondition(const std::string& text) {
    if (!table_->IsOpen()) return xbNoTable;
    if (text.find_first_not_of(' ') == std::string::npos) {
        condition_ = TXbExpression();
        conditionText_.clear();
        return xbOK;
    }
    TXbExpression compiled;
    if (!compiled.Compile(text, *this) || compiled.Type() != xtLogical) return xbBadArgument;
    if (const int status = Flush(); status != xbOK) return status; // the change stays
    condition_ = std::move(compiled);
    conditionText_ = text;
    return xbOK;
}

LongInt TXbArea::ConditionCount() {
    if (!table_->IsOpen()) return 0;
    if (const int status = Flush(); status != xbOK) XbFailCall(status);
    // Counting loads every record; the cursor, and a change that could not be written, stay.
    const TCursor kept = KeepCursor();
    LongInt count = 0;
    const LongInt total = RecordCount();
    for (LongInt r = 1; r <= total; ++r) {
        if (!Load(r, true) || !Visible()) continue;
        std::string key;
        bool included = true;
        if (Ordered() &&
            (Current().KeyOf(*this, key, included) != isOk || !included || !InScope(key)))
            continue;
        ++count;
    }
    PutBack(kept);
    return count;
}

void TXbArea::PutBack(const TCursor& cursor) {
    recno_ = cursor.RecNo;
    eof_ = cursor.Eof;
    pos_ = cursor.Pos;
    buffer_ = cursor.Buffer; // copied into the buffer where it lies
    loaded_ = cursor.Loaded;
}

TXbIndexStatus TXbArea::WalkRecords(const TXbRecordVisit& visit) {
    const TCursor kept = KeepCursor();
    // A block read ahead before another program changed records in place is not the table.
    table_->ForgetBlock();
    const TXbIndexStatus st = visit([this](LongInt r) { return Load(r, true); });
    PutBack(kept);
    return st;
}

namespace {

// How expressions, and so conditions and keys, see other programs' binary fields: an integer,
// currency or double field is a number, its text right-aligned in a width its values fit
// ("-2147483648", "-922337203685477.5808"); a date-time field is character, its text padded
// with blanks to the width of the longest ("yyyymmdd hh:mm:ss.fff"). Blanks come before the
// point and digits, so text order is time order and an empty date-time (blanks) comes first.
// Width 0 for every other field, which is seen as it is stored. A double is seen in full (its
// shortest exact text, an exponent where that is shorter) and, like a currency, read exactly.
struct TBinaryView {
    char Type = 'C';
    int Width = 0;
    int Decimals = 0;
};

TBinaryView BinaryView(const TXbFieldDef& f) {
    if (XbIsDoubleField(f)) return {'N', 20, f.Decimals};
    if (f.Type == 'I' && f.Width == 4) return {'N', 11, 0};
    if (f.Type == 'Y' && f.Width == 8) return {'N', 21, XbCurrencyDecimals};
    if (f.Type == 'T' && f.Width == 8) return {'C', 21, 0};
    return {};
}

} // namespace

bool TXbArea::FindField(std::string_view alias, std::string_view name, TXbFieldRef& field) const {
    const TXbArea* area = alias.empty() || SameText(alias, alias_) ? this : XbFindAlias(alias);
    if (!area || !area->table_->IsOpen()) return false;
    const int i = area->table_->FieldIndex(std::string(name));
    if (i < 0) return false;
    const TXbFieldDef& f = area->table_->Fields()[static_cast<std::size_t>(i)];
    field.Handle = area->number_ * kHandleStride + i;
    const TBinaryView binary = BinaryView(f);
    field.Type = binary.Width ? binary.Type : f.Type;
    field.Length = binary.Width ? binary.Width : f.Width;
    field.Decimals = binary.Width ? binary.Decimals : f.Decimals;
    // Up to 15 digits a double holds a number exactly; wider ones are read from their digits.
    constexpr int kDoubleDigits = 15;
    field.Exact = binary.Width ? f.Type == 'B' || f.Type == 'Y'
                               : (f.Type == 'N' || f.Type == 'F') && f.Width > kDoubleDigits;
    return true;
}

std::string TXbArea::FieldText(const TXbFieldRef& field) const {
    const int number = field.Handle / kHandleStride;
    const int i = field.Handle % kHandleStride;
    const TXbArea* area = number == number_ ? this : XbArea(number);
    if (!area || i < 0 || i >= static_cast<int>(area->table_->Fields().size())) return {};
    const TXbFieldDef& f = area->table_->Fields()[static_cast<std::size_t>(i)];
    if (XbIsMemoField(f)) {
        std::string data;
        bool binary = false;
        area->ReadMemo(i, data, binary);
        return data;
    }
    const TBinaryView binary = BinaryView(f);
    if (std::string text; binary.Width && XbBinaryText(f, area->FieldBytes(i), text, true)) {
        const std::string blanks(static_cast<std::size_t>(binary.Width) -
                                     std::min(text.size(), static_cast<std::size_t>(binary.Width)),
                                 ' ');
        return binary.Type == 'N' ? blanks + text : text + blanks;
    }
    return std::string(area->FieldBytes(i));
}

// ---- The table of work areas ----

namespace {

struct TAreaTable {
    std::array<std::unique_ptr<TXbArea>, xbMaxAreas + 1> Areas;
    int Current = 1;
};

TAreaTable& Areas() {
    static TAreaTable table;
    return table;
}

} // namespace

namespace {

TXbArea* OpenArea(const TAreaTable& table, int number) {
    if (number < 1 || number > xbMaxAreas) return nullptr;
    TXbArea* area = table.Areas[static_cast<std::size_t>(number)].get();
    return area && area->IsOpen() ? area : nullptr;
}

} // namespace

TXbArea* XbArea(int number) {
    return OpenArea(Areas(), number);
}

TXbArea* XbCurrentArea() {
    const TAreaTable& table = Areas();
    return OpenArea(table, table.Current);
}

int XbCurrentAreaNumber() {
    return Areas().Current;
}

int XbSelectArea(int number) {
    const int previous = Areas().Current;
    if (number == 0) {
        for (int n = 1; n <= xbMaxAreas; ++n)
            if (!XbArea(n)) {
                Areas().Current = n;
                break;
            }
    } else if (number >= 1 && number <= xbMaxAreas) {
        Areas().Current = number;
    }
    return previous;
}

TXbArea* XbFindAlias(std::string_view alias) {
    for (int n = 1; n <= xbMaxAreas; ++n)
        if (TXbArea* area = XbArea(n); area && SameText(area->Alias(), alias)) return area;
    return nullptr;
}

int XbUseArea(const std::string& path, const std::string& alias, int mode, int driver) {
    int number = 0;
    for (int n = 1; n <= xbMaxAreas && number == 0; ++n)
        if (!XbArea(n)) number = n;
    if (number == 0) return 0;
    auto area = std::make_unique<TXbArea>(number);
    if (area->Open(path, alias, mode, driver) != xbOK || XbFindAlias(area->Alias())) return 0;
    Areas().Areas[static_cast<std::size_t>(number)] = std::move(area);
    Areas().Current = number;
    return number;
}

int XbCloseArea(int number) {
    TXbArea* area = XbArea(number);
    if (!area) return xbNoTable;
    const int status = area->Close();
    Areas().Areas[static_cast<std::size_t>(number)].reset();
    return status;
}

void XbCloseAllAreas() {
    for (int n = 1; n <= xbMaxAreas; ++n)
        XbCloseArea(n);
}
