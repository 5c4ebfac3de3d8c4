// The automobile limits file "auto.bin" as the lease-versus-buy analysis reads it: the bytes are
// the file; the capped depreciation schedules of the automobile methods and the lease inclusion
// amounts are worked out from it, across every threshold row.
#include "advisors/AdvisorMessages.h"
#include "advisors/Depreciation.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        AutoBinPath = FuzzFolder() + "/auto.bin";
        OnAdvisorMessage = [](TAdvisorMsgKind, const std::string&) {};
        return true;
    }();
    (void)ready;
    WriteFuzzFile("auto.bin", std::string_view(reinterpret_cast<const char*>(data), size));
    std::vector<double> schedule;
    for (Byte method : {dmAuto150DB, dmAuto200DB, dmAutoSL})
        MaxAutoDepreciation(45000, method, fcHalfYear, schedule, 5.0f, 48000.0);
    std::vector<double> amounts;
    for (double value : {0.0, 15000.0, 18500.0, 60000.0, 1e6, 1e12})
        AutoInclusionAmount(7, amounts, 75.0, value);
    TAutoLimits limits;
    if (ReadAutoLimits(AutoBinPath, limits))
        for (const TAutoLimitsRow& row : limits.Rows)
            AutoInclusionAmount(5, amounts, 100.0, std::nextafter(row.Threshold, 1e30f));
    return 0;
}
