// The bytes of an index file as FORMAT.md lays them out: the header page with its tag
// directory and table state, tag definition pages, and leaf pages with their keys (numeric keys
// in their sortable form: sign, exponent, significant digits) and record numbers, each page
// with its checksum; and an index whose numeric keys have the engine's old form of 19 bytes.
#include "tests/xbase/XbFixture.h"

#include "platform/rtl/Streams.h"
#include "xbase/IndexPages.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace {

constexpr std::size_t kPage = 4096;

class XbIndexLayoutTest : public XbFixture {
protected:
    // The page of the file's bytes.
    static std::string PageOf(const std::string& file, LongWord page) {
        return file.substr(page * kPage, kPage);
    }
    static LongWord Long(const std::string& bytes, std::size_t at) {
        return DecodeLE<LongWord>(bytes.data() + at);
    }
    static Word Short(const std::string& bytes, std::size_t at) {
        return DecodeLE<Word>(bytes.data() + at);
    }
    // The leaf's entries as "key/recno " texts, checking its head and checksum on the way.
    static std::string Leaf(const std::string& page, LongWord defPage, std::size_t keyLength) {
        EXPECT_EQ(page[0], 1);                   // leaf
        EXPECT_EQ(page[1], 0);                   // level
        EXPECT_EQ(Long(page, 4), defPage);       // owning tag
        EXPECT_EQ(Long(page, 12), 0u);           // no free chain
        const std::size_t count = Short(page, 2);
        const std::size_t entry = keyLength + 4;
        EXPECT_EQ(Long(page, 8), XbPageCrc(page.data(), 16 + count * entry));
        std::string entries;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = 16 + i * entry;
            entries += page.substr(at, keyLength) + "/" +
                       std::to_string(Long(page, at + keyLength)) + " ";
        }
        EXPECT_EQ(page.find_first_not_of('\0', 16 + count * entry), std::string::npos)
            << "bytes past the entries";
        return entries;
    }
};

