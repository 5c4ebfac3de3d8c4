#include "xbase/XbIndex.h"

#include "xbase/IndexPages.h"

#include "tests/rtl/ChildProcesses.h"
#include "tests/rtl/TestFolder.h"
#include "tests/xbase/XbTestRecords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using TEntries = std::vector<std::pair<std::string, LongInt>>;

class XbIndexTest : public ::testing::Test {
protected:
    XbIndexTest()
        : records_(
              {{"NAME", 'C', 10, 0}, {"AMT", 'N', 10, 2}, {"DT", 'D', 8, 0}, {"FLAG", 'L', 1, 0}}) {
    }

    std::string Path(const std::string& name) const { return folder_ / name; }
    TXbRecordLoader Loader() {
        return [this](LongInt recno) { return records_.Go(recno); };
    }
    void AddRecords(int count, int distinctNames, unsigned seed) {
        std::mt19937 rng(seed);
        for (int i = 0; i < count; ++i) {
            const int n = static_cast<int>(rng() % static_cast<unsigned>(distinctNames));
            char name[16], amt[32], dt[16];
            std::snprintf(name, sizeof name, "N%05d", n);
            std::snprintf(amt, sizeof amt, "%.2f", static_cast<double>(rng() % 20001) / 10 - 1000);
            std::snprintf(dt, sizeof dt, "2024%02d%02d", 1 + n % 12, 1 + n % 28);
            records_.Add({name, amt, dt, n % 3 == 0 ? "T" : "F"});
        }
    }
    TXbOrder* Create(TXbIndexFile& file, const std::string& name, TXbOrderDef def,
                     TXbIndexKind kind = ikCDX) {
        EXPECT_EQ(file.Create(Path(name), kind, records_), isOk);
        EXPECT_EQ(file.AddOrder(def, records_, records_.Count(), Loader()), isOk);
        return file.FindOrder(def.Tag);
    }
    // Creates the index file name with the one order def, and closes it.
    void CreateClosed(const std::string& name, const TXbOrderDef& def) {
        TXbIndexFile file;
        Create(file, name, def);
    }
    // The key order gives the current record; included tells whether its condition admits it.
    std::string KeyOf(TXbOrder& order, bool& included) {
        std::string key;
        EXPECT_EQ(order.KeyOf(records_, key, included), isOk);
        return key;
    }
    std::string KeyOf(TXbOrder& order) {
        bool included;
        return KeyOf(order, included);
    }
    // The entries in order, walked forwards (or backwards and reversed).
    static TEntries Walk(TXbOrder& order, bool backwards = false) {
        TEntries out;
        TXbKeyPos pos;
        TXbIndexStatus st = backwards ? order.Last(pos) : order.First(pos);
        while (st == isOk) {
            out.push_back({pos.Key, pos.RecNo});
            st = backwards ? order.Prev(pos) : order.Next(pos);
        }
        EXPECT_EQ(st, isEnd);
        if (backwards) std::reverse(out.begin(), out.end());
        return out;
    }
    // The entries the order should hold, from the records, in key sequence.
    TEntries Expected(TXbOrder& order, bool descending = false) {
        TEntries out;
        for (LongInt r = 1; r <= records_.Count(); ++r) {
            records_.Go(r);
            bool included = false;
            const std::string key = KeyOf(order, included);
            if (included) out.push_back({key, r});
        }
        std::sort(out.begin(), out.end());
        if (descending) std::reverse(out.begin(), out.end());
        return out;
    }
    void CorruptByte(const std::string& name, long offset) {
        std::fstream f(Path(name), std::ios::in | std::ios::out | std::ios::binary);
        f.seekg(offset);
        const char c = static_cast<char>(f.get() ^ 0x5A);
        f.seekp(offset);
        f.put(c);
    }

    TTestFolder folder_;
    TTestRecords records_;
};

TEST_F(XbIndexTest, BuildsAndWalksBothWays) {
    AddRecords(3000, 400, 1);
    TXbIndexFile file;
    TXbOrder* order = Create(file, "t.cdx", {"NAME", "NAME", "", false, false});
    ASSERT_NE(order, nullptr);
    EXPECT_EQ(order->KeyType(), 'C');
    EXPECT_EQ(order->KeyLength(), 10);
    EXPECT_EQ(order->KeyCount(), 3000);
    const TEntries expected = Expected(*order);
    EXPECT_EQ(Walk(*order), expected);
    EXPECT_EQ(Walk(*order, true), expected);
}

