#include "xbase/IndexPages.h"

#include "platform/rtl/Streams.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

LongWord XbCrc32(LongWord crc, const char* data, std::size_t size) {
    using TTables = std::array<std::array<LongWord, 256>, 8>;
    static const TTables tables = [] {
        TTables t{};
        for (LongWord i = 0; i < 256; ++i) {
            LongWord c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (LongWord i = 0; i < 256; ++i)
            for (std::size_t k = 1; k < 8; ++k)
                t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
        return t;
    }();
    // Eight bytes at a time.
    const auto* p = reinterpret_cast<const Byte*>(data);
    crc = ~crc;
    for (; size >= 8; size -= 8, p += 8) {
        const LongWord lo = crc ^ (LongWord(p[0]) | LongWord(p[1]) << 8 | LongWord(p[2]) << 16 |
                                   LongWord(p[3]) << 24);
        crc = tables[7][lo & 0xFF] ^ tables[6][(lo >> 8) & 0xFF] ^ tables[5][(lo >> 16) & 0xFF] ^
              tables[4][lo >> 24] ^ tables[3][p[4]] ^ tables[2][p[5]] ^ tables[1][p[6]] ^
              tables[0][p[7]];
    }
    for (; size > 0; --size, ++p)
        crc = tables[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

LongWord XbPageCrc(const char* page, std::size_t used) {
    static const char zeros[4] = {0, 0, 0, 0};
    LongWord crc = XbCrc32(0, page, 8);
    crc = XbCrc32(crc, zeros, 4);
    return XbCrc32(crc, page + 12, used - 12);
}

std::size_t XbEntrySize(Byte type, int keyLength) {
    return static_cast<std::size_t>(keyLength) + (type == ptLeaf ? 4 : 12);
}

int XbPageCapacity(Byte type, int keyLength) {
    return static_cast<int>((XbPageSize - XbPageHead) / XbEntrySize(type, keyLength));
}

// ---- Tree pages ----

TXbNodePage::TXbNodePage(Byte type, Byte level, LongWord tag, int keyLength)
    : type_(type), level_(level), keyLength_(keyLength), tag_(tag),
      size_(XbEntrySize(type, keyLength)) {}

TXbEntry TXbNodePage::Entry(int i) const {
    return {std::string(Key(i)), RecNo(i), Child(i), Below(i)};
}

void TXbNodePage::Insert(int i, std::string_view key, LongWord recno, LongWord child,
                         LongWord count) {
    if ((static_cast<std::size_t>(count_) + 1) * size_ > Room)
        throw std::length_error("index page overfilled");
    char* p = At(i);
    std::memmove(p + size_, p, static_cast<std::size_t>(count_ - i) * size_);
    ++count_;
    const auto klen = static_cast<std::size_t>(keyLength_);
    const std::size_t given = std::min(klen, key.size());
    std::memcpy(p, key.data(), given);
    std::memset(p + given, 0, klen - given);
    EncodeLE<LongWord>(p + klen, recno);
    if (!IsLeaf()) {
        EncodeLE<LongWord>(p + klen + 4, child);
        EncodeLE<LongWord>(p + klen + 8, count);
    }
    total_ += IsLeaf() ? 1 : count;
    fenced_ = false;
}

void TXbNodePage::Erase(int i) {
    total_ -= Below(i);
    fenced_ = false;
    char* p = At(i);
    std::memmove(p, p + size_, static_cast<std::size_t>(count_ - i - 1) * size_);
    --count_;
}

void TXbNodePage::SetChild(int i, std::string_view key, LongWord recno, LongWord below) {
    char* p = At(i);
    total_ = total_ - Below(i) + below;
    fenced_ = false;
    std::memcpy(p, key.data(), static_cast<std::size_t>(keyLength_));
    EncodeLE<LongWord>(p + keyLength_, recno);
    EncodeLE<LongWord>(p + keyLength_ + 8, below);
}

TXbNodePage TXbNodePage::Split(int from) {
    TXbNodePage right(type_, level_, tag_, keyLength_);
    right.count_ = count_ - from;
    std::memcpy(right.bytes_, At(from), static_cast<std::size_t>(right.count_) * size_);
    count_ = from;
    fenced_ = false;
    Recount();
    right.Recount();
    return right;
}

void TXbNodePage::Recount() {
    if (IsLeaf()) {
        total_ = static_cast<LongWord>(count_);
        return;
    }
    total_ = 0;
    for (int i = 0; i < count_; ++i)
        total_ += Below(i);
}

std::string TXbNodePage::Encode() const {
    std::string buffer(XbPageSize, '\0');
    const std::size_t used = static_cast<std::size_t>(count_) * size_;
    buffer[0] = static_cast<char>(type_);
    buffer[1] = static_cast<char>(level_);
    EncodeLE<Word>(buffer.data() + 2, static_cast<Word>(count_));
    EncodeLE<LongWord>(buffer.data() + 4, tag_);
    std::memcpy(buffer.data() + XbPageHead, bytes_, used);
    EncodeLE<LongWord>(buffer.data() + 8, XbPageCrc(buffer.data(), XbPageHead + used));
    return buffer;
}

bool TXbNodePage::Decode(const std::string& buffer, int keyLength, LongWord pageLimit) {
    const auto type = static_cast<Byte>(buffer[0]);
    if (buffer.size() != XbPageSize || (type != ptLeaf && type != ptBranch)) return false;
    const int count = DecodeLE<Word>(buffer.data() + 2);
    if (count > XbPageCapacity(type, keyLength)) return false;
    const std::size_t bytes = XbEntrySize(type, keyLength) * static_cast<std::size_t>(count);
    if (DecodeLE<LongWord>(buffer.data() + 8) != XbPageCrc(buffer.data(), XbPageHead + bytes))
        return false;
    *this = TXbNodePage(type, static_cast<Byte>(buffer[1]), DecodeLE<LongWord>(buffer.data() + 4),
                        keyLength);
    count_ = count;
    std::memcpy(bytes_, buffer.data() + XbPageHead, bytes);
    for (int i = 0; i < count; ++i) {
        if (!IsLeaf() && (Child(i) == 0 || Child(i) >= pageLimit || Below(i) == 0)) return false;
        if (i > 0 && Compare(i - 1, Key(i), RecNo(i)) >= 0) return false;
    }
    Recount();
    return true;
}

std::size_t TXbNodePage::EntriesOffset() {
    return offsetof(TXbNodePage, bytes_);
}

namespace {

// Up to eight bytes of text from from on, big-endian: numbers that sort as the bytes do.
unsigned long long BigEndianWindow(std::string_view text, std::size_t from) {
    const std::size_t n = std::min<std::size_t>(8, text.size() - from);
    unsigned long long v = 0;
    for (std::size_t i = 0; i < n; ++i)
        v |= static_cast<unsigned long long>(static_cast<Byte>(text[from + i])) << (56 - 8 * i);
    return v;
}

// Asks for the bytes [from, to) ahead of their use, a line at a time.
void Prefetch(const char* from, const char* to) {
    for (; from < to; from += 64)
        __builtin_prefetch(from);
}

} // namespace

void TXbNodePage::Fence() const {
    const std::string_view first = Key(0);
    const std::string_view last = Key(count_ - 1);
    shared_ = static_cast<std::size_t>(
        std::mismatch(first.begin(), first.end(), last.begin()).first - first.begin());
    for (int j = 0; j < Posts(count_); ++j)
        posts_[j] = BigEndianWindow(Key(j * Stride), shared_);
    fenced_ = true;
}

void TXbNodePage::Narrow(std::string_view key, int& lo, int& hi) const {
    const std::size_t compared = std::min(key.size(), static_cast<std::size_t>(keyLength_));
    if (compared == 0 || count_ < 2 * Stride) return;
    if (!fenced_) Fence();
    // The posts tell entries apart only where key opens with the bytes all keys share (a
    // search in the tree rarely comes to a leaf whose keys all sort before or after key).
    if (compared <= shared_ || std::memcmp(At(0), key.data(), shared_) != 0) return;
    const std::size_t width = std::min<std::size_t>(8, compared - shared_);
    const unsigned long long mask = ~0ULL << (8 * (8 - width));
    const unsigned long long sought = BigEndianWindow(key, shared_) & mask;
    const unsigned long long* first = posts_;
    const unsigned long long* last = posts_ + Posts(count_);
    // Posts strictly before key: their entries and those ahead of them are passed over; the
    // first post strictly after key is an entry for which the search holds.
    const auto* below = std::partition_point(
        first, last, [&](unsigned long long p) { return (p & mask) < sought; });
    const auto* above = std::partition_point(
        below, last, [&](unsigned long long p) { return (p & mask) <= sought; });
    if (below != first) lo = std::max(lo, static_cast<int>(below - first - 1) * Stride + 1);
    if (above != last) hi = std::min(hi, static_cast<int>(above - first) * Stride);
}

void TXbNodePage::Ask(int lo, int hi) const {
    Prefetch(At(lo), At(hi));
}

// ---- The page cache ----

std::size_t TXbPageBudget::Take(std::size_t pages) {
    std::size_t free = free_.load();
    std::size_t taken = 0;
    do {
        taken = std::min(pages, free);
    } while (!free_.compare_exchange_weak(free, free - taken));
    return taken;
}

TXbPageBudget& XbPageBudget() {
    static auto* budget = [] {
        const long pages = ::sysconf(_SC_PHYS_PAGES);
        const long pageSize = ::sysconf(_SC_PAGESIZE);
        const std::size_t memory = pages > 0 && pageSize > 0
                                       ? static_cast<std::size_t>(pages) *
                                             static_cast<std::size_t>(pageSize)
                                       : 0;
        return new TXbPageBudget(memory / 4 / TXbPageCache::KeptPageBytes());
    }(); // never destroyed: caches of areas closed at exit give pages back to it
    return *budget;
}

std::size_t TXbPageCache::KeptPageBytes() {
    // The arena hands out whole cache lines.
    return (sizeof(TXbNodePage) + 63) / 64 * 64 + sizeof(TKept) + sizeof(LongWord);
}

void TXbPageCache::SetCapacity(std::size_t pages) {
    budget_.Give(granted_);
    granted_ = 0;
    least_ = pages;
}

void TXbPageCache::Fit(std::size_t pages) {
    const std::size_t wanted = pages > least_ ? pages - least_ : 0;
    if (wanted > granted_) {
        granted_ += budget_.Take(wanted - granted_);
    } else if (wanted < granted_) {
        budget_.Give(granted_ - wanted);
        granted_ = wanted;
    }
}

namespace {

// A search of a leaf reads its head and fence first, then the few entries the fence leaves
// (which the page asks for itself). Branch pages are few and read by every search, so they stay
// in the processor's caches.
std::uint16_t PrefetchOf(const TXbNodePage& node) {
    return static_cast<std::uint16_t>(node.IsLeaf() ? node.SearchSpan() : 0);
}

} // namespace

TXbNodePage* TXbPageCache::Find(LongWord page) {
    TKept* kept = KeptOf(page);
    if (!kept) return nullptr;
    kept->Used = true;
    const char* bytes = reinterpret_cast<const char*>(kept->Node.get());
    if (kept->Prefetch != 0) {
        Prefetch(bytes, bytes + kept->Prefetch);
        __builtin_prefetch(bytes + TXbNodePage::EntriesOffset()); // the first entry is checked
    }
    return kept->Node.get();
}

TXbNodePage* TXbPageCache::Put(LongWord page, std::unique_ptr<TXbNodePage> node, bool dirty) {
    if (page >= kept_.size()) kept_.resize(std::max<std::size_t>(page + 1, 2 * kept_.size()));
    TKept& kept = kept_[page];
    if (!kept.Node) {
        kept.Slot = static_cast<LongWord>(slots_.size());
        slots_.push_back(page);
    }
    kept.Node = std::move(node);
    kept.Used = true;
    kept.Prefetch = PrefetchOf(*kept.Node);
    if (dirty && !kept.Dirty) ++dirty_;
    kept.Dirty = kept.Dirty || dirty;
    return kept.Node.get();
}

void TXbPageCache::MarkDirty(LongWord page) {
    TKept* kept = KeptOf(page);
    if (!kept) throw std::logic_error("a changed index page left the cache");
    if (!kept->Dirty) ++dirty_;
    kept->Dirty = true;
    kept->Used = true;
    kept->Prefetch = PrefetchOf(*kept->Node);
}

void TXbPageCache::Remove(std::size_t slot) {
    TKept& kept = kept_[slots_[slot]];
    if (kept.Dirty) --dirty_;
    kept = TKept{};
    if (slot + 1 != slots_.size()) {
        slots_[slot] = slots_.back();
        kept_[slots_[slot]].Slot = static_cast<LongWord>(slot);
    }
    slots_.pop_back();
}

void TXbPageCache::Erase(LongWord page) {
    if (TKept* kept = KeptOf(page)) Remove(kept->Slot);
}

void TXbPageCache::Clear() {
    Fit(0);
    slots_.clear();
    kept_.clear();
    hand_ = 0;
    dirty_ = 0;
}

std::vector<std::pair<LongWord, const TXbNodePage*>> TXbPageCache::DirtyPages() const {
    std::vector<std::pair<LongWord, const TXbNodePage*>> pages;
    pages.reserve(dirty_);
    for (const LongWord page : slots_)
        if (kept_[page].Dirty) pages.emplace_back(page, kept_[page].Node.get());
    std::sort(pages.begin(), pages.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return pages;
}

void TXbPageCache::MarkClean() {
    for (const LongWord page : slots_)
        kept_[page].Dirty = false;
    dirty_ = 0;
}

void TXbPageCache::Trim() {
    // Two passes of the hand clear every mark; a third finds every clean page unmarked.
    for (std::size_t steps = 3 * slots_.size(); OverCapacity() && steps > 0; --steps) {
        if (hand_ >= slots_.size()) hand_ = 0;
        TKept& kept = kept_[slots_[hand_]];
        if (kept.Dirty) {
            ++hand_;
        } else if (kept.Used) {
            kept.Used = false;
            ++hand_;
        } else {
            Remove(hand_); // the last slot moved here: the hand looks at it next
        }
    }
}
