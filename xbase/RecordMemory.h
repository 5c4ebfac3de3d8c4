// The records of a table that one user has to itself, kept in memory.
//
// A seek lands on one record at random. Read through a mapping of the file, that read also
// waits for the address translation of the record's 4 KB page, and the translations of a large
// table's pages do not stay in the processor's caches. Kept in 2 MB blocks that the kernel may
// back with huge pages (PageArena.h), the records need far fewer of them. A block is read from
// the file when a read first needs it (its tail again when a read lies past what the file held
// then) or when the table keeps what it appends (Appended), and every write of the table goes
// into the blocks it touches as well: the blocks hold what the file holds as long as nobody else
// writes the file, which an exclusive open guarantees. A block's first touch costs as much as
// thousands of seeks (the system clears a huge page for it): taken while a build appends its
// records, that cost is a small share of the build instead of most of the first seeks' time.
// The blocks draw on the budget the index page caches share (IndexPages.h); when it is spent,
// or for a record that crosses a block's end, the table reads through its mapping.
#pragma once

#include "platform/rtl/Types.h"
#include "xbase/XbFile.h"

#include <cstddef>
#include <string_view>
#include <vector>

class TXbRecordMemory {
public:
    TXbRecordMemory() = default;
    ~TXbRecordMemory() { Clear(); }
    TXbRecordMemory(const TXbRecordMemory&) = delete;
    TXbRecordMemory& operator=(const TXbRecordMemory&) = delete;

    // The bytes [at, at + size) of file, read into their block first when it lacks them;
    // nullptr when they cross the end of a block or of the file, or no block could be had.
    const char* Read(const TXbFile& file, Int64 at, std::size_t size);
    // The bytes when a block holds them already, else nullptr.
    const char* Held(Int64 at, std::size_t size) const;
    // The file took bytes at at: the blocks that hold those places take them too.
    void Written(Int64 at, std::string_view bytes);
    // The file grew by the size bytes it took at at (after Written): the blocks they lie in are
    // held from now on, read from the file when they were not held yet.
    void Appended(const TXbFile& file, Int64 at, std::size_t size);
    // The file may no longer hold what the blocks hold at [at, at + size) (a write failed part
    // way): the blocks that hold any of those bytes are given up.
    void Forget(Int64 at, std::size_t size);
    // Gives every block back, and its share of the budget.
    void Clear();

private:
    struct TBlock {
        char* Data = nullptr;
        std::size_t Filled = 0; // bytes from the block's start that hold the file's bytes
    };
    // Reads the file's bytes past the block's Filled ones into it, taking the block first.
    bool Fill(const TXbFile& file, std::size_t index);
    void Drop(TBlock& block);

    std::vector<TBlock> blocks_; // by place in the file, a block every 2 MB
};