TEST_F(XbIndexTest, InsertsAndDeletesInRandomOrder) {
    TXbIndexFile file;
    TXbOrder* order = Create(file, "r.ntx", {"R", "UPPER(NAME)", "", false, false}, ikNTX);
    ASSERT_NE(order, nullptr);
    AddRecords(4000, 300, 2);
    std::vector<LongInt> recnos(4000);
    for (LongInt i = 0; i < 4000; ++i)
        recnos[static_cast<std::size_t>(i)] = i + 1;
    std::shuffle(recnos.begin(), recnos.end(), std::mt19937(3));
    std::set<std::pair<std::string, LongInt>> model;
    for (LongInt r : recnos) {
        records_.Go(r);
        const std::string key = KeyOf(*order);
        ASSERT_EQ(order->Insert(key, r), isOk);
        model.insert({key, r});
    }
    EXPECT_EQ(Walk(*order), TEntries(model.begin(), model.end()));
    EXPECT_EQ(order->KeyCount(), 4000);
    // Inserting an entry that is there already changes nothing.
    EXPECT_EQ(order->Insert(model.begin()->first, model.begin()->second), isOk);
    EXPECT_EQ(order->KeyCount(), 4000);

    int n = 0;
    for (LongInt r : recnos) {
        if (++n % 4 == 0) continue;
        records_.Go(r);
        const std::string key = KeyOf(*order);
        ASSERT_EQ(order->Delete(key, r), isOk);
        model.erase({key, r});
    }
    EXPECT_EQ(Walk(*order), TEntries(model.begin(), model.end()));
    EXPECT_EQ(Walk(*order, true), TEntries(model.begin(), model.end()));
    EXPECT_EQ(order->Delete("NOSUCHKEY ", 5), isNotFound);
    EXPECT_EQ(order->Delete("NOSUCHKEY ", 0), isBadDefinition); // no record 0
    EXPECT_EQ(order->Delete("SHORT", 5), isBadDefinition);      // not a key of the order
    for (const auto& [key, r] : TEntries(model.begin(), model.end()))
        ASSERT_EQ(order->Delete(key, r), isOk);
    TXbKeyPos pos;
    EXPECT_EQ(order->First(pos), isEnd);
    EXPECT_EQ(order->Last(pos), isEnd);
    EXPECT_EQ(order->KeyCount(), 0);
}

TEST_F(XbIndexTest, NextAndPrevFromPositionsBetweenEntries) {
    for (const char* name : {"B", "D", "F"})
        records_.Add({name, "1", "", "T"});
    TXbIndexFile file;
    TXbOrder* order = Create(file, "n.cdx", {"NAME", "NAME", "", false, false});
    TXbKeyPos pos{order->SearchKey("C"), 0};
    pos.Key.resize(10, ' ');
    ASSERT_EQ(order->Next(pos), isOk);
    EXPECT_EQ(pos.RecNo, 2);
    pos = {std::string("E") + std::string(9, ' '), 7};
    ASSERT_EQ(order->Prev(pos), isOk);
    EXPECT_EQ(pos.RecNo, 2);
    pos = {std::string("F") + std::string(9, ' '), 3};
    EXPECT_EQ(order->Next(pos), isEnd);
    EXPECT_EQ(pos.RecNo, 3); // unchanged at the end
    pos = {std::string("B") + std::string(9, ' '), 1};
    EXPECT_EQ(order->Prev(pos), isEnd);
}

TEST_F(XbIndexTest, SeeksExactPrefixAndSoft) {
    for (const char* name : {"SMITH", "SMITHSON", "JONES", "SMITH", "ADAMS"})
        records_.Add({name, "0", "", "F"});
    TXbIndexFile file;
    TXbOrder* order = Create(file, "s.cdx", {"NAME", "NAME", "", false, false});
    TXbKeyPos pos;
    ASSERT_EQ(order->Seek(order->SearchKey("SMITH"), false, pos), isOk);
    EXPECT_EQ(pos.RecNo, 1); // first of the duplicates
    ASSERT_EQ(order->Seek(order->SearchKey("SMI"), false, pos), isOk);
    EXPECT_EQ(pos.RecNo, 1);
    ASSERT_EQ(order->Seek(order->SearchKey("SMITHS"), false, pos), isOk);
    EXPECT_EQ(pos.RecNo, 2);
    // Exact: the whole key, trailing blanks ignored.
    EXPECT_EQ(order->Seek(order->SearchKey("SMI"), true, pos), isNotFound);
    ASSERT_EQ(order->Seek(order->SearchKey("SMITH"), true, pos), isOk);
    EXPECT_EQ(pos.RecNo, 1);
    ASSERT_EQ(order->Seek(order->SearchKey("SMITH        "), true, pos), isOk);
    EXPECT_EQ(order->Seek(order->SearchKey("SMITH      X"), true, pos), isNotFound);
    // A trailing blank in a prefix counts.
    ASSERT_EQ(order->Seek(order->SearchKey("SMITH "), false, pos), isOk);
    EXPECT_EQ(pos.RecNo, 1);
    // Soft: the next greater key, or nothing.
    ASSERT_EQ(order->Seek(order->SearchKey("B"), false, pos), isNotFound);
    EXPECT_EQ(pos.RecNo, 3);
    ASSERT_EQ(order->Seek(order->SearchKey("SMITHT"), false, pos), isEnd);
    ASSERT_EQ(order->Seek(order->SearchKey(""), false, pos), isOk);
    EXPECT_EQ(pos.RecNo, 5);
}

