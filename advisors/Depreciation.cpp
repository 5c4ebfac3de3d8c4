#include "advisors/Depreciation.h"

#include "advisors/AdvisorMessages.h"
#include "finance/LoanMath.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <cmath>
#include <fstream>

TStringList DepreciationMethodList;
TStringList DeductionTimingList;
std::string AutoBinPath;

namespace {

const char* const AutoBinName = "auto.bin";
const char* const CapsMissing =
    "Maximum depreciation amounts not found.\n\nOr not enough memory to open file.\n\n";
const char* const InclusionMissing =
    "Auto inclusion amounts not found.\n\nOr not enough memory to open file.\n\n";

bool IsDecliningBalance(Byte method) {
    return method <= dm200DB;
}

// The factor (percent) of a declining-balance method.
double DecliningFactor(Byte method) {
    return method == dmAuto150DB || method == dm150DB ? 150.0 : 200.0;
}

// The float at offset; false when it is not a finite number.
bool FloatAt(const std::vector<Byte>& buffer, std::size_t offset, float& value) {
    value = GetLE<float>(buffer, offset);
    return std::isfinite(value);
}

bool AmountAt(const std::vector<Byte>& buffer, std::size_t offset, float& value) {
    return FloatAt(buffer, offset, value) && value >= 0.0f;
}

// The first bytes of the file, at most limit of them: a file of any size is read no further.
bool ReadFileBytes(const std::string& path, std::vector<Byte>& bytes, std::size_t limit) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.resize(limit);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return !file.bad();
}

bool DecodeRows(const std::vector<Byte>& buffer, TAutoLimits& limits) {
    constexpr std::size_t rowSize = 4 * (1 + AutoLeaseYears);
    for (std::size_t r = 0; r < AutoBinRows; ++r) {
        TAutoLimitsRow& row = limits.Rows[r];
        if (!AmountAt(buffer, r * rowSize, row.Threshold)) return false;
        if (r > 0 && row.Threshold <= limits.Rows[r - 1].Threshold) return false;
        for (std::size_t y = 0; y < AutoLeaseYears; ++y)
            if (!AmountAt(buffer, r * rowSize + 4 * (y + 1), row.Inclusion[y])) return false;
    }
    return true;
}

bool DecodeAutoLimits(const std::vector<Byte>& buffer, TAutoLimits& limits) {
    if (buffer.size() != AutoBinSize || !DecodeRows(buffer, limits)) return false;
    if (!FloatAt(buffer, 1800, limits.TableYear)) return false;
    const long year = std::lround(limits.TableYear);
    if (year < MinYear || year > MaxYear) return false;
    for (std::size_t i = 0; i < AutoCapYears; ++i)
        if (!AmountAt(buffer, 1804 + 4 * i, limits.MaxDepreciation[i])) return false;
    return true;
}

// The limits file read whole, or false with the warning given.
bool LoadAutoLimits(TAutoLimits& limits, const char* warning) {
    if (ReadAutoLimits(AutoBinFileName(), limits)) return true;
    AdvisorMessage(amkWarning, warning);
    return false;
}

// What is left of the basis after an entry: the final entry takes what is left when that is at
// least 1.0; no entry takes more than is left.
double TakeEntry(double& remaining, double entry) {
    entry = std::clamp(entry, 0.0, remaining);
    remaining -= entry;
    return entry;
}

double DecliningEntry(int i, int n, double remaining, double life, double factor, double f) {
    const double rate = 0.01 * factor * (1.0 / life);
    if (i == 0) return remaining * rate * f;
    if (i == n) return remaining >= 1.0 ? remaining : 0.0;
    const double db = remaining * rate;
    const double sl = remaining / ((1.0 - f) + life - i);
    return sl >= db ? sl : db;
}

double StraightLineEntry(int i, int n, double remaining, double yearly, double f) {
    if (i == 0) return yearly * f;
    if (i == n) return remaining >= 1.0 ? remaining : 0.0;
    return yearly;
}

} // namespace

void FillDepreciationMethods() {
    DepreciationMethodList.Clear();
    for (const char* item :
         {"Auto 150DB", "Auto 200DB", "150% DB", "200% DB", "Auto SL", "Straight Line"})
        DepreciationMethodList.Add(item);
}

void FillDeductionTimings() {
    DeductionTimingList.Clear();
    for (const char* item : {"First", "Amortize", "Last"})
        DeductionTimingList.Add(item);
}

bool IsAutoMethod(Byte method) {
    return method == dmAuto150DB || method == dmAuto200DB || method == dmAutoSL;
}

bool ReadAutoLimits(const std::string& path, TAutoLimits& limits) {
    std::vector<Byte> buffer;
    // One byte more than the layout holds tells a longer file from a whole one.
    if (path.empty() || !ReadFileBytes(path, buffer, AutoBinSize + 1)) return false;
    TAutoLimits read;
    if (!DecodeAutoLimits(buffer, read)) return false;
    limits = read;
    return true;
}

