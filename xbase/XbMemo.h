// Memo files: DBT (512-byte blocks, each memo its bytes ended by 0x1A 0x1A, as version 0x83
// tables have them) and FPT (big-endian header with the block size; each memo starts with its
// type and length). A memo that is replaced may keep its own blocks when the new data fits in
// them (one write, so a killed process leaves the old memo or the new one; the work area offers
// only blocks no other record points to); otherwise it goes to fresh blocks at the end, and the
// old blocks stay until a pack writes the memo file anew.
//
// A DBT memo is read up to its end mark, but never past the next block that begins another
// memo, and one whose end mark is gone no further than the header's next free block either. The
// blocks that begin memos are those the table's records name (StartsSource); they are gathered
// when the first memo longer than a block is read, and again only for a memo another user wrote
// past the end the file had then, so that reading every memo of a file whose end marks are gone
// reads it about once.
#pragma once

#include "platform/rtl/Types.h"
#include "xbase/XbFile.h"
#include "xbase/XbTable.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TXbMemo {
public:
    // Block numbers from here up to LastBlockNumber never lie in a memo file: a work area lets
    // them stand for memos not written yet (AreaMemos.h). A field of ten digits holds them all.
    static constexpr LongWord PendingBase = 900000000u;
    static constexpr LongWord LastBlockNumber = 999999999u;

    // Writes an empty memo file; FPT files take blockSize (1..16384) as their block size.
    static bool Create(const std::string& path, TXbMemoKind kind, int blockSize);
    // The block number a memo field's bytes hold (10 digits, or 4 bytes little-endian);
    // 0 for an empty field (blanks, or zeros). False when the bytes are not a block number.
    static bool ParseBlock(std::string_view fieldBytes, LongWord& block);
    // A memo field's bytes for block (0 = empty) in a field of width bytes.
    static std::string FormatBlock(LongWord block, int width);

    // Gives the first blocks of the memos the table's records name, in any order; false when
    // the table cannot be read.
    using TStartsSource = std::function<bool(std::vector<LongWord>&)>;
    void SetStartsSource(TStartsSource source) { startsSource_ = std::move(source); }

    int Open(const std::string& path, TXbMemoKind kind, bool writable);
    void Close() {
        file_.Close();
        ForgetStarts();
    }
    bool IsOpen() const { return file_.IsOpen(); }
    const std::string& Path() const { return file_.Path(); }

    // Reads the memo at block (block 0 gives empty data); binary tells whether it was stored
    // as binary data, and type, when given, the type word an FPT memo was stored with (1 text,
    // 0 picture or binary, 2 object; 1 or 0 for a DBT memo by binary). False when the block lies
    // outside the file or its header is damaged.
    bool Read(LongWord block, std::string& data, bool& binary, LongWord* type = nullptr) const;
    // True when the file can hold data as a memo that other programs read back whole: a DBT
    // memo ends at its first 0x1A byte, so data there holds none.
    bool Accepts(std::string_view data) const;
    // Stores data and gives its block: block holds the memo's block so far (0 for none), whose
    // blocks are used again when data fits in them. A DBT memo, text or binary data, is its
    // bytes and 0x1A 0x1A; only binary data holding 0x1A (a memo another program wrote, which a
    // pack copies) keeps the layout with a length: FF FF 08 00 and the length with those 8 bytes.
    // An FPT memo takes type as its type word when given (a pack keeps another program's object
    // memos as they were), else 1 for text and 0 for binary data.
    bool Write(std::string_view data, bool binary, LongWord& block,
               std::optional<LongWord> type = std::nullopt);
    bool Sync() { return file_.Flush(); }
    int BlockSize() const { return blockSize_; }

private:
    bool ReadDbt(Int64 at, std::string& data, bool& binary) const;
    // Appends the bytes from offset from up to the first end mark before offset to; found
    // tells whether the mark was met. False when the file cannot be read.
    bool ReadToMark(Int64 from, Int64 to, std::string& data, bool& found) const;
    // The offset of the first block after offset at that begins a memo, or the end of the
    // file, in a file of size bytes. The starts are gathered when they are not known, or when
    // offset at lies past the file's end when they were (a memo written since).
    Int64 NextStart(Int64 at, Int64 size) const;
    // Gathers the blocks that begin memos; false when they cannot be had.
    bool GatherStarts(Int64 size) const;
    void ForgetStarts() {
        starts_.clear();
        startsKnown_ = false;
    }
    bool ReadFpt(Int64 at, std::string& data, bool& binary, LongWord* type) const;
    // The first free block: the header's value, never inside data already in the file.
    bool NextFreeBlock(LongWord& block) const;
    // The number of blocks the memo at block takes; 0 when it cannot be read.
    Int64 BlocksOf(LongWord block) const;
    // The memo's bytes as stored, block-padded.
    std::string StoredBytes(std::string_view data, bool binary,
                            std::optional<LongWord> type = std::nullopt) const;

    TXbFile file_;
    TXbMemoKind kind_ = TXbMemoKind::None;
    int blockSize_ = 512;
    TStartsSource startsSource_;
    mutable std::vector<LongWord> starts_; // sorted, while startsKnown_
    mutable bool startsKnown_ = false;
    mutable Int64 startsSize_ = 0; // the end of the file they hold for
};
