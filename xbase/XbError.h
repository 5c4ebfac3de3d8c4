// Why the engine's last call failed. The units of the engine record a reason where they meet a
// failure (a missing file, a lock held elsewhere, a header, index page or memo block that fails
// its checks, a write the file system refuses); each call of the interface (Xbase.h) runs inside
// a TXbCall, and only a call that fails hands its reason on to xb_LastError. The first reason a
// call records is kept, since later ones are consequences of it; a failing call that recorded
// none leaves xbErrNone. A successful call leaves the last failure's reason as it was.
#pragma once

#include <string>

// Records why an operation fails: code is one of the xbErr reasons of Xbase.h, path the file it
// concerns (empty when none is known), error the errno of a write the system refused (0 for
// other failures). Outside a call of the interface it is the last reason at once.
void XbSetReason(int code, const std::string& path = {}, int error = 0);
// The reason a failed system call's errno gives for a file: disk full, read-only, missing,
// locked, or another failure.
int XbReasonOfErrno(int error);
// The reason a failing status of TXbStatus implies, for failures no unit described; xbErrNone
// for statuses that are the whole answer (a key violation, a refused argument).
int XbReasonOfStatus(int status);

// Marks the running call of the interface as failed with status (a TXbStatus; 0 when the
// result shows no status), also for failures the call's own result cannot show.
void XbFailCall(int status);

// One call of the engine's interface. Calls nest (one call may use another); only the outermost
// decides, when it ends. Failed marks the call as failed; Status marks it when status is not
// xbOK and gives status back.
class TXbCall {
public:
    TXbCall();
    ~TXbCall();
    TXbCall(const TXbCall&) = delete;
    TXbCall& operator=(const TXbCall&) = delete;

    void Failed() { XbFailCall(0); }
    int Status(int status);
};

// Failures met while it lives are the caller's to handle and no failure of the call: they
// record no reason, so that a refused rename done another way, or a file left that does no harm,
// never stands for a later failure of the call.
class TXbHandledFailures {
public:
    TXbHandledFailures();
    ~TXbHandledFailures();
    TXbHandledFailures(const TXbHandledFailures&) = delete;
    TXbHandledFailures& operator=(const TXbHandledFailures&) = delete;
};

// The reason of the last failed call, its text, the file it concerns (empty when none) and the
// errno the system refused a write with (0 when none).
int XbLastReason();
int XbLastReasonError();
std::string XbLastReasonText();
const std::string& XbLastReasonPath();
