#include "advisors/Depreciation.h"

#include "AdvisorTestSupport.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

using ::testing::DoubleNear;
using ::testing::ElementsAre;

namespace {

const TDayNumber Jan1997 = DMYToDate(1, 1, 1997, 0);

std::vector<Byte> ReadBytes(const std::string& path) {
    const std::string text = ReadAll(path);
    return {text.begin(), text.end()};
}

void WriteBytes(const std::string& path, const std::vector<Byte>& bytes) {
    WriteAll(path, std::string(bytes.begin(), bytes.end()));
}

class DeprecTest : public ::testing::Test {
protected:
    void SetUp() override { AutoBinPath = ShippedAutoBin(); }
    void TearDown() override { AutoBinPath.clear(); }
    TMessageRecorder recorder;
};

} // namespace

TEST(FirstYearFraction, ConventionsAndMonths) {
    EXPECT_EQ(FirstYearDepreciationFraction(fcHalfYear, 7), 0.5);
    EXPECT_EQ(FirstYearDepreciationFraction(fcMidQuarter, 3), 7.0 / 8);
    EXPECT_EQ(FirstYearDepreciationFraction(fcMidQuarter, 4), 5.0 / 8);
    EXPECT_EQ(FirstYearDepreciationFraction(fcMidQuarter, 9), 3.0 / 8);
    EXPECT_EQ(FirstYearDepreciationFraction(fcMidQuarter, 12), 1.0 / 8);
    EXPECT_EQ(FirstYearDepreciationFraction(fcMidMonth, 1), 23.0 / 24);
    EXPECT_EQ(FirstYearDepreciationFraction(fcMidMonth, 12), 1.0 / 24);
    EXPECT_EQ(FirstYearDepreciationFraction(fcHalfYear, 13), 0.0);
    EXPECT_EQ(FirstYearDepreciationFraction(3, 1), 0.0);
}

TEST_F(DeprecTest, DoubleDecliningBalanceSwitchesToStraightLine) {
    std::vector<double> s;
    EXPECT_EQ(MaxAutoDepreciation(Jan1997, dm200DB, fcHalfYear, s, 5, 10000), 5);
    EXPECT_THAT(s,
                ElementsAre(DoubleNear(2000, 1e-9), DoubleNear(3200, 1e-9), DoubleNear(1920, 1e-9),
                            DoubleNear(1152, 1e-9), DoubleNear(1152, 1e-9), DoubleNear(576, 1e-9)));
    EXPECT_TRUE(recorder.Messages.empty());
}

TEST_F(DeprecTest, StraightLineWithHalfYears) {
    std::vector<double> s;
    EXPECT_EQ(MaxAutoDepreciation(Jan1997, dmStraightLine, fcHalfYear, s, 5, 10000), 5);
    EXPECT_THAT(s, ElementsAre(1000, 2000, 2000, 2000, 2000, 1000));
}

TEST_F(DeprecTest, RemainderBelowOneDollarIsDropped) {
    std::vector<double> s;
    // 10,000 over 4.5 years: 2,222.22 a year leaves one cent for the last entry.
    MaxAutoDepreciation(Jan1997, dmStraightLine, fcHalfYear, s, 4.5f, 10000);
    ASSERT_EQ(s.size(), 6u);
    EXPECT_DOUBLE_EQ(s[0], 1111.11);
    EXPECT_DOUBLE_EQ(s[4], 2222.22);
    EXPECT_EQ(s[5], 0.0);
    // A negative basis depreciates nothing.
    MaxAutoDepreciation(Jan1997, dm150DB, fcHalfYear, s, 3, -500);
    for (double entry : s)
        EXPECT_EQ(entry, 0.0);
}

TEST_F(DeprecTest, NoEntryExceedsTheBasisLeft) {
    // A fractional life would let the straight-line switch take more than is left.
    std::vector<double> s;
    MaxAutoDepreciation(Jan1997, dm200DB, fcHalfYear, s, 4.3f, 10000);
    double total = 0;
    for (double entry : s) {
        EXPECT_GE(entry, 0.0);
        total += entry;
    }
    EXPECT_NEAR(total, 10000, 1e-6);
}

