// The memos a work area gives to records. A memo given to a field (xb_Replace, xb_PutBlob)
// stays in memory until its record is written: meanwhile the field holds a stand-in block
// number (TXbMemo::PendingBase and up, never a block of a memo file), and the write of the
// record puts the memo into the memo file just before the record and its real block number
// into the record. A record that is refused, or never written, leaves the memo file as it was,
// and another user never reads a memo whose record is not written.
//
// A memo goes over the blocks its record had when it fits in them and this area wrote them for
// that record alone; otherwise it goes to fresh blocks at the end of the memo file, and the old
// blocks wait for a pack. A record image copied from another record shares its memo blocks,
// which are then no longer any one record's own. A record refused after its memos were written
// takes them back: blocks written over get what they held again.
#pragma once

#include "platform/rtl/Types.h"
#include "xbase/XbMemo.h"
#include "xbase/XbTable.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

using TXbFields = std::vector<TXbFieldDef>;

class TXbAreaMemos {
public:
    // fields: the table's fields, which every call below takes.
    explicit TXbAreaMemos(TXbMemo& file) : file_(file) {}

    // The stand-in for data given to a field of record recno (0, an empty memo, for empty
    // data). previous is the field's block number before: a stand-in of recno it replaces is
    // forgotten.
    LongWord Give(std::string_view data, bool binary, LongInt recno, LongWord previous);
    // The memo a field's block number stands for: the data given, or the memo file's.
    bool Read(LongWord block, std::string& data, bool& binary) const;
    // True when a memo field of image holds a memo not written yet.
    bool HasPending(const std::string& image, const TXbFields& fields) const;
    // Writes the memos that image's memo fields stand for into the memo file and puts their
    // blocks into image, which is to become record recno, stored as old now. xbBadArgument
    // for a stand-in this area does not know (an image kept from before a pack or from another
    // area); xbWriteFailed when the memo file refuses.
    int Write(std::string& image, const std::string& old, LongInt recno, const TXbFields& fields);
    // image was written as record recno: memo blocks it shares with another record are no
    // longer any record's own, and memos given to recno that it does not hold are dropped.
    void Written(const std::string& image, LongInt recno, const TXbFields& fields);
    // The record the last Write was for was refused: the blocks it wrote over hold what they
    // held before again, and their memos wait to be written as before it.
    void TakeBack();
    // Forgets every memo not written and every block number (closing, or a pack numbering
    // the blocks anew).
    void Clear();
    // The blocks the memo fields of table's records name (TXbMemo::TStartsSource); false when
    // a record cannot be read.
    static bool StartsOf(const TXbTable& table, std::vector<LongWord>& starts);

private:
    struct TPending {
        std::string Data;
        bool Binary = false;
        LongInt RecNo = 0;
    };
    // The block number field f holds in image; 0 when it holds none.
    static LongWord BlockOf(const std::string& image, const TXbFieldDef& f);

    // A memo the last Write put over a record's own blocks: what they held before.
    struct TOverwritten {
        LongWord StandIn = 0;
        TPending Given;
        LongWord Block = 0;
        std::string Data;
        bool Binary = false;
        LongWord Type = 0;
    };

    TXbMemo& file_;
    std::vector<TOverwritten> overwritten_;
    std::map<LongWord, TPending> pending_; // by stand-in
    std::map<LongWord, LongWord> written_; // stand-ins already written, and their blocks
    std::map<LongWord, LongInt> own_;      // blocks this area wrote, by the record using them
};
