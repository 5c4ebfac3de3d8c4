// Damaged index pages met through the interface: every seek and walk either gives the right
// record or fails with the damaged-index reason; none answers wrongly or ends early unnoticed.
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
    // but a reindex repairs the pages.
    ASSERT_GT(xb_Use(Path("dmg.dbf"), "", xbModeExclusive, xbCDX), 0);
    ASSERT_EQ(xb_Reindex(), xbOK);
    xb_SetOrder(1);
    EXPECT_EQ(xb_Seek(KeyOf(5)), 1);
    EXPECT_EQ(xb_RecNo(), 6);
}

} // namespace