TEST_F(XbIndexLayoutTest, HeaderDefinitionsAndLeavesOfANewIndex) {
    ASSERT_EQ(xb_Create(Path("LAY.DBF"), {{"NAME", 'C', 10, 0, 0}, {"AMT", 'N', 8, 2, 0}}, xbCDX),
              xbOK);
    ASSERT_GT(xb_Use(Path("LAY.DBF"), "", xbModeExclusive, xbCDX), 0);
    const std::pair<const char*, double> rows[] = {{"b", 0.29}, {"a", -1.5}, {"c", 12345.67}};
    for (const auto& [name, amount] : rows) {
        ASSERT_EQ(xb_AppendEx(), 0);
        ASSERT_EQ(xb_Replace(1, xbReplaceText, name), xbOK);
        ASSERT_EQ(xb_Replace(2, xbReplaceDouble, amount), xbOK);
    }
    ASSERT_EQ(xb_IndexCreate("", "NAME", "NAME", "", 0, 0), 1);
    ASSERT_EQ(xb_IndexCreate("", "AMT", "AMT", "AMT < 20000", 1, 0), 2);
    xb_CloseAll();

    const std::string file = ReadAll(Path("LAY.CDX"));
    const std::string table = ReadAll(Path("LAY.DBF"));
    ASSERT_EQ(file.size() % kPage, 0u);
    const std::string header = PageOf(file, 0);
    EXPECT_EQ(header.substr(0, 8), std::string("VPLXIDX\x1A", 8));
    EXPECT_EQ(Short(header, 8), 2);    // format version
    EXPECT_EQ(Short(header, 10), 3);   // CDX
    EXPECT_EQ(Long(header, 12), 4096u); // page size
    const LongWord pages = Long(header, 16);
    EXPECT_EQ(pages, 5u); // the header, two definitions, two leaves
    EXPECT_EQ(pages, file.size() / kPage);
    EXPECT_EQ(Long(header, 20), 2u); // generation: from 0, one committed change per new tag
    EXPECT_EQ(Long(header, 24), 0u); // no free pages
    EXPECT_EQ(Short(header, 28), 2); // tags
    EXPECT_EQ(Short(header, 30), 0); // rebuilds
    EXPECT_EQ(Long(header, 32), 2u); // definitions: two tags added
    EXPECT_EQ(Long(header, 36), 3u); // the table's record count
    EXPECT_EQ(Long(header, 40), Long(table, 16)); // and its update stamp
    EXPECT_NE(Long(header, 44), 0u);               // and its change time
    EXPECT_GE(header.find_first_not_of('\0', 48 + 2 * 16), 4092u); // zeros up to the checksum
    EXPECT_EQ(Long(header, 4092), XbCrc32(0, header.data(), 1072));

    // Tag definitions: key type, flags, key length, decimals, then tag, key and condition.
    const struct {
        std::string Tag, Key, For;
        char Type;
        int Flags, Length, Decimals;
        std::string Leaf;
    } tags[] = {{"NAME", "NAME", "", 'C', 0, 10, 0, "a         /2 b         /1 c         /3 "},
                {"AMT", "AMT", "AMT < 20000", 'N', 1, 24, 2,
                 "049884999999999999999999/2 250029000000000000000000/1 "
                 "250512345670000000000000/3 "}};
    for (std::size_t t = 0; t < 2; ++t) {
        SCOPED_TRACE(tags[t].Tag);
        const char* entry = header.data() + 48 + 16 * t;
        const LongWord defPage = DecodeLE<LongWord>(entry);
        const LongWord root = DecodeLE<LongWord>(entry + 4);
        ASSERT_TRUE(defPage > 0 && defPage < pages && root > 0 && root < pages);
        EXPECT_EQ(DecodeLE<LongWord>(entry + 8), 3u);  // keys
        EXPECT_EQ(DecodeLE<LongWord>(entry + 12), 1u); // height: the root is a leaf

        const std::string def = PageOf(file, defPage);
        EXPECT_EQ(def[0], 4);
        EXPECT_EQ(Long(def, 4), defPage);
        EXPECT_EQ(Long(def, 8), XbPageCrc(def.data(), kPage));
        EXPECT_EQ(def[16], tags[t].Type);
        EXPECT_EQ(def[17], tags[t].Flags);
        EXPECT_EQ(Short(def, 18), tags[t].Length);
        EXPECT_EQ(Short(def, 20), tags[t].Decimals);
        std::string texts;
        for (const std::string* s : {&tags[t].Tag, &tags[t].Key, &tags[t].For})
            texts += std::string{static_cast<char>(s->size()), '\0'} + *s;
        EXPECT_EQ(def.substr(24, texts.size()), texts);

        EXPECT_EQ(Leaf(PageOf(file, root), defPage, static_cast<std::size_t>(tags[t].Length)),
                  tags[t].Leaf);
    }

    // The same index with the numeric tag in the old form (keys of 19 bytes: a sign and 18
    // digits of the value x 100, complemented when negative) does not match its table: a
    // read-only open orders the table for itself; an open that may write rebuilds it.
    {
        std::string old = file;
        const LongWord defPage = Long(header, 48 + 16);
        const LongWord leafPage = Long(header, 48 + 16 + 4);
        char* def = old.data() + defPage * kPage;
        EncodeLE<Word>(def + 18, 19);
        EncodeLE<LongWord>(def + 8, XbPageCrc(def, kPage));
        char* leaf = old.data() + leafPage * kPage;
        std::fill(leaf + 16, leaf + kPage, '\0');
        const std::pair<const char*, LongWord> keys[] = {
            {"-999999999999999849", 2}, {"0000000000000000029", 1}, {"0000000000001234567", 3}};
        for (std::size_t i = 0; i < 3; ++i) {
            std::copy_n(keys[i].first, 19, leaf + 16 + i * 23);
            EncodeLE<LongWord>(leaf + 16 + i * 23 + 19, keys[i].second);
        }
        EncodeLE<LongWord>(leaf + 8, XbPageCrc(leaf, 16 + 3 * 23));
        WriteAll(Path("LAY.CDX"), old);
    }
    ASSERT_GT(xb_Use(Path("LAY.DBF"), "", xbModeReadOnly, xbCDX), 0);
    xb_SetOrder(2);
    EXPECT_EQ(Walk(), "a b c ");
    EXPECT_EQ(xb_Seek("0.29"), 1);
    EXPECT_EQ(xb_GetTrimString(1), "b");
    xb_CloseAll();
    ASSERT_GT(xb_Use(Path("LAY.DBF"), "", xbModeExclusive, xbCDX), 0);
    xb_SetOrder(2);
    EXPECT_EQ(Walk(), "a b c ");
    EXPECT_EQ(xb_Seek("0.29"), 1);
    EXPECT_EQ(xb_GetTrimString(1), "b");
    xb_CloseAll();
    const std::string rebuilt = ReadAll(Path("LAY.CDX"));
    EXPECT_EQ(Short(PageOf(rebuilt, Long(PageOf(rebuilt, 0), 48 + 16)), 18), 24);

    // A tag defined anew takes new pages; its old definition and leaf become free pages.
    const LongWord oldDef = Long(header, 48 + 16);
    const LongWord oldLeaf = Long(header, 48 + 16 + 4);
    ASSERT_GT(xb_Use(Path("LAY.DBF"), "", xbModeExclusive, xbCDX), 0);
    ASSERT_EQ(xb_IndexCreate("", "AMT", "UPPER(NAME)", "", 0, 0), 2);
    xb_CloseAll();
    const std::string again = ReadAll(Path("LAY.CDX"));
    const std::string head = PageOf(again, 0);
    EXPECT_EQ(Long(head, 16), 7u);
    EXPECT_EQ(Long(head, 32), 3u); // definitions
    std::set<LongWord> free;
    for (LongWord p = Long(head, 24); p != 0 && free.insert(p).second && p < 7;
         p = Long(PageOf(again, p), 12))
        EXPECT_EQ(again[p * kPage], 3) << "page " << p;
    EXPECT_EQ(free, (std::set<LongWord>{oldDef, oldLeaf}));
}