TEST_F(XbIndexTest, SeeksAgreeWithASortedModel) {
    std::mt19937 rng(15);
    const auto word = [&rng](std::size_t most) {
        std::string w;
        for (std::size_t n = rng() % (most + 1); n > 0; --n)
            w += static_cast<char>('A' + rng() % 3);
        return w;
    };
    for (int i = 0; i < 1500; ++i)
        records_.Add({word(5), "0", "", "F"});
    TXbIndexFile file;
    ASSERT_EQ(file.Create(Path("m.cdx"), ikCDX, records_), isOk);
    for (bool descending : {false, true}) {
        const std::string tag = descending ? "DOWN" : "UP";
        ASSERT_EQ(file.AddOrder({tag, "NAME", "", false, descending}, records_, 1500, Loader()),
                  isOk);
        TXbOrder* order = file.FindOrder(tag);
        const TEntries model = Expected(*order, descending);
        for (int probe = 0; probe < 300; ++probe) {
            const std::string text = word(6);
            const bool exact = probe % 3 == 0;
            std::string target = text;
            if (exact) target.resize(10, ' ');
            const auto prefix = [&](const std::string& key) {
                return key.substr(0, target.size());
            };
            // The first entry in order that matches, else the first that comes after the text.
            auto hit = std::find_if(model.begin(), model.end(),
                                    [&](const auto& e) { return prefix(e.first) == target; });
            const TXbIndexStatus want = hit != model.end() ? isOk : isNotFound;
            if (hit == model.end())
                hit = std::find_if(model.begin(), model.end(), [&](const auto& e) {
                    return descending ? prefix(e.first) < target : prefix(e.first) > target;
                });
            TXbKeyPos pos;
            const TXbIndexStatus got = order->Seek(order->SearchKey(text), exact, pos);
            if (hit == model.end()) {
                EXPECT_EQ(got, isEnd) << tag << " '" << text << "'";
                continue;
            }
            EXPECT_EQ(got, want) << tag << " '" << text << "'";
            EXPECT_EQ(pos, (TXbKeyPos{hit->first, hit->second})) << tag << " '" << text << "'";
            EXPECT_EQ(order->Position(pos), hit - model.begin() + 1);
        }
    }
}

TEST_F(XbIndexTest, DescendingOrders) {
    AddRecords(500, 60, 4);
    TXbIndexFile file;
    TXbOrder* order = Create(file, "d.cdx", {"DESC", "NAME", "", false, true});
    ASSERT_NE(order, nullptr);
    const TEntries expected = Expected(*order, true);
    EXPECT_EQ(Walk(*order), expected);
    EXPECT_EQ(Walk(*order, true), expected);
    for (std::size_t i = 0; i < expected.size(); i += 37) {
        const TXbKeyPos pos{expected[i].first, expected[i].second};
        EXPECT_EQ(order->Position(pos), static_cast<LongInt>(i + 1));
    }
    // The first match in descending order; a soft seek lands on the next lower key.
    TXbKeyPos pos;
    ASSERT_EQ(order->Seek(order->SearchKey("N00010"), false, pos), isOk);
    EXPECT_EQ(pos.Key.substr(0, 6), "N00010");
    TXbKeyPos prev = pos;
    EXPECT_TRUE(order->Prev(prev) == isEnd || prev.Key.substr(0, 6) > "N00010");
    ASSERT_EQ(order->Seek(order->SearchKey("N00010A"), false, pos), isNotFound);
    EXPECT_EQ(pos.Key.substr(0, 6), "N00010");
    ASSERT_EQ(order->Seek(order->SearchKey("A"), false, pos), isEnd);
    ASSERT_EQ(order->Seek(order->SearchKey("Z"), false, pos), isNotFound);
    EXPECT_EQ(pos, (TXbKeyPos{expected.front().first, expected.front().second}));
}

TEST_F(XbIndexTest, PositionsAndCounts) {
    AddRecords(2000, 2000, 5);
    TXbIndexFile file;
    TXbOrder* order = Create(file, "p.cdx", {"NAME", "NAME", "", false, false});
    const TEntries expected = Expected(*order);
    for (std::size_t i = 0; i < expected.size(); i += 97) {
        const TXbKeyPos pos{expected[i].first, expected[i].second};
        EXPECT_EQ(order->Position(pos), static_cast<LongInt>(i + 1));
    }
    EXPECT_EQ(order->Position({expected.back().first, expected.back().second}), 2000);
    EXPECT_EQ(order->Position({std::string(10, '\xFF'), 1}), 2001);
    EXPECT_EQ(order->KeyCount(), 2000);
}

TEST_F(XbIndexTest, UniqueOrdersRefuseASecondRecord) {
    records_.Add({"ALPHA", "1", "", "F"});
    records_.Add({"BETA", "2", "", "F"});
    TXbIndexFile file;
    TXbOrder* order = Create(file, "u.cdx", {"UNAME", "NAME", "", true, false});
    ASSERT_NE(order, nullptr);
    const std::string alpha = order->SearchKey("ALPHA     ");
    EXPECT_EQ(order->CheckUnique(alpha, 3), isDuplicate);
    EXPECT_EQ(order->CheckUnique(alpha, 1), isOk); // the record's own key
    EXPECT_EQ(order->Insert(alpha, 3), isDuplicate);
    EXPECT_EQ(order->Replace(true, order->SearchKey("BETA      "), true, alpha, 2), isDuplicate);
    EXPECT_EQ(Walk(*order).size(), 2u); // nothing changed
    EXPECT_EQ(order->Replace(true, order->SearchKey("BETA      "), true,
                             order->SearchKey("GAMMA     "), 2),
              isOk);
    EXPECT_EQ(order->CheckUnique(order->SearchKey("BETA      "), 3), isOk);
    // An old entry that is missing already does not stop a replacement.
    const std::string missing = order->SearchKey("NOSUCH    ");
    EXPECT_EQ(order->Replace(true, missing, false, {}, 7), isOk);
    EXPECT_EQ(order->Replace(true, missing, true, order->SearchKey("DELTA     "), 7), isOk);
    EXPECT_EQ(Walk(*order).size(), 3u);
    EXPECT_EQ(order->Delete(missing, 7), isNotFound);
    EXPECT_EQ(order->Insert("short", 9), isBadDefinition);

    // Building over duplicates keeps the first record of each key.
    records_.Add({"ALPHA", "3", "", "F"});
    TXbIndexFile other;
    TXbOrder* built = Create(other, "u2.cdx", {"UNAME", "NAME", "", true, false});
    const TEntries entries = Walk(*built);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].second, 1);
}

