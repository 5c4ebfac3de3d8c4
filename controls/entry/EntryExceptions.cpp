#include "controls/entry/EntryExceptions.h"

#include "controls/entry/MessageTables.h"
#include "controls/entry/RegionalConventions.h"

#define VANTREL_VC_EXCEPTION_BODY(Name, Base, number)                                              \
    Name::Name() : Base(GetVcString(number)) {}

VANTREL_VC_EXCEPTION_BODY(ENoTimersAvailable, EVcException, 34189)
VANTREL_VC_EXCEPTION_BODY(ENoControllerAssigned, EControllerError, 34172)
VANTREL_VC_EXCEPTION_BODY(EDuplicateCommand, ECmdProcessorError, 34169)
VANTREL_VC_EXCEPTION_BODY(ETableNotFound, ECmdProcessorError, 34170)
VANTREL_VC_EXCEPTION_BODY(EInvalidDataType, EEntryFieldError, 34194)
VANTREL_VC_EXCEPTION_BODY(EInvalidDateForMask, EEntryFieldError, 34227)
VANTREL_VC_EXCEPTION_BODY(EInvalidPageIndex, ENotebookError, 34193)
VANTREL_VC_EXCEPTION_BODY(EInvalidTabFont, ENotebookError, 34195)
VANTREL_VC_EXCEPTION_BODY(ESAEAtMaxSize, ESparseArrayError, 34218)
VANTREL_VC_EXCEPTION_BODY(ESAEOutOfBounds, ESparseArrayError, 34219)

EInvalidPictureMask::EInvalidPictureMask(const std::string& mask)
    : EEntryFieldError(GetVcString(34202), {mask}) {}

namespace {

constexpr int MsgIntegerRange = 34203;
constexpr int MsgDateRange = 34209;
constexpr int MsgTimeRange = 34210;
constexpr int MsgInvalidRange = 34211;

// The message of a data kind's range; kinds 4 LongInt .. 8 ShortInt name their limits, 9 Real
// .. 13 Comp have texts 34204 .. 34208 of their own.
std::string RangeMessage(Byte dataKind) {
    struct TLimits {
        long long Low, High;
    };
    static const TLimits integerLimits[] = {
        {-2147483648LL, 2147483647LL}, {0, 65535}, {-32768, 32767}, {0, 255}, {-128, 127}};
    if (dataKind >= 4 && dataKind <= 8) {
        const TLimits& limits = integerLimits[dataKind - 4];
        return Format(GetVcString(MsgIntegerRange), {limits.Low, limits.High});
    }
    if (dataKind >= 9 && dataKind <= 13) return GetVcString(34204 + (dataKind - 9));
    if (dataKind == 14)
        return Format(GetVcString(MsgDateRange), {VcIntlSup().DefaultDatePicture(false)});
    if (dataKind == 15)
        return Format(GetVcString(MsgTimeRange), {VcIntlSup().DefaultTimePicture(false)});
    return GetVcString(MsgInvalidRange);
}

} // namespace

EInvalidRangeValue::EInvalidRangeValue(Byte dataKind) : EEntryFieldError(RangeMessage(dataKind)) {}
