// Damaged index pages met through the interface: every seek and walk either gives the right
// record or fails with the damaged-index reason; none answers wrongly or ends early unnoticed.
// A damaged memo file is read in time that grows with its size.
#include "tests/xbase/XbFixture.h"

#include <fstream>
#include <random>

namespace {

class XbDamageTest : public XbFixture {
protected:
    static constexpr int kRecords = 1200;
    static std::string KeyOf(int n) { return "K" + std::to_string(100000 + n * 7 % kRecords); }

    void SetUp() override {
        XbFixture::SetUp();
        ASSERT_EQ(xb_Create(Path("dmg.dbf"), {{"KEY", 'C', 10, 0, 0}}, xbCDX), xbOK);
        ASSERT_GT(xb_Use(Path("dmg.dbf"), "", xbModeExclusive, xbCDX), 0);
        ASSERT_GT(xb_IndexCreate("", "KEY", "KEY", "", 0, 0), 0);
        for (int n = 0; n < kRecords; ++n) {
            ASSERT_EQ(xb_AppendEx(), 0);
            xb_Replace(1, xbReplaceText, KeyOf(n));
        }
        ASSERT_EQ(xb_Close(), xbOK);
        pristine_ = ReadAll(Path("dmg.cdx"));
    }

    // Writes count random bytes at a random place past the header page.
    void Damage(std::mt19937& random, int count) {
        std::string bytes = pristine_;
        const std::size_t at = 4096 + random() % (bytes.size() - 4096 - count);
        for (int i = 0; i < count; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(random());
        WriteAll(Path("dmg.cdx"), bytes);
    }

    std::string pristine_;
};

TEST_F(XbDamageTest, RandomBytesInPagesNeverGiveAWrongAnswer) {
    std::mt19937 random(120);
    int damaged = 0;
    for (int trial = 0; trial < 60; ++trial) {
        Damage(random, 16);
        if (xb_Use(Path("dmg.dbf"), "", xbModeShared, xbCDX) == 0) { // a tag definition
            EXPECT_EQ(xb_LastError(), xbErrDamagedIndex);
            ++damaged;
            continue;
        }
        ASSERT_EQ(xb_SetOrder(1), 0);
        xb_SetExact(1);
        bool failed = false;
        for (int n = 0; n < kRecords; n += 13) {
            const int found = xb_Seek(KeyOf(n));
            if (found < 0) {
                EXPECT_EQ(found, -xbDamaged);
                EXPECT_EQ(xb_LastError(), xbErrDamagedIndex);
                EXPECT_NE(xb_LastErrorText().find("dmg.cdx"), std::string::npos);
                failed = true;
                continue;
            }
            ASSERT_EQ(found, 1) << KeyOf(n); // never "not found" for a key the table holds
            EXPECT_EQ(xb_GetTrimString(1), KeyOf(n));
            EXPECT_EQ(xb_RecNo(), n + 1);
        }
        int walked = 0;
        int status = xb_GoTop();
        for (; status == xbOK && !xb_Eof(); status = xb_Skip(1))
            ++walked;
        if (status != xbOK) {
            EXPECT_EQ(status, xbDamaged);
            EXPECT_EQ(xb_LastError(), xbErrDamagedIndex);
            failed = true;
        } else {
            EXPECT_EQ(walked, kRecords); // a walk that ends says why, or meets every record
        }
        damaged += failed ? 1 : 0;
        xb_Close();
    }
    EXPECT_GT(damaged, 20);
    // The table opened alone rebuilds nothing by itself (the index still matches the table),
    // but a reindex repairs the pages: here the entries of the last one.
    std::string bytes = pristine_;
    for (std::size_t i = bytes.size() - 4080; i < bytes.size() - 4064; ++i)
        bytes[i] = static_cast<char>(random());
    WriteAll(Path("dmg.cdx"), bytes);
    ASSERT_GT(xb_Use(Path("dmg.dbf"), "", xbModeExclusive, xbCDX), 0);
    ASSERT_EQ(xb_Reindex(), xbOK);
    xb_SetOrder(1);
    EXPECT_EQ(xb_Seek(KeyOf(5)), 1);
    EXPECT_EQ(xb_RecNo(), 6);
}

// A DBT file whose end marks are gone: each memo is read as far as the next memo's first block
// (or the file's next free block) and no further, so reading them all reads about the file once.
class XbMemoDamageTest : public XbFixture {};

TEST_F(XbMemoDamageTest, MemosOfADbtWithoutEndMarksEndAtTheNextMemo) {
    UseNewLoans("NOEND.DBF", xbNTX);
    const auto memoOf = [](int i) { return std::string(100 + i * 37 % 1400, 'a' + i % 26); };
    // Memo i as the damaged file holds it: its blocks, zeros after the text.
    const auto stored = [&](int i) {
        const std::size_t size = memoOf(i).size();
        return memoOf(i) + std::string((size + 2 + 511) / 512 * 512 - size, '\0');
    };
    constexpr int kMemos = 600;
    for (int i = 0; i < kMemos; ++i) {
        AddLoan(std::to_string(i), "", i);
        ASSERT_EQ(xb_Replace(6, xbReplaceMemo, i % 10 ? memoOf(i) : ""), xbOK);
    }
    xb_CloseAll();
    std::string memo = ReadAll(Path("NOEND.DBT"));
    std::replace(memo.begin() + 512, memo.end(), '\x1A', '\0');
    memo += std::string(1024, 'z'); // past the next free block
    WriteAll(Path("NOEND.DBT"), memo);

    ASSERT_GT(xb_Use(Path("NOEND.DBF"), "", xbModeShared, xbNTX), 0);
    const long before = IoCount("rchar:");
    for (int i = 0; i < kMemos; ++i, xb_Skip(1))
        EXPECT_TRUE(xb_GetString(6) == (i % 10 ? stored(i) : "")) << i;
    EXPECT_LT(IoCount("rchar:") - before, 3 * static_cast<long>(memo.size()));
    // A memo written here since is known at once: reading it reads no records.
    ASSERT_EQ(xb_AppendEx(), 0);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, std::string(1000, 'o')), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    const auto records = static_cast<long>(std::filesystem::file_size(Path("NOEND.DBF")));
    const long again = IoCount("rchar:");
    EXPECT_EQ(xb_GetString(6), std::string(1000, 'o'));
    EXPECT_LT(IoCount("rchar:") - again, records);
    // One another user writes is read whole too.
    const int reader = xb_Select(0);
    ASSERT_GT(xb_Use(Path("NOEND.DBF"), "OTHER", xbModeShared, xbNTX), 0);
    ASSERT_EQ(xb_AppendEx(), 0);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, std::string(1000, 'x')), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    xb_Select(reader);
    xb_GoBottom();
    EXPECT_EQ(xb_GetString(6), std::string(1000, 'x'));
}

} // namespace
