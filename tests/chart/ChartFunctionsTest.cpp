// Series functions: the seven standard functions over a period of one source and across several
// sources at one index, and the function base that groups a source's points, places the
// results and recalculates them.
#include "chart/SeriesFunctions.h"
#include "tests/chart/ChartTestSupport.h"

#include <cmath>
#include <limits>
#include <vector>

namespace {

class ChartFunctions : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        chart = MakeChart();
    }
    TLineSeries* Source(const std::vector<double>& Values) {
        auto* s = AddSeries<TLineSeries>(chart.get());
        for (double v : Values)
            s->Add(v);
        return s;
    }
    std::vector<TComponent*> List(std::initializer_list<TChartSeries*> Series) {
        return {Series.begin(), Series.end()};
    }
    std::unique_ptr<TChart> chart;
    TComponent owner{nullptr};
};

// --- one source over a period

TEST_F(ChartFunctions, AddSumsAPeriodOrTheWholeSeries) {
    TAddChartFunction add(nullptr);
    TLineSeries* s = Source({1, 2, 3, 4, 5});
    EXPECT_EQ(add.Calculate(s, 2, 4), 12);
    EXPECT_EQ(add.Calculate(s, -1, -1), 15);
}

TEST_F(ChartFunctions, AverageOfAnEmptySeriesIsZero) {
    TAverageChartFunction average(nullptr);
    EXPECT_EQ(average.Calculate(Source({}), -1, -1), 0);
    EXPECT_EQ(average.Calculate(Source({3, 5}), 0, 1), 4);
    EXPECT_EQ(average.Calculate(Source({3, 5, 10}), -1, -1), 6);
}

TEST_F(ChartFunctions, HighAndLowOverAPeriod) {
    THighChartFunction high(nullptr);
    TLowChartFunction low(nullptr);
    TLineSeries* s = Source({3, 3, 1, -4, 8});
    EXPECT_EQ(high.Calculate(s, 0, 2), 3);
    EXPECT_EQ(low.Calculate(s, 0, 3), -4);
    EXPECT_EQ(high.Calculate(s, -1, -1), 8);
    EXPECT_EQ(low.Calculate(s, -1, -1), -4);
}

TEST_F(ChartFunctions, FunctionsReadTheMainListOfAHorizontalSeries) {
    TAddChartFunction add(nullptr);
    auto* bars = AddSeries<THorizBarSeries>(chart.get());
    bars->Add(10);
    bars->Add(20);
    EXPECT_EQ(add.Calculate(bars, -1, -1), 30) << "the X values are the bars' values";
}

// A point with a value or a category that is not finite counts in no total, so in no divisor,
// period or index either: it is left out as a source without the index is.
TEST_F(ChartFunctions, PointsThatAreNotFiniteCountNowhere) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    TAverageChartFunction average(nullptr);
    THighChartFunction high(nullptr);
    TLineSeries* s = Source({10, nan, 30, 50});
    s->AddXY(nan, 20);
    EXPECT_EQ(average.Calculate(s, -1, -1), 30);
    EXPECT_EQ(average.Calculate(s, 0, 1), 10);
    EXPECT_EQ(high.Calculate(s, 1, 2), 30);
    EXPECT_EQ(average.Calculate(s, 1, 1), 0) << "a period without a point that counts";
    auto sources = List({Source({nan}), Source({4}), Source({8})});
    EXPECT_EQ(average.CalculateMany(sources, 0), 6);
    EXPECT_EQ(high.CalculateMany(sources, 0), 8);
}

// --- several sources at one index

TEST_F(ChartFunctions, DivideSkipsZeroDivisors) {
    TDivideChartFunction divide(nullptr);
    auto sources = List({Source({8}), Source({0}), Source({2})});
    EXPECT_EQ(divide.CalculateMany(sources, 0), 4);
}

TEST_F(ChartFunctions, DivideNeverAnswersInfinity) {
    TDivideChartFunction divide(nullptr);
    const double huge = std::numeric_limits<double>::max();
    auto sources = List({Source({huge}), Source({1e-300}), Source({2})});
    const double result = divide.CalculateMany(sources, 0);
    EXPECT_TRUE(std::isfinite(result));
    EXPECT_EQ(result, huge / 2) << "the division that overflows is skipped";
}