TEST_F(XbIndexTest, ForConditionsLeaveRecordsOut) {
    AddRecords(300, 50, 6);
    TXbIndexFile file;
    TXbOrder* order = Create(file, "f.cdx", {"PAID", "NAME", "FLAG .AND. AMT > 0", false, false});
    ASSERT_NE(order, nullptr);
    const TEntries expected = Expected(*order);
    EXPECT_LT(expected.size(), 300u);
    EXPECT_GT(expected.size(), 0u);
    EXPECT_EQ(Walk(*order), expected);
    records_.Add({"X", "-5", "", "T"});
    bool included = true;
    KeyOf(*order, included);
    EXPECT_FALSE(included);
    EXPECT_EQ(order->ForExpr(), "FLAG .AND. AMT > 0");
}

TEST_F(XbIndexTest, NumericDateAndLogicalKeys) {
    for (const char* amt : {"5", "-12.5", "0", "1000000", "-0.01", "-1000", "3.14"})
        records_.Add({"A", amt, "20240105", amt[0] == '-' ? "T" : "F"});
    TXbIndexFile file;
    ASSERT_EQ(file.Create(Path("k.cdx"), ikCDX, records_), isOk);
    ASSERT_EQ(file.AddOrder({"AMT", "AMT", "", false, false}, records_, 7, Loader()), isOk);
    ASSERT_EQ(file.AddOrder({"DT", "DT", "", false, false}, records_, 7, Loader()), isOk);
    ASSERT_EQ(file.AddOrder({"FLAG", "FLAG", "", false, false}, records_, 7, Loader()), isOk);
    TXbOrder* amt = file.FindOrder("amt");
    ASSERT_NE(amt, nullptr);
    EXPECT_EQ(amt->KeyType(), 'N');
    std::vector<std::string> texts;
    for (const auto& [key, r] : Walk(*amt))
        texts.push_back(amt->KeyText(key));
    EXPECT_EQ(texts, (std::vector<std::string>{"-1000.00", "-12.50", "-0.01", "0.00", "3.14",
                                               "5.00", "1000000.00"}));
    TXbKeyPos pos;
    ASSERT_EQ(amt->Seek(amt->SearchKey("-12.5"), true, pos), isOk);
    EXPECT_EQ(pos.RecNo, 2);
    ASSERT_EQ(amt->Seek(amt->SearchKey("4"), false, pos), isNotFound);
    EXPECT_EQ(pos.RecNo, 1);

    TXbOrder* dt = file.FindOrder("DT");
    EXPECT_EQ(dt->KeyType(), 'D');
    ASSERT_EQ(dt->Seek(dt->SearchKey("202401"), false, pos), isOk);
    EXPECT_EQ(dt->KeyText(pos.Key), "20240105");

    TXbOrder* flag = file.FindOrder("FLAG");
    EXPECT_EQ(flag->KeyType(), 'L');
    ASSERT_EQ(flag->First(pos), isOk);
    EXPECT_EQ(pos.Key, ".F.");
    ASSERT_EQ(flag->Seek(flag->SearchKey("T"), true, pos), isOk);
    EXPECT_EQ(pos.Key, ".T.");
    EXPECT_EQ(flag->KeyField(), "FLAG");

    // A number too wide for a key takes the widest key of its sign: it sorts past every other.
    EXPECT_GT(amt->SearchKey("50000000000000000"), amt->SearchKey("1000000"));
    EXPECT_LT(amt->SearchKey("-50000000000000000"), amt->SearchKey("-1000"));
}

TEST_F(XbIndexTest, ScopesCompareByPrefix) {
    records_.Add({"SMITH", "0", "", "F"});
    TXbIndexFile file;
    TXbOrder* order = Create(file, "sc.cdx", {"NAME", "NAME", "", false, false});
    const std::string key = order->SearchKey("SMITH     ");
    EXPECT_TRUE(order->InScope(key, "SMITH", "SMITH"));
    EXPECT_TRUE(order->InScope(key, "SM", ""));
    EXPECT_TRUE(order->InScope(key, "", "SN"));
    EXPECT_FALSE(order->InScope(key, "SN", ""));
    EXPECT_FALSE(order->InScope(key, "", "SMA"));
    EXPECT_TRUE(order->InScope(key, "", ""));
}

