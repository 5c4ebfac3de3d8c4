// xBase expressions and filter texts against the sample table: the text is tested, evaluated as
// text and as a condition on a record, and set as the filter of the area, which is then walked
// and counted, as a user's filter on the register does.
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/FuzzXbase.h"
#include "xbase/Xbase.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& table = SampleTable();
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (xb_Use(table, "", xbModeReadOnly, xbCDX) == 0) return 0;
    xb_Go(2);
    xb_EvalTest(text);
    xb_EvalString(text);
    xb_EvalLogical(text);
    if (xb_Query(text) == xbOK) {
        xb_QueryRecCount();
        xb_DBFilter();
        WalkArea(SampleRecords + 1);
    }
    xb_CloseAll();
    return 0;
}
