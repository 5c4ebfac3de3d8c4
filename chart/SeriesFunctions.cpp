#include "chart/SeriesFunctions.h"

#include <cmath>
#include <functional>

namespace {

const TChartValueList* MainList(const TChartSeries* Series) {
    return Series->MandatoryValueList();
}

// Calls Each(value, position) for the value at ValueIndex of every source series that has it (a
// source whose point there is a null point lacks it); position counts the sources in the list
// (the first of the list is 0, whether it has the index or not). Answers how many had it.
int ForEachValue(const std::vector<TComponent*>& SourceList, int ValueIndex,
                 const std::function<void(double Value, int Position)>& Each) {
    int found = 0;
    for (std::size_t p = 0; p < SourceList.size(); ++p) {
        const auto* series = dynamic_cast<const TChartSeries*>(SourceList[p]);
        if (!series || ValueIndex < 0 || MainList(series)->Count() <= ValueIndex ||
            !series->ValueIsFinite(ValueIndex))
            continue;
        Each(MainList(series)->Value(ValueIndex), static_cast<int>(p));
        ++found;
    }
    return found;
}

// Folds the values at ValueIndex: the first value found starts the result, Combine adds each
// later one. 0 when no source has the index.
double FoldValues(const std::vector<TComponent*>& SourceList, int ValueIndex,
                  const std::function<double(double Result, double Value)>& Combine) {
    double result = 0;
    bool started = false;
    ForEachValue(SourceList, ValueIndex, [&](double v, int) {
        result = started ? Combine(result, v) : v;
        started = true;
    });
    return result;
}

struct TFolded {
    double Value = 0;
    int Count = 0; // how many values were folded
};

// The values of the period's points FirstIndex..LastIndex folded by Combine, the first value
// starting; null points (a value not finite) are left out, as they are from the totals.
TFolded FoldPeriod(const TChartSeries* Source, int FirstIndex, int LastIndex,
                   const std::function<double(double Result, double Value)>& Combine) {
    const TChartValueList* list = MainList(Source);
    TFolded result;
    for (int i = FirstIndex; i <= LastIndex; ++i) {
        if (!Source->ValueIsFinite(i)) continue;
        result.Value = result.Count++ == 0 ? list->Value(i) : Combine(result.Value, list->Value(i));
    }
    return result;
}

double Sum(double Result, double Value) {
    return Result + Value;
}

// High and low over a list: 0 to start with, the list's first source sets it when it has the
// index, and later ones replace it only when Better.
double Extreme(const std::vector<TComponent*>& SourceList, int ValueIndex,
               const std::function<bool(double Value, double Result)>& Better) {
    double result = 0;
    ForEachValue(SourceList, ValueIndex, [&](double v, int position) {
        if (position == 0 || Better(v, result)) result = v;
    });
    return result;
}

} // namespace

double TAddChartFunction::Calculate(TChartSeries* Source, int FirstIndex, int LastIndex) {
    if (FirstIndex == -1) return MainList(Source)->Total();
    return FoldPeriod(Source, FirstIndex, LastIndex, Sum).Value;
}

double TAddChartFunction::CalculateMany(const std::vector<TComponent*>& SourceList,
                                        int ValueIndex) {
    return FoldValues(SourceList, ValueIndex, Sum);
}

double TSubtractChartFunction::CalculateMany(const std::vector<TComponent*>& SourceList,
                                             int ValueIndex) {
    return FoldValues(SourceList, ValueIndex, [](double r, double v) { return r - v; });
}

double TMultiplyChartFunction::CalculateMany(const std::vector<TComponent*>& SourceList,
                                             int ValueIndex) {
    return FoldValues(SourceList, ValueIndex, [](double r, double v) { return r * v; });
}

double TDivideChartFunction::CalculateMany(const std::vector<TComponent*>& SourceList,
                                           int ValueIndex) {
    return FoldValues(SourceList, ValueIndex, [](double r, double v) {
        if (v == 0) return r;
        const double quotient = r / v;
        return std::isfinite(quotient) ? quotient : r;
    });
}

double THighChartFunction::Calculate(TChartSeries* Source, int FirstIndex, int LastIndex) {
    if (FirstIndex == -1) return MainList(Source)->MaxValue();
    return FoldPeriod(Source, FirstIndex, LastIndex,
                      [](double r, double v) { return v > r ? v : r; })
        .Value;
}

double THighChartFunction::CalculateMany(const std::vector<TComponent*>& SourceList,
                                         int ValueIndex) {
    return Extreme(SourceList, ValueIndex, [](double v, double r) { return v > r; });
}

double TLowChartFunction::Calculate(TChartSeries* Source, int FirstIndex, int LastIndex) {
    if (FirstIndex == -1) return MainList(Source)->MinValue();
    return FoldPeriod(Source, FirstIndex, LastIndex,
                      [](double r, double v) { return v < r ? v : r; })
        .Value;
}

double TLowChartFunction::CalculateMany(const std::vector<TComponent*>& SourceList,
                                        int ValueIndex) {
    return Extreme(SourceList, ValueIndex, [](double v, double r) { return v < r; });
}

double TAverageChartFunction::Calculate(TChartSeries* Source, int FirstIndex, int LastIndex) {
    const TChartValueList* list = MainList(Source);
    if (FirstIndex == -1) return list->TotalCount() == 0 ? 0 : list->Total() / list->TotalCount();
    const TFolded sum = FoldPeriod(Source, FirstIndex, LastIndex, Sum);
    return sum.Count == 0 ? 0 : sum.Value / sum.Count;
}

double TAverageChartFunction::CalculateMany(const std::vector<TComponent*>& SourceList,
                                            int ValueIndex) {
    double sum = 0;
    const int found = ForEachValue(SourceList, ValueIndex, [&](double v, int) { sum += v; });
    return found == 0 ? 0 : sum / found;
}
