#include "report/RptPrinter.h"

#include "platform/gui/Dialogs.h"
#include "platform/rtl/DateTime.h"
#include "report/RptDevice.h"

void TReportWriter::StartJob() {
    if (!PrinterInstalled()) {
        MessageDlg(Trans_NoPrinters, mtError, TMsgDlgButtons{mbOK}, 0);
        return;
    }
    CheckNotPrinting();
    jobDateTime_ = Now();
    aborted_ = false;
    currentPage_ = 0;
    DoBeforePrint();
    BeginDocument();
    try {
        AttachFontNotify();
        PrepareJob();
    } catch (...) {
        DetachFontNotify();
        aborted_ = true;
        EndDocument();
        aborted_ = false;
        throw;
    }
    printing_ = true;
    const bool pushed = PushTabs();
    ResetJob();
    if (pushed) PopTabs();
    currentPage_ = 1;
    pageSkip_ = !PageSelected(1) || aborted_;
    RPDev()->NewPage(!pageSkip_);
    UpdateStatus();
    if (!aborted_) RunPageStart();
    if (!aborted_) DoNewPage();
    if (!aborted_) DoPrintHeader();
}

void TReportWriter::NewPage() {
    DoPrintFooter();
    RunPageEnd();
    TCanvasReport::NewPage();
    RunPageStart();
    DoNewPage();
    DoPrintHeader();
}

void TReportWriter::FinishJob() {
    if (!printing_) {
        // A job that did not start (no printer) only reports its end.
        DoAfterPrint();
        return;
    }
    TCleanupSteps steps;
    if (!aborted_) steps.Run([this] { DoPrintFooter(); });
    if (!aborted_) steps.Run([this] { RunPageEnd(); });
    steps.Run([this] { DetachFontNotify(); });
    steps.Run([this] { ClearFontCache(); });
    steps.Run([this] { EndDocument(); });
    printing_ = false;
    steps.Run([this] { DoAfterPrint(); });
    steps.Rethrow();
}
