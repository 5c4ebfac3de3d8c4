// The exception family every layer raises and catches.
#pragma once

#include "platform/rtl/Format.h"

#include <exception>
#include <string>
#include <string_view>

// The root of the program's exceptions: a message and a help context number.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    // The message made by Format(fmt, args).
    Exception(std::string_view fmt, TVarRecs args) : message_(Format(fmt, args)) {}

    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context) { helpContext_ = context; }

private:
    std::string message_;
    int helpContext_ = 0;
};

#define VANTREL_EXCEPTION(Name, Base)                                                              \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
    }

// The silent exception: it ends an operation and the application shows nothing for it.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
    using Exception::Exception;
};

VANTREL_EXCEPTION(EConvertError, Exception);
VANTREL_EXCEPTION(EInOutError, Exception);
VANTREL_EXCEPTION(EOutOfMemory, Exception);
VANTREL_EXCEPTION(EListError, Exception);
VANTREL_EXCEPTION(EStringListError, Exception);
VANTREL_EXCEPTION(EInvalidOperation, Exception);
VANTREL_EXCEPTION(EInvalidCast, Exception);
VANTREL_EXCEPTION(EComponentError, Exception);
VANTREL_EXCEPTION(EStreamError, Exception);
VANTREL_EXCEPTION(EReadError, EStreamError);
VANTREL_EXCEPTION(EWriteError, EStreamError);
VANTREL_EXCEPTION(EFCreateError, EStreamError);
VANTREL_EXCEPTION(EFOpenError, EStreamError);
VANTREL_EXCEPTION(EIniFileException, Exception);
VANTREL_EXCEPTION(ERegistryException, Exception);
VANTREL_EXCEPTION(EMathError, Exception);
VANTREL_EXCEPTION(EZeroDivide, EMathError);
VANTREL_EXCEPTION(EOverflow, EMathError);
VANTREL_EXCEPTION(EInvalidOp, EMathError);
VANTREL_EXCEPTION(ERangeError, Exception);

// Raises the silent EAbort.
[[noreturn]] void Abort();

// The system's text of an error number (errno), begun in lower case so that it ends a sentence:
// "read-only file system".
std::string SysErrorMessage(int error);