TEST_F(XbIndexTest, ReopensWithTagsAndKeys) {
    AddRecords(1000, 100, 7);
    {
        TXbIndexFile file;
        Create(file, "o.nsx", {"NAME", "NAME", "", false, false}, ikNSX);
        ASSERT_EQ(file.AddOrder({"AMT", "AMT", "AMT > 0", false, true}, records_, 1000, Loader()),
                  isOk);
        TXbOrder* name = file.FindOrder("NAME");
        records_.Add({"ZZZ", "1", "", "T"});
        ASSERT_EQ(name->Insert(KeyOf(*name), records_.Count()), isOk);
    }
    TXbIndexFile file;
    ASSERT_EQ(file.Open(Path("o.nsx"), false, records_), isOk);
    EXPECT_EQ(file.Kind(), ikNSX);
    EXPECT_TRUE(file.MultiTag());
    ASSERT_EQ(file.OrderCount(), 2);
    EXPECT_EQ(file.Order(0)->Tag(), "NAME");
    EXPECT_EQ(file.Order(1)->Tag(), "AMT");
    EXPECT_EQ(file.Order(2), nullptr);
    EXPECT_TRUE(file.Order(1)->Descending());
    EXPECT_EQ(file.Order(1)->ForExpr(), "AMT > 0");
    EXPECT_EQ(Walk(*file.Order(0)), Expected(*file.Order(0)));
    EXPECT_EQ(file.Order(0)->KeyCount(), 1001);
    records_.Go(1);
    EXPECT_EQ(file.Order(0)->Insert(KeyOf(*file.Order(0)), 5000), isReadOnly);
    EXPECT_EQ(file.Reindex(records_, records_.Count(), Loader()), isReadOnly);
    EXPECT_EQ(file.AddOrder({"NEW", "NAME", "", false, false}, records_, 1, Loader()), isReadOnly);
    EXPECT_EQ(file.OrderCount(), 2);
}

TEST_F(XbIndexTest, ReplacingTags) {
    AddRecords(200, 20, 8);
    TXbIndexFile file;
    TXbOrder* k = Create(file, "rt.cdx", {"K", "NAME", "", false, false});
    ASSERT_EQ(file.AddOrder({"K", "AMT", "", false, false}, records_, 200, Loader()), isOk);
    ASSERT_EQ(file.OrderCount(), 1);
    EXPECT_EQ(file.Order(0), k); // the same order object, with the new definition
    EXPECT_EQ(k->KeyType(), 'N');
    EXPECT_EQ(Walk(*k), Expected(*k));
    TXbIndexFile single;
    TXbOrder* one = Create(single, "one.ntx", {"ONE", "NAME", "", false, false}, ikNTX);
    ASSERT_EQ(single.AddOrder({"TWO", "AMT", "", false, false}, records_, 200, Loader()), isOk);
    ASSERT_EQ(single.OrderCount(), 1);
    EXPECT_EQ(single.Order(0), one);
    EXPECT_EQ(single.Order(0)->Tag(), "TWO");
    EXPECT_EQ(Walk(*single.Order(0)), Expected(*single.Order(0)));

    // A single-order file whose directory lists two tags (as another writer may leave it) holds
    // only the new order once one is added; the order of the tag that left stays usable.
    TXbIndexFile two;
    Create(two, "two.ntx", {"ONE", "NAME", "", false, false});
    ASSERT_EQ(two.AddOrder({"TWO", "AMT", "", false, false}, records_, 200, Loader()), isOk);
    two.Close();
    {
        std::fstream f(Path("two.ntx"), std::ios::in | std::ios::out | std::ios::binary);
        std::string header(4096, '\0');
        f.read(header.data(), 4096);
        header[10] = static_cast<char>(ikNTX);
        const LongWord crc = XbCrc32(0, header.data(), 48 + 16 * 64);
        for (int i = 0; i < 4; ++i)
            header[static_cast<std::size_t>(4092 + i)] = static_cast<char>(crc >> (8 * i));
        f.seekp(0);
        f.write(header.data(), 4096);
    }
    ASSERT_EQ(two.Open(Path("two.ntx"), true, records_), isOk);
    ASSERT_EQ(two.Kind(), ikNTX);
    ASSERT_EQ(two.OrderCount(), 2);
    TXbOrder* left = two.Order(1);
    ASSERT_EQ(two.AddOrder({"NEW", "NAME", "", false, false}, records_, 200, Loader()), isOk);
    ASSERT_EQ(two.OrderCount(), 1);
    EXPECT_EQ(two.Order(0)->Tag(), "NEW");
    EXPECT_EQ(two.Order(0)->KeyType(), 'C');
    EXPECT_EQ(Walk(*two.Order(0)), Expected(*two.Order(0)));
    EXPECT_EQ(left->Tag(), "TWO");
    TXbKeyPos pos;
    EXPECT_EQ(left->First(pos), isNoOrder);
}

TEST_F(XbIndexTest, BadDefinitionsAreRefused) {
    records_.Add({"A", "1", "", "F"});
    TXbIndexFile file;
    ASSERT_EQ(file.Create(Path("bad.cdx"), ikCDX, records_), isOk);
    EXPECT_EQ(file.AddOrder({"X", "NOSUCH", "", false, false}, records_, 1, Loader()),
              isBadExpression);
    EXPECT_EQ(file.AddOrder({"X", "NAME", "AMT", false, false}, records_, 1, Loader()),
              isBadExpression); // a FOR condition must be logical
    EXPECT_EQ(file.AddOrder({"", "NAME", "", false, false}, records_, 1, Loader()),
              isBadDefinition);
    EXPECT_EQ(file.AddOrder({"A B", "NAME", "", false, false}, records_, 1, Loader()),
              isBadDefinition);
    EXPECT_EQ(
        file.AddOrder({std::string(129, 'T'), "NAME", "", false, false}, records_, 1, Loader()),
        isBadDefinition);
    EXPECT_EQ(file.AddOrder({"X", "PADR(NAME, 300)", "", false, false}, records_, 1, Loader()),
              isBadDefinition);
    EXPECT_EQ(
        file.AddOrder({"X", "NAME", "", false, false}, records_, 1, [](LongInt) { return false; }),
        isIoError);
    EXPECT_EQ(file.OrderCount(), 0);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(file.AddOrder({"T" + std::to_string(i), "NAME", "", false, false}, records_, 1,
                                Loader()),
                  isOk);
    EXPECT_EQ(file.AddOrder({"MORE", "NAME", "", false, false}, records_, 1, Loader()),
              isBadDefinition);
    EXPECT_EQ(file.FindOrder("t63")->KeyCount(), 1);
}