std::string AutoBinFileName() {
    if (!AutoBinPath.empty()) return AutoBinPath;
    for (const std::string& folder : {ProgramFolder(), DataFolder()}) {
        const std::string found = FindFileCaseInsensitive(folder, AutoBinName);
        if (!found.empty()) return found;
    }
    return ProgramFolder() + "/" + AutoBinName;
}

double FirstYearDepreciationFraction(int convention, int month) {
    if (month < 1 || month > 12) return 0.0;
    switch (convention) {
    case fcHalfYear: return 0.5;
    case fcMidQuarter: return (8 - 2 * ((month - 1) / 3) - 1) / 8.0;
    case fcMidMonth: return (24 - (2 * month - 1)) / 24.0;
    default: return 0.0;
    }
}

int MaxAutoDepreciation(TDayNumber placedInService, Byte method, int convention,
                        std::vector<double>& schedule, float life, double basis) {
    if (!(life > 0.0f && life <= MaxDepreciableLife))
        throw ERangeError("Depreciable life %g is out of range", {static_cast<double>(life)});
    if (method >= DepreciationMethodCount)
        throw ERangeError("Unknown depreciation method %d", {static_cast<int>(method)});
    const double years = life;
    const int n = static_cast<int>(std::ceil(years));
    double remaining = basis > 0.0 ? basis : 0.0;
    int day = 0, month = 0, year = 0;
    DateToDMY(placedInService, day, month, year);
    const double f = FirstYearDepreciationFraction(convention, month);

    TAutoLimits limits;
    const bool capped = IsAutoMethod(method) && LoadAutoLimits(limits, CapsMissing);
    const double yearly = RoundToCents(remaining / years);
    schedule.assign(static_cast<std::size_t>(n) + 1, 0.0);
    for (int i = 0; i <= n; ++i) {
        double entry = IsDecliningBalance(method)
                           ? DecliningEntry(i, n, remaining, years, DecliningFactor(method), f)
                           : StraightLineEntry(i, n, remaining, yearly, f);
        if (capped) entry = std::min<double>(entry, limits.MaxDepreciation[std::min(i, 4)]);
        schedule[static_cast<std::size_t>(i)] = TakeEntry(remaining, entry);
    }
    return n;
}

int AutoInclusionAmount(int years, std::vector<double>& amounts, double percent, double value) {
    TAutoLimits limits;
    if (!LoadAutoLimits(limits, InclusionMissing)) return 0;
    int j = 0; // the rows whose threshold lies below the value
    while (j < AutoBinRows && value > limits.Rows[static_cast<std::size_t>(j)].Threshold)
        ++j;
    if (j > 0 && j < AutoBinRows && years > 0) {
        if (amounts.size() < static_cast<std::size_t>(years) + 1)
            amounts.resize(static_cast<std::size_t>(years) + 1, 0.0);
        const TAutoLimitsRow& row = limits.Rows[static_cast<std::size_t>(j - 1)];
        for (int y = 1; y <= years; ++y)
            amounts[static_cast<std::size_t>(y)] =
                0.01 * percent * row.Inclusion[static_cast<std::size_t>(std::min(y, 5) - 1)];
    }
    return static_cast<int>(std::lround(limits.TableYear));
}

long double LeaseCashFlowPV(const std::vector<double>& flows, int n, int timing, double rate) {
    const long double d = 1.0L / (1.0L + rate);
    long double acc = 0.0L;
    for (int k = std::min(n, static_cast<int>(flows.size()) - 1); k >= 0; --k)
        acc = acc * d + flows[static_cast<std::size_t>(k)];
    return timing == 1 ? acc : acc * d;
}

void LoanInterestSchedule(int count, std::vector<double>& payments, bool inAdvance,
                          std::vector<double>& interest, double balance, double rate) {
    count = std::min(count, static_cast<int>(payments.size()));
    if (count <= 0) return;
    if (interest.size() < static_cast<std::size_t>(count))
        interest.resize(static_cast<std::size_t>(count), 0.0);
    double b = balance;
    // Settles payment i against the balance: an overpayment shrinks to what is owed.
    auto settle = [&](std::size_t i) {
        b += payments[i];
        if (b < 0.0) {
            payments[i] -= b;
            b = 0.0;
        }
    };
    int i = 0;
    if (inAdvance) {
        interest[0] = 0.0;
        settle(0);
        i = 1;
    }
    for (; i < count && b > 0.0; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        interest[k] = RoundToCents(rate * b);
        b += interest[k];
        settle(k);
    }
}

long double SumArray(const std::vector<double>& values, int n) {
    long double sum = 0.0L;
    for (int k = 0; k <= n && k < static_cast<int>(values.size()); ++k)
        sum += values[static_cast<std::size_t>(k)];
    return sum;
}
