// The series model: value lists kept in X order with their statistics, colours and labels that
// follow their points, data sources and the changes passed on to dependents, mark texts.
#include "tests/chart/ChartTestSupport.h"

#include <cmath>
#include <vector>

namespace {

class SeriesModel : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        chart = MakeChart();
        a = AddSeries<TFastLineSeries>(chart.get(), "A");
        b = AddSeries<TFastLineSeries>(chart.get(), "B");
    }
    std::vector<double> Xs(TChartSeries* s) {
        std::vector<double> out;
        for (int i = 0; i < s->Count(); ++i)
            out.push_back(s->XValue(i));
        return out;
    }
    std::unique_ptr<TChart> chart;
    TFastLineSeries* a = nullptr;
    TFastLineSeries* b = nullptr;
};

TEST_F(SeriesModel, AscendingXKeepsEqualValuesInTheirOrderAndPointsTogether) {
    a->AddXY(3, 30, "three", clRed);
    a->AddXY(1, 10, "one", clChartColor);
    EXPECT_EQ(a->AddXY(2, 20, "first two", clBlue), 1);
    EXPECT_EQ(a->AddXY(2, 21, "second two", clLime), 2);
    EXPECT_EQ(Xs(a), (std::vector<double>{1, 2, 2, 3}));
    EXPECT_EQ(a->YValue(2), 21);
    EXPECT_EQ(a->XLabel(1), "first two");
    EXPECT_EQ(a->XLabel(2), "second two");
    EXPECT_EQ(a->ValueColor(3), clRed);
    EXPECT_EQ(a->ValueColor(2), clLime);
    // The default colour marker reads as the series colour; beyond the list too.
    EXPECT_EQ(a->ValueColor(0), a->SeriesColor());
    EXPECT_EQ(a->ValueColor(99), a->SeriesColor());
    EXPECT_EQ(a->XLabel(99), "");
}

// A null point (here one whose X is not a number) counts in none of them, nor after a change.
// A value deleted takes out of the totals what it put in, whatever the multiplier is by then,
// through the series and through the list's own Delete alike.
TEST_F(SeriesModel, ValueListsKeepTotalsMinimumAndMaximum) {
    TChartValueList* y = a->YValues();
    for (double v : {4.0, -2.0, 10.0})
        a->Add(v);
    a->AddXY(std::nan(""), 100);
    EXPECT_EQ(y->Total(), 12);
    EXPECT_EQ(y->TotalABS(), 16);
    EXPECT_EQ(y->MinValue(), -2);
    EXPECT_EQ(y->MaxValue(), 10);
    y->SetMultiplier(2);
    EXPECT_EQ(y->MaxValue(), 20);
    EXPECT_EQ(y->Value(0), 8);
    EXPECT_EQ(y->Total(), 12) << "totals are not recomputed by a multiplier";
    a->Delete(2);
    EXPECT_EQ(y->Total(), 2);
    EXPECT_EQ(y->TotalABS(), 6);
    EXPECT_EQ(y->MaxValue(), 8);
    EXPECT_EQ(y->MinValue(), -4);
    a->Delete(2);
    EXPECT_EQ(y->Total(), 2) << "the null point was never counted";
    a->Clear();
    EXPECT_EQ(a->Count(), 0);
    EXPECT_EQ(y->Total(), 0);
    EXPECT_EQ(y->TotalABS(), 0);
    EXPECT_EQ(y->MinValue(), 0);
    EXPECT_EQ(y->MaxValue(), 0);
    EXPECT_THROW(y->Value(0), EListError);

    TChartValueList* list = b->YValues();
    const auto statistics = [list] {
        return std::vector<double>{list->Total(), list->TotalABS(), list->MinValue(),
                                   list->MaxValue()};
    };
    for (double v : {5.0, std::nan(""), -3.0, HUGE_VAL})
        list->AddChartValue(v);
    EXPECT_EQ(statistics(), (std::vector<double>{2, 8, -3, 5}));
    list->Delete(1);
    EXPECT_EQ(statistics(), (std::vector<double>{2, 8, -3, 5}));
    list->Delete(0);
    EXPECT_EQ(statistics(), (std::vector<double>{-3, 3, -3, -3}));
    list->Delete(1);
    EXPECT_EQ(statistics(), (std::vector<double>{-3, 3, -3, -3}));
    list->Delete(0);
    EXPECT_EQ(statistics(), (std::vector<double>{0, 0, 0, 0}));
    EXPECT_THROW(list->Delete(0), EListError);
}

