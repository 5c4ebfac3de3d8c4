#include "xbase/XbError.h"

#include "xbase/Xbase.h"

#include <cerrno>

namespace {

struct TReasons {
    int Depth = 0;        // nesting of interface calls
    bool Failed = false;  // the running call failed
    int Status = 0;       // with this status (0 = none given)
    int Code = xbErrNone; // recorded during the running call
    std::string Path;
    int Error = 0;
    int LastCode = xbErrNone; // of the last failed call
    std::string LastPath;
    int LastError = 0;
    int Handled = 0; // failures met now are handled where they are met (TXbHandledFailures)
};

TReasons& Reasons() {
    static TReasons reasons;
    return reasons;
}

const char* TextOf(int code) {
    switch (code) {
    case xbErrFileMissing: return "File not found";
    case xbErrLocked: return "File is in use by another user";
    case xbErrDamagedHeader: return "Table header is damaged";
    case xbErrDamagedIndex: return "Index is damaged or does not match its table";
    case xbErrDamagedMemo: return "Memo file is damaged";
    case xbErrReadOnly: return "File is read-only";
    case xbErrDiskFull: return "Disk is full";
    case xbErrOther: return "File could not be read or written";
    case xbErrNoLocks: return "The file system of the folder does not support file locks";
    case xbErrNotReadable: return "File may not be read";
    default: return "";
    }
}

} // namespace

void XbSetReason(int code, const std::string& path, int error) {
    TReasons& r = Reasons();
    if (r.Handled > 0) return;
    if (r.Depth == 0) {
        r.LastCode = code;
        r.LastPath = path;
        r.LastError = error;
    } else if (r.Code == xbErrNone) {
        r.Code = code;
        r.Path = path;
        r.Error = error;
    }
}

int XbReasonOfErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR: return xbErrFileMissing;
    case EACCES:
    case EPERM:
    case EROFS: return xbErrReadOnly;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return xbErrDiskFull;
    case EAGAIN: return xbErrLocked;
    default: return xbErrOther;
    }
}

int XbReasonOfStatus(int status) {
    switch (status) {
    case xbLockRefused:
    case xbTableBusy:
    case xbSharing:
    case xbNotExclusive: return xbErrLocked;
    case xbWriteFailed: return xbErrOther;
    case xbReadOnly: return xbErrReadOnly;
    case xbDamaged: return xbErrDamagedHeader;
    case xbNotFound: return xbErrFileMissing;
    case xbNoLocks: return xbErrNoLocks;
    default: return xbErrNone;
    }
}

void XbFailCall(int status) {
    TReasons& r = Reasons();
    r.Failed = true;
    if (r.Status == xbOK) r.Status = status;
}

TXbCall::TXbCall() {
    TReasons& r = Reasons();
    if (r.Depth++ == 0) {
        r.Code = xbErrNone;
        r.Path.clear();
        r.Error = 0;
        r.Failed = false;
        r.Status = xbOK;
    }
}

TXbCall::~TXbCall() {
    TReasons& r = Reasons();
    if (--r.Depth > 0 || !r.Failed) return;
    if (r.Code == xbErrNone) r.Code = XbReasonOfStatus(r.Status);
    r.LastCode = r.Code;
    r.LastPath = r.Path;
    r.LastError = r.Error;
}

int TXbCall::Status(int status) {
    if (status != xbOK) XbFailCall(status);
    return status;
}

TXbHandledFailures::TXbHandledFailures() {
    ++Reasons().Handled;
}

TXbHandledFailures::~TXbHandledFailures() {
    --Reasons().Handled;
}

int XbLastReason() {
    return Reasons().LastCode;
}

int XbLastReasonError() {
    return Reasons().LastError;
}

const std::string& XbLastReasonPath() {
    return Reasons().LastPath;
}

std::string XbLastReasonText() {
    const TReasons& r = Reasons();
    if (r.LastCode == xbErrNone) return {};
    std::string text = TextOf(r.LastCode);
    if (!r.LastPath.empty()) text += ": \"" + r.LastPath + "\"";
    return text;
}
