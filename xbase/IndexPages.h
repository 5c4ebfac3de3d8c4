// The pages of an index file in memory (the file's layout: FORMAT.md beside this file).
//
// A tree page keeps its entries as they lie in the file, one fixed-size record after another
// (key, record number and, in a branch, the child page and the number of keys below it), so
// that reading, copying, changing and writing a page moves bytes and never takes the page apart
// into separate keys. A page read from the file is checked whole before it is used: checksum,
// type, entry count, entries in order and branch entries that point inside the file.
//
// The page cache holds the tree pages of one open index file. It keeps at most its capacity of
// pages: when more come in, pages not used lately leave first (a clock: each use marks a page,
// and the hand passing a marked page clears the mark instead of evicting it). Pages a change
// made (dirty) never leave before they are written back; the owner writes them back when too
// many have gathered. The capacity is the least the cache always keeps, plus what the owner lets
// it grow to hold the whole file: those pages are drawn from a budget all caches share, so that
// large index files together take at most a quarter of the machine's memory.
#pragma once

#include "platform/rtl/Types.h"
#include "xbase/PageArena.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

constexpr LongWord XbPageSize = 4096;
// The head every page other than the header opens with: type, level, entry count, owning tag,
// checksum, next free page.
constexpr std::size_t XbPageHead = 16;

enum TXbPageType : Byte { ptLeaf = 1, ptBranch = 2, ptFree = 3, ptTagDef = 4 };

// CRC-32 (the common reflected polynomial) of size bytes, continuing crc (0 to start).
LongWord XbCrc32(LongWord crc, const char* data, std::size_t size);
// The checksum of a page other than the header: the CRC-32 of its first used bytes, taken with
// the page's own checksum field (bytes 8..11) as zeros.
LongWord XbPageCrc(const char* page, std::size_t used);

// Compares as std::string_view::compare does (bytes unsigned, a prefix before the longer text),
// eight bytes at a time: keys are compared many times in every search.
inline int XbKeyCompare(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        unsigned long long x, y;
        __builtin_memcpy(&x, a.data() + i, 8);
        __builtin_memcpy(&y, b.data() + i, 8);
        if (x != y) return __builtin_bswap64(x) < __builtin_bswap64(y) ? -1 : 1;
    }
    for (; i < n; ++i)
        if (a[i] != b[i])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Bytes of one entry of a page of that type.
std::size_t XbEntrySize(Byte type, int keyLength);
// Entries that fit in one page of that type.
int XbPageCapacity(Byte type, int keyLength);

// One entry taken out of a tree page. In a branch, Child is the page below and Count the number
// of keys under it; a leaf entry counts as one key.
struct TXbEntry {
    std::string Key;
    LongWord RecNo = 0;
    LongWord Child = 0;
    LongWord Count = 1;
};

class TXbNodePage {
public:
    TXbNodePage() = default;
    TXbNodePage(Byte type, Byte level, LongWord tag, int keyLength);
    // Pages made on the heap (those the cache keeps) live in the page arena.
    static void* operator new(std::size_t size) { return XbPageArena::Allocate(size); }
    static void operator delete(void* block) noexcept { XbPageArena::Release(block); }

    Byte Type() const { return type_; }
    Byte Level() const { return level_; }
    bool IsLeaf() const { return type_ == ptLeaf; }
    // The definition page of the tag the page belongs to.
    LongWord Tag() const { return tag_; }
    int Count() const { return count_; }
    bool Empty() const { return count_ == 0; }
    bool Full() const { return count_ >= XbPageCapacity(type_, keyLength_); }
    // Keys below the page: its entries in a leaf, the sum of their counts in a branch.
    LongWord Total() const { return total_; }

