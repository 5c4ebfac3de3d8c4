// The seven standard series functions: add, subtract, multiply, divide, high, low and average.
//
// Each answers the two questions the function base asks (see TChartFunction): the value of one
// source series over a period of its points, and the value of several source series at one
// point index. Every function reads a source's main value list (the Y values, the X values of a
// horizontal series) and uses the list's kept total, maximum and minimum for a whole series. A
// null point (one with a value that is not finite) counts in no total, so in no period, index or
// divisor either. A source "has" index i when its main list holds more than i values and its
// point i is not a null point; sources that lack the index are left out. All arithmetic is in
// double precision and every answer is a finite number when the values are: division skips
// divisors of 0 and any division whose quotient would overflow.
#pragma once

#include "chart/ChartEngine.h"

#include <vector>

class TAddChartFunction : public TChartFunction {
    VANTREL_CLASS(TAddChartFunction, TChartFunction)
    using TChartFunction::TChartFunction;
    // The sum of the period's values (the list's total for all points).
    double Calculate(TChartSeries* Source, int FirstIndex, int LastIndex) override;
    // The sum of the sources' values at the index; 0 when none has it.
    double CalculateMany(const std::vector<TComponent*>& SourceList, int ValueIndex) override;
};

class TSubtractChartFunction : public TChartFunction {
    VANTREL_CLASS(TSubtractChartFunction, TChartFunction)
    using TChartFunction::TChartFunction;
    // The first source's value at the index less the following sources' values; 0 when none
    // has it.
    double CalculateMany(const std::vector<TComponent*>& SourceList, int ValueIndex) override;
};

class TMultiplyChartFunction : public TChartFunction {
    VANTREL_CLASS(TMultiplyChartFunction, TChartFunction)
    using TChartFunction::TChartFunction;
    // The product of the sources' values at the index; 0 when none has it.
    double CalculateMany(const std::vector<TComponent*>& SourceList, int ValueIndex) override;
};

class TDivideChartFunction : public TChartFunction {
    VANTREL_CLASS(TDivideChartFunction, TChartFunction)
    using TChartFunction::TChartFunction;
    // The first source's value at the index divided by each following source's value, skipping
    // divisors of 0 and divisions that would overflow; 0 when none has the index.
    double CalculateMany(const std::vector<TComponent*>& SourceList, int ValueIndex) override;
};

class THighChartFunction : public TChartFunction {
    VANTREL_CLASS(THighChartFunction, TChartFunction)
    using TChartFunction::TChartFunction;
    // The largest value of the period (the list's maximum for all points).
    double Calculate(TChartSeries* Source, int FirstIndex, int LastIndex) override;
    // Starts from 0, which the first source's value replaces when it has the index; a later
    // source's value replaces the result only when strictly larger.
    double CalculateMany(const std::vector<TComponent*>& SourceList, int ValueIndex) override;
};

class TLowChartFunction : public TChartFunction {
    VANTREL_CLASS(TLowChartFunction, TChartFunction)
    using TChartFunction::TChartFunction;
    // The smallest value of the period (the list's minimum for all points).
    double Calculate(TChartSeries* Source, int FirstIndex, int LastIndex) override;
    // As THighChartFunction, replacing only by strictly smaller values.
    double CalculateMany(const std::vector<TComponent*>& SourceList, int ValueIndex) override;
};

class TAverageChartFunction : public TChartFunction {
    VANTREL_CLASS(TAverageChartFunction, TChartFunction)
    using TChartFunction::TChartFunction;
    // The mean of the period's values; 0 for a period without a point that counts.
    double Calculate(TChartSeries* Source, int FirstIndex, int LastIndex) override;
    // The mean of the values of the sources that have the index; 0 when none has it.
    double CalculateMany(const std::vector<TComponent*>& SourceList, int ValueIndex) override;
};
