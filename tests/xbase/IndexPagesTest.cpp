// Index files of thousands of pages: the page cache keeps what is used and writes back what a
// batch changed without copying it again, so a large batch leaves a compact file and seeks
// read each page once; and the cache itself, page by page.
#include "xbase/IndexPages.h"
#include "xbase/PageArena.h"
#include "xbase/XbIndex.h"

#include "platform/rtl/Streams.h"

#include "tests/rtl/TestFolder.h"
#include "tests/xbase/XbTestRecords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kWide = 240; // keys of 240 bytes: 16 to a leaf page

class IndexPagesTest : public ::testing::Test {
protected:
    IndexPagesTest() : records_({{"NAME", 'C', kWide, 0}}) {}

    std::string Path(const std::string& name) const { return folder_ / name; }

    // count records whose keys come in no particular order.
    void AddRecords(int count) {
        std::vector<int> numbers(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            numbers[static_cast<std::size_t>(i)] = i;
        std::shuffle(numbers.begin(), numbers.end(), std::mt19937(37));
        for (int n : numbers)
            records_.Add({Name(n)});
    }
    static std::string Name(int n) {
        char text[16];
        std::snprintf(text, sizeof text, "N%07d", n);
        return std::string(text) + std::string(kWide - 8, ' ');
    }
    TXbRecordLoader Loader() {
        return [this](LongInt recno) { return records_.Go(recno); };
    }

    // Pages of the file and free pages in its chain, as the header and the pages say.
    void CountPages(const std::string& name, LongWord& pages, LongWord& free) {
        const std::string bytes = ReadAll(Path(name));
        const auto word = [&bytes](std::size_t at) { return DecodeLE<LongWord>(&bytes[at]); };
        pages = word(16);
        free = 0;
        std::set<LongWord> seen;
        for (LongWord page = word(24); page != 0 && seen.insert(page).second;
             page = word(page * 4096 + 12))
            ++free;
    }

    TTestFolder folder_;
    TTestRecords records_;
};

// One batch of appends, as a work area with the files to itself runs them: each record is an
// update of its own, and the batch reaches the file at WriteBack.
TXbIndexStatus AppendInOneBatch(TXbIndexFile& file, TXbOrder& order, TTestRecords& records) {
    file.SetExclusive(true);
    for (LongInt r = 1; r <= records.Count(); ++r) {
        records.Go(r);
        std::string key;
        bool included = false;
        TXbIndexStatus st = order.KeyOf(records, key, included);
        if (st == isOk) st = file.BeginUpdate();
        if (st == isOk) st = order.Insert(key, r);
        if (st == isOk) st = file.EndUpdate();
        if (st != isOk) return st;
    }
    return file.WriteBack();
}

TEST_F(IndexPagesTest, ALargeBatchLeavesACompactFileWhateverTheCacheHolds) {
    // 30,000 keys in no order make about 2,700 leaves: more changed pages than a batch once
    // kept in memory (2,048), and, with a cache of 300 pages, ten times what the cache holds.
    AddRecords(30000);
    for (const std::size_t cachePages : {std::size_t(0), std::size_t(300)}) {
        SCOPED_TRACE(cachePages);
        std::filesystem::remove(Path("big.cdx"));
        TTestRecords empty({{"NAME", 'C', kWide, 0}});
        TXbIndexFile file;
        ASSERT_EQ(file.Create(Path("big.cdx"), ikCDX, records_), isOk);
        ASSERT_EQ(file.AddOrder({"NAME", "NAME", "", false, false}, empty, 0, Loader()), isOk);
        if (cachePages != 0) file.SetCachePages(cachePages);
        TXbOrder* order = file.FindOrder("NAME");
        ASSERT_NE(order, nullptr);
        ASSERT_EQ(AppendInOneBatch(file, *order, records_), isOk);
        file.Close();

        LongWord pages = 0, free = 0;
        CountPages("big.cdx", pages, free);
        EXPECT_GT(pages, 2600u);
        EXPECT_LT(free, pages / 50) << "of " << pages << " pages";
        // The file holds every key once, in order.
        ASSERT_EQ(file.Open(Path("big.cdx"), false, records_), isOk);
        order = file.FindOrder("NAME");
        EXPECT_EQ(order->KeyCount(), 30000);
        TXbKeyPos pos;
        int n = 0;
        for (TXbIndexStatus st = order->First(pos); st == isOk; st = order->Next(pos), ++n)
            ASSERT_EQ(pos.Key, Name(n));
        EXPECT_EQ(n, 30000);
        file.Close();
    }
}

TEST_F(IndexPagesTest, SeeksInAnIndexOfThousandsOfPagesReadEachPageOnce) {
    // 136,000 keys built in order: 8,500 full leaves, more than the least a cache keeps (8,192).
    AddRecords(136000);
    {
        TXbIndexFile file;
        ASSERT_EQ(file.Create(Path("seek.cdx"), ikCDX, records_), isOk);
        ASSERT_EQ(
            file.AddOrder({"NAME", "NAME", "", false, false}, records_, records_.Count(), Loader()),
            isOk);
    }
    LongWord pages = 0, free = 0;
    CountPages("seek.cdx", pages, free);
    ASSERT_GT(pages, 8500u);
    EXPECT_EQ(free, 0u);

    TXbIndexFile file;
    ASSERT_EQ(file.Open(Path("seek.cdx"), false, records_), isOk);
    file.SetExclusive(true);
    TXbOrder* order = file.FindOrder("NAME");
    std::vector<int> sought(136000);
    for (int i = 0; i < 136000; ++i)
        sought[static_cast<std::size_t>(i)] = i;
    std::shuffle(sought.begin(), sought.end(), std::mt19937(4));
    const long before = IoCount("syscr:");
    ASSERT_GE(before, 0);
    for (int round = 0; round < 2; ++round)
        for (int n : sought) {
            TXbKeyPos pos;
            ASSERT_EQ(order->Seek(Name(n), true, pos), isOk);
            ASSERT_EQ(pos.Key, Name(n));
        }
    EXPECT_LE(IoCount("syscr:") - before, static_cast<long>(pages)) << "of " << pages << " pages";
}

// A rebuild that outgrows the file writes the new tree past the old pages; those pages are then
// given back as free pages for later changes, not lost to the file.
TEST_F(IndexPagesTest, ARebuildThatOutgrowsTheFileGivesTheOldPagesBack) {
    AddRecords(2000);
    TXbIndexFile file;
    ASSERT_EQ(file.Create(Path("grow.cdx"), ikCDX, records_), isOk);
    ASSERT_EQ(file.AddOrder({"NAME", "NAME", "", false, false}, records_, 10, Loader()), isOk);
    file.Close();
    LongWord before = 0, free = 0;
    CountPages("grow.cdx", before, free);
    ASSERT_EQ(free, 0u);
    ASSERT_EQ(file.Open(Path("grow.cdx"), true, records_), isOk);
    ASSERT_EQ(file.Reindex(records_, records_.Count(), Loader()), isOk);
    file.Close();
    LongWord after = 0;
    CountPages("grow.cdx", after, free);
    EXPECT_GT(after, 2 * before);
    EXPECT_EQ(free, before - 1); // every page but the header
    ASSERT_EQ(file.Open(Path("grow.cdx"), false, records_), isOk);
    EXPECT_EQ(file.FindOrder("NAME")->KeyCount(), 2000);
}

// The cache on its own.
TEST(IndexPageCache, EvictsPagesNotUsedLatelyAndNeverChangedOnes) {
    TXbPageCache cache(4);
    const auto page = [] { return std::make_unique<TXbNodePage>(ptLeaf, 0, 1, 10); };
    for (LongWord p = 1; p <= 4; ++p)
        cache.Put(p, page(), p == 2);
    cache.Trim(); // within its capacity: nothing leaves
    EXPECT_EQ(cache.Size(), 4u);
    // Page 5 comes: the hand clears the marks of 1, 3, 4 and 5, passes the changed page 2,
    // and takes page 1, the first it finds unmarked.
    cache.Put(5, page(), false);
    cache.Trim();
    EXPECT_EQ(cache.Find(1), nullptr);
    EXPECT_EQ(cache.Size(), 4u);
    // Page 3 is used again; pages 6 and 7 come. Page 5 (unmarked since the hand passed) goes,
    // then the hand spares page 3 once and takes page 4.
    EXPECT_NE(cache.Find(3), nullptr);
    cache.Put(6, page(), false);
    cache.Trim();
    EXPECT_EQ(cache.Find(5), nullptr);
    cache.Put(7, page(), false);
    cache.Trim();
    EXPECT_EQ(cache.Find(4), nullptr);
    EXPECT_NE(cache.Find(3), nullptr);
    EXPECT_NE(cache.Find(2), nullptr);
    EXPECT_EQ(cache.DirtyCount(), 1u);

    // Once written back, a changed page may leave like any other.
    cache.MarkClean();
    EXPECT_EQ(cache.DirtyCount(), 0u);
    for (LongWord p = 20; p < 30; ++p) {
        cache.Put(p, page(), false);
        cache.Trim();
    }
    EXPECT_EQ(cache.Find(2), nullptr);
    EXPECT_EQ(cache.Size(), 4u);
}

TEST(IndexPageCache, ChangedPagesStayBeyondTheCapacity) {
    TXbPageCache cache(2);
    for (LongWord p = 1; p <= 5; ++p)
        cache.Put(p, std::make_unique<TXbNodePage>(ptLeaf, 0, 1, 10), true);
    cache.Trim();
    EXPECT_EQ(cache.Size(), 5u);
    const auto dirty = cache.DirtyPages();
    ASSERT_EQ(dirty.size(), 5u);
    for (std::size_t i = 0; i < dirty.size(); ++i)
        EXPECT_EQ(dirty[i].first, i + 1); // in the order of the file
}

// A cache grows with its file past the least it keeps only as far as the budget it shares with
// other caches allows, and gives back what it no longer needs.
TEST(IndexPageCache, GrowsWithItsFileWithinABudgetSharedByAllCaches) {
    TXbPageBudget budget(100);
    {
        TXbPageCache first(16, budget);
        TXbPageCache second(16, budget);
        first.Fit(10);
        EXPECT_EQ(first.Capacity(), 16u);
        first.Fit(96);
        second.Fit(96);
        EXPECT_EQ(first.Capacity(), 96u);
        EXPECT_EQ(second.Capacity(), 36u); // the 20 pages left
        first.Fit(50); // the file shrank: 46 pages go back
        second.Fit(96);
        EXPECT_EQ(second.Capacity(), 82u);
        EXPECT_EQ(budget.Free(), 0u);
        // Pages past the capacity leave once the file no longer needs them.
        for (LongWord p = 1; p <= 60; ++p)
            second.Put(p, std::make_unique<TXbNodePage>(ptLeaf, 0, 1, 10), false);
        second.Fit(40);
        second.Trim();
        EXPECT_EQ(second.Size(), 40u);
        first.SetCapacity(16); // a fixed capacity takes nothing from the budget
        EXPECT_EQ(budget.Free(), 100u - 24u);
        second.Clear();
        EXPECT_EQ(budget.Free(), 100u);
        second.Fit(1000);
    }
    EXPECT_EQ(budget.Free(), 100u);
}

// A page changed where it lies counts as changed until written back (and leaves the count when
// erased), and as used: the hand passes it over once.
TEST(IndexPageCache, APageChangedWhereItLiesIsChangedAndUsed) {
    TXbPageCache cache(2);
    const auto page = [] { return std::make_unique<TXbNodePage>(ptLeaf, 0, 1, 10); };
    for (LongWord p = 1; p <= 3; ++p)
        cache.Put(p, page(), false);
    cache.Trim(); // clears every mark and takes page 1; page 3 moves into its slot
    cache.MarkDirty(3);
    EXPECT_EQ(cache.DirtyCount(), 1u);
    cache.MarkClean();
    cache.Put(4, page(), false);
    cache.Trim(); // spares page 3, marked by its change, and takes page 2
    EXPECT_EQ(cache.Find(2), nullptr);
    EXPECT_NE(cache.Find(3), nullptr);
    cache.MarkDirty(4);
    cache.Erase(4);
    EXPECT_EQ(cache.DirtyCount(), 0u);
    EXPECT_THROW(cache.MarkDirty(4), std::logic_error);
}

// Pages live in 2 MB blocks of their own, each page apart from every other; a block goes back
// to the system once none of its pages is in use (one is kept for the next pages).
TEST(IndexPageArena, KeepsPagesApartAndGivesEmptyBlocksBack) {
    const auto Name = [](int n) {
        char text[16];
        std::snprintf(text, sizeof text, "%010d", n);
        return std::string(text);
    };
    const std::size_t before = XbPageArena::HeldBytes();
    std::vector<std::unique_ptr<TXbNodePage>> pages;
    for (int i = 0; i < 2000; ++i) {
        pages.push_back(std::make_unique<TXbNodePage>(ptLeaf, 0, 1, 10));
        for (int k = 0; k < 200; ++k) // a page nearly full, so a page running over shows
            pages.back()->AppendLeaf(Name(i * 1000 + k), static_cast<LongWord>(i));
    }
    const std::size_t block = std::size_t{2} << 20;
    EXPECT_GE(XbPageArena::HeldBytes(), before + 2000 * sizeof(TXbNodePage) / block * block);
    for (int i = 0; i < 2000; ++i) {
        const TXbNodePage& page = *pages[static_cast<std::size_t>(i)];
        ASSERT_EQ(page.Count(), 200);
        EXPECT_EQ(page.Key(0), Name(i * 1000));
        EXPECT_EQ(page.Key(199), Name(i * 1000 + 199));
        EXPECT_EQ(page.RecNo(199), static_cast<LongWord>(i));
    }
    pages.clear();
    EXPECT_LE(XbPageArena::HeldBytes(), std::max(before, block));
    auto again = std::make_unique<TXbNodePage>(ptBranch, 1, 1, 10);
    again->Insert(0, Name(1), 1, 2, 3);
    EXPECT_EQ(again->Below(0), 3u);
}

// A leaf holding count entries of keyLength bytes in order: keys that open with prefix and go on
// with bytes of alphabet, told apart by record number where they repeat.
TXbNodePage RandomLeaf(int keyLength, int count, const std::string& prefix,
                       const std::string& alphabet, std::mt19937& random) {
    std::set<std::pair<std::string, LongWord>> entries;
    while (static_cast<int>(entries.size()) < count) {
        std::string key = prefix;
        while (static_cast<int>(key.size()) < keyLength)
            key += alphabet[random() % alphabet.size()];
        entries.insert({key, static_cast<LongWord>(1 + random() % 5000)});
    }
    TXbNodePage page(ptLeaf, 0, 1, keyLength);
    for (const auto& [key, recno] : entries)
        page.AppendLeaf(key, recno);
    return page;
}

// Keys to seek in a page: its own keys, cut short or run on, and keys of the same bytes.
std::string SoughtKey(const TXbNodePage& page, const std::string& alphabet, std::mt19937& random) {
    std::string key(page.Key(static_cast<int>(random() % static_cast<unsigned>(page.Count()))));
    key.resize(1 + random() % (key.size() + 2), alphabet[random() % alphabet.size()]);
    if (random() % 3 == 0) key.back() = alphabet[random() % alphabet.size()];
    return key;
}

// Every search by key of the index, asked through the page's fence and of every entry alike.
void ExpectFenceAgrees(const TXbNodePage& page, const std::string& alphabet,
                       std::mt19937& random) {
    for (int probe = 0; probe < 150; ++probe) {
        const std::string key = SoughtKey(page, alphabet, random);
        const auto recno = static_cast<LongWord>(random() % 5002);
        const auto prefix = [&key](std::string_view k) { return k.substr(0, key.size()); };
        const auto atOrAfter = [&](const TXbNodePage& n, int i) {
            return XbKeyCompare(prefix(n.Key(i)), key) >= 0;
        };
        const auto after = [&](const TXbNodePage& n, int i) {
            return XbKeyCompare(prefix(n.Key(i)), key) > 0;
        };
        const auto entryAtOrAfter = [&](const TXbNodePage& n, int i) {
            return n.Compare(i, key, recno) >= 0;
        };
        const auto entryAfter = [&](const TXbNodePage& n, int i) {
            return n.Compare(i, key, recno) > 0;
        };
        SCOPED_TRACE(testing::PrintToString(key) + " " + std::to_string(recno));
        ASSERT_EQ(page.Search(0, atOrAfter, key), page.Search(0, atOrAfter));
        ASSERT_EQ(page.Search(0, after, key), page.Search(0, after));
        ASSERT_EQ(page.Search(0, entryAtOrAfter, key), page.Search(0, entryAtOrAfter));
        ASSERT_EQ(page.Search(0, entryAfter, key), page.Search(0, entryAfter));
    }
}

// A search by key reads a leaf's fence and then only the entries between two posts; it must
// land where a search asking every entry lands: keys sharing long beginnings, bytes above 127,
// repeated keys told apart by record number, sought keys shorter and longer than the page's,
// and after entries came and went (the fence is set up again).
TEST(IndexLeafFence, FindsWhatASearchOfEveryEntryFinds) {
    std::mt19937 random(11);
    const std::string alphabets[] = {"AB", std::string("a\x7f\x80\xff", 4), "0123456789"};
    for (const int keyLength : {1, 3, 10, 24}) {
        for (int round = 0; round < 24; ++round) {
            SCOPED_TRACE("key length " + std::to_string(keyLength) + ", round " +
                         std::to_string(round));
            const std::string& alphabet = alphabets[round % 3];
            const int capacity = XbPageCapacity(ptLeaf, keyLength);
            const int count = 1 + static_cast<int>(random() % static_cast<unsigned>(capacity - 40));
            const auto shared = static_cast<std::size_t>(round % 4) * 3;
            const std::string prefix(std::min<std::size_t>(shared, keyLength - 1), '\x90');
            TXbNodePage page = RandomLeaf(keyLength, count, prefix, alphabet, random);
            ExpectFenceAgrees(page, alphabet, random);
            // Entries come in where they belong, and others leave.
            for (int k = 0; k < 40; ++k) {
                std::string key = SoughtKey(page, alphabet, random);
                key.resize(static_cast<std::size_t>(keyLength), '\0');
                const auto recno = static_cast<LongWord>(5001 + k);
                const int at = page.Search(
                    0, [&](const TXbNodePage& n, int i) { return n.Compare(i, key, recno) >= 0; });
                page.Insert(at, key, recno, 0, 1);
            }
            ExpectFenceAgrees(page, alphabet, random);
            for (int k = 0; k < 40 && page.Count() > 1; ++k)
                page.Erase(static_cast<int>(random() % static_cast<unsigned>(page.Count())));
            ExpectFenceAgrees(page, alphabet, random);
        }
    }
}

// Searches a leaf of these keys (in order) for each of them: the search must land on the key
// and ask at most four entries (of the fifteen between two posts), five when the key is a
// post's own (of the 31 around it, where equal keys may lie).
void ExpectFewEntriesAsked(const std::vector<std::string>& keys) {
    const auto length = static_cast<int>(keys.front().size());
    TXbNodePage page(ptLeaf, 0, 1, length);
    for (std::size_t i = 0; i < keys.size(); ++i)
        page.AppendLeaf(keys[i], static_cast<LongWord>(i + 1));
    for (int i = 0; i < page.Count(); ++i) {
        const std::string& key = keys[static_cast<std::size_t>(i)];
        int asked = 0;
        const auto atOrAfter = [&](const TXbNodePage& n, int k) {
            ++asked;
            return n.Compare(k, key, 1) >= 0;
        };
        EXPECT_EQ(page.Search(0, atOrAfter, key), i);
        EXPECT_LE(asked, i % 16 == 0 ? 5 : 4) << "entry " << i << " of " << keys.size();
    }
}

// What the fence is for: a search by key asks a few entries where a binary search over the
// whole page asks six (32 entries) to eight (a full page): in pages whose keys differ within
// eight bytes after the bytes they share, in the smallest page that has a fence, where the keys
// differ only in the eighth of those bytes, and in pages of short keys.
TEST(IndexLeafFence, ASearchByKeyAsksOnlyTheEntriesBetweenTwoPosts) {
    const std::string blanks(12, ' ');
    const auto numbered = [&](int count) {
        std::vector<std::string> keys;
        for (int i = 0; i < count; ++i) {
            char digits[16];
            std::snprintf(digits, sizeof digits, "%08d", 12340000 + 7 * i + i % 5);
            keys.push_back("ABCD" + std::string(digits) + blanks);
        }
        return keys;
    };
    ExpectFewEntriesAsked(numbered(XbPageCapacity(ptLeaf, 24)));
    ExpectFewEntriesAsked(numbered(32));
    std::vector<std::string> eighth;
    for (int i = 0; i + 1 < XbPageCapacity(ptLeaf, 24); ++i)
        eighth.push_back("ABCD0000000" + std::string(1, static_cast<char>(0x20 + i)) + blanks);
    eighth.push_back("ABCD1" + std::string(19, ' '));
    ExpectFewEntriesAsked(eighth);
    // Keys of ten bytes that differ in their last two, and keys of one byte.
    std::vector<std::string> short10, single;
    for (int i = 0; i < XbPageCapacity(ptLeaf, 10); ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "K%09d", 100000 + 3 * i);
        short10.push_back(text);
    }
    ExpectFewEntriesAsked(short10);
    for (int i = 0; i < 200; ++i)
        single.push_back(std::string(1, static_cast<char>(0x20 + i)));
    ExpectFewEntriesAsked(single);
}

// Checksums are the common reflected CRC-32 (the values zlib gives), eight bytes at a time and
// byte by byte for the rest; a page's checksum skips the four bytes that hold it.
TEST(IndexChecksums, CommonCrc32OverAnyLength) {
    EXPECT_EQ(XbCrc32(0, "123456789", 9), 0xCBF43926u);
    EXPECT_EQ(XbCrc32(0, "", 0), 0u);
    std::string bytes;
    for (int i = 0; i < 768; ++i)
        bytes += static_cast<char>(i % 256);
    EXPECT_EQ(XbCrc32(0, bytes.data(), 21), 0x195881FEu);
    EXPECT_EQ(XbCrc32(0, bytes.data(), bytes.size()), 0xB0C0DF2Au);
    // Continued from an earlier part, as zlib's running value.
    EXPECT_EQ(XbCrc32(XbCrc32(0, bytes.data(), 21), bytes.data() + 21, bytes.size() - 21),
              0xB0C0DF2Au);

    std::string page(XbPageSize, '\0');
    for (std::size_t i = 0; i < page.size(); ++i)
        page[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    EXPECT_EQ(XbPageCrc(page.data(), 16 + 3 * 14), 0x612EDF03u);
}

} // namespace
