// The sharing and locking of one open table file. Each lock is an open-file-description lock on
// a byte far past any data (so readers of the data never meet it), which makes it hold between
// processes and between two descriptors of the same process alike; a registry of the process
// answers conflicts between work areas at once, without waiting.
#pragma once

#include "platform/rtl/Types.h"
#include "xbase/XbTable.h"

#include <set>
#include <string>

class TXbLock {
public:
    TXbLock() = default;
    ~TXbLock() { Detach(); }
    TXbLock(const TXbLock&) = delete;
    TXbLock& operator=(const TXbLock&) = delete;

    // Takes the open lock on the descriptor: exclusive fails while the file is open anywhere
    // else, shared fails while it is open exclusively. Gives xbOK, xbSharing, or xbNoLocks when
    // the file system refuses locks altogether (ENOLCK, EOPNOTSUPP, EINVAL: no holder is known,
    // so the file cannot be shared safely and is not opened at all).
    int Attach(int fd, bool exclusive);
    // Releases every lock and the open lock.
    void Detach();
    bool Exclusive() const { return exclusive_; }
    // True when no other holder, in this process or another, has the file open: the files of
    // the table are this holder's to repair.
    bool Alone() const;

    // Locks record recno, trying for timeoutSeconds (0 = one try). True when this holder has it.
    bool LockRecord(LongInt recno, int timeoutSeconds);
    void UnlockRecord(LongInt recno);
    void UnlockAll();
    bool HasRecord(LongInt recno) const { return records_.count(recno) > 0; }

    // The append lock serialises appends and memo writes of shared opens.
    bool LockAppend(int timeoutSeconds);
    void UnlockAppend();

private:
    bool SetLock(long long offset, short type, int timeoutSeconds);

    int fd_ = -1;
    bool exclusive_ = false;
    std::string key_;
    std::set<LongInt> records_;
};