TEST_F(ChartFunctions, SubtractLeavesOutSeriesTooShortForTheIndex) {
    TSubtractChartFunction subtract(nullptr);
    auto sources = List({Source({10, 10}), Source({1, 3}), Source({5})});
    EXPECT_EQ(subtract.CalculateMany(sources, 1), 7);
    EXPECT_EQ(subtract.CalculateMany(sources, 5), 0) << "no source has the index";
}

TEST_F(ChartFunctions, MultiplyAndAddAcrossSources) {
    TMultiplyChartFunction multiply(nullptr);
    TAddChartFunction add(nullptr);
    auto sources = List({Source({2}), Source({3}), Source({4})});
    EXPECT_EQ(multiply.CalculateMany(sources, 0), 24);
    EXPECT_EQ(add.CalculateMany(sources, 0), 9);
    EXPECT_EQ(multiply.CalculateMany(sources, 1), 0);
}

TEST_F(ChartFunctions, HighStartsFromZeroWhenTheFirstSourceLacksTheIndex) {
    THighChartFunction high(nullptr);
    TLowChartFunction low(nullptr);
    auto sources = List({Source({}), Source({-5}), Source({-2})});
    EXPECT_EQ(high.CalculateMany(sources, 0), 0);
    auto full = List({Source({-5}), Source({-2}), Source({-9})});
    EXPECT_EQ(high.CalculateMany(full, 0), -2);
    EXPECT_EQ(low.CalculateMany(full, 0), -9);
}

TEST_F(ChartFunctions, AverageAcrossTheSourcesThatHaveTheIndex) {
    TAverageChartFunction average(nullptr);
    auto sources = List({Source({2, 4}), Source({6}), Source({1, 8})});
    EXPECT_EQ(average.CalculateMany(sources, 1), 6);
    EXPECT_EQ(average.CalculateMany(sources, 2), 0);
}

// --- the function base

TEST_F(ChartFunctions, APeriodOfZeroGivesOnePointInTheMiddleOrALevelLine) {
    TLineSeries* source = Source({1, 2, 3, 4, 5});
    auto* points = AddSeries<TPointSeries>(chart.get());
    points->SetFunction(new TAddChartFunction(&owner));
    points->SetDataSource(source);
    ASSERT_EQ(points->Count(), 1);
    EXPECT_EQ(points->XValue(0), 2) << "the middle of X 0..4";
    EXPECT_EQ(points->YValue(0), 15);

    auto* line = AddSeries<TLineSeries>(chart.get());
    line->SetFunction(new TAverageChartFunction(&owner));
    line->SetDataSource(source);
    ASSERT_EQ(line->Count(), 2) << "a line takes the result at both ends";
    EXPECT_EQ(line->XValue(0), 0);
    EXPECT_EQ(line->XValue(1), 4);
    EXPECT_EQ(line->YValue(1), 3);
}

TEST_F(ChartFunctions, APeriodOfTwoLeavesOutTheShortLastGroup) {
    auto* source = AddSeries<TLineSeries>(chart.get());
    for (int x = 1; x <= 5; ++x)
        source->AddXY(x, x * 10);
    auto* sums = AddSeries<TPointSeries>(chart.get());
    auto* add = new TAddChartFunction(&owner);
    sums->SetFunction(add);
    sums->SetDataSource(source);
    add->SetPeriod(2);
    ASSERT_EQ(sums->Count(), 2);
    EXPECT_EQ(sums->XValue(0), 1.5);
    EXPECT_EQ(sums->YValue(0), 30);
    EXPECT_EQ(sums->XValue(1), 3.5);
    EXPECT_EQ(sums->YValue(1), 70);
}

TEST_F(ChartFunctions, ANegativePeriodIsRefused) {
    TAddChartFunction add(nullptr);
    add.SetPeriod(3);
    EXPECT_THROW(add.SetPeriod(-1), Exception);
    EXPECT_EQ(add.Period(), 3);
}

TEST_F(ChartFunctions, SingleChangesOfTheSourceWaitForARefresh) {
    TLineSeries* source = Source({1, 2});
    auto* sums = AddSeries<TPointSeries>(chart.get());
    sums->SetFunction(new THighChartFunction(&owner));
    sums->SetDataSource(source);
    source->Add(7);
    EXPECT_EQ(sums->YValue(0), 2) << "an added point alone does not recalculate";
    source->RefreshSeries();
    EXPECT_EQ(sums->YValue(0), 7);
    source->YValues()->SetMultiplier(2);
    EXPECT_EQ(sums->YValue(0), 14);
    source->Clear();
    EXPECT_EQ(sums->Count(), 0);
}

