#include "xbase/XbIndex.h"

#include "platform/rtl/Numbers.h"
#include "platform/rtl/Streams.h"
#include "xbase/IndexPages.h"
#include "xbase/XbFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unordered_map>
#include <unordered_set>

// File layout (little-endian, pages of XbPageSize bytes; FORMAT.md has it in full):
//   page 0      header: magic, version, kind, page size, page count, generation, head of the
//               free-page chain, the table's record count, update stamp and change time the
//               index covers, tag directory (per tag: definition page, root page, key count,
//               tree height), CRC-32 of the page in its last four bytes.
//   other pages a 16-byte page head (type, level, entry count, owning tag, CRC-32, next free
//               page) and then the page's contents: a tag definition, B+tree entries, or
//               nothing for a free page.
// Leaf entries are (key, record number); branch entries are (first key and record number of
// the child, child page, number of keys under the child).

namespace {

constexpr LongWord PageSize = XbPageSize;
constexpr std::size_t PageHead = XbPageHead;
constexpr Word FormatVersion = 2;
constexpr char Magic[8] = {'V', 'P', 'L', 'X', 'I', 'D', 'X', '\x1A'};
constexpr int MaxTags = 64;
constexpr int MaxKeyLength = 254;
constexpr int MaxTagName = 128; // a single-order file takes its base name
constexpr LongWord MaxHeight = 32;
constexpr std::size_t MinCachedPages = 16;
constexpr LongWord RoomAhead = 16; // pages a batch reserves past those it took
constexpr std::size_t TableStateAt = 36;
constexpr std::size_t DirectoryAt = 48;
constexpr std::size_t DirectoryEntry = 16;
// The bytes of the header page its checksum covers (the rest is unused).
constexpr std::size_t HeaderUsed = DirectoryAt + DirectoryEntry * MaxTags;
constexpr int MaxNumericDecimals = 8;
// Numeric keys of 19 bytes (18 digits), as the engine once wrote them: such an index does not
// match its table until it is rebuilt with keys of today's form (XbNumberKey).
constexpr int OldNumericKeyLength = 19;
// The byte of the index file that the open-file-description locks cover (far past the data).
constexpr off_t LockOffset = 0x7FFFFFFF00LL;

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

struct TKeyedRecord {
    std::string Key;
    LongWord RecNo;
    bool operator<(const TKeyedRecord& o) const {
        const int c = Key.compare(o.Key);
        return c != 0 ? c < 0 : RecNo < o.RecNo;
    }
};

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
    TXbTableState Table; // the table when the index last caught up with it
    std::vector<TTagSlot> Tags;
};

// One step of a path from the root to a leaf: the page, its number and the entry chosen in it.
// The page stays in the cache while the operation that walks the path runs.
struct TStep {
    TXbNodePage* Node = nullptr;
    LongWord Page = 0;
    int Index = 0;
};
using TPath = std::vector<TStep>;

// A changeable copy of a page of a path, with its page number and the entry chosen in it.
struct TCopy {
    TXbNodePage Node;
    LongWord Page = 0;
    int Index = 0;
};

// What an entry of a parent page (or the tag slot, for the root) says of the page it points
// to: its number, its first key and record number, and the keys below it.
struct TPromise {
    LongWord Page = 0;
    std::string_view Key;
    LongWord RecNo = 0;
    LongWord Keys = 0;
    bool Root = false;
};

} // namespace

// ---------------------------------------------------------------------------------------------

struct TXbIndexFile::TImpl {
    explicit TImpl(TXbIndexFile& owner) : Owner(owner) {}

    TXbIndexFile& Owner;
    TXbFile File;
    // A file behind its table that this user may not bring up to date (read-only, or the disk
    // refuses) has its orders made for this user alone, from the table's records, in a file in
    // memory (File) while the file itself waits in Shared; a change of this user goes back to
    // the file itself.
    TXbFile Shared;
    bool Private = false;
    const TXbRecordSource* Source = nullptr;
    THeader Header;
    std::vector<std::unique_ptr<TXbOrder>> Orders;  // by directory slot
    std::vector<std::unique_ptr<TXbOrder>> Retired; // orders that left the directory
    TXbPageCache Cache{XbDefaultCachePages};
    bool FixedCache = false; // the cache keeps the pages it was told, however large the file
    std::vector<LongWord> FreeList;    // back() is the head of the chain on disk
    std::vector<LongWord> PendingFree; // left by the last change, free once marked
    Word PendingRebuilds = 0;          // the header's rebuild count when they were left
    std::vector<LongWord> TxFreed;     // left by the change in progress
    LongWord TxEnd = 1;                // first page past the file during a change
    bool InChange = false;
    bool Stale = false; // the orders could not follow the last change of definitions
    bool OldKeys = false; // a tag holds numeric keys of the old form: rebuild before any use
    int LockDepth = 0;
    // A batch: a change that runs over several operations and reaches the disk at WriteBack.
    // Its pages stay in memory, dirty in the cache, until written back; pages it took itself
    // (Fresh) are changed in place, since nothing on disk points to them, even after they were
    // written back to make room. A batch that failed half-way is Broken: its changes are
    // never completed by a header and every operation refuses until a rebuild.
    bool Batch = false;
    bool Broken = false;
    std::unordered_set<LongWord> Fresh;
    // No other user has the files: no locks are taken and the header is never read again.
    bool Exclusive = false;
    // The sole user's batch took the file's room on the disk up to here (MakeRoom).
    Int64 RoomEnd = 0;
    // The file system cannot set room aside (MakeRoom): the sole user's batch is written with
    // each update, as a shared file's is, so that the disk refuses the change it cannot hold.
    bool WriteThrough = false;
    TPath LookPath;
    bool RecordTable = false;       // the change in progress makes the index match the table
    TXbTableStateSource TableState; // the table's count and stamp now, when the area gave it
    TXbRecordWalk Walk;             // the table's records, to rebuild from, when the area gave them
    THeader Before;                 // the header when the shared update in progress began
    int Pins = 0;                   // operations running that hold pages of the cache

    // -- locking -------------------------------------------------------------------------------

    // The index file on disk, whether or not the orders answer from a private copy.
    const TXbFile& Disk() const { return Private ? Shared : File; }

