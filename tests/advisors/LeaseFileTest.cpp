// "*.LB" files of the lease-versus-buy advisor: every field written little-endian at its offset
// (read back by Python's struct module), unused bytes zero, a round trip of every stored field,
// and damaged files refused whole with the system's messages.
#include "advisors/LeaseBuyAdvisor.h"

#include "AdvisorTestSupport.h"
#include "platform/rtl/Streams.h"
#include "tests/rtl/TestFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TLeaseBuyData FullData() {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.BuyerLessee = "Jane Q. Public";
    d.TaxFinanced = true;
    d.PurchasePmtPYR = 4;
    d.PurchaseEndValue = 9876.5;
    d.DeductablePercent = 75;
    d.LeasePmtPYR = 6;
    d.LeaseSalesTax = 6.25f;
    d.Section179Amt = 1500;
    d.DeductDepositWhen = dtLast;
    d.DeductSalesTaxWhen = dtAmortize;
    d.DepreciationMthd = dmAutoSL;
    d.Auto = true;
    d.Listed = true;
    d.Life = 7.5f;
    return d;
}

TEST(LeaseFileTest, FieldsSitAtTheirOffsetsAsPythonReadsThem) {
    TTestFolder folder;
    const auto bytes = EncodeLeaseBuyFile(FullData());
    WriteAll(folder / "sample.LB", std::string(bytes.begin(), bytes.end()));
    const std::string out =
        RunPython("python3", folder.Path(),
                  "import struct\n"
                  "b=open('sample.LB','rb').read()\n"
                  "f=struct.unpack('<HH31s31s2x5f4xdf?3xdfhBBdfdhBxfddddB3xdd?3xfB3xdBB?"
                  "?',b)\n"
                  "print(len(b),f[0],f[1],f[2][1:1+f[2][0]].decode(),f[3][1:1+f[3][0]].decode(),"
                  "*[repr(x) for x in f[4:]])\n");
    EXPECT_EQ(out.substr(0, out.find('\n') + 1),
              "228 10 260 delivery van Jane Q. Public 6.0 100.0 30.0 20.0 1.0 30000.0 5.0 True "
              "3000.0 8.0 60 4 0 9876.5 75.0 450.0 36 6 6.25 500.0 700.0 120.0 250.0 1 "
              "15000.0 14000.0 True 7.5 4 1500.0 2 1 True True\n");
}

TEST(LeaseFileTest, UnusedBytesAreZero) {
    TLeaseBuyData d = FullData();
    d.Asset = std::string(30, 'A');
    const auto bytes = EncodeLeaseBuyFile(d);
    for (std::size_t at : {66u, 67u, 88u, 89u, 90u, 91u, 105u, 106u, 107u, 147u, 185u, 186u, 187u,
                           205u, 206u, 207u, 213u, 214u, 215u})
        EXPECT_EQ(bytes[at], 0) << at;
    // A short text leaves the rest of its field zero too.
    const auto shortName = EncodeLeaseBuyFile(FullData());
    for (std::size_t at = 4 + 1 + 12; at < 35; ++at)
        EXPECT_EQ(shortName[at], 0) << at;
}

TEST(LeaseFileTest, EveryStoredFieldComesBackButThePropertyTaxFlags) {
    const TLeaseBuyData saved = FullData();
    const auto bytes = EncodeLeaseBuyFile(saved);
    TLeaseBuyData loaded;
    loaded.PropTaxOnPurchase = false;
    loaded.PropTaxOnLease = false;
    ASSERT_EQ(DecodeLeaseBuyFile(bytes, loaded), "");
    EXPECT_FALSE(loaded.PropTaxOnPurchase);
    EXPECT_FALSE(loaded.PropTaxOnLease);
    loaded.PropTaxOnPurchase = saved.PropTaxOnPurchase;
    loaded.PropTaxOnLease = saved.PropTaxOnLease;
    EXPECT_EQ(EncodeLeaseBuyFile(loaded), bytes);
    EXPECT_EQ(loaded.Asset, saved.Asset);
    EXPECT_EQ(loaded.BuyerLessee, saved.BuyerLessee);
    EXPECT_EQ(loaded.DepreciationMthd, dmAutoSL);
    EXPECT_EQ(loaded.DeductSalesTaxWhen, dtAmortize);
    EXPECT_FLOAT_EQ(loaded.Life, 7.5f);
    // A life the engine worked out from a long term goes and comes back.
    TLeaseBuyData longLived = saved;
    longLived.Life = 192.5f;
    ASSERT_EQ(DecodeLeaseBuyFile(EncodeLeaseBuyFile(longLived), loaded), "");
    EXPECT_FLOAT_EQ(loaded.Life, 192.5f);
}

