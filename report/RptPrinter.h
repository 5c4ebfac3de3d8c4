// The report printer component: a form places it to print a report straight on the selected
// printer. A caller sets the print handler and calls Execute; this class starts the job, breaks
// the pages and ends the job on the printer device.
#pragma once

#include "report/RptCanvas.h"

class TReportWriter : public TCanvasReport {
    VANTREL_CLASS(TReportWriter, TCanvasReport)

    explicit TReportWriter(TComponent* AOwner) : TCanvasReport(AOwner) {}

    void StartJob() override;
    void FinishJob() override;
    void NewPage() override;
};