TEST_F(SeriesModel, DeletingTheOnlyPointLeavesZeroRange) {
    a->AddXY(5, 7);
    a->Delete(0);
    EXPECT_EQ(a->XValues()->MinValue(), 0);
    EXPECT_EQ(a->YValues()->MaxValue(), 0);
}

TEST_F(SeriesModel, ARefusedAdditionChangesNothing) {
    b->SetDataSource(a);
    a->OnBeforeAdd = [](TChartSeries*) { return false; };
    EXPECT_EQ(a->AddXY(1, 1), -1);
    EXPECT_EQ(a->Count(), 0);
    EXPECT_EQ(b->Count(), 0);
}

TEST_F(SeriesModel, ANullPointIsZeroWithNoColourAndGetsNoMark) {
    a->AddXY(1, 5, "a");
    a->AddNull("b");
    EXPECT_EQ(a->YValue(1), 0);
    EXPECT_EQ(a->ValueColor(1), clNone);
    a->Marks()->SetVisible(true);
    chart->SetAxisVisible(false); // the labels would show on the bottom axis too
    auto canvas = Record(chart.get());
    int marks = 0;
    for (const auto& call : canvas->Calls())
        marks += call.Name == "TextOut" && (call.Text == "a" || call.Text == "b");
    EXPECT_EQ(marks, 1);
}

TEST_F(SeriesModel, TurningColorEachPointOffResetsPointColours) {
    a->AddXY(1, 1, "", clRed);
    a->AddXY(2, 2, "", clChartColor);
    a->SetColorEachPoint(true);
    EXPECT_EQ(a->ValueColor(1), GetDefaultColor(1));
    a->SetColorEachPoint(false);
    EXPECT_EQ(a->ValueColor(0), a->SeriesColor());
}

TEST_F(SeriesModel, APointColourSetLaterStaysWithItsPoint) {
    AddPoints(a, {{1, 1}, {2, 2}, {3, 3}});
    a->SetValueColor(2, clBlue);
    EXPECT_EQ(a->ValueColor(2), clBlue);
    EXPECT_EQ(a->ValueColor(0), a->SeriesColor());
    EXPECT_EQ(a->StoredColor(1), clChartColor);
    a->SetValueColor(3, clRed); // no such point
    EXPECT_EQ(a->StoredColor(3), clChartColor);
}

TEST_F(SeriesModel, DescendingValuesKeepEqualOnesInTheirOrder) {
    a->XValues()->SetOrder(loDescending);
    a->AddXY(5, 1, "first five");
    a->AddXY(7, 2, "seven");
    a->AddXY(5, 3, "second five");
    a->AddXY(1, 4, "one");
    EXPECT_EQ(Xs(a), (std::vector<double>{7, 5, 5, 1}));
    EXPECT_EQ(a->XLabel(1), "first five");
    EXPECT_EQ(a->XLabel(2), "second five");
}

TEST_F(SeriesModel, ADependentFollowsItsSource) {
    AddPoints(a, {{1, 10}, {2, 20}});
    b->SetDataSource(a);
    EXPECT_EQ(Xs(b), (std::vector<double>{1, 2}));
    a->AddXY(3, 30);
    EXPECT_EQ(b->Count(), 3);
    EXPECT_EQ(b->YValue(2), 30);
    a->Delete(0);
    EXPECT_EQ(Xs(b), (std::vector<double>{2, 3}));
    a->YValues()->SetMultiplier(10);
    EXPECT_EQ(b->YValue(0), 200);
    a->Clear();
    EXPECT_EQ(b->Count(), 0);
    EXPECT_EQ(RaisedMessage<ChartException>([&] { a->SetDataSource(b); }),
              "Circular Series dependences are not allowed");
    EXPECT_EQ(a->DataSource(), nullptr);
}