// Keys that come in rising order, one insertion at a time, leave full pages behind them at
// every level. Keys of 100 bytes: 39 entries to a leaf, 36 to a branch.
TEST_F(XbIndexLayoutTest, RisingKeysLeaveFullPagesBehind) {
    ASSERT_EQ(xb_Create(Path("UP.DBF"), {{"KEY", 'C', 100, 0, 0}}, xbCDX), xbOK);
    ASSERT_GT(xb_Use(Path("UP.DBF"), "", xbModeExclusive, xbCDX), 0);
    // Unique: the blank key of each new record is no entry, so every entry comes at the end.
    ASSERT_EQ(xb_IndexCreate("", "KEY", "KEY", "", 1, 0), 1);
    // 36 full leaves take 1404 keys; the next one starts leaf 37, which splits the root branch.
    constexpr int kKeys = 1420;
    for (int i = 0; i < kKeys; ++i) {
        ASSERT_EQ(xb_AppendEx(), 0);
        char key[16];
        std::snprintf(key, sizeof key, "K%05d", i);
        ASSERT_EQ(xb_Replace(1, xbReplaceText, key), xbOK);
    }
    xb_CloseAll();

    const std::string file = ReadAll(Path("UP.CDX"));
    const std::string header = PageOf(file, 0);
    EXPECT_EQ(Long(header, 48 + 8), static_cast<LongWord>(kKeys));
    ASSERT_EQ(Long(header, 48 + 12), 3u); // root branch, branches, leaves
    const std::string root = PageOf(file, Long(header, 48 + 4));
    EXPECT_EQ(root[0], 2);
    EXPECT_EQ(root[1], 2);
    ASSERT_EQ(Short(root, 2), 2);
    const std::size_t branchEntry = 100 + 12;
    const LongWord left = Long(root, 16 + 100 + 4);
    const LongWord right = Long(root, 16 + branchEntry + 100 + 4);
    EXPECT_EQ(Long(root, 16 + 100 + 8), 36u * 39);
    EXPECT_EQ(Long(root, 16 + branchEntry + 100 + 8), static_cast<LongWord>(kKeys - 36 * 39));
    const std::string full = PageOf(file, left);
    EXPECT_EQ(full[1], 1);
    ASSERT_EQ(Short(full, 2), 36);
    for (int i = 0; i < 36; ++i) {
        const std::size_t at = 16 + static_cast<std::size_t>(i) * branchEntry;
        EXPECT_EQ(Long(full, at + 100 + 8), 39u) << "leaf " << i;
        char key[16];
        std::snprintf(key, sizeof key, "K%05d", i * 39);
        EXPECT_EQ(full.substr(at, 6), key);
    }
    EXPECT_EQ(Short(PageOf(file, right), 2), 1);
}

// Entries that leave an order one by one empty its first leaf: the page goes, and the root
// branch left with one child gives way to it.
TEST_F(XbIndexLayoutTest, AnEmptiedLeafGoesAndTheTreeShrinks) {
    ASSERT_EQ(xb_Create(Path("DOWN.DBF"), {{"KEY", 'C', 100, 0, 0}}, xbCDX), xbOK);
    ASSERT_GT(xb_Use(Path("DOWN.DBF"), "", xbModeExclusive, xbCDX), 0);
    ASSERT_EQ(xb_IndexCreate("", "KEY", "KEY", "KEY < 'Z'", 1, 0), 1);
    for (int i = 0; i < 50; ++i) { // 39 keys fill the first leaf, 11 go to the second
        ASSERT_EQ(xb_AppendEx(), 0);
        ASSERT_EQ(xb_Replace(1, xbReplaceText, "K" + std::to_string(100 + i)), xbOK);
    }
    ASSERT_EQ(xb_Commit(), xbOK);
    EXPECT_EQ(Long(ReadAll(Path("DOWN.CDX")), 48 + 12), 2u);
    for (LongInt r = 1; r <= 39; ++r) {
        ASSERT_EQ(xb_Go(r), xbOK);
        ASSERT_EQ(xb_Replace(1, xbReplaceText, "Z"), xbOK); // out of the order
    }
    xb_CloseAll();
    // The leaf the batch took and gave back was never written: the file still holds every
    // page the header counts, and opens again.
    const std::string file = ReadAll(Path("DOWN.CDX"));
    const std::string header = file.substr(0, kPage);
    EXPECT_GE(file.size(), Long(header, 16) * kPage);
    EXPECT_EQ(Long(header, 48 + 8), 11u);
    EXPECT_EQ(Long(header, 48 + 12), 1u);
    ASSERT_GT(xb_Use(Path("DOWN.DBF"), "", xbModeShared, xbCDX), 0) << xb_LastErrorText();
    xb_SetOrder(1);
    xb_GoTop();
    EXPECT_EQ(xb_GetTrimString(1), "K139");
}

} // namespace