struct TDamage {
    const char* What;
    std::size_t At;
    std::vector<Byte> Bytes;
};

TEST(LeaseFileTest, DamagedFilesAreRefusedAndChangeNothing) {
    const auto good = EncodeLeaseBuyFile(FullData());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::array<Byte, 8> nanBytes{};
    PutLE<double>(nanBytes, 0, nan);
    std::array<Byte, 8> negative{};
    PutLE<double>(negative, 0, -1.0);
    std::array<Byte, 4> hugeRate{};
    PutLE<float>(hugeRate, 0, 150.0f);
    std::array<Byte, 4> longLife{};
    PutLE<float>(longLife, 0, MaxDepreciableLife + 1);
    std::array<Byte, 4> infinite{};
    PutLE<float>(infinite, 0, std::numeric_limits<float>::infinity());
    const TDamage damages[] = {
        {"zero signature", 0, {0, 0}},
        {"long asset name", 4, {31}},
        {"long buyer name", 35, {255}},
        {"flag 2", 104, {2}},
        {"override flag", 184, {7}},
        {"frequency past the list", 122, {7}},
        {"lease frequency", 146, {200}},
        {"depreciation method", 212, {6}},
        {"deposit timing", 224, {3}},
        {"sales tax timing", 225, {3}},
        {"price NaN", 92, {nanBytes.begin(), nanBytes.end()}},
        {"negative deposit", 108, {negative.begin(), negative.end()}},
        {"rate 150", 116, {hugeRate.begin(), hugeRate.end()}},
        {"infinite discount rate", 68, {infinite.begin(), infinite.end()}},
        {"life past the longest", 208, {longLife.begin(), longLife.end()}},
        {"negative payments", 120, {0xFF, 0xFF}},
    };
    for (const TDamage& damage : damages) {
        auto bytes = good;
        std::copy(damage.Bytes.begin(), damage.Bytes.end(), bytes.begin() + damage.At);
        TLeaseBuyData data;
        data.Asset = "kept";
        EXPECT_EQ(DecodeLeaseBuyFile(bytes, data), NotLeaseBuyFile) << damage.What;
        EXPECT_EQ(data.Asset, "kept") << damage.What;
        EXPECT_EQ(data.Price, 0.0) << damage.What;
    }
    TLeaseBuyData data;
    EXPECT_EQ(DecodeLeaseBuyFile(std::span(good).first(227), data), NotLeaseBuyFile);
    std::vector<Byte> longer(good.begin(), good.end());
    longer.push_back(0);
    EXPECT_EQ(DecodeLeaseBuyFile(longer, data), NotLeaseBuyFile);
    EXPECT_EQ(DecodeLeaseBuyFile({}, data), NotLeaseBuyFile);
    std::array<Byte, LeaseBuyFileSize> zeros{};
    EXPECT_EQ(DecodeLeaseBuyFile(zeros, data), NotLeaseBuyFile);
    auto older = good;
    PutLE<Word>(older, 2, 259);
    EXPECT_EQ(DecodeLeaseBuyFile(older, data), OldLeaseBuyVersion);
    EXPECT_EQ(data.Price, 0.0);
}

} // namespace