TEST_F(SeriesModel, TheCircleCheckFollowsEverySourceNotOnlyTheFirst) {
    auto* c = AddSeries<TFastLineSeries>(chart.get(), "C");
    // A series read from a stored form may list several sources.
    c->BeginLoading();
    c->SetDataSource(a);
    c->SetDataSource(b);
    c->Loaded();
    ASSERT_EQ(c->DataSources().size(), 2u);
    EXPECT_THROW(b->SetDataSource(c), ChartException);
    EXPECT_EQ(b->DataSource(), nullptr);
}

TEST_F(SeriesModel, SourcesTheChartRejectsRaise) {
    EXPECT_THROW(a->SetDataSource(a), ChartException);
    TComponent other(nullptr);
    other.SetName("Table1");
    EXPECT_EQ(RaisedMessage<ChartException>([&] { a->SetDataSource(&other); }),
              "No valid DataSource: Table1");
}

TEST_F(SeriesModel, ANewSourceTakesTheDependentFromTheOldOne) {
    auto* c = AddSeries<TFastLineSeries>(chart.get(), "C");
    c->SetDataSource(a);
    b->AddXY(7, 70);
    c->SetDataSource(b);
    EXPECT_TRUE(a->Dependents().empty());
    EXPECT_EQ(b->Dependents(), (std::vector<TChartSeries*>{c}));
    a->AddXY(2, 2);
    EXPECT_EQ(Xs(c), (std::vector<double>{7})) << "changes of the former source stay there";
    delete c;
    a->AddXY(1, 1); // the former source has nobody left to tell
    EXPECT_TRUE(a->Dependents().empty());
    EXPECT_TRUE(b->Dependents().empty());
}

TEST_F(SeriesModel, AnAssignedSeriesLetsGoOfItsOwnSources) {
    auto* c = AddSeries<TFastLineSeries>(chart.get(), "C");
    c->SetDataSource(a);
    AddPoints(b, {{1, 10}, {2, 20}});
    c->Assign(b);
    EXPECT_TRUE(c->DataSources().empty());
    EXPECT_TRUE(a->Dependents().empty());
    EXPECT_EQ(Xs(c), (std::vector<double>{1, 2}));
}

// A chart that, like a data-aware one, takes any other component as a series' source.
class TAnySourceChart : public TChart {
public:
    using TChart::TChart;
    bool IsValidDataSource(TChartSeries* ASeries, TComponent* AComponent) const override {
        return AComponent != ASeries;
    }
};

TEST_F(SeriesModel, AComponentSourceFreedLeavesTheSeriesWithoutIt) {
    TAnySourceChart anyChart(nullptr);
    auto* s = AddSeries<TFastLineSeries>(&anyChart);
    auto* table = new TComponent(nullptr);
    s->SetDataSource(table);
    EXPECT_EQ(s->DataSource(), table);
    delete table;
    EXPECT_EQ(s->DataSource(), nullptr);
    EXPECT_TRUE(s->DataSources().empty());
}

TEST_F(SeriesModel, FreeingASourceLeavesItsDependentWithoutIt) {
    auto* source = AddSeries<TFastLineSeries>(chart.get(), "S");
    source->AddXY(1, 1);
    b->SetDataSource(source);
    delete source;
    EXPECT_TRUE(b->DataSources().empty());
    EXPECT_EQ(chart->SeriesCount(), 2);
}

TEST_F(SeriesModel, MarkTextsFollowTheMarksStyle) {
    a->AddXY(1, 1, "first");
    a->AddXY(2, 3, "");
    TSeriesMarks* marks = a->Marks();
    marks->SetStyle(smsPercentTotal);
    EXPECT_EQ(a->GetMarkText(0), "25 % of 4");
    marks->SetStyle(smsLabel);
    EXPECT_EQ(a->GetMarkText(0), "first");
    EXPECT_EQ(a->GetMarkText(1), "3") << "an empty label shows the value";
    marks->SetStyle(smsLabelPercent);
    EXPECT_EQ(a->GetMarkText(1), "3 75 %");
    marks->SetStyle(smsXValue);
    EXPECT_EQ(a->GetMarkText(1), "2");
    a->OnGetMarkText = [](TChartSeries*, int, std::string& text) { text = "<" + text + ">"; };
    EXPECT_EQ(a->GetMarkText(1), "<2>");
}