    std::string_view Key(int i) const { return {At(i), static_cast<std::size_t>(keyLength_)}; }
    LongWord RecNo(int i) const { return Field(i, 0); }
    LongWord Child(int i) const { return IsLeaf() ? 0 : Field(i, 4); }
    // The keys under entry i: its count in a branch, 1 in a leaf.
    LongWord Below(int i) const { return IsLeaf() ? 1 : Field(i, 8); }
    TXbEntry Entry(int i) const;
    // The first entry from entry from on for which after(*this, i) holds (after must be false,
    // then true, along the entries); Count() when none does. When after compares entries with
    // a key, key is that key: after must then be false for every entry whose first
    // min(key.size(), key length) bytes sort before key's and true for every entry whose bytes
    // sort after them. A leaf then reads its fence and only the entries between two of its
    // posts (see Narrow); branch pages are few and read by every search, so they stay in the
    // processor's caches and a plain binary search serves them best.
    template <typename After>
    int Search(int from, After after, std::string_view key = {}) const {
        int lo = from;
        int hi = count_;
        if (IsLeaf()) {
            Narrow(key, lo, hi);
            Ask(lo, hi);
        }
        int len = hi - lo;
        while (len > 0) {
            const int half = len / 2;
            if (after(*this, lo + half)) {
                len = half;
            } else {
                lo += half + 1;
                len -= half + 1;
            }
        }
        return lo;
    }
    // The bytes at the start of the object a search of a leaf by key reads first: its head and
    // the posts of its fence (see Narrow). The first entry lies at EntriesOffset().
    std::size_t SearchSpan() const {
        return static_cast<std::size_t>(reinterpret_cast<const char*>(posts_ + Posts(count_)) -
                                        reinterpret_cast<const char*>(this));
    }
    static std::size_t EntriesOffset();
    // Below 0, 0 or above 0 as entry i sorts before, as or after (key, recno): by key bytes,
    // then by record number.
    int Compare(int i, std::string_view key, LongWord recno) const {
        const int c = XbKeyCompare(Key(i), key);
        if (c != 0) return c;
        const LongWord r = RecNo(i);
        return r < recno ? -1 : r > recno ? 1 : 0;
    }

    // Puts an entry in as entry i (0 <= i <= Count()). A page may hold one entry more than fit
    // in the file, until it is split. A leaf takes only key and record number.
    void Insert(int i, std::string_view key, LongWord recno, LongWord child, LongWord count);
    void Insert(int i, const TXbEntry& e) { Insert(i, e.Key, e.RecNo, e.Child, e.Count); }
    void Append(const TXbEntry& e) { Insert(Count(), e); }
    void AppendLeaf(std::string_view key, LongWord recno) { Insert(Count(), key, recno, 0, 1); }
    void Erase(int i);
    // A branch entry's child now holds below keys and opens with (key, recno).
    void SetChild(int i, std::string_view key, LongWord recno, LongWord below);
    // Moves the entries from entry from onwards into a new page of the same kind.
    TXbNodePage Split(int from);

    // The page as stored: PageSize bytes with its checksum.
    std::string Encode() const;
    // Takes in a page read from the file (PageSize bytes) for a tag whose keys have keyLength
    // bytes; false when it is no valid tree page (see the head of this file). Pages from
    // pageLimit on lie outside the file.
    bool Decode(const std::string& buffer, int keyLength, LongWord pageLimit);

private:
    // The entries of a page, and room for the one entry more a change may put in.
    static constexpr std::size_t Room = XbPageSize - XbPageHead + 256 + 12;

    const char* At(int i) const { return bytes_ + static_cast<std::size_t>(i) * size_; }
    char* At(int i) { return bytes_ + static_cast<std::size_t>(i) * size_; }
    // The 4-byte number at offset bytes after the key of entry i.
    LongWord Field(int i, int offset) const {
        const auto* p = reinterpret_cast<const unsigned char*>(At(i) + keyLength_ + offset);
        return LongWord(p[0]) | LongWord(p[1]) << 8 | LongWord(p[2]) << 16 | LongWord(p[3]) << 24;
    }
    void Recount();

    // A leaf's fence: a post for every Stride-th entry holding the eight key bytes that follow
    // the bytes all the page's keys share, as a number that sorts as those bytes do. Finding a
    // key then reads the head and the posts (a few lines, the same for every search of the
    // page), and then only the entries between two posts, where a binary search over the
    // whole page would wait for one line after another.
    static constexpr int Stride = 16;
    static constexpr int MaxPosts = (static_cast<int>(Room) / 5 + Stride - 1) / Stride;
    static int Posts(int count) { return (count + Stride - 1) / Stride; }
    // Sets the fence up after a change left it unset: the post of entry i holds its key's bytes
    // from shared_ on, at most eight, big-endian.
    void Fence() const;
    // Narrows [lo, hi) to the entries a search for key must look at: those the posts do not
    // already place strictly before or after key. Without a key nothing is narrowed.
    void Narrow(std::string_view key, int& lo, int& hi) const;
    // Asks for the entries [lo, hi) at once, so that their lines arrive together instead of one
    // after another as a binary search reaches them.
    void Ask(int lo, int hi) const;

