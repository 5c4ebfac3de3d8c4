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

// Declares a class whose default constructor takes its message from the controls' table (the
// numbers are given with the constructors).
#define VANTREL_VC_EXCEPTION(Name, Base)                                                           \
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

VANTREL_VC_EXCEPTION(ENoTimersAvailable, EVcException);
VANTREL_VC_EXCEPTION(ENoControllerAssigned, EControllerError);
VANTREL_VC_EXCEPTION(EDuplicateCommand, ECmdProcessorError);
VANTREL_VC_EXCEPTION(ETableNotFound, ECmdProcessorError);
VANTREL_VC_EXCEPTION(EInvalidDataType, EEntryFieldError);
VANTREL_VC_EXCEPTION(EInvalidDateForMask, EEntryFieldError);
VANTREL_VC_EXCEPTION(EInvalidPageIndex, ENotebookError);
VANTREL_VC_EXCEPTION(EInvalidTabFont, ENotebookError);
VANTREL_VC_EXCEPTION(ESAEAtMaxSize, ESparseArrayError);
VANTREL_VC_EXCEPTION(ESAEOutOfBounds, ESparseArrayError);

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