TEST_F(DeprecTest, LongLivesAreNotCutOff) {
    std::vector<double> s;
    EXPECT_EQ(MaxAutoDepreciation(Jan1997, dmStraightLine, fcHalfYear, s, 40, 40000), 40);
    ASSERT_EQ(s.size(), 41u);
    EXPECT_EQ(s[39], 1000.0);
    EXPECT_EQ(s[40], 500.0);
}

TEST_F(DeprecTest, BadLivesAndMethodsRaise) {
    std::vector<double> s;
    EXPECT_THROW(MaxAutoDepreciation(Jan1997, dm200DB, fcHalfYear, s, 0, 1000), ERangeError);
    EXPECT_THROW(MaxAutoDepreciation(Jan1997, dm200DB, fcHalfYear, s, -2, 1000), ERangeError);
    EXPECT_THROW(MaxAutoDepreciation(Jan1997, dm200DB, fcHalfYear, s,
                                     std::numeric_limits<float>::quiet_NaN(), 1000),
                 ERangeError);
    EXPECT_THROW(MaxAutoDepreciation(Jan1997, 6, fcHalfYear, s, 5, 1000), ERangeError);
}

TEST_F(DeprecTest, AutomobileMethodsAreCappedYearByYear) {
    TAutoLimits limits;
    ASSERT_TRUE(ReadAutoLimits(ShippedAutoBin(), limits));
    std::vector<double> s;
    // 200 % of 50,000 over 5 years: 10,000 in year 1 is above the cap; the basis left carries
    // the difference into the later years' declining balance.
    MaxAutoDepreciation(Jan1997, dmAuto200DB, fcHalfYear, s, 5, 50000);
    ASSERT_EQ(s.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_DOUBLE_EQ(
            s[static_cast<std::size_t>(i)],
            static_cast<double>(limits.MaxDepreciation[static_cast<std::size_t>(std::min(i, 4))]))
            << i;
    // A cheap car stays under the caps: the same as the plain method.
    std::vector<double> plain;
    MaxAutoDepreciation(Jan1997, dmAutoSL, fcHalfYear, s, 5, 5000);
    MaxAutoDepreciation(Jan1997, dmStraightLine, fcHalfYear, plain, 5, 5000);
    EXPECT_EQ(s, plain);
    EXPECT_TRUE(recorder.Messages.empty());
}

TEST_F(DeprecTest, MissingLimitsFileWarnsAndLeavesTheScheduleUncapped) {
    AutoBinPath = "/nonexistent/auto.bin";
    std::vector<double> s;
    MaxAutoDepreciation(Jan1997, dmAuto200DB, fcHalfYear, s, 5, 50000);
    EXPECT_DOUBLE_EQ(s[0], 10000);
    ASSERT_EQ(recorder.Messages.size(), 1u);
    EXPECT_EQ(recorder.Messages[0].Kind, amkWarning);
    EXPECT_EQ(recorder.Messages[0].Text,
              "Maximum depreciation amounts not found.\n\nOr not enough memory to open file.\n\n");

    std::vector<double> amounts(3, 7.0);
    EXPECT_EQ(AutoInclusionAmount(2, amounts, 100, 30000), 0);
    EXPECT_THAT(amounts, ElementsAre(7, 7, 7));
    EXPECT_EQ(recorder.Messages.back().Text,
              "Auto inclusion amounts not found.\n\nOr not enough memory to open file.\n\n");
}

TEST_F(DeprecTest, InclusionAmountsByValueBand) {
    TAutoLimits limits;
    ASSERT_TRUE(ReadAutoLimits(ShippedAutoBin(), limits));
    const TAutoLimitsRow& first = limits.Rows[0];
    const TAutoLimitsRow& second = limits.Rows[1];
    std::vector<double> amounts;
    // Just above the second threshold: the second row, scaled by the business share; the fifth
    // amount serves every later year.
    EXPECT_EQ(AutoInclusionAmount(7, amounts, 50, second.Threshold + 1.0), 1997);
    ASSERT_EQ(amounts.size(), 8u);
    EXPECT_EQ(amounts[0], 0.0);
    EXPECT_DOUBLE_EQ(amounts[1], 0.5 * second.Inclusion[0]);
    EXPECT_DOUBLE_EQ(amounts[5], 0.5 * second.Inclusion[4]);
    EXPECT_DOUBLE_EQ(amounts[7], 0.5 * second.Inclusion[4]);
    // A value equal to a threshold does not pass it.
    std::vector<double> equal;
    AutoInclusionAmount(1, equal, 100, second.Threshold);
    EXPECT_DOUBLE_EQ(equal[1], first.Inclusion[0]);
    // At or below the first threshold, or above the last, nothing is filled.
    std::vector<double> none(4, 0.0);
    AutoInclusionAmount(3, none, 100, first.Threshold);
    AutoInclusionAmount(3, none, 100, limits.Rows[AutoBinRows - 1].Threshold + 1);
    EXPECT_THAT(none, ElementsAre(0, 0, 0, 0));
}

TEST(AutoBin, ShippedFileReads) {
    EXPECT_EQ(ReadBytes(ShippedAutoBin()).size(), static_cast<std::size_t>(AutoBinSize));
    TAutoLimits limits;
    ASSERT_TRUE(ReadAutoLimits(ShippedAutoBin(), limits));
    EXPECT_EQ(std::lround(limits.TableYear), 1997);
    for (int r = 1; r < AutoBinRows; ++r)
        EXPECT_LT(limits.Rows[static_cast<std::size_t>(r - 1)].Threshold,
                  limits.Rows[static_cast<std::size_t>(r)].Threshold);
    for (float cap : limits.MaxDepreciation)
        EXPECT_GT(cap, 0.0f);
}

TEST(AutoBin, DamagedCopiesAreRefused) {
    TTestFolder folder;
    const std::vector<Byte> good = ReadBytes(ShippedAutoBin());
    ASSERT_EQ(good.size(), static_cast<std::size_t>(AutoBinSize));
    TAutoLimits limits;
    limits.TableYear = 42;
    auto refused = [&](const std::vector<Byte>& bytes) {
        const std::string path = folder / "auto.bin";
        WriteBytes(path, bytes);
        return !ReadAutoLimits(path, limits);
    };
    EXPECT_TRUE(refused({}));
    EXPECT_TRUE(refused(std::vector<Byte>(good.begin(), good.end() - 1)));
    std::vector<Byte> longer = good;
    longer.push_back(0);
    EXPECT_TRUE(refused(longer));
    // The shipped file with the number at an offset changed.
    const auto with = [&](std::size_t at, float value) {
        std::vector<Byte> bytes = good;
        PutLE<float>(bytes, at, value);
        return bytes;
    };
    EXPECT_TRUE(refused(with(24 * 10, 1.0f)));                       // row 10 below row 9
    EXPECT_TRUE(refused(with(24 * 10, GetLE<float>(good, 24 * 9)))); // row 10 the same as row 9
    EXPECT_TRUE(refused(with(1804, std::numeric_limits<float>::quiet_NaN())));
    EXPECT_TRUE(refused(with(24 * 3 + 8, -5.0f)));
    EXPECT_TRUE(refused(with(1800, 99.0f))); // the year
    EXPECT_FALSE(ReadAutoLimits(folder / "missing.bin", limits));
    EXPECT_FALSE(ReadAutoLimits(folder.Path(), limits)); // a folder
    // A file of gigabytes is refused without being read whole.
    const std::string huge = folder / "huge.bin";
    WriteBytes(huge, good);
    std::filesystem::resize_file(huge, std::uintmax_t{1} << 32);
    EXPECT_FALSE(ReadAutoLimits(huge, limits));
    EXPECT_EQ(limits.TableYear, 42.0f); // a refused file leaves the limits as they were
    EXPECT_FALSE(refused(good));
    // The year is the nearest whole one: 3999.5 is 4000, past the last year; 1599.5 is 1600.
    EXPECT_TRUE(refused(with(1800, 3999.5f)));
    EXPECT_FALSE(refused(with(1800, 1599.5f)));
    EXPECT_EQ(limits.TableYear, 1599.5f);
}

TEST(AutoBin, TheInclusionAmountsAnswerTheNearestWholeYear) {
    TTestFolder folder;
    std::vector<Byte> bytes = ReadBytes(ShippedAutoBin());
    PutLE<float>(bytes, 1800, 2003.75f);
    WriteBytes(folder / "auto.bin", bytes);
    AutoBinPath = folder / "auto.bin";
    std::vector<double> amounts;
    EXPECT_EQ(AutoInclusionAmount(1, amounts, 100, 30000), 2004);
    AutoBinPath.clear();
}

TEST(AutoBin, DamagedCopyInUseGivesTheWarning) {
    TTestFolder folder;
    std::vector<Byte> bytes = ReadBytes(ShippedAutoBin());
    bytes.resize(1000);
    WriteBytes(folder / "auto.bin", bytes);
    AutoBinPath = folder / "auto.bin";
    TMessageRecorder recorder;
    std::vector<double> s;
    MaxAutoDepreciation(Jan1997, dmAutoSL, fcHalfYear, s, 5, 100000);
    AutoBinPath.clear();
    EXPECT_EQ(s[1], 20000.0);
    ASSERT_EQ(recorder.Messages.size(), 1u);
    EXPECT_EQ(recorder.Messages[0].Kind, amkWarning);
}

TEST(CashFlowPV, TimingAndRates) {
    const std::vector<double> flows{-100, 50, 60};
    EXPECT_NEAR(static_cast<double>(LeaseCashFlowPV(flows, 2, 1, 0.1)), -100 + 50 / 1.1 + 60 / 1.21,
                1e-12);
    EXPECT_NEAR(static_cast<double>(LeaseCashFlowPV(flows, 2, 0, 0.1)),
                (-100 + 50 / 1.1 + 60 / 1.21) / 1.1, 1e-12);
    EXPECT_DOUBLE_EQ(static_cast<double>(LeaseCashFlowPV(flows, 2, 1, 0.0)), 10.0);
    EXPECT_DOUBLE_EQ(static_cast<double>(LeaseCashFlowPV(flows, 1, 1, 0.0)), -50.0);
    EXPECT_DOUBLE_EQ(static_cast<double>(SumArray(flows, 2)), 10.0);
    EXPECT_DOUBLE_EQ(static_cast<double>(SumArray(flows, 99)), 10.0);
    EXPECT_DOUBLE_EQ(static_cast<double>(SumArray(flows, 0)), -100.0);
}

TEST(LoanInterest, LastPaymentShrinksToWhatIsOwed) {
    // 1,000 at 1 % a period repaid by 400 a period: 10.00, 6.10, 2.16 of interest.
    std::vector<double> payments(5, -400.0), interest;
    LoanInterestSchedule(5, payments, false, interest, 1000, 0.01);
    EXPECT_THAT(interest, ElementsAre(10.0, 6.1, 2.16, 0, 0));
    EXPECT_THAT(payments, ElementsAre(-400, -400, DoubleNear(-218.26, 1e-9), -400, -400));

    std::vector<double> advance(3, -400.0), advInterest;
    LoanInterestSchedule(3, advance, true, advInterest, 1000, 0.01);
    EXPECT_THAT(advInterest, ElementsAre(0.0, 6.0, 2.06));
    EXPECT_NEAR(advance[2], -208.06, 1e-9);

    // A count beyond the payments given is limited to them.
    std::vector<double> few(2, -10.0), fewInterest;
    LoanInterestSchedule(9, few, false, fewInterest, 100, 0.01);
    EXPECT_EQ(fewInterest.size(), 2u);
}

TEST(DepreciationLists, Items) {
    FillDepreciationMethods();
    FillDeductionTimings();
    ASSERT_EQ(DepreciationMethodList.Count(), DepreciationMethodCount);
    EXPECT_EQ(DepreciationMethodList[dm200DB], "200% DB");
    EXPECT_EQ(DepreciationMethodList[dmAutoSL], "Auto SL");
    ASSERT_EQ(DeductionTimingList.Count(), DeductionTimingCount);
    EXPECT_EQ(DeductionTimingList[dtLast], "Last");
    EXPECT_TRUE(IsAutoMethod(dmAuto150DB));
    EXPECT_FALSE(IsAutoMethod(dmStraightLine));
}