    Byte type_ = ptLeaf;
    Byte level_ = 0;
    int keyLength_ = 1;
    LongWord tag_ = 0;
    int count_ = 0;
    LongWord total_ = 0;
    std::size_t size_ = 5;
    mutable bool fenced_ = false;     // the posts hold the entries as they are
    mutable std::size_t shared_ = 0; // bytes every key of the page opens with
    mutable unsigned long long posts_[MaxPosts];
    char bytes_[Room]; // the entries as stored, size_ bytes each
};

// Pages that caches may keep beyond the least each keeps, shared by all of them; safe to take
// from and give back to on any thread.
class TXbPageBudget {
public:
    explicit TXbPageBudget(std::size_t pages) : free_(pages) {}
    // Takes as many of pages as are left and answers how many it took.
    std::size_t Take(std::size_t pages);
    void Give(std::size_t pages) { free_ += pages; }
    std::size_t Free() const { return free_; }

private:
    std::atomic<std::size_t> free_;
};

// The budget of the engine's index files: a quarter of the machine's physical memory, counted in
// kept pages.
TXbPageBudget& XbPageBudget();

class TXbPageCache {
public:
    // Keeps at least least pages; Fit lets it keep more, taken from budget.
    explicit TXbPageCache(std::size_t least, TXbPageBudget& budget = XbPageBudget())
        : least_(least), budget_(budget) {}
    ~TXbPageCache() { budget_.Give(granted_); }
    TXbPageCache(const TXbPageCache&) = delete;
    TXbPageCache& operator=(const TXbPageCache&) = delete;

    // The memory one kept page takes: the page itself and the cache's records of it.
    static std::size_t KeptPageBytes();

    // The page kept as page, nullptr when none; the page counts as used. The pointer stays
    // good until the page is put again, erased, cleared or trimmed away. The page's memory is
    // asked for at once, ahead of the search that follows: its lines then arrive together
    // instead of one wait per comparison.
    TXbNodePage* Find(LongWord page);
    // Keeps node as page, in place of what was kept; dirty when a change made it and it is
    // not written back yet (a page once dirty stays so until MarkClean).
    TXbNodePage* Put(LongWord page, std::unique_ptr<TXbNodePage> node, bool dirty);
    // A kept page was changed where it lies.
    void MarkDirty(LongWord page);
    void Erase(LongWord page);
    // Forgets every page and gives back what the budget granted.
    void Clear();
    std::size_t Size() const { return slots_.size(); }
    std::size_t Capacity() const { return least_ + granted_; }
    // The cache keeps pages pages, no more, no fewer: what the budget granted goes back.
    void SetCapacity(std::size_t pages);
    // Lets the cache keep every page of a file of pages pages, never fewer than its least, as far
    // as the budget allows; what it no longer needs goes back to the budget.
    void Fit(std::size_t pages);
    std::size_t DirtyCount() const { return dirty_; }
    bool OverCapacity() const { return slots_.size() > Capacity(); }
    // The dirty pages by page number.
    std::vector<std::pair<LongWord, const TXbNodePage*>> DirtyPages() const;
    // The dirty pages were written back: they are kept as the file holds them.
    void MarkClean();
    // Evicts pages that are not dirty, least used first, until the capacity is kept (or only
    // dirty pages remain).
    void Trim();

private:
    // A kept page, found from its number in one step.
    struct TKept {
        std::unique_ptr<TXbNodePage> Node; // nullptr when the page is not kept
        LongWord Slot = 0;                 // its place in slots_
        std::uint16_t Prefetch = 0; // bytes to prefetch on a find: a leaf's search span, else 0
        bool Used = false;
        bool Dirty = false;
    };
    TKept* KeptOf(LongWord page) {
        return page < kept_.size() && kept_[page].Node ? &kept_[page] : nullptr;
    }
    void Remove(std::size_t slot);

    std::size_t least_;
    TXbPageBudget& budget_;
    std::size_t granted_ = 0; // pages taken from the budget
    std::vector<TKept> kept_;     // by page number
    std::vector<LongWord> slots_; // the kept pages, in the order the hand goes round them
    std::size_t hand_ = 0;
    std::size_t dirty_ = 0;
};