TEST_F(XbIndexTest, ForeignAndDamagedFilesAreRefused) {
    AddRecords(3000, 3000, 9);
    CreateClosed("dmg.cdx", {"NAME", "NAME", "", false, false});
    std::ofstream(Path("foreign.cdx")) << "this is not an index file at all";
    TXbIndexFile file;
    EXPECT_EQ(file.Open(Path("foreign.cdx"), true, records_), isForeign);
    std::ofstream(Path("empty.cdx")).close();
    EXPECT_EQ(file.Open(Path("empty.cdx"), true, records_), isForeign);
    EXPECT_EQ(file.Open(Path("missing.cdx"), true, records_), isIoError);
    EXPECT_FALSE(file.IsOpen());

    std::filesystem::copy_file(Path("dmg.cdx"), Path("hdr.cdx"));
    CorruptByte("hdr.cdx", 40);
    EXPECT_EQ(file.Open(Path("hdr.cdx"), true, records_), isDamaged);
    std::filesystem::copy_file(Path("dmg.cdx"), Path("cut.cdx"));
    ASSERT_EQ(::truncate(Path("cut.cdx").c_str(), 4096 * 3), 0);
    EXPECT_EQ(file.Open(Path("cut.cdx"), true, records_), isDamaged);
    // A key expression the table cannot compile any more.
    TTestRecords otherTable({{"OTHER", 'C', 5, 0}});
    EXPECT_EQ(file.Open(Path("dmg.cdx"), true, otherTable), isBadExpression);
}

TEST_F(XbIndexTest, DamagedPagesFailCleanlyAndReindexRepairs) {
    AddRecords(3000, 3000, 10);
    CreateClosed("pg.cdx", {"NAME", "NAME", "", false, false});
    CorruptByte("pg.cdx", 4096 * 5 + 100); // inside a tree page
    TXbIndexFile file;
    ASSERT_EQ(file.Open(Path("pg.cdx"), true, records_), isOk);
    TXbOrder* order = file.FindOrder("NAME");
    TXbKeyPos pos;
    TXbIndexStatus st = order->First(pos);
    for (int steps = 0; st == isOk && steps < 5000; ++steps)
        st = order->Next(pos);
    EXPECT_EQ(st, isDamaged);
    // A change that reaches the damaged page is refused too; pos is the last entry before it.
    EXPECT_EQ(order->Insert(pos.Key, 99999), isDamaged);
    EXPECT_EQ(order->Position({pos.Key, 99999}), 0);
    // A batch that meets the damage is forgotten at its end: the next change is a change of its
    // own again, on disk at once for another opening.
    ASSERT_EQ(file.BeginUpdate(), isOk);
    EXPECT_EQ(order->Insert(pos.Key, 99999), isDamaged);
    EXPECT_EQ(file.EndUpdate(), isDamaged);
    ASSERT_EQ(order->Insert("AAAAAAAAAA", 99998), isOk);
    {
        TXbIndexFile other;
        ASSERT_EQ(other.Open(Path("pg.cdx"), false, records_), isOk);
        EXPECT_EQ(other.Order(0)->KeyCount(), 3001);
    }

    ASSERT_EQ(file.Reindex(records_, records_.Count(), Loader()), isOk);
    EXPECT_EQ(Walk(*order), Expected(*order));
    file.Close();
    ASSERT_EQ(file.Open(Path("pg.cdx"), true, records_), isOk);
    EXPECT_EQ(Walk(*file.Order(0)), Expected(*file.Order(0)));
}

TEST_F(XbIndexTest, PagesInTheWrongPlaceAreDamage) {
    AddRecords(3000, 3000, 14);
    CreateClosed("sw.cdx", {"NAME", "NAME", "", false, false});
    // Two intact leaves change places: each passes its own checks, not its parent's.
    std::fstream f(Path("sw.cdx"), std::ios::in | std::ios::out | std::ios::binary);
    std::string a(4096, '\0'), b(4096, '\0');
    f.seekg(4096 * 2);
    f.read(a.data(), 4096);
    f.read(b.data(), 4096);
    f.seekp(4096 * 2);
    f.write(b.data(), 4096);
    f.write(a.data(), 4096);
    f.close();
    TXbIndexFile file;
    ASSERT_EQ(file.Open(Path("sw.cdx"), true, records_), isOk);
    TXbKeyPos pos;
    EXPECT_EQ(file.Order(0)->First(pos), isDamaged);
    TXbIndexStatus st = file.Order(0)->Last(pos);
    for (int steps = 0; st == isOk && steps < 5000; ++steps)
        st = file.Order(0)->Prev(pos);
    EXPECT_EQ(st, isDamaged);
}