TEST_F(SeriesModel, SampleValuesNeedACountAndStayWithinTheirRange) {
    EXPECT_THROW(a->FillSampleValues(0), Exception);
    a->FillSampleValues(25);
    EXPECT_EQ(a->Count(), 25);
    EXPECT_GE(a->YValues()->MinValue(), 0);
    // A chart whose points span no range: every random step has a range of 0.
    b->AddXY(1, 0);
    auto* c = AddSeries<TFastLineSeries>(chart.get());
    c->Clear();
    a->Clear();
    b->Clear();
    b->AddXY(0, 5);
    c->FillSampleValues(3);
    EXPECT_EQ(c->Count(), 3);
    // Over a range of 7.6 (8 once rounded) the points wander by up to a quarter of it.
    b->Clear();
    AddPoints(b, {{0, 0}, {1, 7.6}});
    c->FillSampleValues(25);
    EXPECT_EQ(c->Count(), 25) << "new samples replace the earlier ones";
    bool wanders = false;
    for (int i = 1; i < c->Count(); ++i)
        wanders = wanders || c->YValue(i) != c->YValue(0);
    EXPECT_TRUE(wanders);
    EXPECT_LE(c->YValues()->MaxValue(), 8) << "the wandering starts below 8 and only comes down";
    EXPECT_EQ(ChartRandom(0), 0);
    EXPECT_EQ(ChartRandom(-4), 0);
}

TEST_F(SeriesModel, SamplesOnAChartOfOnePointSpanUpToTwiceItsValues) {
    a->AddXY(3, 50);
    b->FillSampleValues(4);
    // X from 3 to 6 in equal steps; Y starts between 50 and 100 and wanders.
    EXPECT_EQ(Xs(b), (std::vector<double>{3, 4, 5, 6}));
    // One sample: a start of 50..99 (a range of 50) moved once by -6..+5 (a quarter of the range,
    // less half of it).
    const auto [low, high] =
        SingleSampleRange(b, 2000, [](TChartSeries* s) { return s->YValue(0); });
    EXPECT_GE(low, 44);
    EXPECT_LE(high, 104);
    // A point at 0 gives samples over 0..1000.
    a->Clear();
    a->AddXY(3, 0);
    b->FillSampleValues(25);
    EXPECT_GT(b->YValues()->MaxValue(), 0);
}

TEST_F(SeriesModel, PointsPutStraightIntoTheListsTakeTheSeriesColour) {
    a->SetSeriesColor(clBlue);
    a->XValues()->AddChartValue(1);
    a->YValues()->InsertChartValue(0, 10);
    EXPECT_EQ(a->AddXY(2, 20, "", clRed), 1);
    EXPECT_EQ(a->ValueColor(0), clBlue);
    EXPECT_EQ(a->ValueColor(1), clRed);
}

} // namespace

namespace {

// A function of the test's own: one point holding the sum of the source's Y values.
class TSumFunction : public TChartFunction {
public:
    using TChartFunction::TChartFunction;
    void AddPoints(TChartSeries* Source) override {
        double sum = 0;
        for (int i = 0; i < Source->Count(); ++i)
            sum += Source->YValue(i);
        ParentSeries()->AddXY(0, sum);
    }
};

TEST_F(SeriesModel, ASeriesWithAFunctionComputesItsPointsFromItsSource) {
    AddPoints(a, {{1, 2}, {2, 5}});
    TComponent owner(nullptr);
    auto* sum = new TSumFunction(&owner);
    b->SetFunction(sum);
    b->SetDataSource(a);
    ASSERT_EQ(b->Count(), 1);
    EXPECT_EQ(b->YValue(0), 7);
    a->AddXY(3, 1);
    EXPECT_EQ(b->Count(), 1) << "single additions do not reach a function's series";
    a->RefreshSeries();
    EXPECT_EQ(b->YValue(0), 8);
    delete sum; // its owner may free it before the series
    EXPECT_EQ(b->FunctionType(), nullptr);
}

} // namespace
