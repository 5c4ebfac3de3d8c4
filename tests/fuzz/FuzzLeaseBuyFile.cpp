// "*.LB" lease-versus-buy files as the advisor opens them: the bytes are the file; they are read
// the way Open... reads them (DecodeLeaseBuyFile, which refuses a damaged file whole with the
// advisor's message), and the inputs taken from a file are run through the analysis the Next
// button starts (ValidateAndRunLeaseBuy), against the program's own "auto.bin".
#include "advisors/AdvisorMessages.h"
#include "advisors/Depreciation.h"
#include "advisors/LeaseBuyAdvisor.h"
#include "advisors/LeaseBuyEngine.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/FuzzSupport.h"

#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        AutoBinPath = VANTREL_FUZZ_DIR "/corpus/autobin/auto.bin";
        OnAdvisorMessage = [](TAdvisorMsgKind, const std::string&) {};
        return true;
    }();
    (void)ready;
    TLeaseBuyData inputs;
    if (!DecodeLeaseBuyFile(std::span<const Byte>(data, size), inputs).empty()) return 0;
    try {
        ValidateAndRunLeaseBuy(inputs);
    } catch (const ERangeError&) {
    }
    return 0;
}