TEST_F(XbIndexTest, ReindexFollowsTheTableAndCompacts) {
    AddRecords(2000, 500, 11);
    TXbIndexFile file;
    TXbOrder* order = Create(file, "ri.cdx", {"NAME", "NAME", "", false, false});
    ASSERT_EQ(file.AddOrder({"AMT", "AMT", "", false, false}, records_, 2000, Loader()), isOk);
    for (LongInt r = 1; r <= 2000; r += 2)
        records_.Set(r, 0, "CHANGED");
    ASSERT_EQ(file.Reindex(records_, 2000, Loader()), isOk);
    EXPECT_EQ(Walk(*order), Expected(*order));
    EXPECT_EQ(Walk(*file.FindOrder("AMT")), Expected(*file.FindOrder("AMT")));
    const long before = static_cast<long>(std::ifstream(Path("ri.cdx"), std::ios::ate).tellg());
    ASSERT_EQ(file.Reindex(records_, 2000, Loader()), isOk);
    const long after = static_cast<long>(std::ifstream(Path("ri.cdx"), std::ios::ate).tellg());
    EXPECT_EQ(before, after); // rebuilt in place, not grown
    ASSERT_EQ(file.Reindex(records_, 0, Loader()), isOk);
    EXPECT_EQ(order->KeyCount(), 0);
}

// An index file object closed after an exclusive opening and opened again shared writes each
// change at once, as any shared opening: another opening sees it.
TEST_F(XbIndexTest, AnOpeningAfterAnExclusiveOneIsShared) {
    AddRecords(20, 20, 12);
    TXbIndexFile writer;
    Create(writer, "ex.cdx", {"NAME", "NAME", "", false, false});
    writer.SetExclusive(true);
    writer.Close();
    ASSERT_EQ(writer.Open(Path("ex.cdx"), true, records_), isOk);
    TXbIndexFile reader;
    ASSERT_EQ(reader.Open(Path("ex.cdx"), false, records_), isOk);
    ASSERT_EQ(writer.FindOrder("NAME")->Insert("AAAAAAAAAA", 21), isOk);
    EXPECT_EQ(reader.FindOrder("NAME")->KeyCount(), 21);
}

TEST_F(XbIndexTest, TwoOpeningsSeeEachOthersChanges) {
    AddRecords(100, 100, 12);
    TXbIndexFile writer;
    TXbOrder* w = Create(writer, "sh.cdx", {"NAME", "NAME", "", false, false});
    TXbIndexFile reader;
    ASSERT_EQ(reader.Open(Path("sh.cdx"), true, records_), isOk);
    TXbOrder* r = reader.FindOrder("NAME");
    EXPECT_EQ(r->KeyCount(), 100);
    ASSERT_EQ(w->Insert(w->SearchKey("AAAAAAAAAA"), 101), isOk);
    EXPECT_EQ(r->KeyCount(), 101);
    TXbKeyPos pos;
    ASSERT_EQ(r->First(pos), isOk);
    EXPECT_EQ(pos.RecNo, 101);
    // Changes from both sides interleave without losing entries.
    for (int i = 0; i < 200; ++i) {
        TXbOrder* side = i % 2 ? r : w;
        char key[16];
        std::snprintf(key, sizeof key, "K%09d", i);
        ASSERT_EQ(side->Insert(key, 200 + i), isOk);
    }
    EXPECT_EQ(w->KeyCount(), 301);
    EXPECT_EQ(Walk(*r), Walk(*w));
    ASSERT_EQ(writer.AddOrder({"AMT", "AMT", "", false, false}, records_, 100, Loader()), isOk);
    EXPECT_EQ(reader.OrderCount(), 2);
    ASSERT_NE(reader.FindOrder("AMT"), nullptr);
    EXPECT_EQ(reader.FindOrder("AMT")->KeyCount(), 100);
    EXPECT_EQ(r->KeyCount(), 301); // the earlier order object stays valid
    // A tag redefined again and again (its pages reused) shows its latest definition.
    for (const char* expr : {"DTOS(DT)", "AMT", "UPPER(NAME)"})
        ASSERT_EQ(writer.AddOrder({"AMT", expr, "", false, false}, records_, 100, Loader()), isOk);
    EXPECT_EQ(reader.FindOrder("AMT")->KeyExpr(), "UPPER(NAME)");
    EXPECT_EQ(Walk(*reader.FindOrder("AMT")), Expected(*reader.FindOrder("AMT")));
}

TEST_F(XbIndexTest, TwoProcessesChangeOneFile) {
    CreateClosed("mp.cdx", {"NAME", "NAME", "", false, false});
    // Each side inserts its own keys while the other does; the lock keeps every change whole.
    EXPECT_TRUE(RunTogether(2, [this](int side) {
        TXbIndexFile file;
        if (file.Open(Path("mp.cdx"), true, records_) != isOk) return false;
        TXbOrder* order = file.FindOrder("NAME");
        for (int i = 0; i < 400; ++i) {
            char key[16];
            std::snprintf(key, sizeof key, "%c%09d", side == 0 ? 'C' : 'P', i);
            if (order->Insert(key, side * 1000 + 1 + i) != isOk) return false;
        }
        return true;
    }));
    TXbIndexFile file;
    ASSERT_EQ(file.Open(Path("mp.cdx"), false, records_), isOk);
    const TEntries entries = Walk(*file.Order(0));
    ASSERT_EQ(entries.size(), 800u);
    EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
    EXPECT_EQ(entries.front().first, "C000000000");
    EXPECT_EQ(entries.back().first, "P000000399");
}