    bool SetLock(short type) {
        struct flock fl {};
        fl.l_type = type;
        fl.l_whence = SEEK_SET;
        fl.l_start = LockOffset;
        fl.l_len = 1;
        while (::fcntl(Disk().Handle(), F_OFD_SETLKW, &fl) != 0) {
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
        EncodeLE<LongWord>(buffer.data() + 8, XbPageCrc(buffer.data(), used));
        return File.WriteAt(static_cast<Int64>(page) * PageSize, buffer) ? isOk : isIoError;
    }

    static bool CheckPage(const std::string& buffer, std::size_t used) {
        return DecodeLE<LongWord>(buffer.data() + 8) == XbPageCrc(buffer.data(), used);
    }

    LongWord PageLimit() const { return InChange ? TxEnd : Header.PageCount; }

    // The page from the cache, else read from the file and checked whole: kept in the cache
    // when keep, else handed over in own.
    TXbIndexStatus FetchNode(LongWord page, int keyLength, bool keep,
                             std::unique_ptr<TXbNodePage>& own, TXbNodePage*& node) {
        if (page == 0 || page >= PageLimit()) return isDamaged;
        node = Cache.Find(page);
        if (node) return isOk;
        std::string buffer;
        if (TXbIndexStatus st = ReadPage(page, buffer); st != isOk) return st;
        own = std::make_unique<TXbNodePage>();
        if (!own->Decode(buffer, keyLength, PageLimit())) return isDamaged;
        node = own.get();
        return keep ? Keep(page, std::move(own), false) : isOk;
    }

    // Checks that a tree page of the slot's tag at level is what the entry pointing to it
    // promises: the tag, the level, the first entry and the number of keys below it.
    static TXbIndexStatus CheckNode(const TTagSlot& slot, LongWord level, const TPromise& promise,
                                    const TXbNodePage& node) {
        if (node.Tag() != slot.DefPage || node.Level() != level ||
            node.Type() != (level == 0 ? ptLeaf : ptBranch) || node.Empty())
            return isDamaged;
        if (!promise.Root && node.Compare(0, promise.Key, promise.RecNo) != 0) return isDamaged;
        return node.Total() == promise.Keys ? isOk : isDamaged;
    }

    // Reads into step the tree page of a tag that the parent's chosen entry points to (the
    // root when parent is nullptr), checked against that entry.
    TXbIndexStatus ReadNode(const TTagSlot& slot, int keyLength, LongWord level,
                            const TStep* parent, TStep& step) {
        TPromise promise{slot.Root, {}, 0, slot.Keys, true};
        if (parent) {
            const TXbNodePage& p = *parent->Node;
            const int i = parent->Index;
            promise = {p.Child(i), p.Key(i), p.RecNo(i), p.Below(i), false};
        }
        std::unique_ptr<TXbNodePage> own;
        step.Page = promise.Page;
        const TXbIndexStatus st = FetchNode(promise.Page, keyLength, true, own, step.Node);
        return st == isOk ? CheckNode(slot, level, promise, *step.Node) : st;
    }

    // Keeps a page in the cache.
    TXbIndexStatus Keep(LongWord page, std::unique_ptr<TXbNodePage> node, bool dirty) {
        Cache.Put(page, std::move(node), dirty);
        return Relieve();
    }

    // When the cache is full and half of it holds pages a batch changed, the batch writes
    // them back: they stay its own (nothing on disk points to them before the header is
    // written), so later changes still change them in place. Pages not used lately leave when
    // the operation ends (Unpin).
    TXbIndexStatus Relieve() {
        FitCache();
        if (!Cache.OverCapacity() || Cache.DirtyCount() <= Cache.Capacity() / 2) return isOk;
        // Without room for them on the disk the pages stay in memory: the change that took
        // them is refused by MakeRoom before it reaches the table.
        if (Exclusive && MakeRoom(TxEnd) != isOk) return isOk;
        return WriteDirtyPages();
    }

    // Room on the disk for the sole user's batch up to page count pages, and for a few more,
    // taken past the file's end without writing; isIoError, with the reason, when the disk has
    // none. So the writes of the batch need no room, and a full disk refuses the change that
    // could take a page too many rather than the commit or close of changes answered done.
    TXbIndexStatus MakeRoom(LongWord count) {
        const Int64 end = static_cast<Int64>(count) * PageSize;
        const Int64 from = std::max(RoomEnd, static_cast<Int64>(Header.PageCount) * PageSize);
        if (end <= from) return isOk;
        for (const Int64 to : {end + static_cast<Int64>(RoomAhead) * PageSize, end}) {
            const TXbFile::TRoom room = File.Reserve(from, to - from);
            if (room == TXbFile::TRoom::Taken) RoomEnd = to;
            WriteThrough = WriteThrough || room == TXbFile::TRoom::Unkept;
            if (room != TXbFile::TRoom::Refused) return isOk;
        }
        return isIoError;
    }

    // The most pages one change of a record may take: in each order, the paths of the old key
    // and of the new copied, and the new one split up to a new root.
    LongWord ChangePages() const {
        LongWord pages = 0;
        for (const TTagSlot& tag : Header.Tags)
            pages += 3 * tag.Height + 1;
        return pages;
    }

    // Gives back the room reserved past the file's end.
    void GiveBackRoom() {
        if (RoomEnd > 0) File.GiveBackRoom();
        RoomEnd = 0;
    }

    // Lets the cache grow with the file, so that a file of any size is read from disk once.
    void FitCache() {
        if (!FixedCache) Cache.Fit(PageLimit());
    }

    // An operation that walks pages runs between Pin and Unpin: no page leaves the cache
    // meanwhile, so the pages of its paths stay where they are.
    void Pin() { ++Pins; }
    void Unpin() {
        if (--Pins == 0 && Cache.OverCapacity()) Cache.Trim();
    }

    // Writes a tree page: a batch keeps it in the cache until it writes back, anything else
    // writes it at once. summary receives the parent's entry for it (first key and record
    // number, the page, the keys below).
    TXbIndexStatus WriteNode(LongWord page, TXbNodePage node, TXbEntry& summary) {
        summary = {std::string(node.Key(0)), node.RecNo(0), page, node.Total()};
        if (Batch) return Keep(page, std::make_unique<TXbNodePage>(std::move(node)), true);
        Cache.Erase(page);
        return File.WriteAt(static_cast<Int64>(page) * PageSize, node.Encode()) ? isOk : isIoError;
    }

    // A page of the batch's own that a change made where it lies in the cache.
    TXbIndexStatus Changed(const TStep& step) {
        Cache.MarkDirty(step.Page);
        return Relieve();
    }

    // -- header --------------------------------------------------------------------------------

    TXbIndexStatus ReadHeader(THeader& h) const {
        std::string buffer;
        if (!File.ReadAt(0, buffer, PageSize))
            return File.Size() >= 0 && File.Size() < static_cast<Int64>(PageSize) ? isForeign
                                                                                  : isIoError;
        if (std::memcmp(buffer.data(), Magic, sizeof Magic) != 0) return isForeign;
        if (DecodeLE<LongWord>(buffer.data() + PageSize - 4) !=
            XbCrc32(0, buffer.data(), HeaderUsed))
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
        h.Table.Count = DecodeLE<LongWord>(buffer.data() + TableStateAt);
        h.Table.Stamp = DecodeLE<LongWord>(buffer.data() + TableStateAt + 4);
        h.Table.Time = DecodeLE<LongWord>(buffer.data() + TableStateAt + 8);
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
        EncodeLE<LongWord>(buffer.data() + TableStateAt, h.Table.Count);
        EncodeLE<LongWord>(buffer.data() + TableStateAt + 4, h.Table.Stamp);
        EncodeLE<LongWord>(buffer.data() + TableStateAt + 8, h.Table.Time);
        for (std::size_t i = 0; i < h.Tags.size(); ++i) {
            char* p = buffer.data() + DirectoryAt + DirectoryEntry * i;
            EncodeLE<LongWord>(p, h.Tags[i].DefPage);
            EncodeLE<LongWord>(p + 4, h.Tags[i].Root);
            EncodeLE<LongWord>(p + 8, h.Tags[i].Keys);
            EncodeLE<LongWord>(p + 12, h.Tags[i].Height);
        }
        EncodeLE<LongWord>(buffer.data() + PageSize - 4, XbCrc32(0, buffer.data(), HeaderUsed));
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
            order.keyLength_ = XbNumberKeyLength;
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
        const bool oldKeys = expectType == 'N' && expectLength == OldNumericKeyLength;
        if (expectType &&
            (expectType != order.keyType_ || (expectLength != order.keyLength_ && !oldKeys)))
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
        OldKeys = OldKeys || (keyType == 'N' && keyLength == OldNumericKeyLength);
        return st;
    }

    // Brings the orders in line with the directory of the header: an order keeps its object
    // while its tag exists; tags that left the directory retire their orders.
    TXbIndexStatus SyncOrders() {
        std::vector<std::unique_ptr<TXbOrder>> old = std::move(Orders);
        Orders.clear();
        OldKeys = false;
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
        Cache.Clear();
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
        Cache.Erase(page);
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
            EncodeLE<LongWord>(buffer.data() + 8, XbPageCrc(buffer.data(), PageHead));
            if (!File.WriteAt(static_cast<Int64>(page) * PageSize, buffer)) return isIoError;
            FreeList.push_back(page);
        }
        PendingFree.clear();
        return isOk;
    }

