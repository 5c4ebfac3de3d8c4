// The numeric routines of the lease-versus-buy engine: depreciation schedules by method and
// first-year convention, the automobile limits file "auto.bin" (yearly depreciation caps and lease
// inclusion amounts by fair market value), the present value of a yearly cash-flow row, the
// per-period interest of a loan and the sum of a row. Rows are vectors: a schedule is as long as
// its life needs, never cut off at a fixed size.
#pragma once

#include "controls/entry/DayNumberDates.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Types.h"

#include <array>
#include <string>
#include <vector>

// Depreciation methods: the item indexes of DepreciationMethodList.
enum : Byte {
    dmAuto150DB = 0,
    dmAuto200DB = 1,
    dm150DB = 2,
    dm200DB = 3,
    dmAutoSL = 4,
    dmStraightLine = 5
};
constexpr int DepreciationMethodCount = 6;
// When the lease's acquisition costs and sales tax are deducted: the item indexes of
// DeductionTimingList.
enum : Byte { dtFirst = 0, dtAmortize = 1, dtLast = 2 };
constexpr int DeductionTimingCount = 3;
// First-year conventions.
enum : Byte { fcHalfYear = 0, fcMidQuarter = 1, fcMidMonth = 2 };

// The longest depreciable life a schedule is made for, in years (a life worked out from 32767
// monthly payments stays below it).
constexpr float MaxDepreciableLife = 3000.0f;

extern TStringList DepreciationMethodList; // "Auto 150DB" .. "Straight Line"
extern TStringList DeductionTimingList;    // "First", "Amortize", "Last"
void FillDepreciationMethods();
void FillDeductionTimings();

// True for the methods the automobile caps apply to.
bool IsAutoMethod(Byte method);

// The automobile limits file: 75 rows of a fair-market-value threshold and the lease inclusion
// amounts of lease years 1 to 5 (the fifth for every later year), the table's year, and the
// maximum depreciation of tax years 1 to 4 and of every later year. Little-endian 32-bit floats.
constexpr int AutoBinSize = 1824;
constexpr int AutoBinRows = 75;
constexpr int AutoLeaseYears = 5;
constexpr int AutoCapYears = 5; // tax years 1..4, then the cap of every later year

struct TAutoLimitsRow {
    float Threshold = 0;
    std::array<float, AutoLeaseYears> Inclusion{};
};

struct TAutoLimits {
    std::array<TAutoLimitsRow, AutoBinRows> Rows{};
    float TableYear = 0;
    std::array<float, AutoCapYears> MaxDepreciation{};
};

// Reads the limits file at path. False when it cannot be read, is not exactly AutoBinSize bytes,
// holds a value that is not a finite number, a negative amount or a year outside 1600..3999, or
// its thresholds do not ascend.
bool ReadAutoLimits(const std::string& path, TAutoLimits& limits);
// Where the limits file is read from: AutoBinPath when it is set, else "auto.bin" (in any letter
// case) beside the program, else in the program's data folder.
extern std::string AutoBinPath;
std::string AutoBinFileName();

// The share of a year's depreciation taken in the first tax year for a convention and the month
// the asset was placed in service (1..12); 0 for any other convention or month.
double FirstYearDepreciationFraction(int convention, int month);

// Fills schedule with the depreciation of tax years 1, 2, ... of an asset of the given basis
// placed in service on placedInService, and returns K, the index of its last entry (the life
// rounded up: a half-year convention gives life + 1 entries). No entry exceeds what is left of
// the basis. The automobile methods cap each entry at the limits of "auto.bin"; when the file
// cannot be read a warning is given and the schedule is not capped. Raises ERangeError for a life
// that is not above 0 and at most MaxDepreciableLife, or an unknown method.
int MaxAutoDepreciation(TDayNumber placedInService, Byte method, int convention,
                        std::vector<double>& schedule, float life, double basis);

// Fills amounts[1..years] with percent % of the lease inclusion amounts of the first row whose
// threshold lies below value among the rows below it (the last such row); a value at or below
// the first threshold or above the last fills nothing. Returns the table's year, or 0 with a
// warning when the file cannot be read. amounts grows to years + 1 entries when shorter.
int AutoInclusionAmount(int years, std::vector<double>& amounts, double percent, double value);

// The present value of flows[0..n] at the periodic rate (a fraction): with timing 1 each flow is
// at the start of its period (flow k discounted k periods), with 0 at its end (k + 1 periods).
long double LeaseCashFlowPV(const std::vector<double>& flows, int n, int timing, double rate);

// Per-period interest of a loan of the given balance at the periodic rate (a fraction), paid by
// payments[0..count-1] (negative amounts). Each period's interest is rounded to cents; the
// payment that overpays shrinks to what is owed, and the periods after the loan is paid keep
// their values. In advance the first payment is made at once and carries no interest.
// interest grows to count entries when shorter; count is limited to the payments given.
void LoanInterestSchedule(int count, std::vector<double>& payments, bool inAdvance,
                          std::vector<double>& interest, double balance, double rate);

// The sum of values[0..n] (n limited to the row), accumulated in extended precision.
long double SumArray(const std::vector<double>& values, int n);
