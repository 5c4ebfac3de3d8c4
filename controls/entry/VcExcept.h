// The entry controls' exceptions. Each class with a message of its own takes it from the
// controls' message table.
#pragma once

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Types.h"

#include <string>

class EVcException : public Exception {
public:
    using Exception::Exception;
};

// Declares a class whose default constructor takes message `number` of the controls' table.
#define VANTREL_VC_EXCEPTION(Name, Base, number)                                                   \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        Name();                                                                                    \
        using Base::Base;                                                                          \
    }

VANTREL_EXCEPTION(EControllerError, EVcException);
VANTREL_EXCEPTION(ECmdProcessorError, EVcException);
VANTREL_EXCEPTION(EEntryFieldError, EVcException);
VANTREL_EXCEPTION(ENotebookError, EVcException);
VANTREL_EXCEPTION(ESparseArrayError, EVcException);

VANTREL_VC_EXCEPTION(ENoTimersAvailable, EVcException, 34189);
VANTREL_VC_EXCEPTION(ENoControllerAssigned, EControllerError, 34172);
VANTREL_VC_EXCEPTION(EDuplicateCommand, ECmdProcessorError, 34169);
VANTREL_VC_EXCEPTION(ETableNotFound, ECmdProcessorError, 34170);
VANTREL_VC_EXCEPTION(EInvalidDataType, EEntryFieldError, 34194);
VANTREL_VC_EXCEPTION(EInvalidDateForMask, EEntryFieldError, 34227);
VANTREL_VC_EXCEPTION(EInvalidPageIndex, ENotebookError, 34193);
VANTREL_VC_EXCEPTION(EInvalidTabFont, ENotebookError, 34195);
VANTREL_VC_EXCEPTION(ESAEAtMaxSize, ESparseArrayError, 34218);
VANTREL_VC_EXCEPTION(ESAEOutOfBounds, ESparseArrayError, 34219);

// "Invalid picture mask: %s" with the mask.
class EInvalidPictureMask : public EEntryFieldError {
public:
    explicit EInvalidPictureMask(const std::string& mask);
};

// The range message of a data kind (0 String .. 15 Time, as the entry fields number them):
// the integer kinds name their limits, the real kinds their magnitudes, Date and Time the
// default pictures of the international settings; any other kind "Invalid range value".
class EInvalidRangeValue : public EEntryFieldError {
public:
    explicit EInvalidRangeValue(Byte dataKind);
};

// The table controls' errors, with the message-table text their caller chose.
VANTREL_EXCEPTION(EVcTable, Exception);