    // Opens a batch; the files' sole user needs no lock for it, others hold the exclusive lock
    // until it is written back. A file found behind its table is rebuilt first: no writer is in
    // the middle of a change under that lock (one died, or a rebuild was refused before).
    TXbIndexStatus BeginBatch() {
        if (Broken) return isDamaged;
        if (Batch) return isOk;
        TXbIndexStatus st = BeginChange();
        if (st == isOk && !MatchesTable(true)) {
            st = !Walk ? Abandon(isDamaged) : RebuildBehind();
            if (st == isOk) st = BeginChange();
        }
        Batch = RecordTable = st == isOk;
        return st;
    }

    // A reader found the file behind its table under the shared lock, so no writer is between
    // writing the table and this file: one died there, or another program changed the table.
    // A file that may be written then takes the lock for writing (letting the shared lock go
    // first: two readers waiting to turn theirs into the other kind would wait for each other),
    // rebuilds the file unless another user did meanwhile, and reads under the shared lock again.
    // withTime compares the table file's change time too (an open does).
    TXbIndexStatus CatchUpReading(bool withTime) {
        if (LockDepth != 1 || Exclusive || !File.Writable() || !Walk) return isDamaged;
        SetLock(F_UNLCK);
        TXbIndexStatus st = isIoError;
        if (SetLock(F_WRLCK)) {
            st = Refresh(false);
            if (st == isOk && !MatchesTable(withTime)) {
                st = BeginChange();
                if (st == isOk) st = RebuildBehind();
            }
        }
        SetLock(F_RDLCK);
        if (st == isOk) st = Refresh(false);
        return st == isOk && !MatchesTable(withTime) ? isDamaged : st;
    }

    // Makes the orders anew for this user alone, from the table's records as they are now, in
    // a file in memory; the file on disk is left as it is. A failure goes back to that file.
    TXbIndexStatus BuildPrivate() {
        if (!Walk || !TableState) return isDamaged;
        if (!Private) {
            Shared.Swap(File);
            Private = true;
        }
        const TXbIndexStatus st = File.CreateInMemory(Owner.Path()) ? RebuildPrivate() : isIoError;
        if (st != isOk) LeavePrivate();
        return st;
    }

    TXbIndexStatus RebuildPrivate() {
        Cache.Clear();
        FreeList.clear();
        PendingFree.clear();
        TxFreed.clear();
        Fresh.clear();
        Header.PageCount = 1;
        TxEnd = 1;
        InChange = true;
        return RebuildBehind();
    }

    // A change goes to the file on disk: the private orders are dropped and the file read anew.
    void LeavePrivate() {
        if (!Private) return;
        File.Swap(Shared);
        Shared.Close();
        Private = false;
        FreeList.clear();
        PendingFree.clear();
        Refresh(true);
    }

    // Rebuilds a shared file behind its table, in a change begun under the write lock, from the
    // records the table counts now; the table's state is read before its records, so that a
    // change made meanwhile by a user who does not keep this file leaves it behind again.
    TXbIndexStatus RebuildBehind() {
        const TXbTableState state = TableState(true);
        return Walk([&](const TXbRecordLoader& load) {
            return RebuildFrom(*Source, state.Count, &state, load);
        });
    }