TEST_F(XbIndexTest, AKilledWriterLeavesACompleteIndex) {
    CreateClosed("kill.cdx", {"NAME", "NAME", "", false, false});
    for (int round = 0; round < 4; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            TXbIndexFile file;
            if (file.Open(Path("kill.cdx"), true, records_) != isOk) ::_exit(1);
            TXbOrder* order = file.FindOrder("NAME");
            for (int i = 0;; ++i) {
                char key[32];
                std::snprintf(key, sizeof key, "%d%09d", round, i);
                order->Insert(key, i % 3 == 0 && i > 0 ? i - 1 : i + 1);
                if (i % 5 == 0 && i > 0) {
                    std::snprintf(key, sizeof key, "%d%09d", round, i - 5);
                    order->Delete(key, i - 4);
                }
            }
        }
        ASSERT_GT(child, 0);
        {
            // Kill it in full flow: once it has added some keys.
            TXbIndexFile watch;
            ASSERT_EQ(watch.Open(Path("kill.cdx"), false, records_), isOk);
            const LongInt start = watch.Order(0)->KeyCount();
            for (int wait = 0; wait < 2000 && watch.Order(0)->KeyCount() < start + 30; ++wait)
                ::usleep(5000);
            ::usleep(1000 * static_cast<unsigned>(round));
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        TXbIndexFile file;
        ASSERT_EQ(file.Open(Path("kill.cdx"), true, records_), isOk);
        TXbOrder* order = file.FindOrder("NAME");
        const TEntries entries = Walk(*order);
        EXPECT_GE(entries.size(), static_cast<std::size_t>(25 * (round + 1)));
        EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
        EXPECT_EQ(static_cast<LongInt>(entries.size()), order->KeyCount());
        EXPECT_EQ(order->Insert("9999999999", 1), isOk);
    }
}

TEST_F(XbIndexTest, AKilledBatchLeavesTheIndexOfItsLastWriteBack) {
    // Keys of 60 bytes (63 to a leaf) in no order, a cache of 16 pages, 400 keys to a write-back:
    // pages a batch changed reach the file long before the header that takes them in.
    const TXbOrderDef def{"WIDE", "NAME+NAME+NAME+NAME+NAME+NAME", "", false, false};
    CreateClosed("batch.cdx", def);
    for (int round = 0; round < 4; ++round) {
        int progress[2];
        ASSERT_EQ(::pipe(progress), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(progress[0]);
            TXbIndexFile file;
            if (file.Open(Path("batch.cdx"), true, records_) != isOk) ::_exit(1);
            file.SetExclusive(true);
            file.SetCachePages(16);
            TXbOrder* order = file.FindOrder("WIDE");
            for (LongInt n = order->KeyCount();; ++n) {
                char key[64];
                std::snprintf(key, sizeof key, "%060lld", (n * 7919LL) % 1000003LL);
                if (file.BeginUpdate() != isOk || order->Insert(key, n + 1) != isOk ||
                    file.EndUpdate() != isOk)
                    ::_exit(2);
                if ((n + 1) % 400 == 0) {
                    if (file.WriteBack() != isOk) ::_exit(3);
                    const LongInt done = n + 1;
                    (void)!::write(progress[1], &done, sizeof done);
                }
            }
        }
        ASSERT_GT(child, 0);
        ::close(progress[1]);
        // Killed between write-backs, once a few have passed.
        LongInt done = 0, reported = 0;
        for (int i = 0; i < 3 + round && ::read(progress[0], &done, sizeof done) == sizeof done;
             ++i)
            reported = done;
        ::usleep(static_cast<useconds_t>(3000 * round));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        while (::read(progress[0], &done, sizeof done) == sizeof done)
            reported = done;
        ::close(progress[0]);

        TXbIndexFile file;
        ASSERT_EQ(file.Open(Path("batch.cdx"), false, records_), isOk);
        TXbOrder* order = file.FindOrder("WIDE");
        const TEntries entries = Walk(*order);
        EXPECT_EQ(static_cast<LongInt>(entries.size()), order->KeyCount());
        // The file holds what the last complete write-back held, not a key more or less.
        EXPECT_GE(static_cast<LongInt>(entries.size()), reported);
        EXPECT_EQ(entries.size() % 400, 0u);
        EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
    }
}

TEST_F(XbIndexTest, FreedPagesAreReused) {
    AddRecords(3000, 3000, 13);
    TXbIndexFile file;
    TXbOrder* order = Create(file, "fr.cdx", {"NAME", "NAME", "", false, false});
    const TEntries all = Walk(*order);
    for (int round = 0; round < 3; ++round) {
        for (const auto& [key, r] : all)
            ASSERT_EQ(order->Delete(key, r), isOk);
        for (const auto& [key, r] : all)
            ASSERT_EQ(order->Insert(key, r), isOk);
    }
    EXPECT_EQ(Walk(*order), all);
    file.Close();
    const long size = static_cast<long>(std::ifstream(Path("fr.cdx"), std::ios::ate).tellg());
    EXPECT_LT(size, 4096L * 400);
}

} // namespace
