#include "xbase/XbIndex.h"

#include "platform/rtl/Numbers.h"
#include "platform/rtl/Streams.h"
#include "xbase/XbFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <unordered_map>
#include <unordered_set>

// File layout (little-endian, pages of PageSize bytes):
//   page 0      header: magic, version, kind, page size, page count, generation, head of the
//               free-page chain, the table's record count and update stamp the index covers,
//               tag directory (per tag: definition page, root page, key
//               count, tree height), CRC-32 of the page in its last four bytes.
//   other pages a 16-byte page head (type, level, entry count, owning tag, CRC-32, next free
//               page) and then the page's contents: a tag definition, B+tree entries, or
//               nothing for a free page.
// Leaf entries are (key, record number); branch entries are (first key and record number of
// the child, child page, number of keys under the child).

namespace {

constexpr LongWord PageSize = 4096;
constexpr Word FormatVersion = 2;
constexpr char Magic[8] = {'V', 'P', 'L', 'X', 'I', 'D', 'X', '\x1A'};
constexpr int MaxTags = 64;
constexpr int MaxKeyLength = 254;
constexpr int MaxTagName = 128; // a single-order file takes its base name
constexpr LongWord MaxHeight = 32;
// Parsed pages kept in memory per open file (a few megabytes at most).
constexpr std::size_t MaxCachedPages = 4096;
// Changed pages a batch keeps in memory before it writes them back.
constexpr std::size_t MaxDirtyPages = 2048;
constexpr std::size_t PageHead = 16;
constexpr std::size_t TableStateAt = 36;
constexpr std::size_t DirectoryAt = 48;
constexpr std::size_t DirectoryEntry = 16;
// The bytes of the header page its checksum covers (the rest is unused).
constexpr std::size_t HeaderUsed = DirectoryAt + DirectoryEntry * MaxTags;
constexpr int NumericKeyDigits = 18;
constexpr int MaxNumericDecimals = 8;
// The byte of the index file that the open-file-description locks cover (far past the data).
constexpr off_t LockOffset = 0x7FFFFFFF00LL;

enum TPageType : Byte { ptLeaf = 1, ptBranch = 2, ptFree = 3, ptTagDef = 4 };

// CRC-32 (the common reflected polynomial), eight bytes at a time.
LongWord Crc32Update(LongWord crc, const char* data, std::size_t size) {
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

// The CRC-32 of the used bytes of a page other than the header, taken with the page's own CRC
// field (bytes 8..11) as zeros.
LongWord PageCrc(const char* page, std::size_t used) {
    static const char zeros[4] = {0, 0, 0, 0};
    LongWord crc = Crc32Update(0, page, 8);
    crc = Crc32Update(crc, zeros, 4);
    return Crc32Update(crc, page + 12, used - 12);
}

struct TEntry {
    std::string Key;
    LongWord RecNo = 0;
    LongWord Child = 0;
    LongWord Count = 0;
};

struct TNodePage {
    Byte Type = ptLeaf;
    Byte Level = 0;
    LongWord Tag = 0; // definition page of the owning tag
    std::vector<TEntry> Entries;
    LongWord Total = 0; // keys below the page, worked out when it is parsed or written

    void Count() {
        Total = 0;
        for (const TEntry& e : Entries)
            Total += Type == ptLeaf ? 1 : e.Count;
    }
};

using TNodeRef = std::shared_ptr<const TNodePage>;

struct TTagSlot {
    LongWord DefPage = 0;
    LongWord Root = 0;
    LongWord Keys = 0;
    LongWord Height = 0;
};

struct THeader {
    TXbIndexKind Kind = ikCDX;
    LongWord PageCount = 1;
    LongWord Generation = 0;
    Word Rebuilds = 0;        // counts rebuilds, which reuse every page of the file
    LongWord Definitions = 0; // counts changes to the set of tags and their definitions
    LongWord FreeHead = 0;
    LongWord TableCount = 0; // the table's record count and stamp when the index last caught up
    LongWord TableStamp = 0;
    std::vector<TTagSlot> Tags;
};

// One step of a path from the root to a leaf: the page and the entry chosen in it.
struct TStep {
    TNodeRef Node;
    int Index = 0;
};
using TPath = std::vector<TStep>;

int CompareEntry(const TEntry& e, std::string_view key, LongWord recno) {
    const int c = std::string_view(e.Key).compare(key);
    if (c != 0) return c < 0 ? -1 : 1;
    return e.RecNo < recno ? -1 : e.RecNo > recno ? 1 : 0;
}

std::size_t EntrySize(Byte type, int keyLength) {
    return static_cast<std::size_t>(keyLength) + (type == ptLeaf ? 4 : 12);
}

int Capacity(Byte type, int keyLength) {
    return static_cast<int>((PageSize - PageHead) / EntrySize(type, keyLength));
}

std::string UpperTag(std::string_view tag) {
    std::string s(tag);
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

bool ValidTagName(const std::string& tag) {
    if (tag.empty() || tag.size() > static_cast<std::size_t>(MaxTagName)) return false;
    return std::all_of(tag.begin(), tag.end(),
                       [](char c) { return static_cast<unsigned char>(c) > ' '; });
}

// Sortable fixed-width text of a number: a sign byte ("-" below "0") and the digits of
// |value| x 10^decimals, complemented for negative values so that larger magnitudes sort first.
std::string EncodeNumber(double value, int decimals) {
    const double rounded = RoundHalfAway15(value, decimals);
    long double scaled = std::fabs(static_cast<long double>(rounded));
    for (int i = 0; i < decimals; ++i)
        scaled *= 10;
    scaled = std::round(scaled);
    const long double limit = 999999999999999999.0L;
    if (!(scaled <= limit)) scaled = limit;
    auto digits = static_cast<unsigned long long>(scaled);
    const bool negative = rounded < 0 && digits != 0;
    std::string text(NumericKeyDigits + 1, '0');
    for (int i = NumericKeyDigits; i >= 1; --i, digits /= 10) {
        const int d = static_cast<int>(digits % 10);
        text[static_cast<std::size_t>(i)] = static_cast<char>('0' + (negative ? 9 - d : d));
    }
    text[0] = negative ? '-' : '0';
    return text;
}

std::string DecodeNumber(std::string_view key, int decimals) {
    if (key.size() != static_cast<std::size_t>(NumericKeyDigits + 1)) return std::string(key);
    const bool negative = key[0] == '-';
    std::string digits;
    for (std::size_t i = 1; i < key.size(); ++i)
        digits += negative ? static_cast<char>('9' - (key[i] - '0')) : key[i];
    const std::size_t split = digits.size() - static_cast<std::size_t>(decimals);
    std::string whole = digits.substr(0, split);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    std::string text = (negative ? "-" : "") + (whole.empty() ? "0" : whole);
    if (decimals > 0) text += "." + digits.substr(split);
    return text;
}

struct TKeyedRecord {
    std::string Key;
    LongWord RecNo;
    bool operator<(const TKeyedRecord& o) const {
        const int c = Key.compare(o.Key);
        return c != 0 ? c < 0 : RecNo < o.RecNo;
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------

struct TXbIndexFile::TImpl {
    explicit TImpl(TXbIndexFile& owner) : Owner(owner) {}

    TXbIndexFile& Owner;
    TXbFile File;
    const TXbRecordSource* Source = nullptr;
    THeader Header;
    std::vector<std::unique_ptr<TXbOrder>> Orders;  // by directory slot
    std::vector<std::unique_ptr<TXbOrder>> Retired; // orders that left the directory
    std::unordered_map<LongWord, TNodeRef> Cache;
    std::vector<LongWord> FreeList;    // back() is the head of the chain on disk
    std::vector<LongWord> PendingFree; // left by the last change, free once marked
    Word PendingRebuilds = 0;          // the header's rebuild count when they were left
    std::vector<LongWord> TxFreed;     // left by the change in progress
    LongWord TxEnd = 1;                // first page past the file during a change
    bool InChange = false;
    bool Stale = false; // the orders could not follow the last change of definitions
    int LockDepth = 0;
    // A batch: a change that runs over several operations and reaches the disk at WriteBack.
    // Its pages stay in memory (Dirty); pages it took itself (Fresh) are changed in place, since
    // nothing on disk points to them. A batch that failed half-way is Broken: its changes are
    // never written and every operation refuses until a rebuild.
    bool Batch = false;
    bool Broken = false;
    std::unordered_map<LongWord, TNodeRef> Dirty;
    std::unordered_set<LongWord> Fresh;
    // No other user has the files: no locks are taken and the header is never read again.
    bool Exclusive = false;
    TPath LookPath;
    bool RecordTable = false;       // the change in progress makes the index match the table
    TXbTableStateSource TableState; // the table's count and stamp now, when the area gave it

    // -- locking -------------------------------------------------------------------------------

    bool SetLock(short type) {
        struct flock fl {};
        fl.l_type = type;
        fl.l_whence = SEEK_SET;
        fl.l_start = LockOffset;
        fl.l_len = 1;
        while (::fcntl(File.Handle(), F_OFD_SETLKW, &fl) != 0) {
            if (errno == EINTR) continue;
            return errno == EINVAL; // no such locks on this file system: nothing to share
        }
        return true;
    }

    // -- pages ---------------------------------------------------------------------------------

    TXbIndexStatus ReadPage(LongWord page, std::string& buffer) const {
        if (!File.ReadAt(static_cast<Int64>(page) * PageSize, buffer, PageSize))
            return isDamaged; // a page the header counts is missing: the file was cut short
        return isOk;
    }

    // Writes a page whose first used bytes carry its contents (and its checksum).
    TXbIndexStatus WritePage(LongWord page, std::string& buffer, std::size_t used) {
        EncodeLE<LongWord>(buffer.data() + 8, PageCrc(buffer.data(), used));
        return File.WriteAt(static_cast<Int64>(page) * PageSize, buffer) ? isOk : isIoError;
    }

    static bool CheckPage(const std::string& buffer, std::size_t used) {
        return DecodeLE<LongWord>(buffer.data() + 8) == PageCrc(buffer.data(), used);
    }

    LongWord PageLimit() const { return InChange ? TxEnd : Header.PageCount; }

    // Reads the tree page of a tag that a parent entry points to (the root when parent is
    // nullptr) and checks that it is what the parent promises: the tag, the level, the number
    // of keys below it and, under a parent, its first entry.
    TXbIndexStatus ReadNode(const TTagSlot& slot, int keyLength, LongWord level,
                            const TEntry* parent, TNodeRef& node) {
        const LongWord page = parent ? parent->Child : slot.Root;
        const LongWord expectedKeys = parent ? parent->Count : slot.Keys;
        if (page == 0 || page >= PageLimit()) return isDamaged;
        auto found = Cache.find(page);
        auto dirty = Dirty.find(page);
        if (found != Cache.end()) {
            node = found->second;
        } else if (dirty != Dirty.end()) {
            node = dirty->second;
        } else {
            std::string buffer;
            TXbIndexStatus st = ReadPage(page, buffer);
            if (st != isOk) return st;
            const Byte type = static_cast<Byte>(buffer[0]);
            const int count = DecodeLE<Word>(buffer.data() + 2);
            if ((type != ptLeaf && type != ptBranch) || count > Capacity(type, keyLength) ||
                !CheckPage(buffer,
                           PageHead + EntrySize(type, keyLength) * static_cast<std::size_t>(count)))
                return isDamaged;
            auto parsed = std::make_shared<TNodePage>();
            if (!ParseNode(buffer, keyLength, *parsed)) return isDamaged;
            node = parsed;
            if (Cache.size() > MaxCachedPages) Cache.clear();
            Cache[page] = node;
        }
        if (node->Tag != slot.DefPage || node->Level != level ||
            node->Type != (level == 0 ? ptLeaf : ptBranch) || node->Entries.empty())
            return isDamaged;
        if (parent && CompareEntry(node->Entries.front(), parent->Key, parent->RecNo) != 0)
            return isDamaged;
        return node->Total == expectedKeys ? isOk : isDamaged;
    }

    bool ParseNode(const std::string& buffer, int keyLength, TNodePage& node) const {
        node.Type = static_cast<Byte>(buffer[0]);
        node.Level = static_cast<Byte>(buffer[1]);
        node.Tag = DecodeLE<LongWord>(buffer.data() + 4);
        if (node.Type != ptLeaf && node.Type != ptBranch) return false;
        const int count = DecodeLE<Word>(buffer.data() + 2);
        if (count > Capacity(node.Type, keyLength)) return false;
        const std::size_t size = EntrySize(node.Type, keyLength);
        const auto klen = static_cast<std::size_t>(keyLength);
        node.Entries.resize(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            const char* p = buffer.data() + PageHead + size * static_cast<std::size_t>(i);
            TEntry& e = node.Entries[static_cast<std::size_t>(i)];
            e.Key.assign(p, klen);
            e.RecNo = DecodeLE<LongWord>(p + klen);
            if (node.Type == ptBranch) {
                e.Child = DecodeLE<LongWord>(p + klen + 4);
                e.Count = DecodeLE<LongWord>(p + klen + 8);
                if (e.Child == 0 || e.Child >= PageLimit() || e.Count == 0) return false;
            }
            if (i > 0 &&
                CompareEntry(node.Entries[static_cast<std::size_t>(i) - 1], e.Key, e.RecNo) >= 0)
                return false;
        }
        node.Count();
        return true;
    }

    // Writes a tree page and keeps it in the cache; summary receives the parent's entry for it
    // (first key and record number, the page, the number of keys below).
    TXbIndexStatus WriteNode(LongWord page, TNodePage node, int keyLength, TEntry& summary) {
        node.Count();
        summary = {node.Entries.front().Key, node.Entries.front().RecNo, page, node.Total};
        auto ref = std::make_shared<TNodePage>(std::move(node));
        if (Cache.size() > MaxCachedPages) Cache.clear();
        Cache[page] = ref;
        if (Batch) {
            Dirty[page] = ref;
            return isOk;
        }
        return WriteNodePage(page, *ref, keyLength);
    }

    TXbIndexStatus WriteNodePage(LongWord page, const TNodePage& node, int keyLength) {
        std::string buffer(PageSize, '\0');
        buffer[0] = static_cast<char>(node.Type);
        buffer[1] = static_cast<char>(node.Level);
        EncodeLE<Word>(buffer.data() + 2, static_cast<Word>(node.Entries.size()));
        EncodeLE<LongWord>(buffer.data() + 4, node.Tag);
        const std::size_t size = EntrySize(node.Type, keyLength);
        const auto klen = static_cast<std::size_t>(keyLength);
        for (std::size_t i = 0; i < node.Entries.size(); ++i) {
            char* p = buffer.data() + PageHead + size * i;
            const TEntry& e = node.Entries[i];
            std::memcpy(p, e.Key.data(), klen);
            EncodeLE<LongWord>(p + klen, e.RecNo);
            if (node.Type == ptBranch) {
                EncodeLE<LongWord>(p + klen + 4, e.Child);
                EncodeLE<LongWord>(p + klen + 8, e.Count);
            }
        }
        return WritePage(page, buffer, PageHead + size * node.Entries.size());
    }

    // -- header --------------------------------------------------------------------------------

    TXbIndexStatus ReadHeader(THeader& h) const {
        std::string buffer;
        if (!File.ReadAt(0, buffer, PageSize))
            return File.Size() >= 0 && File.Size() < static_cast<Int64>(PageSize) ? isForeign
                                                                                  : isIoError;
        if (std::memcmp(buffer.data(), Magic, sizeof Magic) != 0) return isForeign;
        if (DecodeLE<LongWord>(buffer.data() + PageSize - 4) !=
            Crc32Update(0, buffer.data(), HeaderUsed))
            return isDamaged;
        const Word version = DecodeLE<Word>(buffer.data() + 8);
        const Word kind = DecodeLE<Word>(buffer.data() + 10);
        if (version != FormatVersion || kind < ikNTX || kind > ikNSX ||
            DecodeLE<LongWord>(buffer.data() + 12) != PageSize)
            return isDamaged;
        h.Kind = static_cast<TXbIndexKind>(kind);
        h.PageCount = DecodeLE<LongWord>(buffer.data() + 16);
        h.Generation = DecodeLE<LongWord>(buffer.data() + 20);
        h.FreeHead = DecodeLE<LongWord>(buffer.data() + 24);
        const Word tags = DecodeLE<Word>(buffer.data() + 28);
        h.Rebuilds = DecodeLE<Word>(buffer.data() + 30);
        h.Definitions = DecodeLE<LongWord>(buffer.data() + 32);
        h.TableCount = DecodeLE<LongWord>(buffer.data() + TableStateAt);
        h.TableStamp = DecodeLE<LongWord>(buffer.data() + TableStateAt + 4);
        const Int64 size = File.Size();
        if (h.PageCount == 0 || size < static_cast<Int64>(h.PageCount) * PageSize ||
            tags > MaxTags || h.FreeHead >= h.PageCount)
            return isDamaged;
        h.Tags.assign(tags, TTagSlot{});
        for (std::size_t i = 0; i < tags; ++i) {
            const char* p = buffer.data() + DirectoryAt + DirectoryEntry * i;
            TTagSlot& t = h.Tags[i];
            t.DefPage = DecodeLE<LongWord>(p);
            t.Root = DecodeLE<LongWord>(p + 4);
            t.Keys = DecodeLE<LongWord>(p + 8);
            t.Height = DecodeLE<LongWord>(p + 12);
            if (t.DefPage == 0 || t.DefPage >= h.PageCount || t.Root >= h.PageCount ||
                t.Height > MaxHeight || (t.Root == 0) != (t.Height == 0) ||
                (t.Root == 0) != (t.Keys == 0))
                return isDamaged;
        }
        return isOk;
    }

    TXbIndexStatus WriteHeader(const THeader& h) {
        std::string buffer(PageSize, '\0');
        std::memcpy(buffer.data(), Magic, sizeof Magic);
        EncodeLE<Word>(buffer.data() + 8, FormatVersion);
        EncodeLE<Word>(buffer.data() + 10, static_cast<Word>(h.Kind));
        EncodeLE<LongWord>(buffer.data() + 12, PageSize);
        EncodeLE<LongWord>(buffer.data() + 16, h.PageCount);
        EncodeLE<LongWord>(buffer.data() + 20, h.Generation);
        EncodeLE<LongWord>(buffer.data() + 24, h.FreeHead);
        EncodeLE<Word>(buffer.data() + 28, static_cast<Word>(h.Tags.size()));
        EncodeLE<Word>(buffer.data() + 30, h.Rebuilds);
        EncodeLE<LongWord>(buffer.data() + 32, h.Definitions);
        EncodeLE<LongWord>(buffer.data() + TableStateAt, h.TableCount);
        EncodeLE<LongWord>(buffer.data() + TableStateAt + 4, h.TableStamp);
        for (std::size_t i = 0; i < h.Tags.size(); ++i) {
            char* p = buffer.data() + DirectoryAt + DirectoryEntry * i;
            EncodeLE<LongWord>(p, h.Tags[i].DefPage);
            EncodeLE<LongWord>(p + 4, h.Tags[i].Root);
            EncodeLE<LongWord>(p + 8, h.Tags[i].Keys);
            EncodeLE<LongWord>(p + 12, h.Tags[i].Height);
        }
        EncodeLE<LongWord>(buffer.data() + PageSize - 4, Crc32Update(0, buffer.data(), HeaderUsed));
        return File.WriteAt(0, buffer) ? isOk : isIoError;
    }

    // The free-page chain as far as it is intact; a page that is no longer marked free (taken
    // by a change that never reached the header) ends it.
    void LoadFreeList() {
        FreeList.clear();
        std::unordered_set<LongWord> seen;
        LongWord page = Header.FreeHead;
        std::string buffer;
        while (page != 0 && page < Header.PageCount && seen.insert(page).second) {
            if (ReadPage(page, buffer) != isOk || !CheckPage(buffer, PageHead) ||
                buffer[0] != ptFree)
                break;
            FreeList.push_back(page);
            page = DecodeLE<LongWord>(buffer.data() + 12);
        }
        std::reverse(FreeList.begin(), FreeList.end());
    }

    // -- tag definitions -----------------------------------------------------------------------

    TXbIndexStatus WriteDefinition(LongWord page, const TXbOrder& order) {
        const TXbOrderDef& def = order.def_;
        std::string buffer(PageSize, '\0');
        buffer[0] = static_cast<char>(ptTagDef);
        EncodeLE<LongWord>(buffer.data() + 4, page);
        buffer[16] = order.keyType_;
        buffer[17] = static_cast<char>((def.Unique ? 1 : 0) | (def.Descending ? 2 : 0));
        EncodeLE<Word>(buffer.data() + 18, static_cast<Word>(order.keyLength_));
        EncodeLE<Word>(buffer.data() + 20, static_cast<Word>(order.decimals_));
        std::size_t at = 24;
        for (const std::string* text : {&def.Tag, &def.KeyExpr, &def.ForExpr}) {
            if (at + 2 + text->size() > PageSize) return isBadDefinition;
            EncodeLE<Word>(buffer.data() + at, static_cast<Word>(text->size()));
            std::memcpy(buffer.data() + at + 2, text->data(), text->size());
            at += 2 + text->size();
        }
        return WritePage(page, buffer, PageSize);
    }

    TXbIndexStatus ReadDefinition(LongWord page, TXbOrderDef& def, char& keyType, int& keyLength,
                                  int& decimals) {
        std::string buffer;
        TXbIndexStatus st = ReadPage(page, buffer);
        if (st != isOk) return st;
        if (!CheckPage(buffer, PageSize) || buffer[0] != ptTagDef ||
            DecodeLE<LongWord>(buffer.data() + 4) != page)
            return isDamaged;
        keyType = buffer[16];
        const Byte flags = static_cast<Byte>(buffer[17]);
        keyLength = DecodeLE<Word>(buffer.data() + 18);
        decimals = DecodeLE<Word>(buffer.data() + 20);
        def.Unique = flags & 1;
        def.Descending = flags & 2;
        std::size_t at = 24;
        for (std::string* text : {&def.Tag, &def.KeyExpr, &def.ForExpr}) {
            if (at + 2 > PageSize) return isDamaged;
            const std::size_t n = DecodeLE<Word>(buffer.data() + at);
            if (at + 2 + n > PageSize) return isDamaged;
            text->assign(buffer.data() + at + 2, n);
            at += 2 + n;
        }
        if (std::string("CNDL").find(keyType) == std::string::npos || keyLength < 1 ||
            keyLength > MaxKeyLength || decimals > MaxNumericDecimals || !ValidTagName(def.Tag))
            return isDamaged;
        return isOk;
    }

    // Compiles the order's expressions and works out its key form; the definition's key type
    // and length, when given, must agree with what the expression yields now.
    static TXbIndexStatus Prepare(TXbOrder& order, const TXbRecordSource& source, char expectType,
                                  int expectLength) {
        if (!order.key_.Compile(order.def_.KeyExpr, source)) return isBadExpression;
        if (!order.def_.ForExpr.empty() &&
            (!order.for_.Compile(order.def_.ForExpr, source) || order.for_.Type() != xtLogical))
            return isBadExpression;
        if (order.def_.ForExpr.empty()) order.for_ = TXbExpression();
        switch (order.key_.Type()) {
        case xtCharacter:
            order.keyType_ = 'C';
            order.keyLength_ = order.key_.Width();
            break;
        case xtNumeric:
            order.keyType_ = 'N';
            order.keyLength_ = NumericKeyDigits + 1;
            order.decimals_ = std::clamp(order.key_.Decimals(), 0, MaxNumericDecimals);
            break;
        case xtDate:
            order.keyType_ = 'D';
            order.keyLength_ = 8;
            break;
        case xtLogical:
            order.keyType_ = 'L';
            order.keyLength_ = 3;
            break;
        default: return isBadExpression;
        }
        if (order.keyLength_ < 1 || order.keyLength_ > MaxKeyLength) return isBadDefinition;
        if (expectType && (expectType != order.keyType_ || expectLength != order.keyLength_))
            return isBadExpression;
        return isOk;
    }

    TXbIndexStatus LoadOrder(std::size_t slot, std::unique_ptr<TXbOrder>& order) {
        TXbOrderDef def;
        char keyType = 'C';
        int keyLength = 0, decimals = 0;
        TXbIndexStatus st =
            ReadDefinition(Header.Tags[slot].DefPage, def, keyType, keyLength, decimals);
        if (st != isOk) return st;
        if (!order) order.reset(new TXbOrder());
        order->file_ = &Owner;
        order->def_ = def;
        order->slot_ = static_cast<int>(slot);
        st = Prepare(*order, *Source, keyType, keyLength);
        order->decimals_ = decimals;
        return st;
    }

    // Brings the orders in line with the directory of the header: an order keeps its object
    // while its tag exists; tags that left the directory retire their orders.
    TXbIndexStatus SyncOrders() {
        std::vector<std::unique_ptr<TXbOrder>> old = std::move(Orders);
        Orders.clear();
        TXbIndexStatus st = isOk;
        for (std::size_t slot = 0; slot < Header.Tags.size() && st == isOk; ++slot) {
            TXbOrderDef def;
            char keyType;
            int keyLength, decimals;
            st = ReadDefinition(Header.Tags[slot].DefPage, def, keyType, keyLength, decimals);
            std::unique_ptr<TXbOrder> order;
            for (auto& o : old)
                if (st == isOk && o && o->def_.Tag == def.Tag) order = std::move(o);
            if (st == isOk) st = LoadOrder(slot, order);
            if (order) Orders.push_back(std::move(order));
        }
        // Orders whose tags are gone keep their objects (callers may hold them) but answer
        // isNoOrder from now on.
        for (auto& o : old)
            if (o) {
                o->slot_ = -1;
                Retired.push_back(std::move(o));
            }
        if (st != isOk)
            for (auto& o : Orders)
                o->slot_ = -1;
        return st;
    }

    // Rereads the header when another user changed the file since this one last looked.
    TXbIndexStatus Refresh(bool force) {
        char head[24];
        if (!force && !Stale && File.ReadAt(0, head, sizeof head) &&
            std::memcmp(head, Magic, sizeof Magic) == 0 &&
            DecodeLE<LongWord>(head + 20) == Header.Generation)
            return isOk;
        THeader h;
        TXbIndexStatus st = ReadHeader(h);
        if (st != isOk) return st;
        if (!force && !Stale && h.Generation == Header.Generation) return isOk;
        const bool definitionsChanged = force || Stale || h.Definitions != Header.Definitions;
        Header = h;
        Cache.clear();
        LoadFreeList();
        if (!definitionsChanged) return isOk;
        st = SyncOrders();
        Stale = st != isOk;
        return st;
    }

    // -- changes -------------------------------------------------------------------------------

    LongWord Allocate() {
        LongWord page = TxEnd;
        if (!FreeList.empty()) {
            page = FreeList.back();
            FreeList.pop_back();
        } else {
            ++TxEnd;
        }
        if (Batch) Fresh.insert(page);
        return page;
    }

    void Release(LongWord page) {
        Cache.erase(page);
        Dirty.erase(page);
        Fresh.erase(page);
        TxFreed.push_back(page);
    }

    // True when a batch took page itself, so that a change may write over it.
    bool Reusable(LongWord page) const { return Batch && Fresh.count(page) > 0; }

    // Marks the pages a committed change left behind as free, chaining them to the list.
    TXbIndexStatus MarkPendingFree() {
        for (LongWord page : PendingFree) {
            // Only the page head is written: the page lies inside the file already.
            std::string buffer(PageHead, '\0');
            buffer[0] = static_cast<char>(ptFree);
            EncodeLE<LongWord>(buffer.data() + 12, FreeList.empty() ? 0 : FreeList.back());
            EncodeLE<LongWord>(buffer.data() + 8, PageCrc(buffer.data(), PageHead));
            if (!File.WriteAt(static_cast<Int64>(page) * PageSize, buffer)) return isIoError;
            FreeList.push_back(page);
        }
        PendingFree.clear();
        return isOk;
    }

    // Opens a batch; the files' sole user needs no lock for it, others hold the exclusive lock
    // until it is written back.
    TXbIndexStatus BeginBatch() {
        if (Broken) return isDamaged;
        if (Batch) return isOk;
        TXbIndexStatus st = BeginChange();
        if (st == isOk && !MatchesTable()) st = Abandon(isDamaged);
        Batch = RecordTable = st == isOk;
        return st;
    }

    // Ends a batch: writes it back (or, broken, forgets it).
    TXbIndexStatus EndBatch() {
        if (!Batch) return Broken ? isDamaged : isOk;
        if (Broken) {
            Abandon(isDamaged);
            Broken = Exclusive; // a shared file on disk now shows that it lags the table
            return isDamaged;
        }
        return Commit();
    }

    // True when the index records the table's count and stamp as they are now (or nobody told
    // it about its table).
    bool MatchesTable() const {
        if (!TableState) return true;
        const TXbTableState state = TableState();
        return state.Count == Header.TableCount && state.Stamp == Header.TableStamp;
    }

    TXbIndexStatus BeginChange() {
        if (!File.Writable()) return isReadOnly;
        TXbIndexStatus st = Exclusive && !Stale ? isOk : Refresh(false);
        if (st != isOk) return st;
        InChange = true;
        TxEnd = Header.PageCount;
        TxFreed.clear();
        if (Header.Rebuilds != PendingRebuilds)
            PendingFree.clear(); // another user rebuilt the file and took those pages back
        return MarkPendingFree();
    }

    // Ends a change: the pages a batch kept in memory, then the header that points to them and
    // records the table's state.
    TXbIndexStatus Commit() {
        THeader h = Header;
        h.PageCount = TxEnd;
        h.Generation = Header.Generation + 1;
        h.FreeHead = FreeList.empty() ? 0 : FreeList.back();
        if (TableState && RecordTable) {
            const TXbTableState state = TableState();
            h.TableCount = state.Count;
            h.TableStamp = state.Stamp;
        }
        TXbIndexStatus st = WriteDirtyPages();
        if (st == isOk) st = WriteHeader(h);
        InChange = false;
        Batch = false;
        RecordTable = false;
        if (st != isOk) return Abandon(st);
        Header = h;
        PendingRebuilds = h.Rebuilds;
        PendingFree.insert(PendingFree.end(), TxFreed.begin(), TxFreed.end());
        TxFreed.clear();
        return isOk;
    }

    TXbIndexStatus WriteDirtyPages() {
        std::vector<LongWord> pages;
        pages.reserve(Dirty.size());
        for (const auto& [page, node] : Dirty)
            pages.push_back(page);
        std::sort(pages.begin(), pages.end());
        for (LongWord page : pages) {
            const TNodePage& node = *Dirty[page];
            const auto keyLength = static_cast<int>(node.Entries.front().Key.size());
            if (TXbIndexStatus st = WriteNodePage(page, node, keyLength); st != isOk) return st;
        }
        Dirty.clear();
        Fresh.clear();
        return isOk;
    }

    // Forgets a change that failed: what it wrote is unreachable from the header on disk.
    TXbIndexStatus Abandon(TXbIndexStatus st) {
        Batch = false;
        RecordTable = false;
        Dirty.clear();
        Fresh.clear();
        InChange = false;
        TxFreed.clear();
        PendingFree.clear();
        Refresh(true);
        return st;
    }

    // -- tree walking --------------------------------------------------------------------------

    // Descends to the first entry for which after(entry) holds (after must be false, then true,
    // along the order). isEnd when no entry qualifies. The path stays usable for stepping.
    template <typename After>
    TXbIndexStatus Find(const TXbOrder& order, After after, TPath& path) {
        path.clear();
        const TTagSlot& slot = Header.Tags[static_cast<std::size_t>(order.slot_)];
        if (slot.Root == 0) return isEnd;
        const TEntry* parent = nullptr;
        for (LongWord level = slot.Height; level-- > 0;) {
            TNodeRef node;
            TXbIndexStatus st = ReadNode(slot, order.keyLength_, level, parent, node);
            if (st != isOk) return st;
            const auto& es = node->Entries;
            int index;
            if (level == 0) {
                index = static_cast<int>(
                    std::partition_point(es.begin(), es.end(),
                                         [&](const TEntry& e) { return !after(e); }) -
                    es.begin());
            } else {
                const auto it = std::partition_point(es.begin() + 1, es.end(),
                                                     [&](const TEntry& e) { return !after(e); });
                index = static_cast<int>(it - es.begin()) - 1;
                parent = &es[static_cast<std::size_t>(index)];
            }
            path.push_back({node, index});
        }
        return Settle(order, path, path.size() - 1);
    }

    // Reads the children below level along the path's indexes, leftmost or rightmost.
    TXbIndexStatus DescendFrom(const TXbOrder& order, TPath& path, std::size_t level,
                               bool rightmost) {
        const TTagSlot& slot = Header.Tags[static_cast<std::size_t>(order.slot_)];
        for (; level + 1 < path.size(); ++level) {
            const TEntry& e =
                path[level].Node->Entries[static_cast<std::size_t>(path[level].Index)];
            TNodeRef child;
            TXbIndexStatus st = ReadNode(slot, order.keyLength_,
                                         static_cast<LongWord>(path.size() - level - 2), &e, child);
            if (st != isOk) return st;
            path[level + 1] = {child, rightmost ? static_cast<int>(child->Entries.size()) - 1 : 0};
        }
        return isOk;
    }

    // Moves an index that ran past the end of its page on to the next entry of the tree.
    TXbIndexStatus Settle(const TXbOrder& order, TPath& path, std::size_t level) {
        while (path[level].Index >= static_cast<int>(path[level].Node->Entries.size())) {
            if (level == 0) return isEnd;
            --level;
            ++path[level].Index;
        }
        return DescendFrom(order, path, level, false);
    }

    TXbIndexStatus StepForward(const TXbOrder& order, TPath& path) {
        ++path.back().Index;
        return Settle(order, path, path.size() - 1);
    }

    TXbIndexStatus StepBack(const TXbOrder& order, TPath& path) {
        std::size_t level = path.size() - 1;
        while (path[level].Index == 0) {
            if (level == 0) return isEnd;
            --level;
        }
        --path[level].Index;
        return DescendFrom(order, path, level, true);
    }

    static const TEntry& At(const TPath& path) {
        return path.back().Node->Entries[static_cast<std::size_t>(path.back().Index)];
    }

    // Number of entries before the path's entry.
    static LongWord Rank(const TPath& path) {
        LongWord rank = 0;
        for (std::size_t level = 0; level + 1 < path.size(); ++level)
            for (int i = 0; i < path[level].Index; ++i)
                rank += path[level].Node->Entries[static_cast<std::size_t>(i)].Count;
        return rank + static_cast<LongWord>(path.back().Index);
    }

    // -- tree changes (copy on write) ----------------------------------------------------------

    // Writes a changed copy of every page along the path (splitting full pages) and points the
    // tag slot at the new root. nodes holds the changed pages bottom-up, as the path's copies.
    TXbIndexStatus WritePath(TXbOrder& order, std::vector<TNodePage>& nodes,
                             const std::vector<int>& indexes, const std::vector<LongWord>& pages,
                             int insertedAt) {
        TTagSlot& slot = Header.Tags[static_cast<std::size_t>(order.slot_)];
        const int klen = order.keyLength_;
        std::vector<TEntry> carry; // entries that replace the child's entry in the next level
        for (std::size_t level = 0; level < nodes.size(); ++level) {
            TNodePage& node = nodes[level];
            if (level > 0) {
                const auto at = static_cast<std::size_t>(indexes[level]);
                node.Entries.erase(node.Entries.begin() + static_cast<std::ptrdiff_t>(at));
                node.Entries.insert(node.Entries.begin() + static_cast<std::ptrdiff_t>(at),
                                    carry.begin(), carry.end());
                insertedAt = carry.size() > 1 ? static_cast<int>(at) + 1 : -1;
            }
            const bool reuse = Reusable(pages[level]);
            carry.clear();
            if (node.Entries.empty() || !reuse) Release(pages[level]);
            if (node.Entries.empty()) continue; // the page goes; its parent loses the entry
            std::vector<TNodePage> parts;
            if (static_cast<int>(node.Entries.size()) > Capacity(node.Type, klen)) {
                const std::size_t n = node.Entries.size();
                const auto split = static_cast<std::ptrdiff_t>(
                    insertedAt == static_cast<int>(n) - 1 ? n - 1 : n / 2);
                TNodePage right{node.Type, node.Level, node.Tag, {}};
                right.Entries.assign(std::make_move_iterator(node.Entries.begin() + split),
                                     std::make_move_iterator(node.Entries.end()));
                node.Entries.erase(node.Entries.begin() + split, node.Entries.end());
                parts.push_back(std::move(node));
                parts.push_back(std::move(right));
            } else {
                parts.push_back(std::move(node));
            }
            for (TNodePage& part : parts) {
                carry.emplace_back();
                const LongWord page = reuse && carry.size() == 1 ? pages[level] : Allocate();
                TXbIndexStatus st = WriteNode(page, std::move(part), klen, carry.back());
                if (st != isOk) return st;
            }
        }
        return NewRoot(order, slot, carry);
    }

    // Points the slot at the top of a rewritten path: nothing left, one page, or a split root
    // that needs a new level. A root branch left with one child gives way to that child.
    TXbIndexStatus NewRoot(TXbOrder& order, TTagSlot& slot, std::vector<TEntry>& top) {
        LongWord height = slot.Height;
        while (top.size() > 1) {
            TNodePage root{ptBranch, static_cast<Byte>(height), slot.DefPage, std::move(top)};
            TEntry e;
            TXbIndexStatus st = WriteNode(Allocate(), std::move(root), order.keyLength_, e);
            if (st != isOk) return st;
            top = {std::move(e)};
            ++height;
        }
        if (top.empty()) {
            slot.Root = slot.Keys = slot.Height = 0;
            return isOk;
        }
        slot.Root = top[0].Child;
        slot.Keys = top[0].Count;
        slot.Height = height;
        while (slot.Height > 1) {
            TNodeRef node;
            TXbIndexStatus st = ReadNode(slot, order.keyLength_, slot.Height - 1, nullptr, node);
            if (st != isOk) return st;
            if (node->Entries.size() != 1) break;
            Release(slot.Root);
            slot.Root = node->Entries[0].Child;
            --slot.Height;
        }
        return isOk;
    }

    // True when a batch took every page of the path itself: a change that neither splits nor
    // empties its leaf may then be made in the pages as they are.
    bool InPlace(const TPath& path, const TTagSlot& slot) const {
        if (!Batch) return false;
        LongWord page = slot.Root;
        for (std::size_t i = 0; i < path.size(); ++i) {
            if (Fresh.count(page) == 0) return false;
            if (i + 1 < path.size())
                page = path[i].Node->Entries[static_cast<std::size_t>(path[i].Index)].Child;
        }
        return true;
    }

    // A page of the batch's own, to change in place (it was made changeable).
    static TNodePage& Mutable(const TStep& step) { return const_cast<TNodePage&>(*step.Node); }

    // After an entry came into (delta 1) or left (-1) the path's leaf in place: the counts and
    // first entries of the pages above follow.
    static void FollowLeaf(const TPath& path, TTagSlot& slot, int delta) {
        for (const TStep& step : path)
            Mutable(step).Total =
                static_cast<LongWord>(static_cast<long long>(step.Node->Total) + delta);
        for (std::size_t level = path.size() - 1; level-- > 0;) {
            const TEntry& first = path[level + 1].Node->Entries.front();
            TEntry& e = Mutable(path[level]).Entries[static_cast<std::size_t>(path[level].Index)];
            e.Count = static_cast<LongWord>(static_cast<long long>(e.Count) + delta);
            if (e.RecNo != first.RecNo || e.Key != first.Key) {
                e.Key = first.Key;
                e.RecNo = first.RecNo;
            }
        }
        slot.Keys = static_cast<LongWord>(static_cast<long long>(slot.Keys) + delta);
    }

    // The path's pages as changeable copies, bottom-up, with their page numbers and indexes.
    static void CopyPath(const TPath& path, std::vector<TNodePage>& nodes,
                         std::vector<int>& indexes, std::vector<LongWord>& pages,
                         const TTagSlot& slot) {
        nodes.clear();
        indexes.clear();
        pages.clear();
        for (std::size_t i = path.size(); i-- > 0;) {
            nodes.push_back(*path[i].Node);
            indexes.push_back(path[i].Index);
            pages.push_back(
                i == 0
                    ? slot.Root
                    : path[i - 1].Node->Entries[static_cast<std::size_t>(path[i - 1].Index)].Child);
        }
    }

    TXbIndexStatus InsertEntry(TXbOrder& order, std::string_view key, LongWord recno) {
        TTagSlot& slot = Header.Tags[static_cast<std::size_t>(order.slot_)];
        if (slot.Root == 0) {
            TNodePage leaf{ptLeaf, 0, slot.DefPage, {{std::string(key), recno, 0, 0}}};
            TEntry root;
            TXbIndexStatus st = WriteNode(Allocate(), std::move(leaf), order.keyLength_, root);
            if (st != isOk) return st;
            slot.Root = root.Child;
            slot.Keys = slot.Height = 1;
            return isOk;
        }
        TPath path;
        TXbIndexStatus st = Find(
            order, [&](const TEntry& e) { return CompareEntry(e, key, recno) >= 0; }, path);
        if (st == isOk && CompareEntry(At(path), key, recno) == 0)
            return isOk;   // the entry is there already
        if (st == isEnd) { // after every entry: the end of the rightmost leaf
            st = LastPath(order, path);
            if (st == isOk) ++path.back().Index;
        }
        if (st != isOk) return st;
        TEntry entry{std::string(key), recno, 0, 0};
        if (InPlace(path, slot) && static_cast<int>(path.back().Node->Entries.size()) <
                                       Capacity(ptLeaf, order.keyLength_)) {
            auto& entries = Mutable(path.back()).Entries;
            entries.insert(entries.begin() + path.back().Index, std::move(entry));
            FollowLeaf(path, slot, 1);
            return isOk;
        }
        std::vector<TNodePage> nodes;
        std::vector<int> indexes;
        std::vector<LongWord> pages;
        CopyPath(path, nodes, indexes, pages, slot);
        const auto at = static_cast<std::size_t>(indexes[0]);
        nodes[0].Entries.insert(nodes[0].Entries.begin() + static_cast<std::ptrdiff_t>(at),
                                std::move(entry));
        return WritePath(order, nodes, indexes, pages, static_cast<int>(at));
    }

    TXbIndexStatus LastPath(const TXbOrder& order, TPath& path) {
        const TTagSlot& slot = Header.Tags[static_cast<std::size_t>(order.slot_)];
        path.assign(slot.Height, TStep{});
        TNodeRef root;
        TXbIndexStatus st = ReadNode(slot, order.keyLength_, slot.Height - 1, nullptr, root);
        if (st != isOk) return st;
        path[0] = {root, static_cast<int>(root->Entries.size()) - 1};
        return DescendFrom(order, path, 0, true);
    }

    TXbIndexStatus FindLast(const TXbOrder& order, TPath& path) {
        if (Header.Tags[static_cast<std::size_t>(order.slot_)].Root == 0) return isEnd;
        return LastPath(order, path);
    }

    // The last entry for which after(entry) does not hold; isEnd when there is none.
    template <typename After>
    TXbIndexStatus FindBefore(const TXbOrder& order, After after, TPath& path) {
        const TXbIndexStatus st = Find(order, after, path);
        if (st == isEnd) return FindLast(order, path);
        return st == isOk ? StepBack(order, path) : st;
    }

    TXbIndexStatus DeleteEntry(TXbOrder& order, std::string_view key, LongWord recno) {
        TPath path;
        TXbIndexStatus st = Find(
            order, [&](const TEntry& e) { return CompareEntry(e, key, recno) >= 0; }, path);
        if (st == isEnd || (st == isOk && CompareEntry(At(path), key, recno) != 0))
            return isNotFound;
        if (st != isOk) return st;
        TTagSlot& slot = Header.Tags[static_cast<std::size_t>(order.slot_)];
        if (InPlace(path, slot) && path.back().Node->Entries.size() > 1) {
            auto& entries = Mutable(path.back()).Entries;
            entries.erase(entries.begin() + path.back().Index);
            FollowLeaf(path, slot, -1);
            return isOk;
        }
        std::vector<TNodePage> nodes;
        std::vector<int> indexes;
        std::vector<LongWord> pages;
        CopyPath(path, nodes, indexes, pages, slot);
        nodes[0].Entries.erase(nodes[0].Entries.begin() + indexes[0]);
        return WritePath(order, nodes, indexes, pages, -1);
    }

    // isDuplicate when a unique order holds key for a record other than recno.
    TXbIndexStatus CheckUnique(TXbOrder& order, std::string_view key, LongWord recno) {
        if (!order.def_.Unique) return isOk;
        TPath path;
        TXbIndexStatus st = Find(
            order, [&](const TEntry& e) { return std::string_view(e.Key) >= key; }, path);
        while (st == isOk && At(path).Key == key) {
            if (At(path).RecNo != recno) return isDuplicate;
            st = StepForward(order, path);
        }
        return st == isEnd || st == isOk ? isOk : st;
    }

    // -- navigation in key sequence (each takes the file's lock) ----------------------------

    TXbIndexStatus NavFirst(TXbOrder& order, TXbKeyPos& pos);
    TXbIndexStatus NavLast(TXbOrder& order, TXbKeyPos& pos);
    TXbIndexStatus NavAfter(TXbOrder& order, TXbKeyPos& pos);
    TXbIndexStatus NavBefore(TXbOrder& order, TXbKeyPos& pos);
    TXbIndexStatus NavSeek(TXbOrder& order, std::string_view searchKey, bool exact, TXbKeyPos& pos);
    LongInt NavPosition(TXbOrder& order, const TXbKeyPos& pos);
    // Runs change under the write lock and commits what it did when it gives isOk.
    template <typename Changer>
    TXbIndexStatus Change(TXbOrder& order, Changer change);
    // Runs locate under the read lock and puts pos on the entry it finds.
    template <typename Locate>
    TXbIndexStatus Look(TXbOrder& order, TXbKeyPos& pos, Locate locate);

    // -- building ------------------------------------------------------------------------------

    // Writes a tree holding the sorted entries and fills the slot's root, count and height.
    TXbIndexStatus BuildTree(const TXbOrder& order, TTagSlot& slot,
                             const std::vector<TKeyedRecord>& entries,
                             const std::function<LongWord()>& allocate) {
        slot.Root = slot.Keys = slot.Height = 0;
        if (entries.empty()) return isOk;
        std::vector<TEntry> level;
        level.reserve(entries.size());
        for (const TKeyedRecord& r : entries)
            level.push_back({r.Key, r.RecNo, 0, 1});
        Byte type = ptLeaf;
        LongWord height = 0;
        do {
            const auto cap = static_cast<std::size_t>(Capacity(type, order.keyLength_));
            std::vector<TEntry> upper;
            for (std::size_t from = 0; from < level.size(); from += cap) {
                TNodePage node{type, static_cast<Byte>(height), slot.DefPage, {}};
                const std::size_t to = std::min(level.size(), from + cap);
                node.Entries.assign(
                    std::make_move_iterator(level.begin() + static_cast<std::ptrdiff_t>(from)),
                    std::make_move_iterator(level.begin() + static_cast<std::ptrdiff_t>(to)));
                upper.emplace_back();
                TXbIndexStatus st =
                    WriteNode(allocate(), std::move(node), order.keyLength_, upper.back());
                if (st != isOk) return st;
            }
            level = std::move(upper);
            type = ptBranch;
            ++height;
        } while (level.size() > 1);
        slot.Root = level[0].Child;
        slot.Keys = level[0].Count;
        slot.Height = height;
        return isOk;
    }

    // The sorted keys of every record for the order; a unique order keeps the first record of
    // each key.
    static TXbIndexStatus CollectKeys(const TXbOrder& order, const TXbRecordSource& source,
                                      LongInt count, const TXbRecordLoader& load,
                                      std::vector<TKeyedRecord>& entries) {
        entries.clear();
        for (LongInt recno = 1; recno <= count; ++recno) {
            if (!load(recno)) return isIoError;
            std::string key;
            bool included = false;
            TXbIndexStatus st = order.KeyOf(source, key, included);
            if (st != isOk) return st;
            if (included) entries.push_back({std::move(key), static_cast<LongWord>(recno)});
        }
        std::sort(entries.begin(), entries.end());
        if (order.def_.Unique)
            entries.erase(std::unique(entries.begin(), entries.end(),
                                      [](const TKeyedRecord& a, const TKeyedRecord& b) {
                                          return a.Key == b.Key;
                                      }),
                          entries.end());
        return isOk;
    }

    // Every page of a tag (definition and tree), as far as they can be read.
    void CollectPages(const TTagSlot& slot, int keyLength, std::vector<LongWord>& pages) {
        pages.push_back(slot.DefPage);
        if (slot.Root == 0) return;
        std::unordered_set<LongWord> seen;
        std::vector<std::pair<LongWord, std::optional<TEntry>>> todo{{slot.Height - 1, {}}};
        while (!todo.empty()) {
            const auto [level, parent] = todo.back();
            todo.pop_back();
            TNodeRef node;
            if (ReadNode(slot, keyLength, level, parent ? &*parent : nullptr, node) != isOk ||
                !seen.insert(parent ? parent->Child : slot.Root).second)
                continue;
            pages.push_back(parent ? parent->Child : slot.Root);
            if (node->Type == ptBranch)
                for (const TEntry& e : node->Entries)
                    todo.push_back({level - 1, e});
        }
    }
};

// ---------------------------------------------------------------------------------------------
// The operations take the file's lock and refresh the header; changes end in a commit.

namespace {

// A read: under the file's shared lock, with the header reread when another user changed it,
// and refused when the index no longer records the table as it is now. Inside a batch, and
// when the files are this user's alone, memory holds the truth and nothing is read or locked.
class TReadOp {
public:
    explicit TReadOp(TXbIndexFile::TImpl& impl) : impl_(impl) {
        if (impl_.Broken) {
            status_ = isDamaged;
        } else if (impl_.Batch || impl_.Exclusive) {
            status_ = isOk;
        } else if (impl_.LockDepth++ == 0 && !impl_.SetLock(F_RDLCK)) {
            locked_ = true;
            status_ = isIoError;
        } else {
            locked_ = true;
            status_ = impl_.Refresh(false);
            if (status_ == isOk && !impl_.MatchesTable()) status_ = isDamaged;
        }
    }
    ~TReadOp() {
        if (locked_ && --impl_.LockDepth == 0) impl_.SetLock(F_UNLCK);
    }
    TXbIndexStatus Status() const { return status_; }

private:
    TXbIndexFile::TImpl& impl_;
    TXbIndexStatus status_;
    bool locked_ = false;
};

// A change. Inside a batch it joins the batch (and the files' sole user opens one); otherwise,
// and always when own is set, it is a change of its own under the exclusive lock, committed by
// Finish.
class TWriteOp {
public:
    explicit TWriteOp(TXbIndexFile::TImpl& impl, bool own = false) : impl_(impl) {
        if (!impl_.File.Writable()) {
            status_ = isReadOnly;
        } else if (impl_.Broken) {
            status_ = isDamaged;
        } else if (!own && (impl_.Batch || impl_.Exclusive)) {
            batch_ = true;
            status_ = impl_.Batch ? isOk : impl_.BeginBatch();
        } else if (impl_.Exclusive && impl_.LockDepth == 0) {
            status_ = impl_.BeginChange();
        } else {
            locked_ = true;
            status_ =
                impl_.LockDepth++ != 0 || !impl_.SetLock(F_WRLCK) ? isIoError : impl_.BeginChange();
        }
    }
    ~TWriteOp() {
        if (!batch_ && impl_.InChange) impl_.Abandon(isIoError);
        if (locked_ && --impl_.LockDepth == 0) impl_.SetLock(F_UNLCK);
    }
    TXbIndexStatus Status() const { return status_; }
    // A change of its own commits when st is isOk, else it is forgotten. In a batch, a refusal
    // found before anything changed leaves the batch as it was; any other failure breaks it.
    TXbIndexStatus Finish(TXbIndexStatus st) {
        if (!batch_) return st == isOk ? impl_.Commit() : impl_.Abandon(st);
        if (st != isOk && st != isDuplicate && st != isNoOrder && st != isBadDefinition &&
            st != isNotFound)
            impl_.Broken = true;
        return st;
    }

private:
    TXbIndexFile::TImpl& impl_;
    TXbIndexStatus status_;
    bool locked_ = false;
    bool batch_ = false;
};

} // namespace

// Navigation helpers of the orders (ascending sense; the order maps its direction on them).

template <typename Changer>
TXbIndexStatus TXbIndexFile::TImpl::Change(TXbOrder& order, Changer change) {
    TWriteOp op(*this);
    if (op.Status() != isOk) return op.Status();
    return op.Finish(order.slot_ < 0 ? isNoOrder : change());
}

template <typename Locate>
TXbIndexStatus TXbIndexFile::TImpl::Look(TXbOrder& order, TXbKeyPos& pos, Locate locate) {
    TReadOp op(*this);
    if (op.Status() != isOk) return op.Status();
    if (order.slot_ < 0) return isNoOrder;
    TPath& path = LookPath; // kept, so that a look allocates nothing
    const TXbIndexStatus st = locate(path);
    if (st == isOk) {
        pos.Key.assign(At(path).Key);
        pos.RecNo = static_cast<LongInt>(At(path).RecNo);
    }
    path.clear();
    return st;
}

TXbIndexStatus TXbIndexFile::TImpl::NavFirst(TXbOrder& order, TXbKeyPos& pos) {
    return Look(order, pos, [&](TPath& path) {
        return Find(
            order, [](const TEntry&) { return true; }, path);
    });
}

TXbIndexStatus TXbIndexFile::TImpl::NavLast(TXbOrder& order, TXbKeyPos& pos) {
    return Look(order, pos, [&](TPath& path) { return FindLast(order, path); });
}

TXbIndexStatus TXbIndexFile::TImpl::NavAfter(TXbOrder& order, TXbKeyPos& pos) {
    const auto rec = static_cast<LongWord>(pos.RecNo);
    return Look(order, pos, [&](TPath& path) {
        const auto after = [&](const TEntry& e) { return CompareEntry(e, pos.Key, rec) > 0; };
        const TXbIndexStatus st = Find(order, after, path);
        // A tree out of order could lead back; the walk must always move on.
        return st == isOk && !after(At(path)) ? isDamaged : st;
    });
}

TXbIndexStatus TXbIndexFile::TImpl::NavBefore(TXbOrder& order, TXbKeyPos& pos) {
    const auto rec = static_cast<LongWord>(pos.RecNo);
    return Look(order, pos, [&](TPath& path) {
        const auto after = [&](const TEntry& e) { return CompareEntry(e, pos.Key, rec) >= 0; };
        const TXbIndexStatus st = FindBefore(order, after, path);
        return st == isOk && after(At(path)) ? isDamaged : st;
    });
}

TXbIndexStatus TXbIndexFile::TImpl::NavSeek(TXbOrder& order, std::string_view searchKey, bool exact,
                                            TXbKeyPos& pos) {
    // The text compared: the whole key (trailing blanks ignored) when exact, else a prefix.
    std::string target(searchKey);
    const auto klen = static_cast<std::size_t>(order.keyLength_);
    if (exact && order.keyType_ != 'N') {
        while (!target.empty() && target.back() == ' ')
            target.pop_back();
        if (target.size() <= klen) target.resize(klen, ' ');
    }
    const std::size_t n = target.size();
    const auto prefix = [&](std::string_view key) { return key.substr(0, n); };
    const TXbIndexStatus st = Look(order, pos, [&](TPath& path) {
        // In a descending order the first match is the last one in key sequence, and a soft
        // seek lands on the greatest key below the text.
        if (order.def_.Descending)
            return FindBefore(
                order, [&](const TEntry& e) { return prefix(e.Key) > target; }, path);
        return Find(
            order, [&](const TEntry& e) { return prefix(e.Key) >= target; }, path);
    });
    if (st != isOk) return st;
    return n <= klen && prefix(pos.Key) == target ? isOk : isNotFound;
}

LongInt TXbIndexFile::TImpl::NavPosition(TXbOrder& order, const TXbKeyPos& pos) {
    TReadOp op(*this);
    if (op.Status() != isOk || order.slot_ < 0) return 0;
    const LongWord count = Header.Tags[static_cast<std::size_t>(order.slot_)].Keys;
    TPath path;
    const auto rec = static_cast<LongWord>(pos.RecNo);
    TXbIndexStatus st = Find(
        order, [&](const TEntry& e) { return CompareEntry(e, pos.Key, rec) >= 0; }, path);
    LongWord before; // entries ahead of pos in key sequence
    bool onEntry = false;
    if (st == isEnd)
        before = count;
    else if (st == isOk) {
        before = Rank(path);
        onEntry = CompareEntry(At(path), pos.Key, rec) == 0;
    } else
        return 0;
    if (!order.def_.Descending) return static_cast<LongInt>(before + 1);
    return static_cast<LongInt>(onEntry ? count - before : count - before + 1);
}

// ---------------------------------------------------------------------------------------------
// TXbOrder

TXbIndexStatus TXbOrder::KeyOf(const TXbRecordSource& source, std::string& key,
                               bool& included) const {
    included = true;
    if (for_.Valid()) {
        const TXbValue cond = for_.Evaluate(source);
        if (cond.Type != xtLogical) return isBadExpression;
        included = cond.Logical;
    }
    const TXbValue v = key_.Evaluate(source);
    const auto klen = static_cast<std::size_t>(keyLength_);
    switch (keyType_) {
    case 'C':
        if (v.Type != xtCharacter) return isBadExpression;
        key = v.Text.substr(0, klen);
        key.resize(klen, ' ');
        return isOk;
    case 'N':
        if (v.Type != xtNumeric) return isBadExpression;
        key = EncodeNumber(v.Number, decimals_);
        return isOk;
    case 'D':
        if (v.Type != xtDate) return isBadExpression;
        key = XbDateToStored(v.Date);
        return isOk;
    default:
        if (v.Type != xtLogical) return isBadExpression;
        key = v.Logical ? ".T." : ".F.";
        return isOk;
    }
}

std::string TXbOrder::SearchKey(std::string_view text) const {
    switch (keyType_) {
    case 'N': {
        int decimals = 0;
        return EncodeNumber(XbVal(text, decimals), decimals_);
    }
    case 'L': {
        std::string t = UpperTag(text);
        t.erase(std::remove(t.begin(), t.end(), ' '), t.end());
        return t == ".T." || t == "T" || t == "Y" || t == ".Y." ? ".T." : ".F.";
    }
    default: {
        std::string t(text);
        while (t.size() > static_cast<std::size_t>(keyLength_) && t.back() == ' ')
            t.pop_back();
        return t;
    }
    }
}

std::string TXbOrder::KeyText(std::string_view key) const {
    return keyType_ == 'N' ? DecodeNumber(key, decimals_) : std::string(key);
}

bool TXbOrder::InScope(std::string_view key, std::string_view low, std::string_view high) const {
    if (!low.empty() && key.substr(0, low.size()) < low) return false;
    return high.empty() || key.substr(0, high.size()) <= high;
}

TXbIndexStatus TXbOrder::CheckUnique(std::string_view key, LongInt recno) {
    auto& impl = *file_->impl_;
    TReadOp op(impl);
    if (op.Status() != isOk) return op.Status();
    if (slot_ < 0) return isNoOrder;
    return impl.CheckUnique(*this, key, static_cast<LongWord>(recno));
}

TXbIndexStatus TXbOrder::Insert(std::string_view key, LongInt recno) {
    return Replace(false, {}, true, key, recno);
}

TXbIndexStatus TXbOrder::Delete(std::string_view key, LongInt recno) {
    if (recno <= 0 || key.size() != static_cast<std::size_t>(keyLength_)) return isBadDefinition;
    auto& impl = *file_->impl_;
    return impl.Change(*this,
                       [&] { return impl.DeleteEntry(*this, key, static_cast<LongWord>(recno)); });
}

TXbIndexStatus TXbOrder::Replace(bool oldIncluded, std::string_view oldKey, bool newIncluded,
                                 std::string_view newKey, LongInt recno) {
    if (oldIncluded == newIncluded && (!oldIncluded || oldKey == newKey)) return isOk;
    if (recno <= 0 || (oldIncluded && oldKey.size() != static_cast<std::size_t>(keyLength_)) ||
        (newIncluded && newKey.size() != static_cast<std::size_t>(keyLength_)))
        return isBadDefinition;
    auto& impl = *file_->impl_;
    const auto rec = static_cast<LongWord>(recno);
    return impl.Change(*this, [&] {
        TXbIndexStatus st = newIncluded ? impl.CheckUnique(*this, newKey, rec) : isOk;
        if (st == isOk && oldIncluded) {
            st = impl.DeleteEntry(*this, oldKey, rec);
            if (st == isNotFound) st = isOk; // gone already: the index reaches the same state
        }
        if (st == isOk && newIncluded) st = impl.InsertEntry(*this, newKey, rec);
        return st;
    });
}

TXbIndexStatus TXbOrder::First(TXbKeyPos& pos) {
    auto& impl = *file_->impl_;
    return def_.Descending ? impl.NavLast(*this, pos) : impl.NavFirst(*this, pos);
}

TXbIndexStatus TXbOrder::Last(TXbKeyPos& pos) {
    auto& impl = *file_->impl_;
    return def_.Descending ? impl.NavFirst(*this, pos) : impl.NavLast(*this, pos);
}

TXbIndexStatus TXbOrder::Next(TXbKeyPos& pos) {
    auto& impl = *file_->impl_;
    return def_.Descending ? impl.NavBefore(*this, pos) : impl.NavAfter(*this, pos);
}

TXbIndexStatus TXbOrder::Prev(TXbKeyPos& pos) {
    auto& impl = *file_->impl_;
    return def_.Descending ? impl.NavAfter(*this, pos) : impl.NavBefore(*this, pos);
}

TXbIndexStatus TXbOrder::Seek(std::string_view searchKey, bool exact, TXbKeyPos& pos) {
    return file_->impl_->NavSeek(*this, searchKey, exact, pos);
}

LongInt TXbOrder::Position(const TXbKeyPos& pos) {
    return file_->impl_->NavPosition(*this, pos);
}

LongInt TXbOrder::KeyCount() {
    auto& impl = *file_->impl_;
    TReadOp op(impl);
    if (op.Status() != isOk || slot_ < 0) return 0;
    return static_cast<LongInt>(impl.Header.Tags[static_cast<std::size_t>(slot_)].Keys);
}

// ---------------------------------------------------------------------------------------------
// TXbIndexFile

TXbIndexFile::TXbIndexFile() : impl_(std::make_unique<TImpl>(*this)) {}

TXbIndexFile::~TXbIndexFile() {
    Close();
}

bool TXbIndexFile::IsOpen() const {
    return impl_->File.IsOpen();
}

bool TXbIndexFile::Writable() const {
    return impl_->File.Writable();
}

TXbIndexStatus TXbIndexFile::Create(const std::string& path, TXbIndexKind kind,
                                    const TXbRecordSource& source) {
    Close();
    if (kind < ikNTX || kind > ikNSX) return isBadDefinition;
    if (!impl_->File.Create(path)) return isIoError;
    impl_->Source = &source;
    impl_->Header = THeader{};
    impl_->Header.Kind = kind;
    if (impl_->WriteHeader(impl_->Header) != isOk) {
        Close();
        return isIoError;
    }
    path_ = path;
    kind_ = kind;
    return isOk;
}

TXbIndexStatus TXbIndexFile::Open(const std::string& path, bool writable,
                                  const TXbRecordSource& source) {
    Close();
    if (!impl_->File.Open(path, writable)) return isIoError;
    impl_->Source = &source;
    TXbIndexStatus st;
    {
        TReadOp op(*impl_);
        st = op.Status() == isOk ? impl_->Refresh(true) : op.Status();
    }
    if (st != isOk) {
        Close();
        return st;
    }
    path_ = path;
    kind_ = impl_->Header.Kind;
    return isOk;
}

void TXbIndexFile::Close() {
    if (impl_->Batch) impl_->EndBatch();
    if (impl_->File.IsOpen() && impl_->File.Writable() && !impl_->PendingFree.empty() &&
        !impl_->Broken) {
        TWriteOp op(*impl_, true);
        if (op.Status() == isOk) op.Finish(isOk);
    }
    impl_->Broken = false;
    impl_->Exclusive = false;
    impl_->TableState = nullptr;
    impl_->File.Close();
    for (auto& o : impl_->Orders)
        o->slot_ = -1;
    impl_->Orders.clear();
    impl_->Retired.clear();
    impl_->Cache.clear();
    impl_->FreeList.clear();
    impl_->PendingFree.clear();
    impl_->Header = THeader{};
    impl_->Source = nullptr;
    path_.clear();
}

void TXbIndexFile::SetTableState(TXbTableStateSource source) {
    impl_->TableState = std::move(source);
}

bool TXbIndexFile::Matches(const TXbTableState& state) const {
    return !impl_->Broken && state.Count == impl_->Header.TableCount &&
           state.Stamp == impl_->Header.TableStamp;
}

TXbIndexStatus TXbIndexFile::Verify() {
    if (!IsOpen()) return isIoError;
    TReadOp op(*impl_);
    return op.Status();
}

void TXbIndexFile::SetExclusive(bool exclusive) {
    impl_->Exclusive = exclusive;
}

TXbIndexStatus TXbIndexFile::BeginUpdate() {
    TImpl& impl = *impl_;
    if (!IsOpen()) return isIoError;
    if (!impl.File.Writable()) return isReadOnly;
    if (impl.Exclusive) return impl.BeginBatch();
    if (impl.LockDepth++ != 0 || !impl.SetLock(F_WRLCK)) {
        if (--impl.LockDepth == 0) impl.SetLock(F_UNLCK);
        return isIoError;
    }
    const TXbIndexStatus st = impl.BeginBatch();
    if (st != isOk && --impl.LockDepth == 0) impl.SetLock(F_UNLCK);
    return st;
}

TXbIndexStatus TXbIndexFile::EndUpdate() {
    TImpl& impl = *impl_;
    if (impl.Exclusive)
        return impl.Broken ? isDamaged : impl.Dirty.size() > MaxDirtyPages ? impl.EndBatch() : isOk;
    if (impl.LockDepth == 0) return isOk; // no update was begun
    const TXbIndexStatus st = impl.EndBatch();
    if (--impl.LockDepth == 0) impl.SetLock(F_UNLCK);
    return st;
}

TXbIndexStatus TXbIndexFile::WriteBack() {
    return impl_->Exclusive ? impl_->EndBatch() : impl_->Broken ? isDamaged : isOk;
}

bool TXbIndexFile::Sync() {
    return impl_->File.Flush();
}

int TXbIndexFile::OrderCount() {
    if (!IsOpen()) return 0;
    TReadOp op(*impl_);
    return static_cast<int>(impl_->Orders.size());
}

TXbOrder* TXbIndexFile::Order(int i) {
    if (!IsOpen()) return nullptr;
    TReadOp op(*impl_);
    if (i < 0 || i >= static_cast<int>(impl_->Orders.size())) return nullptr;
    return impl_->Orders[static_cast<std::size_t>(i)].get();
}

TXbOrder* TXbIndexFile::FindOrder(std::string_view tag) {
    if (!IsOpen()) return nullptr;
    TReadOp op(*impl_);
    const std::string name = UpperTag(tag);
    for (auto& o : impl_->Orders)
        if (o->def_.Tag == name) return o.get();
    return nullptr;
}

TXbIndexStatus TXbIndexFile::AddOrder(const TXbOrderDef& def, const TXbRecordSource& source,
                                      LongInt recordCount, const TXbRecordLoader& load) {
    if (!IsOpen()) return isIoError;
    auto order = std::unique_ptr<TXbOrder>(new TXbOrder());
    order->file_ = this;
    order->def_ = def;
    order->def_.Tag = UpperTag(def.Tag);
    if (!ValidTagName(order->def_.Tag)) return isBadDefinition;
    TXbIndexStatus st = TImpl::Prepare(*order, source, 0, 0);
    if (st != isOk) return st;
    std::vector<TKeyedRecord> entries;
    st = TImpl::CollectKeys(*order, source, recordCount, load, entries);
    if (st != isOk) return st;
    if (impl_->Batch && impl_->EndBatch() != isOk) return isDamaged;

    TWriteOp op(*impl_, true);
    if (op.Status() != isOk) return op.Status();
    impl_->RecordTable = true;
    THeader& h = impl_->Header;
    std::size_t slot = h.Tags.size();
    for (std::size_t i = 0; i < impl_->Orders.size(); ++i)
        if (!MultiTag() || impl_->Orders[i]->def_.Tag == order->def_.Tag) slot = i;
    if (slot == h.Tags.size() && h.Tags.size() >= static_cast<std::size_t>(MaxTags))
        return op.Finish(isBadDefinition);
    std::vector<LongWord> oldPages;
    if (!MultiTag())
        for (std::size_t i = 0; i < h.Tags.size(); ++i)
            impl_->CollectPages(h.Tags[i], impl_->Orders[i]->keyLength_, oldPages);
    else if (slot < h.Tags.size())
        impl_->CollectPages(h.Tags[slot], impl_->Orders[slot]->keyLength_, oldPages);

    TTagSlot tag;
    tag.DefPage = impl_->Allocate();
    st = impl_->WriteDefinition(tag.DefPage, *order);
    if (st == isOk)
        st = impl_->BuildTree(*order, tag, entries, [this] { return impl_->Allocate(); });
    if (st != isOk) return op.Finish(st);
    for (LongWord page : oldPages)
        impl_->Release(page);
    if (!MultiTag()) {
        h.Tags.clear();
        slot = 0;
    }
    if (slot < h.Tags.size())
        h.Tags[slot] = tag;
    else
        h.Tags.push_back(tag);
    ++h.Definitions;
    st = op.Finish(isOk);
    if (st != isOk) return st;
    // The order object of a replaced tag takes the new definition, so pointers to it stay good.
    order->slot_ = static_cast<int>(slot);
    std::vector<std::unique_ptr<TXbOrder>>& orders = impl_->Orders;
    if (slot < orders.size()) {
        *orders[slot] = std::move(*order);
        for (std::size_t i = slot + 1; !MultiTag() && i < orders.size(); ++i) {
            orders[i]->slot_ = -1;
            impl_->Retired.push_back(std::move(orders[i]));
        }
        orders.resize(MultiTag() ? orders.size() : 1);
    } else {
        orders.push_back(std::move(order));
    }
    return isOk;
}

TXbIndexStatus TXbIndexFile::Reindex(const TXbRecordSource& source, LongInt recordCount,
                                     const TXbRecordLoader& load) {
    if (!IsOpen()) return isIoError;
    // Keys are gathered before the file is locked: loading records must not wait on it.
    std::vector<std::vector<TKeyedRecord>> keys(impl_->Orders.size());
    for (std::size_t i = 0; i < impl_->Orders.size(); ++i) {
        TXbIndexStatus st =
            TImpl::CollectKeys(*impl_->Orders[i], source, recordCount, load, keys[i]);
        if (st != isOk) return st;
    }
    TImpl& impl = *impl_;
    if (impl.Batch) impl.Abandon(isOk); // what it held is rebuilt from the table
    impl.Broken = false;
    TWriteOp op(impl, true);
    if (op.Status() != isOk) return op.Status();
    if (impl.Orders.size() != keys.size())
        return op.Finish(isNoOrder); // another user changed the tags meanwhile
    // First the new trees go past the end of the file and become the index; then, when they
    // fit in front of that, they are written again at the start and the file is cut short.
    const LongWord oldEnd = impl.TxEnd;
    ++impl.Header.Rebuilds; // tells other users that the pages they hold back are taken
    for (int pass = 0; pass < 2; ++pass) {
        LongWord next = pass == 0 ? oldEnd : 1;
        const auto allocate = [&next] { return next++; };
        for (std::size_t i = 0; i < impl.Orders.size(); ++i) {
            TTagSlot& tag = impl.Header.Tags[i];
            tag.DefPage = allocate();
            TXbIndexStatus st = impl.WriteDefinition(tag.DefPage, *impl.Orders[i]);
            if (st == isOk) st = impl.BuildTree(*impl.Orders[i], tag, keys[i], allocate);
            if (st != isOk) return op.Finish(st);
        }
        impl.TxEnd = next;
        impl.FreeList.clear();
        impl.TxFreed.clear();
        impl.RecordTable = true;
        if (pass == 1) {
            TXbIndexStatus st = impl.Commit();
            if (st == isOk && !impl.File.Truncate(static_cast<Int64>(next) * PageSize))
                st = isIoError;
            impl.PendingFree.clear();
            impl.Cache.clear();
            return st;
        }
        TXbIndexStatus st = impl.Commit();
        if (st != isOk) return st;
        impl.PendingFree.clear();
        if (next - oldEnd >= oldEnd) { // too large to move: the old pages become free
            for (LongWord page = 1; page < oldEnd; ++page)
                impl.PendingFree.push_back(page);
            return isOk;
        }
        impl.InChange = true;
        impl.TxEnd = next;
    }
    return isOk;
}