    // Rebuilds every order, in a change begun, from records 1..count loaded through load into
    // source; state, when given, is what the new header records of the table.
    TXbIndexStatus RebuildFrom(const TXbRecordSource& source, LongInt count,
                               const TXbTableState* state, const TXbRecordLoader& load) {
        std::vector<std::vector<TKeyedRecord>> keys(Orders.size());
        for (std::size_t i = 0; i < Orders.size(); ++i)
            if (TXbIndexStatus st = CollectKeys(*Orders[i], source, count, load, keys[i]);
                st != isOk)
                return Abandon(st);
        return RebuildTrees(keys, state);
    }

    // Writes the trees of the sorted keys and makes them the index. First the new trees go past
    // the end of the file and become the index; then, when they fit in front of that, they are
    // written again at the start and the file is cut short. A refusal before the first header
    // leaves the file as it was, cut back to its pages.
    TXbIndexStatus RebuildTrees(const std::vector<std::vector<TKeyedRecord>>& keys,
                                const TXbTableState* state) {
        const LongWord oldEnd = TxEnd;
        ++Header.Rebuilds; // tells other users that the pages they hold back are taken
        for (int pass = 0; pass < 2; ++pass) {
            LongWord next = pass == 0 ? oldEnd : 1;
            const auto allocate = [&next] { return next++; };
            TXbIndexStatus st = isOk;
            for (std::size_t i = 0; i < Orders.size() && st == isOk; ++i) {
                TTagSlot& tag = Header.Tags[i];
                tag.DefPage = allocate();
                st = WriteDefinition(tag.DefPage, *Orders[i]);
                if (st == isOk) st = BuildTree(*Orders[i], tag, keys[i], allocate);
            }
            TxEnd = next;
            FreeList.clear();
            TxFreed.clear();
            if (st != isOk) {
                Abandon(st);
                return pass == 0 ? GiveBack(st) : st;
            }
            st = Commit(state);
            if (pass == 1) {
                RoomEnd = 0; // the cut gives it back
                if (st == isOk && !File.Truncate(static_cast<Int64>(next) * PageSize))
                    st = isIoError;
                PendingFree.clear();
                Cache.Clear();
                return st;
            }
            if (st != isOk) return GiveBack(st);
            OldKeys = false; // the new trees, keys of today's form, are the index
            PendingFree.clear();
            if (next - oldEnd >= oldEnd) { // too large to move: the old pages become free
                for (LongWord page = 1; page < oldEnd; ++page)
                    PendingFree.push_back(page);
                return isOk;
            }
            InChange = true;
            TxEnd = next;
        }
        return isOk;
    }