TEST_F(ChartFunctions, SeveralSourcesAreCombinedPointByPoint) {
    TLineSeries* a = Source({1, 2, 3});
    TLineSeries* b = Source({10, 20});
    auto* total = AddSeries<TLineSeries>(chart.get());
    total->SetFunction(new TAddChartFunction(&owner));
    // A stored form gives a series several sources while it is loaded.
    total->BeginLoading();
    total->SetDataSource(a);
    total->SetDataSource(b);
    total->Loaded();
    chart->CheckDatasource(total);
    ASSERT_EQ(total->Count(), 3);
    EXPECT_EQ(total->YValue(0), 11);
    EXPECT_EQ(total->YValue(1), 22);
    EXPECT_EQ(total->YValue(2), 3);
}

TEST_F(ChartFunctions, AFunctionMovesToAnotherSeries) {
    TLineSeries* source = Source({4, 6});
    auto* first = AddSeries<TPointSeries>(chart.get());
    auto* second = AddSeries<TPointSeries>(chart.get());
    auto* add = new TAddChartFunction(&owner);
    first->SetFunction(add);
    first->SetDataSource(source);
    second->SetDataSource(source);
    add->SetParentSeries(second);
    EXPECT_EQ(first->FunctionType(), nullptr);
    EXPECT_EQ(second->FunctionType(), add);
    ASSERT_EQ(second->Count(), 1);
    EXPECT_EQ(second->YValue(0), 10);
}

TEST_F(ChartFunctions, ASourceLetGoOfNoLongerRefillsTheSeries) {
    TLineSeries* first = Source({1, 2});
    TLineSeries* second = Source({7, 8, 9});
    auto* copy = AddSeries<TLineSeries>(chart.get());
    copy->SetDataSource(first);
    copy->SetDataSource(nullptr);
    EXPECT_EQ(copy->Count(), 0);
    copy->SetDataSource(second);
    ASSERT_EQ(copy->Count(), 3);
    copy->Delete(0);
    delete first;
    ASSERT_EQ(copy->Count(), 2) << "freeing the former source leaves the copy as it is";
    EXPECT_EQ(copy->YValue(0), 8);
}

TEST_F(ChartFunctions, AFunctionsPointsAreDatesWhenItsSourcesAre) {
    StartChartUnits();
    TLineSeries* source = Source({4, 6, 8, 10});
    source->XValues()->SetDateTime(false);
    source->YValues()->SetDateTime(true);
    auto* average = AddSeries<TLineSeries>(chart.get());
    average->XValues()->SetDateTime(true);
    average->SetFunction(new TAverageChartFunction(&owner));
    average->SetDataSource(source);
    EXPECT_FALSE(average->XValues()->DateTime());
    EXPECT_TRUE(average->YValues()->DateTime());
    source->XValues()->SetDateTime(true);
    source->YValues()->SetDateTime(false);
    source->RefreshSeries();
    EXPECT_TRUE(average->XValues()->DateTime());
    EXPECT_FALSE(average->YValues()->DateTime());
}

TEST_F(ChartFunctions, AnAssignedSeriesTakesACopyOfTheFunction) {
    StartChartUnits();
    TLineSeries* source = Source({4, 6, 8, 10});
    auto* first = AddSeries<TPointSeries>(chart.get());
    auto* average = new TAverageChartFunction(&owner);
    first->SetFunction(average);
    first->SetDataSource(source);
    average->SetPeriod(2);
    auto* second = AddSeries<TPointSeries>(chart.get());
    second->Assign(first);
    auto* copy = dynamic_cast<TAverageChartFunction*>(second->FunctionType());
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, average);
    EXPECT_EQ(copy->Period(), 2);
    EXPECT_EQ(first->FunctionType(), average) << "the original keeps its own";
    second->SetDataSource(source);
    ASSERT_EQ(second->Count(), 2);
    EXPECT_EQ(second->YValue(1), 9);
    StopChartUnits();
}

} // namespace