    // Gives back the room of the pages past those the header counts, which nothing points to
    // after a change that failed; gives st. Only under the write lock, or for the sole user.
    TXbIndexStatus GiveBack(TXbIndexStatus st) {
        const Int64 end = static_cast<Int64>(Header.PageCount) * PageSize;
        RoomEnd = 0; // the cut gives it back
        if (File.Size() > end) File.Truncate(end);
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
    // it about its table); withTime, also the change time of the table file, when it recorded
    // one: the table was not written since by a program that does not keep the index.
    bool MatchesTable(bool withTime = false) const {
        if (!TableState) return true;
        if (OldKeys) return false;
        const TXbTableState state = TableState(withTime);
        return state.Count == Header.Table.Count && state.Stamp == Header.Table.Stamp &&
               (!withTime || Header.Table.Time == 0 || state.Time == Header.Table.Time);
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
    // records the table's state (state when given, else the table's now when the change follows
    // the table).
    TXbIndexStatus Commit(const TXbTableState* state = nullptr) {
        THeader h = Header;
        h.PageCount = TxEnd;
        h.Generation = Header.Generation + 1;
        h.FreeHead = FreeList.empty() ? 0 : FreeList.back();
        if (state)
            h.Table = *state;
        else if (TableState && RecordTable)
            h.Table = TableState(true);
        TXbIndexStatus st = WritePages();
        if (st == isOk) st = WriteHeader(h);
        if (st != isOk && Batch && Exclusive) return st; // the batch stays, to be written again
        InChange = false;
        Batch = false;
        RecordTable = false;
        Fresh.clear();
        if (st != isOk) return Abandon(st);
        Header = h;
        PendingRebuilds = h.Rebuilds;
        PendingFree.insert(PendingFree.end(), TxFreed.begin(), TxFreed.end());
        TxFreed.clear();
        return isOk;
    }

    // Writes the pages the change made, which no header on disk points to yet.
    TXbIndexStatus WritePages() {
        const TXbIndexStatus st = WriteDirtyPages();
        return st == isOk ? CoverPages(TxEnd) : st;
    }

    // Makes the file as long as count pages. A page a batch took past the end of the file and
    // gave back before writing it is counted but was never written: without this the header
    // would count pages the file lacks, which the next open takes for damage.
    TXbIndexStatus CoverPages(LongWord count) {
        const Int64 size = File.Size();
        const Int64 needed = static_cast<Int64>(count) * PageSize;
        if (size < 0) return isIoError;
        return size >= needed || File.Truncate(needed) ? isOk : isIoError;
    }

    // Writes the pages a batch changed, in the order of the file; they stay in the cache as
    // the file now holds them.
    TXbIndexStatus WriteDirtyPages() {
        for (const auto& [page, node] : Cache.DirtyPages())
            if (!File.WriteAt(static_cast<Int64>(page) * PageSize, node->Encode()))
                return isIoError;
        Cache.MarkClean();
        return isOk;
    }

    // Forgets a change that failed: what it wrote is unreachable from the header on disk.
    TXbIndexStatus Abandon(TXbIndexStatus st) {
        Batch = false;
        RecordTable = false;
        Cache.Clear();
        Fresh.clear();
        InChange = false;
        TxFreed.clear();
        PendingFree.clear();
        Refresh(true);
        return st;
    }

    // -- tree walking --------------------------------------------------------------------------

    // Descends to the first entry for which after(page, index) holds (after must be false,
    // then true, along the order). isEnd when no entry qualifies. The path stays usable for
    // stepping. key is the key after compares entries with, if any (see TXbNodePage::Search).
    template <typename After>
    TXbIndexStatus Find(const TXbOrder& order, After after, TPath& path,
                        std::string_view key = {}) {
        path.clear();
        const TTagSlot& slot = Header.Tags[static_cast<std::size_t>(order.slot_)];
        if (slot.Root == 0) return isEnd;
        for (LongWord level = slot.Height; level-- > 0;) {
            TStep step;
            TXbIndexStatus st = ReadNode(slot, order.keyLength_, level,
                                         path.empty() ? nullptr : &path.back(), step);
            if (st != isOk) return st;
            const TXbNodePage& node = *step.Node;
            // The first entry for which after holds; in a branch the child before it holds it.
            const int lo = node.Search(level == 0 ? 0 : 1, after, key);
            step.Index = level == 0 ? lo : lo - 1;
            path.push_back(std::move(step));
        }
        return Settle(order, path, path.size() - 1);
    }

    // Reads the children below level along the path's indexes, leftmost or rightmost.
    TXbIndexStatus DescendFrom(const TXbOrder& order, TPath& path, std::size_t level,
                               bool rightmost) {
        const TTagSlot& slot = Header.Tags[static_cast<std::size_t>(order.slot_)];
        for (; level + 1 < path.size(); ++level) {
            TStep child;
            TXbIndexStatus st =
                ReadNode(slot, order.keyLength_, static_cast<LongWord>(path.size() - level - 2),
                         &path[level], child);
            if (st != isOk) return st;
            child.Index = rightmost ? child.Node->Count() - 1 : 0;
            path[level + 1] = std::move(child);
        }
        return isOk;
    }

    // Moves an index that ran past the end of its page on to the next entry of the tree.
    TXbIndexStatus Settle(const TXbOrder& order, TPath& path, std::size_t level) {
        while (path[level].Index >= path[level].Node->Count()) {
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

    static std::string_view KeyAt(const TPath& path) {
        return path.back().Node->Key(path.back().Index);
    }
    static LongWord RecNoAt(const TPath& path) {
        return path.back().Node->RecNo(path.back().Index);
    }
    static int CompareAt(const TPath& path, std::string_view key, LongWord recno) {
        return path.back().Node->Compare(path.back().Index, key, recno);
    }

    // Number of entries before the path's entry.
    static LongWord Rank(const TPath& path) {
        LongWord rank = 0;
        for (std::size_t level = 0; level + 1 < path.size(); ++level)
            for (int i = 0; i < path[level].Index; ++i)
                rank += path[level].Node->Below(i);
        return rank + static_cast<LongWord>(path.back().Index);
    }

    // -- tree changes (copy on write) ----------------------------------------------------------

    // Writes a changed copy of every page along the path (splitting full pages) and points the
    // tag slot at the new root. nodes holds the changed pages bottom-up, as the path's copies;
    // insertedAt is where the leaf took a new entry (-1 for none).
    TXbIndexStatus WritePath(TXbOrder& order, std::vector<TCopy>& nodes, int insertedAt) {
        TTagSlot& slot = Header.Tags[static_cast<std::size_t>(order.slot_)];
        std::vector<TXbEntry> carry; // entries that replace the child's entry in the next level
        for (std::size_t level = 0; level < nodes.size(); ++level) {
            TXbNodePage& node = nodes[level].Node;
            const LongWord page = nodes[level].Page;
            if (level > 0) {
                const int at = nodes[level].Index;
                node.Erase(at);
                for (std::size_t k = 0; k < carry.size(); ++k)
                    node.Insert(at + static_cast<int>(k), carry[k]);
                insertedAt = carry.size() > 1 ? at + 1 : -1;
            }
            const bool reuse = Reusable(page);
            carry.clear();
            if (node.Empty() || !reuse) Release(page);
            if (node.Empty()) continue; // the page goes; its parent loses the entry
            std::vector<TXbNodePage> parts;
            if (node.Count() > XbPageCapacity(node.Type(), order.keyLength_)) {
                const int n = node.Count();
                // Entries coming in at the end (keys in rising order) leave full pages behind.
                TXbNodePage right = node.Split(insertedAt == n - 1 ? n - 1 : n / 2);
                parts.push_back(std::move(node));
                parts.push_back(std::move(right));
            } else {
                parts.push_back(std::move(node));
            }
            for (TXbNodePage& part : parts) {
                carry.emplace_back();
                const LongWord target = reuse && carry.size() == 1 ? page : Allocate();
                TXbIndexStatus st = WriteNode(target, std::move(part), carry.back());
                if (st != isOk) return st;
            }
        }
        return NewRoot(order, slot, carry);
    }

    // Points the slot at the top of a rewritten path: nothing left, one page, or a split root
    // that needs a new level. A root branch left with one child gives way to that child.
    TXbIndexStatus NewRoot(TXbOrder& order, TTagSlot& slot, std::vector<TXbEntry>& top) {
        LongWord height = slot.Height;
        while (top.size() > 1) {
            TXbNodePage root(ptBranch, static_cast<Byte>(height), slot.DefPage, order.keyLength_);
            for (const TXbEntry& e : top)
                root.Append(e);
            TXbEntry e;
            TXbIndexStatus st = WriteNode(Allocate(), std::move(root), e);
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
            TStep root;
            TXbIndexStatus st = ReadNode(slot, order.keyLength_, slot.Height - 1, nullptr, root);
            if (st != isOk) return st;
            if (root.Node->Count() != 1) break;
            const LongWord child = root.Node->Child(0);
            Release(slot.Root);
            slot.Root = child;
            --slot.Height;
        }
        return isOk;
    }

    // True when a batch took every page of the path itself: a change that neither splits nor
    // empties its leaf may then be made in the pages as they are.
    bool InPlace(const TPath& path) const {
        return Batch && std::all_of(path.begin(), path.end(),
                                    [this](const TStep& step) { return Reusable(step.Page); });
    }

    // After an entry came into or left the path's leaf in place: the counts and first entries
    // of the pages above follow, and every page of the path is kept as changed.
    TXbIndexStatus FollowLeaf(const TPath& path, TTagSlot& slot) {
        for (std::size_t level = path.size() - 1; level-- > 0;) {
            const TXbNodePage& child = *path[level + 1].Node;
            path[level].Node->SetChild(path[level].Index, child.Key(0), child.RecNo(0),
                                       child.Total());
        }
        slot.Keys = path.front().Node->Total();
        for (const TStep& step : path)
            if (TXbIndexStatus st = Changed(step); st != isOk) return st;
        return isOk;
    }

    // The path's pages as changeable copies, bottom-up, with their page numbers and indexes.
    static std::vector<TCopy> CopyPath(const TPath& path) {
        std::vector<TCopy> nodes;
        nodes.reserve(path.size());
        for (std::size_t i = path.size(); i-- > 0;)
            nodes.push_back({*path[i].Node, path[i].Page, path[i].Index});
        return nodes;
    }

    TXbIndexStatus InsertEntry(TXbOrder& order, std::string_view key, LongWord recno) {
        TTagSlot& slot = Header.Tags[static_cast<std::size_t>(order.slot_)];
        TXbEntry entry{std::string(key), recno, 0, 1};
        if (slot.Root == 0) {
            TXbNodePage leaf(ptLeaf, 0, slot.DefPage, order.keyLength_);
            leaf.Append(entry);
            TXbEntry root;
            TXbIndexStatus st = WriteNode(Allocate(), std::move(leaf), root);
            if (st != isOk) return st;
            slot.Root = root.Child;
            slot.Keys = slot.Height = 1;
            return isOk;
        }
        TPath path;
        TXbIndexStatus st = Find(
            order, [&](const TXbNodePage& n, int i) { return n.Compare(i, key, recno) >= 0; },
            path, key);
        if (st == isOk && CompareAt(path, key, recno) == 0) return isOk; // the entry is there
        if (st == isEnd) { // after every entry: the end of the rightmost leaf
            st = LastPath(order, path);
            if (st == isOk) ++path.back().Index;
        }
        if (st != isOk) return st;
        if (InPlace(path) && !path.back().Node->Full()) {
            path.back().Node->Insert(path.back().Index, entry);
            return FollowLeaf(path, slot);
        }
        std::vector<TCopy> nodes = CopyPath(path);
        nodes[0].Node.Insert(nodes[0].Index, entry);
        return WritePath(order, nodes, nodes[0].Index);
    }

    TXbIndexStatus LastPath(const TXbOrder& order, TPath& path) {
        const TTagSlot& slot = Header.Tags[static_cast<std::size_t>(order.slot_)];
        path.assign(slot.Height, TStep{});
        TXbIndexStatus st = ReadNode(slot, order.keyLength_, slot.Height - 1, nullptr, path[0]);
        if (st != isOk) return st;
        path[0].Index = path[0].Node->Count() - 1;
        return DescendFrom(order, path, 0, true);
    }

    TXbIndexStatus FindLast(const TXbOrder& order, TPath& path) {
        if (Header.Tags[static_cast<std::size_t>(order.slot_)].Root == 0) return isEnd;
        return LastPath(order, path);
    }

    // The last entry for which after(page, index) does not hold; isEnd when there is none.
    template <typename After>
    TXbIndexStatus FindBefore(const TXbOrder& order, After after, TPath& path,
                              std::string_view key = {}) {
        const TXbIndexStatus st = Find(order, after, path, key);
        if (st == isEnd) return FindLast(order, path);
        return st == isOk ? StepBack(order, path) : st;
    }

    TXbIndexStatus DeleteEntry(TXbOrder& order, std::string_view key, LongWord recno) {
        TPath path;
        TXbIndexStatus st = Find(
            order, [&](const TXbNodePage& n, int i) { return n.Compare(i, key, recno) >= 0; },
            path, key);
        if (st == isEnd || (st == isOk && CompareAt(path, key, recno) != 0)) return isNotFound;
        if (st != isOk) return st;
        TTagSlot& slot = Header.Tags[static_cast<std::size_t>(order.slot_)];
        if (InPlace(path) && path.back().Node->Count() > 1) {
            path.back().Node->Erase(path.back().Index);
            return FollowLeaf(path, slot);
        }
        std::vector<TCopy> nodes = CopyPath(path);
        nodes[0].Node.Erase(nodes[0].Index);
        return WritePath(order, nodes, -1);
    }

    // isDuplicate when a unique order holds key for a record other than recno.
    TXbIndexStatus CheckUnique(TXbOrder& order, std::string_view key, LongWord recno) {
        if (!order.def_.Unique) return isOk;
        TPath path;
        TXbIndexStatus st = Find(
            order, [&](const TXbNodePage& n, int i) { return XbKeyCompare(n.Key(i), key) >= 0; },
            path, key);
        while (st == isOk && KeyAt(path) == key) {
            if (RecNoAt(path) != recno) return isDuplicate;
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

    // Writes a tree holding the sorted entries, every page full but the last of each level,
    // and fills the slot's root, count and height.
    TXbIndexStatus BuildTree(const TXbOrder& order, TTagSlot& slot,
                             const std::vector<TKeyedRecord>& entries,
                             const std::function<LongWord()>& allocate) {
        slot.Root = slot.Keys = slot.Height = 0;
        if (entries.empty()) return isOk;
        std::vector<TXbEntry> upper; // the entries of the level above the one being written
        const auto cap = static_cast<std::size_t>(XbPageCapacity(ptLeaf, order.keyLength_));
        for (std::size_t from = 0; from < entries.size(); from += cap) {
            TXbNodePage leaf(ptLeaf, 0, slot.DefPage, order.keyLength_);
            const std::size_t to = std::min(entries.size(), from + cap);
            for (std::size_t i = from; i < to; ++i)
                leaf.AppendLeaf(entries[i].Key, entries[i].RecNo);
            upper.emplace_back();
            if (TXbIndexStatus st = WriteNode(allocate(), std::move(leaf), upper.back());
                st != isOk)
                return st;
        }
        LongWord height = 1;
        const auto branchCap = static_cast<std::size_t>(XbPageCapacity(ptBranch, order.keyLength_));
        while (upper.size() > 1) {
            std::vector<TXbEntry> level = std::move(upper);
            upper.clear();
            for (std::size_t from = 0; from < level.size(); from += branchCap) {
                TXbNodePage node(ptBranch, static_cast<Byte>(height), slot.DefPage,
                                 order.keyLength_);
                for (std::size_t i = from; i < std::min(level.size(), from + branchCap); ++i)
                    node.Append(level[i]);
                upper.emplace_back();
                if (TXbIndexStatus st = WriteNode(allocate(), std::move(node), upper.back());
                    st != isOk)
                    return st;
            }
            ++height;
        }
        slot.Root = upper[0].Child;
        slot.Keys = upper[0].Count;
        slot.Height = height;
        return isOk;
    }

    // The sorted keys of every record for the order; a unique order keeps the first record of
    // each key.
    static TXbIndexStatus CollectKeys(const TXbOrder& order, const TXbRecordSource& source,
                                      LongInt count, const TXbRecordLoader& load,
                                      std::vector<TKeyedRecord>& entries) {
        entries.clear();
        entries.reserve(static_cast<std::size_t>(std::max<LongInt>(count, 0)));
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
        // Pages to visit: their level and the entry that points to them (for the root, the
        // slot's promise).
        struct TVisit {
            LongWord Level;
            TXbEntry Parent;
            bool Root;
        };
        std::vector<TVisit> todo{{slot.Height - 1, {"", 0, slot.Root, slot.Keys}, true}};
        while (!todo.empty()) {
            const TVisit visit = std::move(todo.back());
            todo.pop_back();
            const TXbEntry& e = visit.Parent;
            std::unique_ptr<TXbNodePage> own;
            TXbNodePage* node = nullptr;
            if (!seen.insert(e.Child).second ||
                FetchNode(e.Child, keyLength, false, own, node) != isOk ||
                CheckNode(slot, visit.Level, {e.Child, e.Key, e.RecNo, e.Count, visit.Root},
                          *node) != isOk)
                continue;
            pages.push_back(e.Child);
            if (!node->IsLeaf())
                for (int i = 0; i < node->Count(); ++i)
                    todo.push_back({visit.Level - 1, node->Entry(i), false});
        }
    }
};

// ---------------------------------------------------------------------------------------------
// The operations take the file's lock and refresh the header; changes end in a commit.

namespace {

// A read: under the file's shared lock, with the header reread when another user changed it.
// An index that no longer records the table as it is now is brought up to date, or, when this
// user may not, made for this user alone (private orders, which follow the table from then on).
// Inside a batch, and when the files are this user's alone, memory holds the truth and nothing
// is read or locked. withTime compares the table file's change time too (an open does).
class TReadOp {
public:
    explicit TReadOp(TXbIndexFile::TImpl& impl, bool withTime = false) : impl_(impl) {
        impl_.Pin();
        if (impl_.Broken) {
            status_ = isDamaged;
        } else if (impl_.Batch) {
            status_ = isOk;
        } else if (impl_.Private && (impl_.Pins > 1 || impl_.MatchesTable(true))) {
            status_ = isOk; // not inside another operation, which may hold the private pages
        } else if (impl_.Exclusive) {
            const bool check = withTime || impl_.Private;
            status_ = check && !impl_.MatchesTable(true) ? impl_.BuildPrivate() : isOk;
        } else {
            // Private orders the table left behind give way to the file, which another user
            // may have brought up to date meanwhile; compared with the change time, as they were.
            withTime = withTime || impl_.Private;
            impl_.LeavePrivate();
            locked_ = true;
            if (impl_.LockDepth++ == 0 && !impl_.SetLock(F_RDLCK)) {
                status_ = isIoError;
                return;
            }
            status_ = impl_.Refresh(false);
            if (status_ == isOk && !impl_.MatchesTable(withTime) &&
                impl_.CatchUpReading(withTime) != isOk)
                status_ = impl_.BuildPrivate();
        }
    }
    ~TReadOp() {
        if (locked_ && --impl_.LockDepth == 0) impl_.SetLock(F_UNLCK);
        impl_.Unpin();
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
        impl_.LeavePrivate();
        impl_.Pin();
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
        impl_.Unpin();
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
        pos.Key.assign(KeyAt(path));
        pos.RecNo = static_cast<LongInt>(RecNoAt(path));
    }
    path.clear();
    return st;
}

TXbIndexStatus TXbIndexFile::TImpl::NavFirst(TXbOrder& order, TXbKeyPos& pos) {
    return Look(order, pos, [&](TPath& path) {
        return Find(
            order, [](const TXbNodePage&, int) { return true; }, path);
    });
}

TXbIndexStatus TXbIndexFile::TImpl::NavLast(TXbOrder& order, TXbKeyPos& pos) {
    return Look(order, pos, [&](TPath& path) { return FindLast(order, path); });
}

TXbIndexStatus TXbIndexFile::TImpl::NavAfter(TXbOrder& order, TXbKeyPos& pos) {
    const auto rec = static_cast<LongWord>(pos.RecNo);
    return Look(order, pos, [&](TPath& path) {
        const auto after = [&](const TXbNodePage& n, int i) {
            return n.Compare(i, pos.Key, rec) > 0;
        };
        const TXbIndexStatus st = Find(order, after, path, pos.Key);
        // A tree out of order could lead back; the walk must always move on.
        return st == isOk && !after(*path.back().Node, path.back().Index) ? isDamaged : st;
    });
}

TXbIndexStatus TXbIndexFile::TImpl::NavBefore(TXbOrder& order, TXbKeyPos& pos) {
    const auto rec = static_cast<LongWord>(pos.RecNo);
    return Look(order, pos, [&](TPath& path) {
        const auto after = [&](const TXbNodePage& n, int i) {
            return n.Compare(i, pos.Key, rec) >= 0;
        };
        const TXbIndexStatus st = FindBefore(order, after, path, pos.Key);
        return st == isOk && after(*path.back().Node, path.back().Index) ? isDamaged : st;
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
                order,
                [&](const TXbNodePage& n, int i) {
                    return XbKeyCompare(prefix(n.Key(i)), target) > 0;
                },
                path, target);
        return Find(
            order,
            [&](const TXbNodePage& n, int i) {
                return XbKeyCompare(prefix(n.Key(i)), target) >= 0;
            },
            path, target);
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
        order, [&](const TXbNodePage& n, int i) { return n.Compare(i, pos.Key, rec) >= 0; }, path,
        pos.Key);
    LongWord before; // entries ahead of pos in key sequence
    bool onEntry = false;
    if (st == isEnd)
        before = count;
    else if (st == isOk) {
        before = Rank(path);
        onEntry = CompareAt(path, pos.Key, rec) == 0;
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
    const auto klen = static_cast<std::size_t>(keyLength_);
    // The common key, one character field, is read without evaluating: every seek checks it.
    TXbFieldRef field;
    if (keyType_ == 'C' && key_.CharacterField(field)) {
        key = source.FieldText(field);
        key.resize(klen, ' ');
        return isOk;
    }
    const TXbValue v = key_.Evaluate(source);
    switch (keyType_) {
    case 'C':
        if (v.Type != xtCharacter) return isBadExpression;
        key = v.Text;
        key.resize(klen, ' ');
        return isOk;
    case 'N':
        if (v.Type != xtNumeric) return isBadExpression;
        key = XbNumberKey(v, decimals_);
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
        return XbNumberTextKey(text);
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
    return keyType_ == 'N' ? XbNumberKeyText(key, decimals_) : std::string(key);
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
    return impl_->Disk().IsOpen();
}

bool TXbIndexFile::Writable() const {
    return impl_->Disk().Writable();
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
    if (impl_->Batch && impl_->EndBatch() != isOk) DropBatch();
    if (impl_->File.IsOpen() && impl_->File.Writable() && !impl_->PendingFree.empty() &&
        !impl_->Broken) {
        TWriteOp op(*impl_, true);
        if (op.Status() == isOk) op.Finish(isOk);
    }
    impl_->GiveBackRoom();
    impl_->Broken = false;
    impl_->Exclusive = false;
    impl_->WriteThrough = false;
    impl_->TableState = nullptr;
    impl_->File.Close();
    impl_->Shared.Close();
    impl_->Private = false;
    for (auto& o : impl_->Orders)
        o->slot_ = -1;
    impl_->Orders.clear();
    impl_->Retired.clear();
    impl_->Cache.Clear();
    impl_->FreeList.clear();
    impl_->PendingFree.clear();
    impl_->Header = THeader{};
    impl_->Source = nullptr;
    path_.clear();
}

void TXbIndexFile::SetTableState(TXbTableStateSource source) {
    impl_->TableState = std::move(source);
}

void TXbIndexFile::SetRecordWalk(TXbRecordWalk walk) {
    impl_->Walk = std::move(walk);
}

LongWord TXbIndexFile::TableTime() const {
    return impl_->Header.Table.Time;
}

bool TXbIndexFile::Matches(const TXbTableState& state) const {
    return !impl_->Broken && !impl_->OldKeys && state.Count == impl_->Header.Table.Count &&
           state.Stamp == impl_->Header.Table.Stamp;
}

TXbIndexStatus TXbIndexFile::Verify() {
    if (!IsOpen()) return isIoError;
    TReadOp op(*impl_, true);
    return op.Status();
}

TXbIndexStatus TXbIndexFile::MakePrivate() {
    return IsOpen() ? impl_->BuildPrivate() : isIoError;
}

void TXbIndexFile::SetCachePages(std::size_t pages) {
    impl_->FixedCache = pages != 0;
    impl_->Cache.SetCapacity(pages == 0 ? XbDefaultCachePages : std::max(pages, MinCachedPages));
}

void TXbIndexFile::SetExclusive(bool exclusive) {
    impl_->Exclusive = exclusive;
}

TXbIndexStatus TXbIndexFile::BeginUpdate() {
    TImpl& impl = *impl_;
    if (!IsOpen()) return isIoError;
    impl.LeavePrivate();
    if (!impl.File.Writable()) return isReadOnly;
    if (impl.Exclusive) {
        // The room the change may take, before it takes any, so that its take-back needs none
        // either; as far as the disk has it: a change that takes no page (a record marked
        // deleted) needs none, and PrepareUpdate refuses one whose pages have no room.
        const TXbIndexStatus st = impl.BeginBatch();
        if (st == isOk) impl.MakeRoom(impl.TxEnd + impl.ChangePages());
        return st;
    }
    if (impl.LockDepth++ != 0 || !impl.SetLock(F_WRLCK)) {
        if (--impl.LockDepth == 0) impl.SetLock(F_UNLCK);
        return isIoError;
    }
    const TXbIndexStatus st = impl.BeginBatch();
    if (st != isOk && --impl.LockDepth == 0) impl.SetLock(F_UNLCK);
    impl.Before = impl.Header;
    return st;
}

TXbIndexStatus TXbIndexFile::PrepareUpdate() {
    TImpl& impl = *impl_;
    if (impl.Broken || !impl.Batch) return impl.Broken ? isDamaged : isOk;
    return impl.Exclusive && !impl.WriteThrough ? impl.MakeRoom(impl.TxEnd) : impl.WritePages();
}

TXbIndexStatus TXbIndexFile::CommitUpdate() {
    TImpl& impl = *impl_;
    if (impl.Exclusive && !impl.WriteThrough) return impl.Broken ? isDamaged : isOk;
    return impl.EndBatch();
}

void TXbIndexFile::TakeBackUpdate() {
    TImpl& impl = *impl_;
    if (impl.Exclusive || impl.LockDepth == 0) return;
    // A header written already gives way to the one before, whose pages it left as they were.
    // The table, written and taken back, is as that header recorded it but for the time of its
    // last change, which the header then takes: the table is no one else's change.
    THeader before = impl.Before;
    const TXbTableState table = impl.TableState ? impl.TableState(true) : before.Table;
    const bool moved = table.Count == before.Table.Count && table.Stamp == before.Table.Stamp &&
                       before.Table.Time != 0 && table.Time != before.Table.Time;
    if (impl.Header.Generation != before.Generation || moved) {
        before.Generation = impl.Header.Generation + 1;
        if (moved) before.Table.Time = table.Time;
        impl.WriteHeader(before);
    }
    impl.Abandon(isOk);
    impl.Broken = false;
    impl.GiveBack(isOk);
}

TXbIndexStatus TXbIndexFile::EndUpdate() {
    TImpl& impl = *impl_;
    if (impl.Exclusive) return impl.Broken ? isDamaged : isOk; // written back at WriteBack
    if (impl.LockDepth == 0) return isOk;                      // no update was begun
    const TXbIndexStatus st = impl.EndBatch();
    if (--impl.LockDepth == 0) impl.SetLock(F_UNLCK);
    return st;
}

TXbIndexStatus TXbIndexFile::WriteBack() {
    return impl_->Exclusive ? impl_->EndBatch() : impl_->Broken ? isDamaged : isOk;
}

void TXbIndexFile::DropBatch() {
    if (impl_->Batch) impl_->Abandon(isOk);
}

bool TXbIndexFile::Sync() {
    impl_->GiveBackRoom();
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
                                     const TXbRecordLoader& load, bool onlyBehind) {
    if (!IsOpen()) return isIoError;
    TImpl& impl = *impl_;
    if (impl.Batch) impl.Abandon(isOk); // what it held is rebuilt from the table
    impl.Broken = false;
    TWriteOp op(impl, true);
    if (op.Status() != isOk) return op.Status();
    if (onlyBehind && !impl.Exclusive && impl.MatchesTable(true)) return isOk; // read again
    if (!impl.TableState) return impl.RebuildFrom(source, recordCount, nullptr, load);
    const TXbTableState state = impl.TableState(true);
    return impl.RebuildFrom(source, state.Count, &state, load);
}
